// Shared declarations of the plotting module's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::plotting {

using namespace vexal_rt;

struct State {
    PyObject* module = nullptr;
    PyObject* globals = nullptr;  // the module's dict: names are read from it at call time
};
extern State state;

// A tuple of keyword names for call_kw, made once.
template <Literal... Names>
PyObject* keywords() {
    static PyObject* names = check(PyTuple_Pack(sizeof...(Names), id<Names>()...)).release();
    return names;
}

inline Ref module_global(PyObject* name) { return global(state.globals, name); }

// plt.<name>, with plt read from the module as the functions' bodies read it.
inline Ref pyplot(PyObject* name) { return getattr(module_global(id<"plt">()).get(), name); }

inline Ref integer(long value) { return check(PyLong_FromLong(value)); }

// The next item of an iterator, or an empty Ref at its end.
inline Ref next(PyObject* iterator) {
    Ref item = Ref::steal(PyIter_Next(iterator));
    if (!item && PyErr_Occurred()) raise();
    return item;
}

inline bool equals(PyObject* value, PyObject* literal) {
    return truthy(compare(value, literal, Py_EQ).get());
}

void register_capture_plot(PyObject* module);
void register_harmonic_plot(PyObject* module);
void register_td_labels(PyObject* module);
void register_phasor_plot(PyObject* module);

}  // namespace vexal::plotting
