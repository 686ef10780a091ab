// vexal.test.transformations.impl: three-phase frame transformations of
// signal frames, and symmetrical components.
#include "impl.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::transformations {

State state;

namespace {

void exec_impl(PyObject* module) {
    state.bind(module);
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    Ref np = import("numpy");
    add_object(module, "np", np);
    add_object(module, "recursive_map", import_attr("vexal.utils", id<"recursive_map">()));
    state.has_alias = import_attr("vexal.types.alias", id<"HasAlias">()).release();
    add_object(module, "HasAlias", state.has_alias);
    add_object(module, "pd", import("pandas"));
    add_object(module, "math", import("math"));
    add_object(module, "sigtool", import("scipy.signal.signaltools"));
    state.np_empty = getattr(np.get(), id<"empty">()).release();
    state.ndarray = reinterpret_cast<PyTypeObject*>(getattr(np.get(), id<"ndarray">()).release());
    state.np_asarray = getattr(np.get(), id<"asarray">()).release();
    state.np_atleast_1d = getattr(np.get(), id<"atleast_1d">()).release();
    state.float64 = getattr(np.get(), id<"float64">()).release();
    state.float64_one = call(state.float64, Ref(check(PyFloat_FromDouble(1.0))).get()).release();
    register_signal_columns(module);
    register_constants(module);
    register_frames(module);
    register_symmetrical(module);
}

}  // namespace
}  // namespace vexal::transformations

PyMODINIT_FUNC PyInit_impl() {
    return vexal_rt::define_module<vexal::transformations::exec_impl>(
        "vexal.test.transformations.impl",
        "Three-phase transformations: abc, alpha-beta-gamma (Clarke) and dq0 (Park) frames of signal frames, "
        "and symmetrical components of phase values.");
}
