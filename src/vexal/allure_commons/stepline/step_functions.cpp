// The log functions: steps with their parameter lines, fixtures, free lines,
// and the depth counter `testlogger.indentation` they move by 4.
#include "stepline.hpp"

namespace vexal::stepline {
namespace {

constexpr long depth_step = 4;

void info(PyObject* logger, PyObject* message) { call_method(logger, id<"info">(), message); }

// testlogger.indentation += 4 (or -= 4), through attribute access each time:
// the counter is a plain attribute that anyone may set.
void move_depth(bool open) {
    Ref logger = testlogger();
    Ref depth = getattr(logger.get(), id<"indentation">());
    Ref amount = check(PyLong_FromLong(depth_step));
    Ref moved = check(open ? PyNumber_InPlaceAdd(depth.get(), amount.get())
                           : PyNumber_InPlaceSubtract(depth.get(), amount.get()));
    setattr(logger.get(), id<"indentation">(), moved.get());
}

// What "{}" makes of a value in str.format.
Ref field(PyObject* value) { return plain_text(value); }

// Values whose text is made without running any code of the caller's.
bool plain(PyObject* value) {
    return PyUnicode_CheckExact(value) || PyLong_CheckExact(value) || PyFloat_CheckExact(value) ||
           PyBool_Check(value) || value == Py_None;
}

// The field of a value made before the logger is asked, when making it can
// raise or act; left empty for a plain value, whose text is only needed if
// the line is logged. See info_is_off.
Ref early_field(PyObject* value) { return plain(value) ? Ref() : field(value); }
Ref late_field(Ref& early, PyObject* value) { return early ? std::move(early) : field(value); }

// `name, value = entry`, with the interpreter's errors.
void unpack_pair(PyObject* entry, Ref& name, Ref& value) {
    if (PyTuple_CheckExact(entry) || PyList_CheckExact(entry)) {
        Py_ssize_t size = PySequence_Fast_GET_SIZE(entry);
        if (size > 2) raise(PyExc_ValueError, "too many values to unpack (expected 2)");
        if (size < 2) raise_format(PyExc_ValueError, "not enough values to unpack (expected 2, got %zd)", size);
        name = Ref::borrow(PySequence_Fast_GET_ITEM(entry, 0));
        value = Ref::borrow(PySequence_Fast_GET_ITEM(entry, 1));
        return;
    }
    if (!Py_TYPE(entry)->tp_iter && !PySequence_Check(entry)) {
        raise_format(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(entry)->tp_name);
    }
    Ref iterator = check(PyObject_GetIter(entry));
    Ref items[2];
    for (Py_ssize_t got = 0; got < 2; ++got) {
        items[got] = Ref::steal(PyIter_Next(iterator.get()));
        if (!items[got]) {
            if (PyErr_Occurred()) raise();
            raise_format(PyExc_ValueError, "not enough values to unpack (expected 2, got %zd)", got);
        }
    }
    if (Ref extra = Ref::steal(PyIter_Next(iterator.get()))) raise(PyExc_ValueError, "too many values to unpack (expected 2)");
    if (PyErr_Occurred()) raise();
    name = std::move(items[0]);
    value = std::move(items[1]);
}

// param_list[-1][0]
Ref last_name(PyObject* param_list) {
    PyObject* last = PyList_GET_ITEM(param_list, PyList_GET_SIZE(param_list) - 1);
    if (PyTuple_CheckExact(last) && PyTuple_GET_SIZE(last) > 0) return Ref::borrow(PyTuple_GET_ITEM(last, 0));
    Ref zero = check(PyLong_FromLong(0));
    return check(PyObject_GetItem(last, zero.get()));
}

void log_parameters(PyObject* params) {
    Ref param_list = check(PySequence_List(call_method(params, id<"items">()).get()));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(param_list.get()); ++i) {
        Ref entry = Ref::borrow(PyList_GET_ITEM(param_list.get(), i));
        Ref name, value;
        unpack_pair(entry.get(), name, value);
        bool last = truthy(compare(name.get(), last_name(param_list.get()).get(), Py_EQ).get());
        if (truthy(state.global(id<"PY2">()).get())) {
            value = call_kw(state.global(id<"str">()).get(), {value.get(), id<"utf-8">()}, kwnames<"encoding">());
        }
        // "{}  {}- {} = {}" filled with the two-space step spacing, the icon,
        // the name and the value.
        Ref logger = testlogger();
        Ref name_text = early_field(name.get());
        Ref value_text = early_field(value.get());
        if (info_is_off(logger.get())) continue;
        Ref line = concat({id<"    ">(), last ? id<"└">() : id<"├">(), id<"- ">(),
                           late_field(name_text, name.get()).get(), id<" = ">(),
                           late_field(value_text, value.get()).get()});
        info(logger.get(), line.get());
    }
}

// Logs "{}{}" filled with prefix and value.
void log_prefixed(PyObject* prefix, PyObject* value) {
    Ref logger = testlogger();
    Ref text_ = early_field(value);
    if (info_is_off(logger.get())) return;
    info(logger.get(), concat({prefix, late_field(text_, value).get()}).get());
}

Ref start_step(FunctionObject*, PyObject* const* args) {
    PyObject* title = args[0];
    PyObject* params = args[1];
    log_prefixed(id<"> ">(), title);
    if (truthy(params)) log_parameters(params);
    move_depth(true);
    return none();
}

// stop_step and stop_fixture alike close the level last opened.
Ref close_level(FunctionObject*, PyObject* const*) {
    move_depth(false);
    return none();
}

Ref start_fixture(FunctionObject*, PyObject* const* args) {
    log_prefixed(id<"[Fixture] ">(), args[0]);
    move_depth(true);
    return none();
}

Ref log(FunctionObject*, PyObject* const* args) {
    Ref logger = testlogger();
    if (!info_is_off(logger.get())) info(logger.get(), args[0]);
    return none();
}

const FunctionDef log_def{"log", "msg", log, "Log msg unchanged at INFO level, at the current depth."};
const FunctionDef start_step_def{
    "start_step", "title, params", start_step,
    "Log \"> \" and the title, then one line per item of the mapping params (the last one marked with \"\u2514\", "
    "the others with \"\u251c\"), and open one level: what is logged next is indented by 4 more spaces."};
const FunctionDef stop_step_def{"stop_step", "", close_level, "Close the level opened by start_step."};
const FunctionDef start_fixture_def{"start_fixture", "fixture_name", start_fixture,
                                    "Log \"[Fixture] \" and the fixture's name, and open one level."};
const FunctionDef stop_fixture_def{"stop_fixture", "", close_level, "Close the level opened by start_fixture."};

}  // namespace

void register_step_functions(PyObject* module) {
    add_functions(module, {&log_def, &start_step_def, &stop_step_def, &start_fixture_def, &stop_fixture_def});
}

}  // namespace vexal::stepline
