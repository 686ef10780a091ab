// vexal.pytest_vexal.decorators: decorators that turn API calls into report
// steps and attach plots of analysis results to the report.
#include "decorators.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::decorators {

State state;

void add_wrapt_decorator(PyObject* module, const FunctionDef& wrapper) {
    Ref function = make_function(wrapper, {.module = module});
    Ref decorator = call_kw(getattr(state.global(id<"wrapt">()).get(), id<"decorator">()).get(),
                            {function.get(), state.function_wrapper}, kwnames<"proxy">());
    add_object(module, wrapper.name, decorator);
}

namespace {

void exec_decorators(PyObject* module) {
    state.bind(module);
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    for (const char* name : {"builtins", "io", "inspect", "logging", "wrapt"}) add_object(module, name, import(name));
    add_object(module, "plotutils", import("vexal.utils.plotting"));
    add_object(module, "empty_step", import_attr("vexal.allure_commons", id<"empty_step">()));
    add_object(module, "step", import_attr("vexal.allure_step", id<"step">()));
    add_object(module, "allure", import("allure"));
    Ref name = getattr(module, id<"__name__">());
    add_object(module, "logger", call_method(state.global(id<"logging">()).get(), id<"getLogger">(), name.get()));
    state.function_wrapper = make_function_wrapper_type(module).release();
    register_decorate_module(module);
    register_attach(module);
    register_steps(module);
}

}  // namespace
}  // namespace vexal::decorators

PyMODINIT_FUNC PyInit_decorators() {
    return vexal_rt::define_module<vexal::decorators::exec_decorators>(
        "vexal.pytest_vexal.decorators",
        "Report decorators: API calls as Allure steps with their aliased results, and analysis results\n"
        "attached to the report as PNG plots (drawn with vexal.utils.plotting).");
}
