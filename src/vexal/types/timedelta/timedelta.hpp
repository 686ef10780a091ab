// Shared declarations of the timedelta module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

#include <cstdint>

namespace vexal::timedelta {

// Process-wide module state, kept for the life of the process.
struct State {
    PyObject* module = nullptr;
    PyObject* pandas_timedelta = nullptr;  // pandas.Timedelta
    PyObject* timedelta = nullptr;         // this module's Timedelta
    PyObject* has_alias = nullptr;
    PyObject* sys_flags = nullptr;
    PyObject* timedelta_max = nullptr;
    PyObject* timedelta_min = nullptr;
    PyObject* zero = nullptr;  // pandas.Timedelta(0)
    PyObject* is_integer = nullptr;
    PyObject* is_float = nullptr;
    PyObject* coerce_scalar = nullptr;  // pandas' string-to-Timedelta conversion
    PyObject* to_timedelta = nullptr;   // pandas.to_timedelta
    PyObject* timedelta_index = nullptr;
    PyObject* castable_operators[4] = {};  // the wrappers patch_pandas installed last
    PyObject* unconverted_operands = nullptr;  // tuple of the types the wrappers pass on as they are
    std::int64_t max_ns = 0;
    std::int64_t min_ns = 0;
    bool optimized = false;  // python -O: asserts are skipped
    FastPath pandas_path;     // pandas.Timedelta's comparisons, abs and fields
    FastPath timedelta_path;  // the same seen from this module's Timedelta
    FastPath own_text;        // pandas.Timedelta.__str__ is new_td_repr, as patched
};
extern State state;

Ref td_repr(PyObject* self);
// accept_castable(op_func, format_alias) as a C++ call.
Ref make_castable(PyObject* op_func, PyObject* format_alias);

void register_td_repr(PyObject* module);
void register_accept_castable(PyObject* module);
void register_pandas_patch(PyObject* module);  // also applies the patch
void register_timedelta_class(PyObject* module);
void register_to_timedelta(PyObject* module);

}  // namespace vexal::timedelta
