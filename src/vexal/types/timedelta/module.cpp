// vexal.types.timedelta: time spans with units and aliases, and the changes
// that make every pandas time span print and add the same way.
#include "timedelta.hpp"

namespace vexal::timedelta {

State state;

namespace {

// The imports bind nothing in the module: what it uses is held in its state.
constexpr Import imports[] = {
    {"vexal.types.alias", nullptr, "HasAlias", &state.has_alias},
    {"sys", nullptr, "flags", &state.sys_flags},
    {"pandas", nullptr, "Timedelta", &state.pandas_timedelta},
    {"pandas", nullptr, "to_timedelta", &state.to_timedelta},
    {"pandas.api.types", nullptr, "is_integer", &state.is_integer},
    {"pandas.api.types", nullptr, "is_float", &state.is_float},
    {"pandas.core.tools.timedeltas", nullptr, "_coerce_scalar_to_timedelta_type", &state.coerce_scalar},
    {"pandas.core.indexes.timedeltas", nullptr, "TimedeltaIndex", &state.timedelta_index},
};

// The module itself, python -O, and pandas' limits and zero.
void hold_derived(PyObject* module) {
    state.module = module;
    state.optimized = truthy(getattr(state.sys_flags, id<"optimize">()).get());
    state.timedelta_max = getattr(state.pandas_timedelta, id<"max">()).release();
    state.timedelta_min = getattr(state.pandas_timedelta, id<"min">()).release();
    state.max_ns = PyLong_AsLongLong(getattr(state.timedelta_max, id<"value">()).get());
    state.min_ns = PyLong_AsLongLong(getattr(state.timedelta_min, id<"value">()).get());
    if (PyErr_Occurred()) raise();
    state.zero = call(state.pandas_timedelta, Ref(check(PyLong_FromLong(0))).get()).release();
}

constexpr Part parts[] = {hold_derived,          register_td_repr,         register_accept_castable,
                          register_pandas_patch, register_timedelta_class, register_to_timedelta};

PyObject** const held[] = {&state.timedelta_max,        &state.timedelta_min,        &state.zero,
                           &state.timedelta,            &state.castable_operators[0], &state.castable_operators[1],
                           &state.castable_operators[2], &state.castable_operators[3], &state.unconverted_operands};

const ModuleDecl declaration{
    "vexal.types.timedelta",
    "Time spans with units and aliases (Timedelta), their compact text (new_td_repr), and the process-wide "
    "changes that make every pandas.Timedelta print and add the same way.",
    nullptr, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::timedelta

PyMODINIT_FUNC PyInit_timedelta() { return vexal_rt::define_module<vexal::timedelta::declaration>(); }
