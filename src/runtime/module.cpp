#include "vexal_rt/module.hpp"

#include "vexal_rt/boundary.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/names.hpp"

#include <stdexcept>
#include <utility>

namespace vexal_rt {

namespace {

// The one module of this extension, once executed: its late imports are
// resolved from it.
const ModuleDecl* executed = nullptr;

Ref imported_object(const Import& line, Ref imported) {
    if (!line.attribute) return imported;
    return getattr(imported.get(), Ref(text(line.attribute)).get());
}

void execute_declaration(const ModuleDecl& decl, PyObject* module) {
    executed = &decl;
    if (decl.scope) decl.scope->bind(module);
    if (decl.install_aliases) call(import_attr("future.standard_library", id<"install_aliases">()).get());
    for (const Import& line : decl.imports) {
        if (line.late) continue;
        Ref imported = imported_object(line, import(line.module));
        if (line.name) add_object(module, line.name, imported);
        if (line.held) *line.held = imported.release();
    }
    for (Part part : decl.parts) part(module);
}

}  // namespace

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

int exec_module_once(ModuleGuard& guard, PyObject* module, const ModuleDecl& decl) {
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
            execute_declaration(decl, module);
            return true;
        })) {
        return -1;
    }
    guard.ready = true;
    return 0;
}

PyObject* resolve_late(PyObject** held) {
    if (*held) return *held;
    for (const Import& line : executed->imports) {
        if (line.held != held) continue;
        Ref imported = Ref::steal(PyImport_GetModule(Ref(text(line.module)).get()));
        if (!imported) {
            if (PyErr_Occurred()) raise();
            return nullptr;
        }
        *held = imported_object(line, std::move(imported)).release();
        return *held;
    }
    throw std::logic_error("resolve_late: no late import keeps this field");
}

int traverse_held(const ModuleDecl& decl, visitproc visit, void* arg) {
    for (const Import& line : decl.imports)
        if (line.held) Py_VISIT(*line.held);
    for (PyObject** held : decl.held) Py_VISIT(*held);
    return 0;
}

}  // namespace vexal_rt
