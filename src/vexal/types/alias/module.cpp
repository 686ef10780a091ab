// vexal.types.alias: values that carry a display alias.
#include "alias.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::alias {

State state;

namespace {

void exec_alias(PyObject* module) {
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    state.py2 = truthy(import_attr("vexal.utils", id<"PY2">()).get());
    register_sizeof_fmt(module);
    register_has_alias(module);
    register_alias_float(module);
    register_alias_tuple(module);
}

}  // namespace
}  // namespace vexal::alias

PyMODINIT_FUNC PyInit_alias() {
    return vexal_rt::define_module<vexal::alias::exec_alias>(
        "vexal.types.alias",
        "Values that carry an optional display alias: HasAlias, AliasFloat, AliasTuple and sizeof_fmt.");
}
