// Shared declarations of the ranges module's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/float_text.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/type_guard.hpp"

namespace vexal::ranges {

using namespace vexal_rt;

struct State {
    PyObject* timedelta = nullptr;  // vexal.types.timedelta.Timedelta
    PyObject* alias_tuple = nullptr;
    PyObject* alias_tuple_keywords = nullptr;  // ("alias", "child_original_str")
    TypeGuard alias_tuple_new_guard;   // AliasTuple.__new__ is still tuple.__new__(cls, value)
    TypeGuard alias_tuple_call_guard;  // its metaclass still calls it the way type does
};
extern State state;

void register_around(PyObject* module);
void register_time_ranges(PyObject* module);

}  // namespace vexal::ranges
