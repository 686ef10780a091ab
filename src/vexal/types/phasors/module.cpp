// vexal.types.phasors: phasors and three-phase phasor sets.
#include "phasors.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::phasors {

State state;

namespace {

void exec_phasors(PyObject* module) {
    state.bind(module);
    add_object(module, "_super", reinterpret_cast<PyObject*>(&PySuper_Type));
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    state.numpy = import("numpy").release();
    add_object(module, "np", state.numpy);
    state.np_angle = getattr(state.numpy, id<"angle">()).release();
    state.float64 = getattr(state.numpy, id<"float64">()).release();
    state.alias_module = import("vexal.types.alias").release();
    add_object(module, "aliasmod", state.alias_module);
    state.sizeof_fmt = getattr(state.alias_module, id<"sizeof_fmt">()).release();
    add_object(module, "generic_op", import_attr("vexal.utils", id<"generic_op">()));
    add_object(module, "transformations", import("vexal.test.transformations"));
    register_phasor(module);
    register_phasors3ph(module);
}

}  // namespace
}  // namespace vexal::phasors

PyMODINIT_FUNC PyInit_phasors() {
    return vexal_rt::define_module<vexal::phasors::exec_phasors>(
        "vexal.types.phasors",
        "Phasors: complex numbers that read as magnitude and angle in degrees and carry an alias (Phasor), and "
        "three-phase sets with their symmetrical components (Phasors3ph).");
}
