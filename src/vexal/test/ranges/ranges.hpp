// Shared declarations of the ranges module's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/float_text.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/fast_path.hpp"

namespace vexal::ranges {

using namespace vexal_rt;

struct State {
    PyObject* timedelta = nullptr;  // vexal.types.timedelta.Timedelta
    PyObject* alias_tuple = nullptr;
    FastPath make_range;  // AliasTuple.__new__ is tuple.__new__(cls, value), called the way type calls it
};
extern State state;

void register_around(PyObject* module);
void register_time_ranges(PyObject* module);

}  // namespace vexal::ranges
