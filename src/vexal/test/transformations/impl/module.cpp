// vexal.test.transformations.impl: three-phase frame transformations of
// signal frames, and symmetrical components.
#include "impl.hpp"

namespace vexal::transformations {

State state;

namespace {

constexpr Import imports[] = {
    {"numpy", "np", nullptr, &state.numpy},
    {"numpy", nullptr, "empty", &state.np_empty},
    {"numpy", nullptr, "asarray", &state.np_asarray},
    {"numpy", nullptr, "atleast_1d", &state.np_atleast_1d},
    {"numpy", nullptr, "float64", &state.float64},
    {"vexal.utils", "recursive_map", "recursive_map"},
    {"vexal.types.alias", "HasAlias", "HasAlias", &state.has_alias},
    {"pandas", "pd"},
    {"math", "math"},
    {"scipy.signal.signaltools", "sigtool"},
    {"vexal.types.phasors", nullptr, nullptr, &state.phasors, late_import},
};

// numpy's array type, and the float64 one the frames scale by.
void hold_numpy_values(PyObject*) {
    state.ndarray = reinterpret_cast<PyTypeObject*>(getattr(state.numpy, id<"ndarray">()).release());
    state.float64_one = call(state.float64, Ref(check(PyFloat_FromDouble(1.0))).get()).release();
}

constexpr Part parts[] = {hold_numpy_values, register_signal_columns, register_constants, register_frames,
                          register_symmetrical};

PyObject** const held[] = {&state.float64_one, &state.sequence_factors[0], &state.sequence_factors[1],
                           &state.sequence_factors[2], &state.phasor, &state.float64_dtype};

const ModuleDecl declaration{
    "vexal.test.transformations.impl",
    "Three-phase transformations: abc, alpha-beta-gamma (Clarke) and dq0 (Park) frames of signal frames, "
    "and symmetrical components of phase values.",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::transformations

PyMODINIT_FUNC PyInit_impl() { return vexal_rt::define_module<vexal::transformations::declaration>(); }
