// vexal.allure_realtime.plugin: the pytest plugin that installs the live
// step log listener.
#include "plugin.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::plugin {

State state;

namespace {

// from .listener import AllurePytestLoggerListener
void import_listener(PyObject* module) {
    Ref name = text("listener");
    Ref fromlist = check(Py_BuildValue("(s)", "AllurePytestLoggerListener"));
    Ref listener = check(PyImport_ImportModuleLevelObject(name.get(), state.globals, nullptr, fromlist.get(), 1));
    Ref cls = getattr(listener.get(), id<"AllurePytestLoggerListener">());
    check_status(PyModule_AddObjectRef(module, "AllurePytestLoggerListener", cls.get()));
}

void exec_plugin(PyObject* module) {
    state.module = module;
    state.globals = PyModule_GetDict(module);
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    check_status(PyModule_AddObjectRef(module, "allure_commons", import("allure_commons").get()));
    import_listener(module);
    register_cleanup_factory(module);
    register_hooks(module);
}

}  // namespace
}  // namespace vexal::plugin

PyMODINIT_FUNC PyInit_plugin() {
    return vexal_rt::define_module<vexal::plugin::exec_plugin>("vexal.allure_realtime.plugin",
        "pytest plugin that shows the step log live: it installs one AllurePytestLoggerListener per run unless "
        "--no-allure-cli-logs is given.");
}
