// Shared declarations of the script runner's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::runshim {

extern ModuleScope scope;

void register_get_module(PyObject* module);
void register_executor(PyObject* module);
void register_run_test(PyObject* module);

}  // namespace vexal::runshim
