// What the Phasor sources share: the angle of a value, the own text and
// alias state of an exact, unpatched Phasor, and the operators.
#pragma once
#include "phasors.hpp"
#include "vexal_rt/alias_state.hpp"

namespace vexal::phasors {

// np.angle(value, deg=True) of a complex (or subclass) object, as a double.
double angle_degrees(PyObject* phasor);

// The own text of an exact Phasor while the fast paths hold
// ("<mag> ∠ <angle>°"); empty otherwise.
Ref own_text_fast(PyObject* phasor);

// str() of a plain complex value.
Ref complex_text(Py_complex value);

void add_phasor_operators(ClassBuilder& builder);

}  // namespace vexal::phasors
