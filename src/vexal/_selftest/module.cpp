#include "selftest.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::selftest {

namespace {

constexpr Part parts[] = {register_binding, register_pass_through, register_generators,
                          register_errors,  register_float_texts,  register_buffers};

const ModuleDecl declaration{"vexal._selftest", "Functions that exercise the C++ runtime.", nullptr, false, {},
                             parts, {}};

}  // namespace
}  // namespace vexal::selftest

PyMODINIT_FUNC PyInit__selftest() { return vexal_rt::define_module<vexal::selftest::declaration>(); }
