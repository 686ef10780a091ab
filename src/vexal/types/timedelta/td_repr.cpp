// new_td_repr: the compact text of a time span ("1s 500ms", "-1min 30s").
#include "timedelta.hpp"

#include <array>
#include <charconv>

namespace vexal::timedelta {
namespace {

constexpr const char* unit_formats[] = {" {}d", " {}h", " {}min", " {}s", " {}ms", " {}us", " {}ns"};
constexpr const char* unit_suffixes[] = {"d", "h", "min", "s", "ms", "us", "ns"};
constexpr const char* component_names[] = {"days",         "hours",        "minutes",    "seconds",
                                           "milliseconds", "microseconds", "nanoseconds"};

// The components of a non-negative nanosecond count, days first.
std::array<std::int64_t, 7> split(std::int64_t ns) {
    constexpr std::int64_t sizes[] = {86'400'000'000'000, 3'600'000'000'000, 60'000'000'000, 1'000'000'000,
                                      1'000'000, 1'000, 1};
    std::array<std::int64_t, 7> parts{};
    for (size_t i = 0; i < parts.size(); ++i) {
        parts[i] = ns / sizes[i];
        ns %= sizes[i];
    }
    return parts;
}

// The nanosecond count, when the value is a plain pandas.Timedelta or one of
// ours whose comparisons, abs() and fields are pandas' own; otherwise false.
bool exact_nanoseconds(PyObject* self, std::int64_t* ns) {
    bool ours = Py_TYPE(self) == reinterpret_cast<PyTypeObject*>(state.timedelta);
    bool plain = Py_TYPE(self) == reinterpret_cast<PyTypeObject*>(state.pandas_timedelta);
    if (!(plain || (ours && state.timedelta_path.holds())) || !state.pandas_path.holds()) return false;
    PyObject* value = PyObject_GetAttr(self, id<"value">());
    if (!value) {  // not representable in nanoseconds: take the general way
        PyErr_Clear();
        return false;
    }
    *ns = PyLong_AsLongLong(value);
    Py_DECREF(value);
    if (*ns == -1 && PyErr_Occurred()) {
        PyErr_Clear();
        return false;
    }
    return true;
}

Ref td_repr_exact(std::int64_t ns) {
    if (ns == state.max_ns) return text("+inf");
    if (ns == state.min_ns) return text("-inf");
    bool negative = ns < 0;
    std::array<std::int64_t, 7> parts = split(negative ? -ns : ns);
    char buffer[160];
    char* const start = buffer + negative;
    char* end = buffer;
    if (negative) *end++ = '-';
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i] <= 0) continue;
        if (end != start) *end++ = ' ';
        end = std::to_chars(end, buffer + sizeof buffer, parts[i]).ptr;
        for (const char* suffix = unit_suffixes[i]; *suffix; ++suffix) *end++ = *suffix;
    }
    if (end == start) {
        *end++ = '0';
        *end++ = 's';
    }
    return check(PyUnicode_FromStringAndSize(buffer, end - buffer));
}

// The same steps through the value's own operations.
Ref td_repr_general(PyObject* self) {
    if (truthy(compare(self, state.timedelta_max, Py_EQ).get())) return text("+inf");
    if (truthy(compare(self, state.timedelta_min, Py_EQ).get())) return text("-inf");
    bool negative = truthy(compare(self, state.zero, Py_LT).get());
    Ref magnitude = check(PyNumber_Absolute(self));
    Ref components = getattr(magnitude.get(), id<"components">());
    Ref zero = check(PyLong_FromLong(0));
    Ref pieces = check(PyList_New(0));
    for (size_t i = 0; i < std::size(component_names); ++i) {
        Ref component = getattr(components.get(), text(component_names[i]).get());
        if (truthy(compare(component.get(), zero.get(), Py_GT).get())) {
            Ref piece = call_method(text(unit_formats[i]).get(), id<"format">(), component.get());
            check_status(PyList_Append(pieces.get(), piece.get()));
        }
    }
    Ref joined = check(PyUnicode_Join(text("").get(), pieces.get()));
    if (PyUnicode_GET_LENGTH(joined.get()) == 0) joined = text("0s");
    joined = call_method(joined.get(), id<"strip">());
    if (negative) joined = check(PyUnicode_Concat(text("-").get(), joined.get()));
    return joined;
}

Ref new_td_repr(FunctionObject*, PyObject* const* args) { return td_repr(args[0]); }

const FunctionDef new_td_repr_def{"new_td_repr", "self, *args, **kwargs", new_td_repr,
                                  "Compact text of a time span: every non-zero unit from days down to "
                                  "nanoseconds, e.g. '1s 500ms'; '+inf' and '-inf' for the extremes."};

}  // namespace

Ref td_repr(PyObject* self) {
    std::int64_t ns;
    if (exact_nanoseconds(self, &ns)) return td_repr_exact(ns);
    return td_repr_general(self);
}

void register_td_repr(PyObject* module) {
    state.pandas_path.attributes(state.pandas_timedelta, {"__eq__", "__lt__", "__abs__", "components", "value"});
    add_function(module, new_td_repr_def);
}

}  // namespace vexal::timedelta
