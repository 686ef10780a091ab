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

// A module as its functions see it: the module object and its dict, from
// which they read names at call time.
struct ModuleScope {
    PyObject* module = nullptr;
    PyObject* globals = nullptr;

    void bind(PyObject* module_object) {
        module = module_object;
        globals = PyModule_GetDict(module_object);
    }
    Ref global(PyObject* name) const { return vexal_rt::global(globals, name); }
};

}  // namespace vexal_rt
