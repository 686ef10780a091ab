// Reading a module-level name at call time, as the body of a Python function
// does: the module's globals first, then the builtins, else NameError. A
// module attribute rebound from outside (monkeypatching, `mod.name = None`)
// is seen by the next call.
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

inline Ref global(PyObject* globals, PyObject* name) {
    PyObject* value = PyDict_GetItemWithError(globals, name);
    if (!value && !PyErr_Occurred()) value = PyDict_GetItemWithError(PyEval_GetBuiltins(), name);
    if (!value) {
        if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
        raise();
    }
    return Ref::borrow(value);
}

}  // namespace vexal_rt
