// The process-wide changes to pandas' time span and time index, and the
// deprecated to_timedelta.
#include "timedelta.hpp"

#include <iterator>

namespace vexal::timedelta {
namespace {

constexpr const char* castable_operators[] = {"__add__", "__radd__", "__sub__", "__rsub__"};
constexpr const char* slice_kinds[] = {"ix", "loc", "getitem"};

// What the class itself holds under name (not its bases), or empty.
Ref own_attribute(PyObject* cls, PyObject* name) {
    Ref dict = getattr(cls, id<"__dict__">());
    PyObject* value = PyObject_GetItem(dict.get(), name);
    if (value) return Ref::steal(value);
    if (!PyErr_ExceptionMatches(PyExc_KeyError)) raise();
    PyErr_Clear();
    return Ref();
}

// Sets cls.name = value unless it holds that object already, so that a
// repeated patch leaves the class untouched.
void install(PyObject* cls, PyObject* name, PyObject* value) {
    if (own_attribute(cls, name).get() != value) setattr(cls, name, value);
}

// Idempotent: an operator already wrapped by an earlier call is not wrapped again.
Ref patch_pandas(FunctionObject*, PyObject* const*) {
    PyObject* pandas_timedelta = state.pandas_timedelta;
    Ref td_repr_fn = getattr(state.module, id<"new_td_repr">());
    install(pandas_timedelta, id<"__repr__">(), td_repr_fn.get());
    install(pandas_timedelta, id<"__str__">(), td_repr_fn.get());
    for (size_t i = 0; i < std::size(castable_operators); ++i) {
        Ref op_name = text(castable_operators[i]);
        PyObject*& installed = state.castable_operators[i];
        if (installed && own_attribute(pandas_timedelta, op_name.get()).get() == installed) continue;
        Ref wrapped = make_castable(getattr(pandas_timedelta, op_name.get()).get(), Py_None);
        setattr(pandas_timedelta, op_name.get(), wrapped.get());
        Py_XSETREF(installed, wrapped.release());
    }
    install(state.timedelta_index, id<"_maybe_cast_slice_bound">(),
            getattr(state.module, id<"_maybe_cast_slice_bound">()).get());
    return none();
}

void assert_slice_kind(PyObject* kind) {
    if (state.optimized || kind == Py_None) return;
    for (const char* name : slice_kinds) {
        if (check_status(PyObject_RichCompareBool(kind, text(name).get(), Py_EQ))) return;
    }
    raise(PyExc_AssertionError, nullptr);
}

// pandas' rejection of an invalid slice bound, which raises TypeError
// (caused by `cause` when there is one).
[[noreturn]] void reject_slice_bound(PyObject* index, PyObject* label, PyObject* cause = nullptr) {
    Ref form = text("slice");
    if (Ref raiser = lookup_attr(index, id<"_raise_invalid_indexer">())) {
        if (cause) call(raiser.get(), form.get(), label, cause);
        call(raiser.get(), form.get(), label);
    } else {
        Ref error = call_method(index, id<"_invalid_indexer">(), form.get(), label);
        if (PyExceptionInstance_Check(error.get())) {
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.get())), error.get());
            raise();
        }
    }
    raise(PyExc_TypeError, "cannot do slice indexing with this indexer");
}

Ref maybe_cast_slice_bound(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *label = args[1], *kind = args[3];
    assert_slice_kind(kind);
    if (PyUnicode_Check(label)) {
        // Current pandas rejects its own default unit beside a string.
        try {
            return call_kw(state.coerce_scalar, {label, Py_None}, kwnames<"unit">());
        } catch (const PyError&) {
            // Not a time: pandas' own TypeError, as its own slicing raises it.
            if (!PyErr_ExceptionMatches(PyExc_ValueError)) throw;
            reject_slice_bound(self, label, fetch_error().get());
        }
    }
    if (truthy(call(state.is_integer, label).get()) || truthy(call(state.is_float, label).get())) {
        reject_slice_bound(self, label);
    }
    return Ref::borrow(label);
}

Ref to_timedelta(FunctionObject*, PyObject* const* args) {
    check_status(PyErr_WarnEx(PyExc_UserWarning,
                              "Deprecated function vexal.types.timedelta.to_timedelta will be removed. "
                              "Use pandas.to_timedelta directly instead.",
                              1));
    return check(PyObject_Call(state.to_timedelta, args[0], args[1]));
}

const FunctionDef patch_pandas_def{"patch_pandas", "", patch_pandas,
                                   "Monkey patching pandas Timedelta with several feature changes and bugfixes."};
const FunctionDef maybe_cast_slice_bound_def{
    "_maybe_cast_slice_bound", "self, label, side, kind", maybe_cast_slice_bound,
    "Works around pandas issue 13929 (https://github.com/pandas-dev/pandas/issues/13929): a string bound "
    "of a time index slice is the exact time the string states, on both sides."};
const FunctionDef to_timedelta_def{"to_timedelta", "*args, **kwargs", to_timedelta,
                                   "Deprecated: use pandas.to_timedelta directly."};

}  // namespace

void register_pandas_patch(PyObject* module) {
    Ref kind_default = check(PyTuple_Pack(1, Py_None));
    Ref slice_bound = make_function(maybe_cast_slice_bound_def, {.module = module, .defaults = kind_default.get()});
    add_object(module, "_maybe_cast_slice_bound", slice_bound);
    Ref patch = make_function(patch_pandas_def, {.module = module});
    add_object(module, "patch_pandas", patch);
    call(patch.get());
}

void register_to_timedelta(PyObject* module) {
    add_function(module, to_timedelta_def);
}

}  // namespace vexal::timedelta
