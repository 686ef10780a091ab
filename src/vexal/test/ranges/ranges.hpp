// Shared declarations of the ranges module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::ranges {

struct State {
    PyObject* timedelta = nullptr;  // vexal.types.timedelta.Timedelta
    PyObject* alias_tuple = nullptr;
    FastPath make_range;  // AliasTuple.__new__ is tuple.__new__(cls, value), called the way type calls it
};
extern State state;

void register_around(PyObject* module);
void register_time_ranges(PyObject* module);

}  // namespace vexal::ranges
