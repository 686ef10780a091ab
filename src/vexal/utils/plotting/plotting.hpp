// Shared declarations of the plotting module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::plotting {

// Names are read from the module's dict at call time; the constants the
// figures are drawn with are made once.
struct State : ModuleScope {
    PyObject* margin = nullptr;             // 0.1, the plots' margins
    PyObject* arrow_divisor = nullptr;      // 277.0, of the phasor arrows' width
    PyObject* annotation_offset = nullptr;  // (10, -10), of the peak labels
};
extern State state;

// plt.<name>, with plt read from the module as the functions' bodies read it.
inline Ref pyplot(PyObject* name) { return getattr(state.global(id<"plt">()).get(), name); }

inline Ref integer(long value) { return check(PyLong_FromLong(value)); }

inline bool equals(PyObject* value, PyObject* literal) {
    return truthy(compare(value, literal, Py_EQ).get());
}

void register_capture_plot(PyObject* module);
void register_harmonic_plot(PyObject* module);
void register_td_labels(PyObject* module);
void register_phasor_plot(PyObject* module);

}  // namespace vexal::plotting
