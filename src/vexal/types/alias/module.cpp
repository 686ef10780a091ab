// vexal.types.alias: values that carry a display alias.
#include "alias.hpp"

namespace vexal::alias {

State state;

namespace {

void read_py2(PyObject*) { state.py2 = truthy(import_attr("vexal.utils", id<"PY2">()).get()); }

constexpr Part parts[] = {read_py2, register_sizeof_fmt, register_has_alias, register_alias_float,
                          register_alias_tuple};

PyObject** const held[] = {&state.has_alias, &state.alias_float, &state.alias_tuple, &state.abc_instancecheck,
                           &state.abc_cache_token};

const ModuleDecl declaration{
    "vexal.types.alias",
    "Values that carry an optional display alias: HasAlias, AliasFloat, AliasTuple and sizeof_fmt.",
    nullptr, with_install_aliases, {}, parts, held};

}  // namespace
}  // namespace vexal::alias

PyMODINIT_FUNC PyInit_alias() { return vexal_rt::define_module<vexal::alias::declaration>(); }
