// vexal.types.phasors: phasors and three-phase phasor sets.
#include "phasors.hpp"

namespace vexal::phasors {

State state;

namespace {

constexpr Import imports[] = {
    {"builtins", "_super", "super"},
    {"numpy", "np", nullptr, &state.numpy},
    {"numpy", nullptr, "float64", &state.float64},
    {"vexal.types.alias", "aliasmod", nullptr, &state.alias_module},
    {"vexal.types.alias", nullptr, "sizeof_fmt", &state.sizeof_fmt},
    {"vexal.utils", "generic_op", "generic_op"},
    {"vexal.test.transformations", "transformations"},
};

constexpr Part parts[] = {register_phasor, register_phasors3ph};

PyObject** const held[] = {&state.phasor, &state.phasors3ph, &state.has_alias};

const ModuleDecl declaration{
    "vexal.types.phasors",
    "Phasors: complex numbers that read as magnitude and angle in degrees and carry an alias (Phasor), and "
    "three-phase sets with their symmetrical components (Phasors3ph).",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::phasors

PyMODINIT_FUNC PyInit_phasors() { return vexal_rt::define_module<vexal::phasors::declaration>(); }
