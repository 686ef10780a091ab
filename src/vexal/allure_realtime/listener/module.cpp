// vexal.allure_realtime.listener: AllurePytestLoggerListener.
#include "listener.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::listener {

State state;

namespace {

// from vexal.allure_commons import AllureCatchLogs, stepline
void import_host_names(PyObject* module) {
    Ref fromlist = check(Py_BuildValue("(ss)", "AllureCatchLogs", "stepline"));
    Ref package_name = text("vexal.allure_commons");
    Ref package = check(PyImport_ImportModuleLevelObject(package_name.get(), state.globals, nullptr,
                                                         fromlist.get(), 0));
    for (PyObject* name : {id<"AllureCatchLogs">(), id<"stepline">()}) {
        check_status(PyModule_AddObjectRef(module, PyUnicode_AsUTF8(name), getattr(package.get(), name).get()));
    }
}

Ref init(FunctionObject*, PyObject* const* args) {
    Ref catchlogs = call(global(state.globals, id<"AllureCatchLogs">()).get());
    setattr(args[0], id<"catchlogs">(), catchlogs.get());
    return none();
}

const FunctionDef init_def{"__init__", "self", init, "Create the reusable AllureCatchLogs block held as ``catchlogs``."};

void exec_listener(PyObject* module) {
    state.globals = PyModule_GetDict(module);
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    Ref pytest = import("pytest");
    check_status(PyModule_AddObjectRef(module, "pytest", pytest.get()));
    Ref allure_commons = import("allure_commons");
    check_status(PyModule_AddObjectRef(module, "allure_commons", allure_commons.get()));
    import_host_names(module);

    ClassBuilder cls(module, "AllurePytestLoggerListener");
    cls.doc("Only listens to Allure and pytest hooks and dispatches to the `stepline` module, which does the "
            "real job.")
        .method(init_def);
    add_allure_hooks(cls, getattr(allure_commons.get(), id<"hookimpl">()).get());
    add_pytest_wrappers(cls, pytest.get());
    check_status(PyModule_AddObjectRef(module, "AllurePytestLoggerListener", cls.build().get()));
}

}  // namespace
}  // namespace vexal::listener

PyMODINIT_FUNC PyInit_listener() {
    return vexal_rt::define_module<vexal::listener::exec_listener>("vexal.allure_realtime.listener",
        "The listener that turns Allure's step and attachment events and pytest's run phases and fixture setups "
        "into lines of the step log (vexal.allure_commons.stepline).");
}
