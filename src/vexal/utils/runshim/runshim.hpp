// Shared declarations of the script runner's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/class_builder.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::runshim {

using namespace vexal_rt;

struct State {
    PyObject* globals = nullptr;  // the module's dict: names are read from it at call time
};
extern State state;

inline Ref global(PyObject* name) { return vexal_rt::global(state.globals, name); }

void register_get_module(PyObject* module);
void register_executor(PyObject* module);
void register_run_test(PyObject* module);

}  // namespace vexal::runshim
