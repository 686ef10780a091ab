// Timedelta: a pandas.Timedelta that follows the alias protocol; a bare
// number means seconds.
#include "timedelta.hpp"

namespace vexal::timedelta {
namespace {

bool is_number(PyObject* value) {
    return truthy(call(state.is_integer, value).get()) || truthy(call(state.is_float, value).get());
}

// pandas hands a Timedelta argument back unchanged, so a pandas.Timedelta
// that is not yet one of ours is passed on as its numpy value, which keeps
// its resolution.
Ref new_timedelta(FunctionObject*, PyObject* const* args) {
    PyObject *cls = args[0], *positional = args[1], *keywords = args[2];
    Py_ssize_t count = PyTuple_GET_SIZE(positional);
    PyObject* first = count ? PyTuple_GET_ITEM(positional, 0) : nullptr;
    if (first) {
        int is_instance = PyObject_IsInstance(first, cls);
        if (is_instance > 0) return Ref::borrow(first);
        if (is_instance < 0) {
            if (!PyErr_ExceptionMatches(PyExc_Exception)) raise();
            PyErr_Clear();
        }
    }
    Ref pandas_keywords = check(PyDict_Copy(keywords));
    if (PyDict_DelItem(pandas_keywords.get(), id<"alias">()) < 0) {
        if (!PyErr_ExceptionMatches(PyExc_KeyError)) raise();
        PyErr_Clear();
    }
    bool has_unit = check_status(PyDict_Contains(keywords, id<"unit">()));
    if (count == 1 && !has_unit && is_number(first)) {
        check_status(PyDict_SetItem(pandas_keywords.get(), id<"unit">(), id<"s">()));
    }
    Ref values = check(PyList_New(0));
    check_status(PyList_Append(values.get(), cls));
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject* value = PyTuple_GET_ITEM(positional, i);
        if (i == 0 && isinstance(value, state.pandas_timedelta)) {
            check_status(PyList_Append(values.get(), call_method(value, id<"to_timedelta64">()).get()));
        } else {
            check_status(PyList_Append(values.get(), value));
        }
    }
    Ref pandas_new = getattr(state.pandas_timedelta, id<"__new__">());
    Ref call_args = check(PyList_AsTuple(values.get()));
    return check(PyObject_Call(pandas_new.get(), call_args.get(), pandas_keywords.get()));
}

Ref init_timedelta(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *keywords = args[2];
    Ref alias = Ref::borrow(PyDict_GetItemWithError(keywords, id<"alias">()));
    if (!alias && PyErr_Occurred()) raise();
    Ref own_text = call(getattr(state.pandas_timedelta, id<"__str__">()).get(), self);
    call(getattr(state.has_alias, id<"__init__">()).get(), self, own_text.get(), alias ? alias.get() : Py_None);
    return none();
}

const FunctionDef new_def{"__new__", "cls, *args, **kwargs", new_timedelta};
const FunctionDef init_def{"__init__", "self, *args, **kwargs", init_timedelta};

}  // namespace

void register_timedelta_class(PyObject* module) {
    struct Operator {
        const char* name;
        const char* alias_format;
    };
    constexpr Operator operators[] = {
        {"__add__", "{0}+{1}"}, {"__radd__", "{1}+{0}"}, {"__sub__", "{0}-{1}"}, {"__rsub__", "{1}-{0}"}};
    ClassBuilder builder(module, "Timedelta");
    builder.base(state.has_alias)
        .base(state.pandas_timedelta)
        .doc("A pandas.Timedelta with an optional alias. A bare number is a time in seconds, a string carries "
             "its own unit ('1ms'); the text is compact ('1s 500ms'). Adding or subtracting converts the other "
             "operand to a Timedelta first and composes the operands' aliases.")
        .static_method(new_def)
        .method(init_def);
    for (const Operator& op : operators) {
        Ref wrapped = make_castable(getattr(state.pandas_timedelta, text(op.name).get()).get(),
                                    text(op.alias_format).get());
        builder.attr(op.name, wrapped.get());
    }
    Ref cls = builder.build();
    state.timedelta = Py_NewRef(cls.get());
    state.timedelta_guard.watch(cls.get(), {"__eq__", "__lt__", "__abs__", "components", "value"});
    check_status(PyModule_AddObjectRef(module, "Timedelta", cls.get()));
}

}  // namespace vexal::timedelta
