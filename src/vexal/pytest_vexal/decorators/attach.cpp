// The plot-and-attach decorators: the wrapped function runs as before, and
// its result is drawn into PNG images in memory that are attached to the
// Allure report.
#include "decorators.hpp"

namespace vexal::decorators {
namespace {

// allure.attach(body, name, attachment_type=allure.attachment_type.PNG)
void attach_png(PyObject* body, PyObject* name) {
    Ref allure = state.global(id<"allure">());
    Ref png = getattr(getattr(allure.get(), id<"attachment_type">()).get(), id<"PNG">());
    call_kw(getattr(allure.get(), id<"attach">()).get(), {body, name, png.get()}, kwnames<"attachment_type">());
}

void attach_buffer(PyObject* output, PyObject* name) {
    attach_png(call_method(output, id<"getvalue">()).get(), name);
}

Ref new_buffer() { return call_method(state.global(id<"io">()).get(), id<"BytesIO">()); }

Ref plotutils(PyObject* name) { return getattr(state.global(id<"plotutils">()).get(), name); }

Ref image_name_key(FunctionObject*, PyObject* const* args) {
    return call_method(getattr(args[0], id<"name">()).get(), id<"lower">());
}

const FunctionDef image_name_key_def{"<lambda>", "item", image_name_key};

Ref capture_decorator(FunctionObject*, PyObject* const* args) {
    Ref capture = call_with(args[0], args[2], args[3]);
    Ref outputs = call_kw(plotutils(id<"capture_plot">()).get(), {capture.get(), id<"memory">()}, kwnames<"dest">());
    Ref ordered =
        call_kw(state.global(id<"sorted">()).get(), {outputs.get(), state.image_name_key}, kwnames<"key">());
    Ref items = check(PyObject_GetIter(ordered.get()));
    while (Ref item = next_item(items.get())) {
        Ref body = call_method(item.get(), id<"getvalue">());
        attach_png(body.get(), getattr(item.get(), id<"name">()).get());
    }
    return capture;
}

Ref analysis_decorator(FunctionObject*, PyObject* const* args) {
    Ref result = call_with(args[0], args[2], args[3]);
    Ref output = new_buffer();
    call_method(result.get(), id<"plot">(), output.get());
    attach_buffer(output.get(), id<"Analysis Plot">());
    return result;
}

Ref fft_decorator(FunctionObject*, PyObject* const* args) {
    Ref result = call_with(args[0], args[2], args[3]);
    Ref output = new_buffer();
    call(plotutils(id<"harmonic_plot">()).get(), result.get(), output.get());
    Ref body = call_method(output.get(), id<"getvalue">());
    attach_png(body.get(), getattr(output.get(), id<"name">()).get());
    return result;
}

void attach_phasor_plot(PyObject* result, PyObject* type, PyObject* title) {
    Ref output = new_buffer();
    Ref after = getattr(result, id<"phasors_after">());
    Ref before = getattr(result, id<"phasors_before">());
    Ref plot_phasors = plotutils(id<"plot_phasors">());
    if (type) {
        call_kw(plot_phasors.get(), {after.get(), before.get(), type, output.get()}, kwnames<"type", "output">());
    } else {
        call_kw(plot_phasors.get(), {after.get(), before.get(), output.get()}, kwnames<"output">());
    }
    attach_buffer(output.get(), title);
}

Ref grid_changes_decorator(FunctionObject*, PyObject* const* args) {
    Ref result = call_with(args[0], args[2], args[3]);
    attach_phasor_plot(result.get(), nullptr, id<"Phasor Plot">());
    attach_phasor_plot(result.get(), id<"pos_seq">(), id<"Phasor Plot - Positive Sequence">());
    attach_phasor_plot(result.get(), id<"neg_seq">(), id<"Phasor Plot - Negative Sequence">());
    attach_phasor_plot(result.get(), id<"zero_seq">(), id<"Phasor Plot - Zero Sequence">());
    return result;
}

const FunctionDef capture_def{"allure_plot_and_attach_capture_decorator", "func, instance, args, kwargs",
                              capture_decorator,
                              R"(Attach a PNG plot of every signal of the captured result.

A ``wrapt`` decorator. The result goes to
``plotutils.capture_plot(result, dest="memory")``; each image is attached
(type PNG) titled with its signal name, in case-insensitive name order.
The result is returned unchanged.
)"};

const FunctionDef analysis_def{"allure_plot_and_attach_analysis_decorator", "func, instance, args, kwargs",
                               analysis_decorator,
                               R"(Attach the plot an analysis result draws of itself.

A ``wrapt`` decorator. The result's ``plot`` method is called with an
``io.BytesIO`` buffer and the PNG it draws there is attached as
"Analysis Plot". The result is returned unchanged.
)"};

const FunctionDef fft_def{"allure_plot_and_attach_fft_decorator", "func, instance, args, kwargs", fft_decorator,
                          R"(Attach the harmonic plot of a spectrum result.

A ``wrapt`` decorator. The result (with ``freqs`` and ``fft``) is drawn by
``plotutils.harmonic_plot`` into an ``io.BytesIO`` buffer, attached under
the buffer's name ("Frequency Content"). The result is returned unchanged.
)"};

const FunctionDef grid_changes_def{"plot_and_attach_grid_changes", "func, instance, args, kwargs",
                                   grid_changes_decorator,
                                   R"(Attach phasor plots of a grid change.

A ``wrapt`` decorator. The result's ``phasors_after`` are drawn over its
``phasors_before`` with ``plotutils.plot_phasors`` four times and attached
in this order: "Phasor Plot", "Phasor Plot - Positive Sequence",
"Phasor Plot - Negative Sequence", "Phasor Plot - Zero Sequence". The
result is returned unchanged.
)"};

}  // namespace

void register_attach(PyObject* module) {
    state.image_name_key = make_function(image_name_key_def, {.module = module}).release();
    for (const FunctionDef* def : {&capture_def, &analysis_def, &fft_def, &grid_changes_def}) {
        add_wrapt_decorator(module, *def);
    }
}

}  // namespace vexal::decorators
