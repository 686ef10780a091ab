// vexal.utils.plotting: capture plots, harmonic plots and phasor diagrams.
#include "plotting.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::plotting {

ModuleScope scope;

namespace {

void exec_plotting(PyObject* module) {
    scope.bind(module);
    add_object(module, "str", import_attr("builtins", id<"str">()));
    add_object(module, "dict", import_attr("builtins", id<"dict">()));
    call(import_attr("future.standard_library", id<"install_aliases">()).get());
    add_object(module, "plt", import("matplotlib.pyplot"));
    add_object(module, "warnings", import("warnings"));
    add_object(module, "io", import("io"));
    add_object(module, "time", import("time"));
    add_object(module, "os", import("os"));
    add_object(module, "peakutils", import("peakutils"));
    add_object(module, "np", import("numpy"));
    add_object(module, "td", import_attr("vexal.types.timedelta", id<"Timedelta">()));
    add_object(module, "PY2", import_attr("vexal.utils", id<"PY2">()));
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
