// The plugin's pytest hooks: the switch that turns the live step log off,
// and the listener installed at configuration time.
#include "plugin.hpp"

namespace vexal::plugin {
namespace {

Ref pytest_addoption(FunctionObject*, PyObject* const* args) {
    Ref group = call_method(args[0], id<"getgroup">(), id<"reporting">());
    call_kw(getattr(group.get(), id<"addoption">()).get(),
            {id<"--no-allure-cli-logs">(), id<"store_true">(), id<"no_allure_cli_logs">(),
             id<"Disable Allure real time command line interface logging">()},
            kwnames<"action", "dest", "help">());
    return none();
}

// Registers one listener with pytest, then with Allure, and only then adds
// the clean-up that unregisters it from Allure.
Ref pytest_configure(FunctionObject*, PyObject* const* args) {
    PyObject* config = args[0];
    Ref no_cli_logs = getattr(getattr(config, id<"option">()).get(), id<"no_allure_cli_logs">());
    if (truthy(no_cli_logs.get())) return none();
    Ref listener = call(scope.global(id<"AllurePytestLoggerListener">()).get());
    call_method(getattr(config, id<"pluginmanager">()).get(), id<"register">(), listener.get());
    call_method(allure_plugin_manager().get(), id<"register">(), listener.get());
    Ref clean_up = call(scope.global(id<"cleanup_factory">()).get(), listener.get());
    call_method(config, id<"add_cleanup">(), clean_up.get());
    return none();
}

const FunctionDef addoption_def{"pytest_addoption", "parser", pytest_addoption,
                                "Add the switch --no-allure-cli-logs to the group \"reporting\"."};
const FunctionDef configure_def{"pytest_configure", "config", pytest_configure,
                                "Register a new listener with pytest and with Allure, and add the clean-up that "
                                "unregisters it from Allure; nothing with --no-allure-cli-logs."};

}  // namespace

void register_hooks(PyObject* module) {
    add_functions(module, {&addoption_def, &configure_def});
}

}  // namespace vexal::plugin
