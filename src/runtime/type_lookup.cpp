#include "vexal_rt/type_lookup.hpp"

namespace vexal_rt {

Ref type_lookup(PyTypeObject* type, PyObject* name) {
    // A dict lookup can run a stored key's __eq__, which may reassign
    // __bases__ (and so the MRO) or clear a class dict: hold what is walked.
    Ref mro = Ref::borrow(type->tp_mro);
    if (!mro) return Ref();
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro.get()); ++i) {
        Ref base = Ref::borrow(PyTuple_GET_ITEM(mro.get(), i));
        Ref dict = Ref::borrow(reinterpret_cast<PyTypeObject*>(base.get())->tp_dict);
        if (!dict) continue;
        PyObject* found = PyDict_GetItemWithError(dict.get(), name);
        if (found) return Ref::borrow(found);
        if (PyErr_Occurred()) raise();
    }
    return Ref();
}

}  // namespace vexal_rt
