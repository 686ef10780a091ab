// Shared declarations of the phasors module's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/class_builder.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/type_guard.hpp"

namespace vexal::phasors {

using namespace vexal_rt;

// Process-wide module state, kept for the life of the process.
struct State : ModuleScope {
    PyObject* numpy = nullptr;
    PyObject* np_angle = nullptr;  // numpy.angle as imported
    PyObject* float64 = nullptr;   // numpy.float64
    PyObject* alias_module = nullptr;
    PyObject* sizeof_fmt = nullptr;  // aliasmod.sizeof_fmt as imported
    PyObject* host_generic_op = nullptr;
    PyObject* phasor = nullptr;
    PyObject* phasors3ph = nullptr;
    PyObject* has_alias = nullptr;  // aliasmod.HasAlias as imported
    TypeGuard phasor_guard;     // Phasor's alias protocol and constructor unchanged
    TypeGuard has_alias_guard;  // HasAlias.__init__ and its alias property unchanged
};
extern State state;

// The fast paths hold while the module's globals and Phasor are as defined.
bool phasor_fast_paths_hold();

void register_phasor(PyObject* module);
void register_phasors3ph(PyObject* module);

}  // namespace vexal::phasors
