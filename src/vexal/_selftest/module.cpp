#include "selftest.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::selftest {

void add_function(PyObject* module, const FunctionDef& def, const FunctionParts& parts) {
    FunctionParts with_module = parts;
    with_module.module = module;
    check_status(PyModule_AddObjectRef(module, def.name, make_function(def, with_module).get()));
}

namespace {

void exec_selftest(PyObject* module) {
    register_binding(module);
    register_pass_through(module);
    register_generators(module);
    register_errors(module);
    register_float_texts(module);
    register_buffers(module);
}

}  // namespace
}  // namespace vexal::selftest

PyMODINIT_FUNC PyInit__selftest() {
    return vexal_rt::define_module<vexal::selftest::exec_selftest>("vexal._selftest",
                                                                   "Functions that exercise the C++ runtime.");
}
