// vexal.test.ranges: value and time ranges for test assertions.
#include "ranges.hpp"

namespace vexal::ranges {

State state;

namespace {

constexpr Import imports[] = {
    {"vexal.types.timedelta", "td", "Timedelta", &state.timedelta},
    {"vexal.types.alias", "AliasTuple", "AliasTuple", &state.alias_tuple},
};

// What making a range directly stands for.
void watch_range_class(PyObject*) {
    state.make_range.attributes(state.alias_tuple, {"__new__"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(state.alias_tuple)), {"__call__"});
    hold_time_extremes(state.timedelta);
}

constexpr Part parts[] = {watch_range_class, register_around, register_time_ranges};

PyObject** const held[] = {&state.from_value_and_reso, &state.nanoseconds,
                           &state.extreme_min.descriptor, &state.extreme_min.value,
                           &state.extreme_max.descriptor, &state.extreme_max.value};

const ModuleDecl declaration{"vexal.test.ranges",
                             "Shorthand for value ranges (around) and time ranges (before, after).",
                             nullptr, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::ranges

PyMODINIT_FUNC PyInit_ranges() { return vexal_rt::define_module<vexal::ranges::declaration>(); }
