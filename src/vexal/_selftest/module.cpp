#include "selftest.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::selftest {

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
