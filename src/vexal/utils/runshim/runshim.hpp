// Shared declarations of the script runner's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/class_builder.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::runshim {

using namespace vexal_rt;

extern ModuleScope scope;

inline Ref global(PyObject* name) { return scope.global(name); }

void register_get_module(PyObject* module);
void register_executor(PyObject* module);
void register_run_test(PyObject* module);

}  // namespace vexal::runshim
