// vexal.test.transformations.impl: three-phase frame transformations of
// signal frames, and symmetrical components.
#include "impl.hpp"

namespace vexal::transformations {

State state;

namespace {

constexpr Import imports[] = {
    {"numpy", "np"},
    {"vexal.utils", "recursive_map", "recursive_map"},
    {"vexal.types.alias", "HasAlias", "HasAlias"},
    {"pandas", "pd"},
    {"math", "math"},
    {"scipy.signal.signaltools", "sigtool"},
};

// What the kernels and frames call directly, taken from the imports.
void hold_imported(PyObject*) {
    state.has_alias = state.global(id<"HasAlias">()).release();
    state.numpy = state.global(id<"np">()).release();
    Ref np = Ref::borrow(state.numpy);
    state.np_empty = getattr(np.get(), id<"empty">()).release();
    state.ndarray = reinterpret_cast<PyTypeObject*>(getattr(np.get(), id<"ndarray">()).release());
    state.np_asarray = getattr(np.get(), id<"asarray">()).release();
    state.np_atleast_1d = getattr(np.get(), id<"atleast_1d">()).release();
    state.float64 = getattr(np.get(), id<"float64">()).release();
    state.float64_one = call(state.float64, Ref(check(PyFloat_FromDouble(1.0))).get()).release();
}

constexpr Part parts[] = {hold_imported, register_signal_columns, register_constants, register_frames,
                          register_symmetrical};

PyObject** const held[] = {&state.np_empty, &state.np_asarray, &state.np_atleast_1d, &state.float64,
                           &state.float64_one, &state.has_alias, &state.sequence_factors[0],
                           &state.sequence_factors[1], &state.sequence_factors[2], &state.numpy, &state.phasor,
                           &state.float64_dtype};

const ModuleDecl declaration{
    "vexal.test.transformations.impl",
    "Three-phase transformations: abc, alpha-beta-gamma (Clarke) and dq0 (Park) frames of signal frames, "
    "and symmetrical components of phase values.",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::transformations

PyMODINIT_FUNC PyInit_impl() { return vexal_rt::define_module<vexal::transformations::declaration>(); }
