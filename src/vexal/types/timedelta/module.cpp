// vexal.types.timedelta: time spans with units and aliases, and the changes
// that make every pandas time span print and add the same way.
#include "timedelta.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::timedelta {

State state;

namespace {

void load_pandas() {
    Ref pandas = import("pandas");
    state.pandas_timedelta = getattr(pandas.get(), id<"Timedelta">()).release();
    state.to_timedelta = getattr(pandas.get(), id<"to_timedelta">()).release();
    state.timedelta_max = getattr(state.pandas_timedelta, id<"max">()).release();
    state.timedelta_min = getattr(state.pandas_timedelta, id<"min">()).release();
    state.max_ns = PyLong_AsLongLong(getattr(state.timedelta_max, id<"value">()).get());
    state.min_ns = PyLong_AsLongLong(getattr(state.timedelta_min, id<"value">()).get());
    if (PyErr_Occurred()) raise();
    state.zero = call(state.pandas_timedelta, Ref(check(PyLong_FromLong(0))).get()).release();
    Ref types = import("pandas.api.types");
    state.is_integer = getattr(types.get(), id<"is_integer">()).release();
    state.is_float = getattr(types.get(), id<"is_float">()).release();
    state.coerce_scalar =
        import_attr("pandas.core.tools.timedeltas", id<"_coerce_scalar_to_timedelta_type">()).release();
    state.timedelta_index = import_attr("pandas.core.indexes.timedeltas", id<"TimedeltaIndex">()).release();
}

void exec_timedelta(PyObject* module) {
    state.module = module;
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    state.has_alias = import_attr("vexal.types.alias", id<"HasAlias">()).release();
    Ref flags = import_attr("sys", id<"flags">());
    state.optimized = truthy(getattr(flags.get(), id<"optimize">()).get());
    load_pandas();
    register_td_repr(module);
    register_accept_castable(module);
    register_pandas_patch(module);
    register_timedelta_class(module);
    register_to_timedelta(module);
}

}  // namespace
}  // namespace vexal::timedelta

PyMODINIT_FUNC PyInit_timedelta() {
    return vexal_rt::define_module<vexal::timedelta::exec_timedelta>(
        "vexal.types.timedelta",
        "Time spans with units and aliases (Timedelta), their compact text (new_td_repr), and the process-wide "
        "changes that make every pandas.Timedelta print and add the same way.");
}
