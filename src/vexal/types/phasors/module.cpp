// vexal.types.phasors: phasors and three-phase phasor sets.
#include "phasors.hpp"

namespace vexal::phasors {

State state;

namespace {

constexpr Import imports[] = {
    {"builtins", "_super", "super"},
    {"numpy", "np"},
    {"vexal.types.alias", "aliasmod"},
    {"vexal.utils", "generic_op", "generic_op"},
    {"vexal.test.transformations", "transformations"},
};

// What the classes' shortcuts call directly, taken from the imports.
void hold_imported(PyObject*) {
    state.numpy = state.global(id<"np">()).release();
    state.np_angle = getattr(state.numpy, id<"angle">()).release();
    state.float64 = getattr(state.numpy, id<"float64">()).release();
    state.alias_module = state.global(id<"aliasmod">()).release();
    state.sizeof_fmt = getattr(state.alias_module, id<"sizeof_fmt">()).release();
}

constexpr Part parts[] = {hold_imported, register_phasor, register_phasors3ph};

PyObject** const held[] = {&state.numpy,     &state.np_angle, &state.float64,    &state.alias_module,
                           &state.sizeof_fmt, &state.phasor,   &state.phasors3ph, &state.has_alias};

const ModuleDecl declaration{
    "vexal.types.phasors",
    "Phasors: complex numbers that read as magnitude and angle in degrees and carry an alias (Phasor), and "
    "three-phase sets with their symmetrical components (Phasors3ph).",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::phasors

PyMODINIT_FUNC PyInit_phasors() { return vexal_rt::define_module<vexal::phasors::declaration>(); }
