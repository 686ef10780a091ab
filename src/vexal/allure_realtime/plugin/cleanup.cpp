// cleanup_factory: the configuration clean-up that unregisters a listener
// from Allure's plugin manager.
#include "plugin.hpp"

namespace vexal::plugin {
namespace {

Ref clean_up(FunctionObject* self, PyObject* const*) {
    PyObject* plugin = captured(self, 0);
    Ref name = call_method(allure_plugin_manager().get(), id<"get_name">(), plugin);
    // Already unregistered by other code: unregister(name=None) would only
    // fail pluggy's own argument assertion at the end of the run.
    if (name.is(Py_None)) return none();
    call_kw(getattr(allure_plugin_manager().get(), id<"unregister">()).get(), {name.get()}, kwnames<"name">());
    return none();
}

const FunctionDef clean_up_def{"clean_up", "", clean_up, "Unregister the listener from Allure's plugin manager."};

Ref cleanup_factory(FunctionObject*, PyObject* const* args) {
    Ref closure = check(PyTuple_Pack(1, args[0]));
    return make_function(clean_up_def, {.module = scope.module,
                                        .qualname = id<"cleanup_factory.<locals>.clean_up">(),
                                        .closure = closure.get()});
}

const FunctionDef cleanup_factory_def{"cleanup_factory", "plugin", cleanup_factory,
                                      "Return a function of no arguments that unregisters ``plugin`` from Allure's "
                                      "plugin manager."};

}  // namespace

void register_cleanup_factory(PyObject* module) {
    add_function(module, cleanup_factory_def);
}

}  // namespace vexal::plugin
