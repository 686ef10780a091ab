// vexal.allure_commons.stepline: the indented step log of a running test.
#include "stepline.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::stepline {

State state;

namespace {

void exec_stepline(PyObject* module) {
    state.globals = PyModule_GetDict(module);
    for (const char* name : {"str", "range"}) {
        add_object(module, name, import_attr("builtins", text(name).get()));
    }
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    Ref logging = import("logging");
    add_object(module, "logging", logging);
    add_object(module, "PY2", import_attr("vexal.utils", id<"PY2">()));

    Ref logger = call_method(logging.get(), id<"getLogger">(), text("alluretestlogger").get());
    add_object(module, "testlogger", logger);
    setattr(logger.get(), id<"propagate">(), Py_False);
    Ref zero = check(PyLong_FromLong(0));
    setattr(logger.get(), id<"indentation">(), zero.get());

    setup_info_gate(logging.get());
    register_indentation_filter(module, logger.get());
    register_step_functions(module);
    register_format_argval(module);
}

}  // namespace


}  // namespace vexal::stepline

PyMODINIT_FUNC PyInit_stepline() {
    return vexal_rt::define_module<vexal::stepline::exec_stepline>(
        "vexal.allure_commons.stepline",
        "Functions to log into a custom logger called `alluretestlogger`, held in the module variable "
        "`testlogger`.\n\nEach record carries the attribute `indentation`: as many spaces as the depth of "
        "the steps and fixtures open when it was logged.");
}
