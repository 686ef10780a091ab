// vexal.allure_commons.stepline: the indented step log of a running test.
#include "stepline.hpp"
#include "vexal_rt/module.hpp"

#include <algorithm>

namespace vexal::stepline {

State state;

namespace {

void exec_stepline(PyObject* module) {
    state.globals = PyModule_GetDict(module);
    for (const char* name : {"str", "range"}) {
        check_status(PyModule_AddObjectRef(module, name, import_attr("builtins", text(name).get()).get()));
    }
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    Ref logging = import("logging");
    check_status(PyModule_AddObjectRef(module, "logging", logging.get()));
    check_status(PyModule_AddObjectRef(module, "PY2", import_attr("vexal.utils", id<"PY2">()).get()));

    Ref logger = call_method(logging.get(), id<"getLogger">(), text("alluretestlogger").get());
    check_status(PyModule_AddObjectRef(module, "testlogger", logger.get()));
    setattr(logger.get(), id<"propagate">(), Py_False);
    Ref zero = check(PyLong_FromLong(0));
    setattr(logger.get(), id<"indentation">(), zero.get());

    setup_info_gate(logging.get());
    register_indentation_filter(module, logger.get());
    register_step_functions(module);
    register_format_argval(module);
}

}  // namespace

Ref concat(std::initializer_list<PyObject*> pieces) {
    Py_ssize_t length = 0;
    Py_UCS4 maxchar = 127;
    for (PyObject* piece : pieces) {
        length += PyUnicode_GET_LENGTH(piece);
        maxchar = std::max(maxchar, PyUnicode_MAX_CHAR_VALUE(piece));
    }
    Ref result = check(PyUnicode_New(length, maxchar));
    Py_ssize_t at = 0;
    for (PyObject* piece : pieces) {
        Py_ssize_t n = PyUnicode_GET_LENGTH(piece);
        if (n) check_status(static_cast<int>(PyUnicode_CopyCharacters(result.get(), at, piece, 0, n) < 0 ? -1 : 0));
        at += n;
    }
    return result;
}

}  // namespace vexal::stepline

PyMODINIT_FUNC PyInit_stepline() {
    return vexal_rt::define_module<vexal::stepline::exec_stepline>(
        "vexal.allure_commons.stepline",
        "Functions to log into a custom logger called `alluretestlogger`, held in the module variable "
        "`testlogger`.\n\nEach record carries the attribute `indentation`: as many spaces as the depth of "
        "the steps and fixtures open when it was logged.");
}
