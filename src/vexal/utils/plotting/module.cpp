// vexal.utils.plotting: capture plots, harmonic plots and phasor diagrams.
#include "plotting.hpp"

namespace vexal::plotting {

State state;

namespace {

constexpr Import imports[] = {
    {"builtins", "str", "str"},
    {"builtins", "dict", "dict"},
    {"matplotlib.pyplot", "plt"},
    {"warnings", "warnings"},
    {"io", "io"},
    {"time", "time"},
    {"os", "os"},
    {"peakutils", "peakutils"},
    {"numpy", "np"},
    {"vexal.types.timedelta", "td", "Timedelta"},
    {"vexal.utils", "PY2", "PY2"},
};

void make_constants(PyObject*) {
    state.margin = check(PyFloat_FromDouble(0.1)).release();
    state.arrow_divisor = check(PyFloat_FromDouble(277.0)).release();
    state.annotation_offset = check(Py_BuildValue("(ii)", 10, -10)).release();
}

constexpr Part parts[] = {make_constants, register_capture_plot, register_harmonic_plot, register_td_labels,
                          register_phasor_plot};

PyObject** const held[] = {&state.margin, &state.arrow_divisor, &state.annotation_offset};

const ModuleDecl declaration{
    "vexal.utils.plotting",
    "Figures for test reports: captured signals with time labels, frequency content and phasor diagrams.\n\n"
    "Every function draws on matplotlib's current figure (matplotlib.pyplot) and clears it once the\n"
    "figure is saved or shown; the module selects no matplotlib backend.",
    &state, with_install_aliases, imports, parts, held};

}  // namespace
}  // namespace vexal::plotting

PyMODINIT_FUNC PyInit_plotting() { return vexal_rt::define_module<vexal::plotting::declaration>(); }
