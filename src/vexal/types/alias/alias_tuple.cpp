// AliasTuple: a tuple with an alias, printing its items' own texts on request.
#include "alias.hpp"

namespace vexal::alias {
namespace {

Ref new_alias_tuple(FunctionObject*, PyObject* const* args) {
    Ref tuple_new = getattr(reinterpret_cast<PyObject*>(&PyTuple_Type), id<"__new__">());
    return call(tuple_new.get(), args[0], args[1]);
}

bool unpatched(PyTypeObject* type) {
    return type == reinterpret_cast<PyTypeObject*>(state.alias_tuple) && state.alias_tuple_path.holds();
}

// The item's _str_representation(), or str(item) when that raises AttributeError.
Ref item_text(PyObject* item) {
    if (PyFloat_CheckExact(item)) return float_repr(PyFloat_AS_DOUBLE(item));  // float has no such method
    Ref method = lookup_attr(item, id<"_str_representation">());
    if (method) {
        PyObject* own = PyObject_CallNoArgs(method.get());
        if (own) return Ref::steal(own);
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) raise();
        PyErr_Clear();
    }
    return str(item);
}

// "(" + (", ".join(texts) + ")").lstrip(" ,"), which is the joined texts
// without their leading spaces and commas, in parentheses.
Ref child_texts(PyObject* input_tuple) {
    Ref strings = check(PyList_New(0));
    Ref items = check(PyObject_GetIter(input_tuple));
    while (Ref item = Ref::steal(PyIter_Next(items.get()))) {
        check_status(PyList_Append(strings.get(), item_text(item.get()).get()));
    }
    if (PyErr_Occurred()) raise();
    Ref joined = check(PyUnicode_Join(id<", ">(), strings.get()));
    Py_ssize_t length = PyUnicode_GET_LENGTH(joined.get());
    Py_ssize_t first = 0;
    for (; first < length; ++first) {
        Py_UCS4 c = PyUnicode_READ_CHAR(joined.get(), first);
        if (c != ' ' && c != ',') break;
    }
    if (first > 0) joined = check(PyUnicode_Substring(joined.get(), first, length));
    return concat({id<"(">(), joined.get(), id<")">()});
}

Ref create_original_child_str(FunctionObject*, PyObject* const* args) { return child_texts(args[1]); }

Ref own_text(PyObject* self, PyObject* value, PyObject* child_original_str) {
    if (truthy(child_original_str)) return call_method(self, id<"create_original_child_str">(), value);
    if (!state.py2) return str(value);
    Ref raw = call_method(value, id<"__str__">());
    return call_kw(reinterpret_cast<PyObject*>(&PyUnicode_Type), {raw.get(), text("UTF-8").get()},
                   kwnames<"encoding">());
}

Ref init_alias_tuple(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *value = args[1], *alias = args[2], *child_original_str = args[3];
    init_has_alias(self, own_text(self, value, child_original_str).get(), alias);
    return none();
}

// __init__ of the exact, unpatched class, with its own methods called directly.
bool fast_init(PyObject* self, PyObject* args, PyObject* kwargs) {
    PyObject* const names[] = {id<"value">(), id<"alias">(), id<"child_original_str">()};
    PyObject* bound[] = {nullptr, Py_None, Py_False};
    if (!unpatched(Py_TYPE(self)) || !match_arguments(args, kwargs, names, 1, bound)) return false;
    Ref value = Ref::borrow(bound[0]), alias = Ref::borrow(bound[1]);  // making the text may run Python code
    Ref own = truthy(bound[2]) ? child_texts(value.get())
              : state.py2      ? own_text(self, value.get(), Py_False)
                               : str(value.get());
    init_has_alias_direct(self, own.get(), alias.get());
    return true;
}

const FunctionDef new_def{"__new__", "cls, value, **kwargs", new_alias_tuple};
const FunctionDef init_def{"__init__", "self, value, alias, child_original_str", init_alias_tuple};
const FunctionDef child_str_def{"create_original_child_str", "self, input_tuple", create_original_child_str,
                                R"doc(The items' own texts, joined by ", " inside parentheses.

Parameters
----------
input_tuple : tuple
    The items; an item without ``_str_representation`` gives its ``str``.

Returns
-------
str
    For example "(1ms, 2ms)" for two time spans.
)doc"};

}  // namespace

void register_alias_tuple(PyObject* module) {
    Ref init_defaults = check(PyTuple_Pack(2, Py_None, Py_False));
    Ref cls = ClassBuilder(module, "AliasTuple")
                  .base(state.has_alias)
                  .base(reinterpret_cast<PyObject*>(&PyTuple_Type))
                  .doc("A tuple with an optional alias; its own text is the text of the value it was made "
                       "from, or its items' own texts.")
                  .static_method(new_def)
                  .method(init_def, init_defaults.get())
                  .method(child_str_def)
                  .build();
    install_init_slot<fast_init>(cls.get());
    state.alias_tuple = Py_NewRef(cls.get());
    state.alias_tuple_path.also(state.has_alias_path).attributes(cls.get(), {"__new__", "__init__", "create_original_child_str", "alias", "_alias",
                                              "original_str_repr", "__setattr__", "__dict__"});
    add_object(module, "AliasTuple", cls);
}

}  // namespace vexal::alias
