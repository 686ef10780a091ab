// Extension modules that initialise once per process.
//
//     PyMODINIT_FUNC PyInit_alias() { return define_module<exec_alias>("vexal.types.alias", doc); }
//
// Multi-phase initialisation with a guard: creating the module again (a new
// import after it left sys.modules, or module_from_spec) gives back the one
// module object, already initialised; executing the definition on any other
// module object raises RuntimeError; a sub-interpreter gets ImportError.
// `Body` fills the module and may throw PyError.
#pragma once
#include "vexal_rt/function.hpp"
#include "vexal_rt/ref.hpp"

#include <new>

namespace vexal_rt {

struct ModuleGuard {
    PyObject* module = nullptr;  // the one module object; kept for the process
    bool ready = false;
};

PyObject* create_module_once(ModuleGuard& guard, PyObject* spec, PyModuleDef* def);
int exec_module_once(ModuleGuard& guard, PyObject* module, void (*body)(PyObject*));

template <void (*Body)(PyObject*)>
PyObject* define_module(const char* name, const char* doc) {
    static ModuleGuard guard;
    static PyModuleDef_Slot slots[] = {
        {Py_mod_create, reinterpret_cast<void*>(+[](PyObject* spec, PyModuleDef* def) {
             return create_module_once(guard, spec, def);
         })},
        {Py_mod_exec, reinterpret_cast<void*>(+[](PyObject* module) { return exec_module_once(guard, module, Body); })},
#ifdef Py_mod_multiple_interpreters
        {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
        {0, nullptr},
    };
    static PyModuleDef def = {PyModuleDef_HEAD_INIT, name, doc, 0, nullptr, slots, nullptr, nullptr, nullptr};
    return PyModuleDef_Init(&def);
}

// Binds `value` as the module attribute `name`.
inline void add_object(PyObject* module, const char* name, PyObject* value) {
    check_status(PyModule_AddObjectRef(module, name, value));
}
inline void add_object(PyObject* module, const char* name, const Ref& value) { add_object(module, name, value.get()); }

// Adds a function of the module under its own name.
inline void add_function(PyObject* module, const FunctionDef& def, FunctionParts parts = {}) {
    parts.module = module;
    add_object(module, def.name, make_function(def, parts));
}
inline void add_function(PyObject* module, const PassThroughDef& def, FunctionParts parts = {}) {
    parts.module = module;
    add_object(module, def.name, make_function(def, parts));
}

}  // namespace vexal_rt
