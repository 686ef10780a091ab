// harmonic_plot: the frequency content of a signal as a stem plot, its peaks
// labelled with frequency, magnitude and phase.
#include "plotting.hpp"

namespace vexal::plotting {
namespace {

Ref magnitudes(PyObject* content) {
    return check(PyNumber_Absolute(getattr(content, id<"fft">()).get()));
}

// dict(boxstyle="square", fc="w"), through the module's own `dict`.
Ref label_box() {
    Ref dict_type = state.global(id<"dict">());
    if (!dict_type.is(reinterpret_cast<PyObject*>(&PyDict_Type))) {
        return call_kw(dict_type.get(), {id<"square">(), id<"w">()}, kwnames<"boxstyle", "fc">());
    }
    Ref box = check(PyDict_New());
    check_status(PyDict_SetItem(box.get(), id<"boxstyle">(), id<"square">()));
    check_status(PyDict_SetItem(box.get(), id<"fc">(), id<"w">()));
    return box;
}

// "Freq: {:.2f}\nMag: {:.2f}\nPhase: {:.2f}°"
Ref peak_text(PyObject* freq, PyObject* mag, PyObject* phase) {
    PyObject* spec = id<".2f">();
    return concat({id<"Freq: ">(), format(freq, spec).get(), id<"\nMag: ">(), format(mag, spec).get(),
                   id<"\nPhase: ">(), format(phase, spec).get(), id<"\u00b0">()});
}

void annotate_peak(PyObject* content, PyObject* position, PyObject* np) {
    Ref freq = check(PyObject_GetItem(getattr(content, id<"freqs">()).get(), position));
    Ref mag = check(PyNumber_Absolute(check(PyObject_GetItem(getattr(content, id<"fft">()).get(), position)).get()));
    Ref value = check(PyObject_GetItem(getattr(content, id<"fft">()).get(), position));
    Ref radians = call_method(np, id<"angle">(), value.get());
    Ref phase = check(PyNumber_TrueDivide(check(PyNumber_Multiply(radians.get(), integer(180).get())).get(),
                                          getattr(np, id<"pi">()).get()));
    Ref xy = check(PyTuple_Pack(2, freq.get(), mag.get()));
    call_kw(pyplot(id<"annotate">()).get(),
            {peak_text(freq.get(), mag.get(), phase.get()).get(), xy.get(), state.annotation_offset,
             id<"offset points">(), label_box().get(), integer(7).get()},
            kwnames<"xy", "xytext", "textcoords", "bbox", "fontsize">());
}

Ref harmonic_plot(FunctionObject*, PyObject* const* args) {
    PyObject *content = args[0], *output = args[1], *annotate = args[2];
    call(pyplot(id<"stem">()).get(), getattr(content, id<"freqs">()).get(), magnitudes(content).get());
    call(pyplot(id<"title">()).get(), id<"Frequency Content">());
    Ref peaks = call_method(state.global(id<"peakutils">()).get(), id<"indexes">(), magnitudes(content).get());
    if (truthy(annotate)) {
        Ref np = state.global(id<"np">());
        Ref positions = check(PyObject_GetIter(peaks.get()));
        while (Ref position = next_item(positions.get())) annotate_peak(content, position.get(), np.get());
    }
    if (equals(output, id<"plot">())) {
        call(pyplot(id<"show">()).get());
        return none();
    }
    call(pyplot(id<"savefig">()).get(), output);
    setattr(output, id<"name">(), id<"Frequency Content">());
    call(pyplot(id<"clf">()).get());
    return none();
}

const FunctionDef harmonic_plot_def{"harmonic_plot", "content, output, annotate", harmonic_plot,
                                    R"(Stem plot of a spectrum with its peaks labelled.

Parameters
----------
content : object
    Has ``freqs`` (bin frequencies) and ``fft`` (complex bin values) of
    equal length.
output : "plot" or writable binary file object
    "plot" shows the figure and leaves it in place; otherwise the figure is
    saved as PNG into ``output``, whose ``name`` is then set to
    "Frequency Content", and cleared.
annotate : bool
    Label each peak found by ``peakutils.indexes`` with its frequency,
    magnitude and phase in degrees.

Returns
-------
None
)"};

}  // namespace

void register_harmonic_plot(PyObject* module) {
    Ref defaults = check(PyTuple_Pack(2, id<"plot">(), Py_True));
    add_function(module, harmonic_plot_def, {.defaults = defaults.get()});
}

}  // namespace vexal::plotting
