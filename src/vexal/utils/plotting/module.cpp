// vexal.utils.plotting: capture plots, harmonic plots and phasor diagrams.
#include "plotting.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::plotting {

State state;

namespace {

void add(PyObject* module, const char* name, Ref value) {
    check_status(PyModule_AddObjectRef(module, name, value.get()));
}

void exec_plotting(PyObject* module) {
    state.module = module;
    state.globals = PyModule_GetDict(module);
    add(module, "str", import_attr("builtins", id<"str">()));
    add(module, "dict", import_attr("builtins", id<"dict">()));
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    add(module, "plt", import("matplotlib.pyplot"));
    add(module, "warnings", import("warnings"));
    add(module, "io", import("io"));
    add(module, "time", import("time"));
    add(module, "os", import("os"));
    add(module, "peakutils", import("peakutils"));
    add(module, "np", import("numpy"));
    add(module, "td", import_attr("vexal.types.timedelta", id<"Timedelta">()));
    add(module, "PY2", import_attr("vexal.utils", id<"PY2">()));
    register_capture_plot(module);
    register_harmonic_plot(module);
    register_td_labels(module);
    register_phasor_plot(module);
}

}  // namespace
}  // namespace vexal::plotting

PyMODINIT_FUNC PyInit_plotting() {
    return vexal_rt::define_module<vexal::plotting::exec_plotting>(
        "vexal.utils.plotting",
        "Figures for test reports: captured signals with time labels, frequency content and phasor diagrams.\n\n"
        "Every function draws on matplotlib's current figure (matplotlib.pyplot) and clears it once the\n"
        "figure is saved or shown; the module selects no matplotlib backend.");
}
