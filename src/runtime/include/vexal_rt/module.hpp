// Extension modules that initialise once per process, each described once:
//
//     constexpr Import imports[] = {{"numpy", "np", nullptr, &state.numpy},
//                                   {"vexal.utils", "generic_op", "generic_op"}};
//     constexpr Part parts[] = {register_phasor, register_phasors3ph};
//     PyObject** const held[] = {&state.phasor};
//     const ModuleDecl phasors{"vexal.types.phasors", doc, &state, with_install_aliases, imports, parts, held};
//     PyMODINIT_FUNC PyInit_phasors() { return define_module<phasors>(); }
//
// Executing the module binds the scope its functions read their globals
// from, calls future's install_aliases() when asked, runs the imports in
// their order (the dependencies on other vexal modules among them), then the
// parts that add functions and classes. The held references (those listed
// and the imports kept in the state) are the module state's: the collector
// sees them through the module. They are never cleared: the module lives for
// the process, and its functions may still run while the interpreter
// finalises.
//
// Multi-phase initialisation with a guard: creating the module again (a new
// import after it left sys.modules, or module_from_spec) gives back the one
// module object, already initialised; executing the definition on any other
// module object raises RuntimeError; a sub-interpreter gets ImportError.
// `Body` fills the module and may throw PyError.
#pragma once
#include "vexal_rt/function.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/ref.hpp"

#include <initializer_list>
#include <new>
#include <span>

namespace vexal_rt {

struct ModuleGuard {
    PyObject* module = nullptr;  // the one module object; kept for the process
    bool ready = false;
};


// `import module as name`, or `from module import attribute as name`. With
// no name the import binds nothing in the module (it is made for its effect,
// or only for the state); `held` keeps the imported object in a state field,
// which the module then holds as it holds those its declaration lists.
//
// A late import is of a module that imports this one: it is not made while
// this module executes, and `resolve_late(held)` finds it in sys.modules
// once that module has been imported.
struct Import {
    const char* module;
    const char* name;
    const char* attribute = nullptr;
    PyObject** held = nullptr;
    bool late = false;
};

constexpr bool late_import = true;

// The object of the executed declaration's late import kept in `held`, or
// null while its module is not in sys.modules yet.
PyObject* resolve_late(PyObject** held);

// A step that fills the module: adds its functions and classes.
using Part = void (*)(PyObject* module);

constexpr bool with_install_aliases = true;

struct ModuleDecl {
    const char* name;
    const char* doc;
    ModuleScope* scope;  // null for a module that reads no globals at call time
    bool install_aliases;
    std::span<const Import> imports;
    std::span<const Part> parts;
    std::span<PyObject** const> held;
};

PyObject* create_module_once(ModuleGuard& guard, PyObject* spec, PyModuleDef* def);
int exec_module_once(ModuleGuard& guard, PyObject* module, const ModuleDecl& decl);
int traverse_held(const ModuleDecl& decl, visitproc visit, void* arg);

template <const ModuleDecl& Decl>
PyObject* define_module() {
    static ModuleGuard guard;
    static PyModuleDef_Slot slots[] = {
        {Py_mod_create, reinterpret_cast<void*>(+[](PyObject* spec, PyModuleDef* def) {
             return create_module_once(guard, spec, def);
         })},
        {Py_mod_exec, reinterpret_cast<void*>(+[](PyObject* module) { return exec_module_once(guard, module, Decl); })},
#ifdef Py_mod_multiple_interpreters
        {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
        {0, nullptr},
    };
    static PyModuleDef def = {PyModuleDef_HEAD_INIT, Decl.name, Decl.doc, 0, nullptr, slots,
                              [](PyObject*, visitproc visit, void* arg) { return traverse_held(Decl, visit, arg); },
                              nullptr, nullptr};
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
inline void add_functions(PyObject* module, std::initializer_list<const FunctionDef*> defs) {
    for (const FunctionDef* def : defs) add_function(module, *def);
}

}  // namespace vexal_rt
