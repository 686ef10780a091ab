// Shared declarations of the ranges module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::ranges {

struct Extreme {
    PyObject* descriptor = nullptr;  // pandas' class attribute
    PyObject* value = nullptr;       // its nanosecond count
};

struct State {
    PyObject* timedelta = nullptr;  // vexal.types.timedelta.Timedelta
    PyObject* alias_tuple = nullptr;
    FastPath make_range;  // AliasTuple.__new__ is tuple.__new__(cls, value), called the way type calls it
    // Timedelta.min and Timedelta.max built from their values (time_extremes.cpp)
    FastPath extremes;
    bool extremes_fast = false;
    bool extremes_copy_doc = false;  // pandas 3 gives each its descriptor's __doc__
    PyObject* from_value_and_reso = nullptr;  // pandas.Timedelta._from_value_and_reso
    PyObject* nanoseconds = nullptr;          // the resolution pandas gives them
    Extreme extreme_min, extreme_max;
};
extern State state;

void register_around(PyObject* module);
void register_time_ranges(PyObject* module);
void hold_time_extremes(PyObject* timedelta);
// Timedelta.max when `maximum`, else Timedelta.min.
Ref timedelta_extreme(bool maximum);

}  // namespace vexal::ranges
