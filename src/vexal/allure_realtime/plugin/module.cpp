// vexal.allure_realtime.plugin: the pytest plugin that installs the live
// step log listener.
#include "plugin.hpp"
#include "vexal_rt/kwnames.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::plugin {

ModuleScope scope;

namespace {

// from .listener import AllurePytestLoggerListener
void import_listener(PyObject* module) {
    Ref name = text("listener");
    PyObject* fromlist = kwnames<"AllurePytestLoggerListener">();
    Ref listener = check(PyImport_ImportModuleLevelObject(name.get(), scope.globals, nullptr, fromlist, 1));
    Ref cls = getattr(listener.get(), id<"AllurePytestLoggerListener">());
    add_object(module, "AllurePytestLoggerListener", cls);
}

void exec_plugin(PyObject* module) {
    scope.bind(module);
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    add_object(module, "allure_commons", import("allure_commons"));
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
