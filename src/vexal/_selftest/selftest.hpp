// vexal._selftest: functions that exercise the C++ runtime from the tests,
// one file per runtime feature. Not part of the public package.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::selftest {

extern ModuleScope scope;  // the functions made at run time belong to the module

void register_binding(PyObject* module);
void register_pass_through(PyObject* module);
void register_generators(PyObject* module);
void register_errors(PyObject* module);
void register_float_texts(PyObject* module);
void register_buffers(PyObject* module);

}  // namespace vexal::selftest
