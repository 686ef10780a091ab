#include "vexal_rt/type_lookup.hpp"

namespace vexal_rt {
namespace {

// A class's own dict. From 3.12 the static built-in types (object, float,
// memoryview...) keep theirs per interpreter and leave tp_dict NULL.
Ref own_dict(PyTypeObject* type) {
#if PY_VERSION_HEX >= 0x030C0000
    return Ref::steal(PyType_GetDict(type));
#else
    return Ref::borrow(type->tp_dict);
#endif
}

}  // namespace

Ref type_lookup(PyTypeObject* type, PyObject* name) {
    // A dict lookup can run a stored key's __eq__, which may reassign
    // __bases__ (and so the MRO) or clear a class dict: hold what is walked.
    Ref mro = Ref::borrow(type->tp_mro);
    if (!mro) return Ref();
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro.get()); ++i) {
        Ref base = Ref::borrow(PyTuple_GET_ITEM(mro.get(), i));
        Ref dict = own_dict(reinterpret_cast<PyTypeObject*>(base.get()));
        if (!dict) continue;
        PyObject* found = PyDict_GetItemWithError(dict.get(), name);
        if (found) return Ref::borrow(found);
        if (PyErr_Occurred()) raise();
    }
    return Ref();
}

}  // namespace vexal_rt
