// Shared declarations of the phasors module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::phasors {

// Process-wide module state, kept for the life of the process.
struct State : ModuleScope {
    PyObject* numpy = nullptr;
    PyObject* float64 = nullptr;  // numpy.float64
    PyObject* alias_module = nullptr;
    PyObject* sizeof_fmt = nullptr;  // aliasmod.sizeof_fmt as imported
    PyObject* phasor = nullptr;
    PyObject* phasors3ph = nullptr;
    PyObject* has_alias = nullptr;  // aliasmod.HasAlias as imported
    FastPath own_text;   // Phasor's own text made from its value
    FastPath operators;  // the operators' generic_op done here
    FastPath init;       // Phasor(...) without the lookups
    FastPath polar;      // the value from magnitude and angle, without numpy
    FastPath angle;      // np.angle(self, deg=True) without numpy
};
extern State state;

void register_phasor(PyObject* module);
void register_phasors3ph(PyObject* module);

}  // namespace vexal::phasors
