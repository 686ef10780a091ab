// vexal.test.ranges: value and time ranges for test assertions.
#include "ranges.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::ranges {

State state;

namespace {

constexpr Import imports[] = {
    {"vexal.types.timedelta", "td", "Timedelta"},
    {"vexal.types.alias", "AliasTuple", "AliasTuple"},
};

// The classes the ranges are made of, as imported, and what making them
// directly stands for.
void hold_imported(PyObject* module) {
    state.timedelta = getattr(module, id<"td">()).release();
    state.alias_tuple = getattr(module, id<"AliasTuple">()).release();
    state.make_range.attributes(state.alias_tuple, {"__new__"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(state.alias_tuple)), {"__call__"});
    hold_time_extremes(state.timedelta);
}

constexpr Part parts[] = {hold_imported, register_around, register_time_ranges};

PyObject** const held[] = {&state.timedelta, &state.alias_tuple};

const ModuleDecl declaration{"vexal.test.ranges",
                             "Shorthand for value ranges (around) and time ranges (before, after).",
                             nullptr, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::ranges

PyMODINIT_FUNC PyInit_ranges() { return vexal_rt::define_module<vexal::ranges::declaration>(); }
