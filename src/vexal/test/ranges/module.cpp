// vexal.test.ranges: value and time ranges for test assertions.
#include "ranges.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::ranges {

State state;

namespace {

void exec_ranges(PyObject* module) {
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    state.timedelta = import_attr("vexal.types.timedelta", id<"Timedelta">()).release();
    add_object(module, "td", state.timedelta);
    state.alias_tuple = import_attr("vexal.types.alias", id<"AliasTuple">()).release();
    add_object(module, "AliasTuple", state.alias_tuple);
    state.alias_tuple_keywords = check(PyTuple_Pack(2, id<"alias">(), id<"child_original_str">())).release();
    state.make_range.attributes(state.alias_tuple, {"__new__"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(state.alias_tuple)), {"__call__"});
    register_around(module);
    register_time_ranges(module);
}

}  // namespace
}  // namespace vexal::ranges

PyMODINIT_FUNC PyInit_ranges() {
    return vexal_rt::define_module<vexal::ranges::exec_ranges>(
        "vexal.test.ranges", "Shorthand for value ranges (around) and time ranges (before, after).");
}
