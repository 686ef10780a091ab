// AliasTuple: a tuple with an alias, printing its items' own texts on request.
#include "alias.hpp"

namespace vexal::alias {
namespace {

Ref new_alias_tuple(FunctionObject*, PyObject* const* args) {
    Ref tuple_new = getattr(reinterpret_cast<PyObject*>(&PyTuple_Type), id<"__new__">());
    return call(tuple_new.get(), args[0], args[1]);
}

// The item's _str_representation(), or str(item) when that raises AttributeError.
Ref item_text(PyObject* item) {
    Ref method = lookup_attr(item, id<"_str_representation">());
    if (method) {
        PyObject* own = PyObject_CallNoArgs(method.get());
        if (own) return Ref::steal(own);
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) raise();
        PyErr_Clear();
    }
    return str(item);
}

Ref create_original_child_str(FunctionObject*, PyObject* const* args) {
    Ref strings = check(PyList_New(0));
    Ref items = check(PyObject_GetIter(args[1]));
    while (Ref item = Ref::steal(PyIter_Next(items.get()))) {
        check_status(PyList_Append(strings.get(), item_text(item.get()).get()));
    }
    if (PyErr_Occurred()) raise();
    Ref tuplestr = check(PyUnicode_Join(id<", ">(), strings.get()));
    tuplestr = check(PyUnicode_Concat(tuplestr.get(), id<")">()));
    tuplestr = call_method(tuplestr.get(), id<"lstrip">(), id<" ,">());
    return check(PyUnicode_Concat(id<"(">(), tuplestr.get()));
}

Ref own_text(PyObject* self, PyObject* value, PyObject* child_original_str) {
    if (truthy(child_original_str)) return call_method(self, id<"create_original_child_str">(), value);
    if (!state.py2) return str(value);
    Ref raw = call_method(value, id<"__str__">());
    Ref encoding = check(Py_BuildValue("(s)", "encoding"));
    return call_kw(reinterpret_cast<PyObject*>(&PyUnicode_Type), {raw.get(), text("UTF-8").get()}, encoding.get());
}

Ref init_alias_tuple(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *value = args[1], *alias = args[2], *child_original_str = args[3];
    init_has_alias(self, own_text(self, value, child_original_str).get(), alias);
    return none();
}

const FunctionDef new_def{"__new__", "cls, value, **kwargs", new_alias_tuple};
const FunctionDef init_def{"__init__", "self, value, alias, child_original_str", init_alias_tuple};
const FunctionDef child_str_def{"create_original_child_str", "self, input_tuple", create_original_child_str};

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
    state.alias_tuple = Py_NewRef(cls.get());
    check_status(PyModule_AddObjectRef(module, "AliasTuple", cls.get()));
}

}  // namespace vexal::alias
