// vexal._selftest: functions that exercise the C++ runtime from the tests,
// one file per runtime feature. Not part of the public package.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::selftest {

using namespace vexal_rt;

void register_binding(PyObject* module);
void register_pass_through(PyObject* module);
void register_generators(PyObject* module);
void register_errors(PyObject* module);
void register_float_texts(PyObject* module);
void register_buffers(PyObject* module);

}  // namespace vexal::selftest
