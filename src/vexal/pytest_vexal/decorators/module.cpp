// vexal.pytest_vexal.decorators: decorators that turn API calls into report
// steps and attach plots of analysis results to the report.
#include "decorators.hpp"

namespace vexal::decorators {

State state;

void add_wrapt_decorator(PyObject* module, const FunctionDef& wrapper) {
    Ref function = make_function(wrapper, {.module = module});
    Ref decorator = call_kw(getattr(state.global(id<"wrapt">()).get(), id<"decorator">()).get(),
                            {function.get(), state.function_wrapper}, kwnames<"proxy">());
    add_object(module, wrapper.name, decorator);
}

namespace {

constexpr Import imports[] = {
    {"builtins", "builtins"},
    {"io", "io"},
    {"inspect", "inspect"},
    {"logging", "logging"},
    {"wrapt", "wrapt"},
    {"vexal.utils.plotting", "plotutils"},
    {"vexal.allure_commons", "empty_step", "empty_step"},
    {"vexal.allure_step", "step", "step"},
    {"allure", "allure"},
};

// logger = logging.getLogger(__name__), and the proxy class of the wrappers.
void add_logger_and_wrapper(PyObject* module) {
    Ref name = getattr(module, id<"__name__">());
    add_object(module, "logger", call_method(state.global(id<"logging">()).get(), id<"getLogger">(), name.get()));
    state.function_wrapper = make_function_wrapper_type(module).release();
}

constexpr Part parts[] = {add_logger_and_wrapper, register_decorate_module, register_attach, register_steps};

PyObject** const held[] = {&state.function_wrapper, &state.image_name_key};

const ModuleDecl declaration{
    "vexal.pytest_vexal.decorators",
    "Report decorators: API calls as Allure steps with their aliased results, and analysis results\n"
    "attached to the report as PNG plots (drawn with vexal.utils.plotting).",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::decorators

PyMODINIT_FUNC PyInit_decorators() { return vexal_rt::define_module<vexal::decorators::declaration>(); }
