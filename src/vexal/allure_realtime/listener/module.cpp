// vexal.allure_realtime.listener: AllurePytestLoggerListener.
#include "listener.hpp"

namespace vexal::listener {

ModuleScope scope;

namespace {

constexpr Import imports[] = {
    {"pytest", "pytest"},
    {"allure_commons", "allure_commons"},
    {"vexal.allure_commons", "AllureCatchLogs", "AllureCatchLogs"},
    {"vexal.allure_commons.stepline", "stepline"},
};

Ref init(FunctionObject*, PyObject* const* args) {
    Ref catchlogs = call(scope.global(id<"AllureCatchLogs">()).get());
    setattr(args[0], id<"catchlogs">(), catchlogs.get());
    return none();
}

const FunctionDef init_def{"__init__", "self", init, "Create the reusable AllureCatchLogs block held as ``catchlogs``."};

void add_listener_class(PyObject* module) {
    ClassBuilder cls(module, "AllurePytestLoggerListener");
    cls.doc("Only listens to Allure and pytest hooks and dispatches to the `stepline` module, which does the "
            "real job.")
        .method(init_def);
    add_allure_hooks(cls, getattr(scope.global(id<"allure_commons">()).get(), id<"hookimpl">()).get());
    add_pytest_wrappers(cls, scope.global(id<"pytest">()).get());
    cls.add_to_module();
}

constexpr Part parts[] = {add_listener_class};

const ModuleDecl declaration{
    "vexal.allure_realtime.listener",
    "The listener that turns Allure's step and attachment events and pytest's run phases and fixture setups "
    "into lines of the step log (vexal.allure_commons.stepline).",
    &scope, with_install_aliases, imports, parts, {}};

}  // namespace
}  // namespace vexal::listener

PyMODINIT_FUNC PyInit_listener() { return vexal_rt::define_module<vexal::listener::declaration>(); }
