// vexal.allure_commons.stepline: the indented step log of a running test.
#include "stepline.hpp"

namespace vexal::stepline {

State state;

namespace {

constexpr Import imports[] = {
    {"builtins", "str", "str"},
    {"builtins", "range", "range"},
    {"logging", "logging"},
    {"vexal.utils", "PY2", "PY2"},
};

// testlogger = logging.getLogger("alluretestlogger"), not propagating, at
// depth 0, with its filter; then the gate that knows when info is off.
void add_testlogger(PyObject* module) {
    Ref logging = state.global(id<"logging">());
    Ref logger = call_method(logging.get(), id<"getLogger">(), id<"alluretestlogger">());
    add_object(module, "testlogger", logger);
    setattr(logger.get(), id<"propagate">(), Py_False);
    Ref zero = check(PyLong_FromLong(0));
    setattr(logger.get(), id<"indentation">(), zero.get());
    setup_info_gate(logging.get());
    register_indentation_filter(module, logger.get());
}

constexpr Part parts[] = {add_testlogger, register_step_functions, register_format_argval};

PyObject** const held[] = {&state.logger_class, &state.info_level};

const ModuleDecl declaration{
    "vexal.allure_commons.stepline",
    "Functions to log into a custom logger called `alluretestlogger`, held in the module variable "
    "`testlogger`.\n\nEach record carries the attribute `indentation`: as many spaces as the depth of "
    "the steps and fixtures open when it was logged.",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::stepline

PyMODINIT_FUNC PyInit_stepline() { return vexal_rt::define_module<vexal::stepline::declaration>(); }
