// vexal.allure_realtime.listener: AllurePytestLoggerListener.
#include "listener.hpp"
#include "vexal_rt/kwnames.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::listener {

ModuleScope scope;

namespace {

// from vexal.allure_commons import AllureCatchLogs, stepline
void import_host_names(PyObject* module) {
    PyObject* fromlist = kwnames<"AllureCatchLogs", "stepline">();
    Ref package_name = text("vexal.allure_commons");
    Ref package = check(PyImport_ImportModuleLevelObject(package_name.get(), scope.globals, nullptr,
                                                         fromlist, 0));
    for (PyObject* name : {id<"AllureCatchLogs">(), id<"stepline">()}) {
        add_object(module, PyUnicode_AsUTF8(name), getattr(package.get(), name));
    }
}

Ref init(FunctionObject*, PyObject* const* args) {
    Ref catchlogs = call(scope.global(id<"AllureCatchLogs">()).get());
    setattr(args[0], id<"catchlogs">(), catchlogs.get());
    return none();
}

const FunctionDef init_def{"__init__", "self", init, "Create the reusable AllureCatchLogs block held as ``catchlogs``."};

void exec_listener(PyObject* module) {
    scope.bind(module);
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    Ref pytest = import("pytest");
    add_object(module, "pytest", pytest);
    Ref allure_commons = import("allure_commons");
    add_object(module, "allure_commons", allure_commons);
    import_host_names(module);

    ClassBuilder cls(module, "AllurePytestLoggerListener");
    cls.doc("Only listens to Allure and pytest hooks and dispatches to the `stepline` module, which does the "
            "real job.")
        .method(init_def);
    add_allure_hooks(cls, getattr(allure_commons.get(), id<"hookimpl">()).get());
    add_pytest_wrappers(cls, pytest.get());
    add_object(module, "AllurePytestLoggerListener", cls.build());
}

}  // namespace
}  // namespace vexal::listener

PyMODINIT_FUNC PyInit_listener() {
    return vexal_rt::define_module<vexal::listener::exec_listener>("vexal.allure_realtime.listener",
        "The listener that turns Allure's step and attachment events and pytest's run phases and fixture setups "
        "into lines of the step log (vexal.allure_commons.stepline).");
}
