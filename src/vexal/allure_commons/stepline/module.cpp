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

namespace {

// Copies a piece into the result, widening its characters when the result
// has a wider kind (an ASCII piece into a line that holds a box character).
template <class To>
void copy_piece(To* to, PyObject* piece) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(piece);
    switch (PyUnicode_KIND(piece)) {
        case PyUnicode_1BYTE_KIND: std::copy_n(PyUnicode_1BYTE_DATA(piece), n, to); break;
        case PyUnicode_2BYTE_KIND: std::copy_n(PyUnicode_2BYTE_DATA(piece), n, to); break;
        default: std::copy_n(PyUnicode_4BYTE_DATA(piece), n, to); break;
    }
}

template <class To>
void copy_pieces(PyObject* result, std::initializer_list<PyObject*> pieces) {
    To* at = static_cast<To*>(PyUnicode_DATA(result));
    for (PyObject* piece : pieces) {
        copy_piece(at, piece);
        at += PyUnicode_GET_LENGTH(piece);
    }
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
    switch (PyUnicode_KIND(result.get())) {
        case PyUnicode_1BYTE_KIND: copy_pieces<Py_UCS1>(result.get(), pieces); break;
        case PyUnicode_2BYTE_KIND: copy_pieces<Py_UCS2>(result.get(), pieces); break;
        default: copy_pieces<Py_UCS4>(result.get(), pieces); break;
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
