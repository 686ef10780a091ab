#include "vexal_rt/module.hpp"

#include "vexal_rt/boundary.hpp"

namespace vexal_rt {

PyObject* create_module_once(ModuleGuard& guard, PyObject* spec, PyModuleDef* def) {
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_Format(PyExc_ImportError, "module %s does not support loading in subinterpreters", def->m_name);
        return nullptr;
    }
    if (guard.module) return Py_NewRef(guard.module);
    PyObject* name = PyObject_GetAttrString(spec, "name");
    if (!name) return nullptr;
    PyObject* module = PyModule_NewObject(name);
    Py_DECREF(name);
    if (!module) return nullptr;
    guard.module = Py_NewRef(module);
    return module;
}

int exec_module_once(ModuleGuard& guard, PyObject* module, void (*body)(PyObject*)) {
    if (module != guard.module) {
        const char* name = PyModule_GetName(module);
        if (!name) return -1;
        PyErr_Format(PyExc_RuntimeError,
                     "%s cannot be initialised on module '%s': the module is initialised once per process",
                     guard.module ? PyModule_GetName(guard.module) : "this extension", name);
        return -1;
    }
    if (guard.ready) return 0;
    if (!guarded(false, [&] {
            body(module);
            return true;
        })) {
        return -1;
    }
    guard.ready = true;
    return 0;
}

}  // namespace vexal_rt
