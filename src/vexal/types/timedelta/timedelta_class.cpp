// Timedelta: a pandas.Timedelta that follows the alias protocol; a bare
// number means seconds.
#include "timedelta.hpp"

namespace vexal::timedelta {
namespace {

bool is_number(PyObject* value) {
    if (PyFloat_CheckExact(value) || PyLong_CheckExact(value)) return true;  // pandas' answer for both
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
        int found = is_instance(first, cls);
        if (found > 0) return Ref::borrow(first);
        if (found < 0) {
            if (!PyErr_ExceptionMatches(PyExc_Exception)) raise();
            PyErr_Clear();
        }
    }
    Ref pandas_new = getattr(state.pandas_timedelta, id<"__new__">());
    if (count == 1 && PyDict_GET_SIZE(keywords) == 0 && is_number(first)) {
        // The common call, a bare number of seconds, without building the keywords.
        PyObject* call_args[] = {cls, first, id<"s">()};
        return check(PyObject_Vectorcall(pandas_new.get(), call_args, 2, kwnames<"unit">()));
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
    Ref call_args = check(PyList_AsTuple(values.get()));
    return check(PyObject_Call(pandas_new.get(), call_args.get(), pandas_keywords.get()));
}

// __init__'s work: the own text and the alias (`keywords` may be null).
void initialise(PyObject* self, PyObject* keywords) {
    Ref alias = keywords ? Ref::borrow(PyDict_GetItemWithError(keywords, id<"alias">())) : Ref();
    if (!alias && PyErr_Occurred()) raise();
    Ref own_text = state.own_text.holds() ? td_repr(self)
                                          : call(getattr(state.pandas_timedelta, id<"__str__">()).get(), self);
    call(getattr(state.has_alias, id<"__init__">()).get(), self, own_text.get(), alias ? alias.get() : Py_None);
}

Ref init_timedelta(FunctionObject*, PyObject* const* args) {
    initialise(args[0], args[2]);
    return none();
}

// The class call Timedelta(...) on an instance of this very class: __init__
// without its lookup and the packing of its arguments.
bool fast_init(PyObject* self, PyObject*, PyObject* keywords) {
    if (Py_TYPE(self) != reinterpret_cast<PyTypeObject*>(state.timedelta)) return false;
    initialise(self, keywords);
    return true;
}

// Copies and pickles rebuild the time span from its numpy value (which keeps
// its resolution) and carry the alias state in the instance dictionary;
// pandas' own reduction would make a plain pandas.Timedelta.
Ref reduce_ex(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    Ref value = call_method(self, id<"to_timedelta64">());
    Ref dict = check(PyObject_GenericGetDict(self, nullptr));
    Ref state_ = check(PyDict_Copy(dict.get()));
    return check(Py_BuildValue("(O(O)O)", reinterpret_cast<PyObject*>(Py_TYPE(self)), value.get(), state_.get()));
}

Ref setstate(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *state_ = args[1];
    if (!PyDict_Check(state_)) {
        call(getattr(state.pandas_timedelta, id<"__setstate__">()).get(), self, state_);
        return none();
    }
    Ref dict = check(PyObject_GenericGetDict(self, nullptr));
    check_status(PyDict_Update(dict.get(), state_));
    return none();
}

const FunctionDef new_def{"__new__", "cls, *args, **kwargs", new_timedelta};
const FunctionDef init_def{"__init__", "self, *args, **kwargs", init_timedelta};
const FunctionDef reduce_ex_def{"__reduce_ex__", "self, protocol", reduce_ex};
const FunctionDef setstate_def{"__setstate__", "self, state", setstate};

// pandas.Timedelta's signature with the keyword-only `alias` added, shown
// by inspect.signature and editors instead of the (*args, **kwargs) of
// __new__; nothing when pandas' signature cannot be read.
void set_signature(PyObject* cls) {
    Ref inspect = import("inspect");
    Ref pandas_signature;
    try {
        pandas_signature = call_method(inspect.get(), id<"signature">(), state.pandas_timedelta);
    } catch (const PyError&) {
        if (!PyErr_ExceptionMatches(PyExc_ValueError) && !PyErr_ExceptionMatches(PyExc_TypeError)) throw;
        PyErr_Clear();
        return;
    }
    Ref parameter = getattr(inspect.get(), id<"Parameter">());
    Ref values = call_method(getattr(pandas_signature.get(), id<"parameters">()).get(), id<"values">());
    Ref parameters = check(PySequence_List(values.get()));
    Ref var_keyword = getattr(parameter.get(), id<"VAR_KEYWORD">());
    Py_ssize_t position = PyList_GET_SIZE(parameters.get());
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(parameters.get()); ++i) {
        Ref kind = getattr(PyList_GET_ITEM(parameters.get(), i), id<"kind">());
        if (truthy(compare(kind.get(), var_keyword.get(), Py_EQ).get())) position = i;
    }
    Ref alias = call_kw(parameter.get(), {id<"alias">(), getattr(parameter.get(), id<"KEYWORD_ONLY">()).get(), Py_None},
                        kwnames<"default">());
    check_status(PyList_Insert(parameters.get(), position, alias.get()));
    Ref signature = call_kw(getattr(pandas_signature.get(), id<"replace">()).get(), {parameters.get()},
                            kwnames<"parameters">());
    setattr(cls, id<"__signature__">(), signature.get());
}

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
        .method(init_def)
        .method(reduce_ex_def)
        .method(setstate_def);
    for (const Operator& op : operators) {
        Ref wrapped = make_castable(getattr(state.pandas_timedelta, text(op.name).get()).get(),
                                    text(op.alias_format).get());
        builder.attr(op.name, wrapped.get());
    }
    Ref cls = builder.build();
    install_init_slot<fast_init>(cls.get());
    set_signature(cls.get());
    state.timedelta = Py_NewRef(cls.get());
    state.timedelta_path.attributes(cls.get(), {"__eq__", "__lt__", "__abs__", "components", "value"});
    state.own_text.attributes(state.pandas_timedelta, {"__str__"});
    add_object(module, "Timedelta", cls);
}

}  // namespace vexal::timedelta
