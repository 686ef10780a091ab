#include "selftest.hpp"

namespace vexal::selftest {

ModuleScope scope;

namespace {

constexpr Part parts[] = {register_binding, register_pass_through, register_generators,
                          register_errors,  register_float_texts,  register_buffers};

const ModuleDecl declaration{"vexal._selftest", "Functions that exercise the C++ runtime.", &scope, false, {},
                             parts, {}};

}  // namespace
}  // namespace vexal::selftest

PyMODINIT_FUNC PyInit__selftest() { return vexal_rt::define_module<vexal::selftest::declaration>(); }
