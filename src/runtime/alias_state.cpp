#include "vexal_rt/alias_state.hpp"

#include "vexal_rt/names.hpp"

namespace vexal_rt {
namespace {

// The exact str stored under `name`, owned before anything else runs (a
// lookup may run the __eq__ of a stored non-str key whose hash collides).
bool read_text(PyObject* dict, PyObject* name, Ref* out) {
    PyObject* found = PyDict_GetItemWithError(dict, name);
    if (!found) {
        if (PyErr_Occurred()) raise();
        return true;
    }
    *out = Ref::borrow(found);
    return PyUnicode_CheckExact(found);
}

}  // namespace

bool read_alias_state(PyObject* obj, AliasState* out) {
    Ref dict = check(PyObject_GenericGetDict(obj, nullptr));
    Py_ssize_t size = PyDict_GET_SIZE(dict.get());
    if (size > 2) return false;
    if (!read_text(dict.get(), id<"original_str_repr">(), &out->own)) return false;
    if (!read_text(dict.get(), id<"_alias">(), &out->alias)) return false;
    return size == (out->own ? 1 : 0) + (out->alias ? 1 : 0);
}

}  // namespace vexal_rt
