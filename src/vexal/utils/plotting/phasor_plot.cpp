// plot_phasors: a phasor set as arrows from the origin, optionally over the
// outlines of an earlier set, or one of its symmetrical-component sets.
#include "plotting.hpp"

namespace vexal::plotting {
namespace {

struct Magnitudes {
    Ref whole = integer(0);  // integer part of the largest magnitude
    Ref largest = integer(0);  // the largest magnitude itself, tracked while `whole` is 0

    void take(PyObject* phasors) {
        Ref iterator = check(PyObject_GetIter(phasors));
        while (Ref phasor = next_item(iterator.get())) {
            Ref mag = getattr(phasor.get(), id<"mag">());
            bool keep = truthy(compare(whole.get(), mag.get(), Py_GT).get());
            whole = check(PyNumber_Long(keep ? whole.get() : mag.get()));
            if (truthy(whole.get())) continue;
            if (!truthy(compare(largest.get(), mag.get(), Py_GT).get())) largest = mag;
        }
    }

    // Shaft width: 7 * max_mag / 277 in data units. Per-unit sets (no
    // magnitude reaching 1) are scaled by their largest magnitude instead of
    // getting zero-width arrows.
    Ref arrow_width() const {
        PyObject* scale = truthy(whole.get()) ? whole.get() : largest.get();
        return check(
            PyNumber_TrueDivide(check(PyNumber_Multiply(integer(7).get(), scale)).get(), state.arrow_divisor));
    }
};

Ref in_radians(PyObject* degrees, PyObject* pi) {
    return check(PyNumber_TrueDivide(check(PyNumber_Multiply(degrees, pi)).get(), integer(180).get()));
}

Ref polar(PyObject* np, PyObject* mag, PyObject* angle, PyObject* function) {
    return check(PyNumber_Multiply(mag, call_method(np, function, angle).get()));
}

Ref pair_list(PyObject* first, PyObject* second) {
    Ref list = check(PyList_New(2));
    PyList_SET_ITEM(list.get(), 0, Py_NewRef(first));
    PyList_SET_ITEM(list.get(), 1, Py_NewRef(second));
    return list;
}

// The current set is drawn filled without outline; the earlier (light) set
// as dashed outlines. A dashed style on the zero-width outline of a filled
// arrow would make savefig fail on older matplotlib releases.
void plot_set(PyObject* phasors, bool light, PyObject* width) {
    Ref np = state.global(id<"np">());
    Ref pi = getattr(np.get(), id<"pi">());
    Ref zero = integer(0);
    Ref line_width = integer(light ? 1 : 0);
    Ref iterator = check(PyObject_GetIter(phasors));
    while (Ref phasor = next_item(iterator.get())) {
        Ref angle_degrees = getattr(phasor.get(), id<"angle">());
        Ref mag = getattr(phasor.get(), id<"mag">());
        Ref angle = in_radians(angle_degrees.get(), pi.get());
        Ref x = polar(np.get(), mag.get(), angle.get(), id<"cos">());
        Ref y = polar(np.get(), mag.get(), angle.get(), id<"sin">());
        Ref arrow = pyplot(id<"arrow">());
        PyObject* fill = light ? Py_False : Py_True;
        if (light) {
            call_kw(arrow.get(),
                    {zero.get(), zero.get(), x.get(), y.get(), width, fill, line_width.get(), integer(5).get(), Py_True,
                     id<"--">()},
                    kwnames<"width", "fill", "lw", "zorder", "length_includes_head", "linestyle">());
        } else {
            call_kw(arrow.get(),
                    {zero.get(), zero.get(), x.get(), y.get(), width, fill, line_width.get(), integer(5).get(), Py_True},
                    kwnames<"width", "fill", "lw", "zorder", "length_includes_head">());
        }
        Ref plot = pyplot(id<"plot">());
        call_kw(plot.get(), {pair_list(zero.get(), x.get()).get(), pair_list(zero.get(), y.get()).get(), zero.get()},
                kwnames<"alpha">());
        Ref minus_x = check(PyNumber_Negative(x.get()));
        Ref minus_y = check(PyNumber_Negative(y.get()));
        call_kw(plot.get(),
                {pair_list(zero.get(), minus_x.get()).get(), pair_list(zero.get(), minus_y.get()).get(), zero.get()},
                kwnames<"alpha">());
        Ref label_angle = in_radians(check(PyNumber_Add(angle_degrees.get(), integer(7).get())).get(), pi.get());
        Ref position = check(PyTuple_Pack(2, polar(np.get(), mag.get(), label_angle.get(), id<"cos">()).get(),
                                          polar(np.get(), mag.get(), label_angle.get(), id<"sin">()).get()));
        Ref alias = getattr(phasor.get(), id<"alias">());
        call_kw(pyplot(id<"annotate">()).get(), {alias.get(), position.get()}, kwnames<"xy">());
    }
}

// "pos_seq", "neg_seq" and "zero_seq" select that sequence set of each set.
PyObject* sequence_name(PyObject* type) {
    for (PyObject* name : {id<"pos_seq">(), id<"neg_seq">(), id<"zero_seq">()}) {
        if (equals(type, name)) return name;
    }
    return nullptr;
}

Ref plot_phasors(FunctionObject*, PyObject* const* args) {
    Ref phasors = Ref::borrow(args[0]), before = Ref::borrow(args[1]);
    PyObject *output = args[3], *plot = args[4];
    if (PyObject* sequence = sequence_name(args[2])) {
        phasors = getattr(phasors.get(), sequence);
        if (!before.is(Py_None)) before = getattr(before.get(), sequence);
    }
    Magnitudes magnitudes;
    magnitudes.take(phasors.get());
    if (!before.is(Py_None)) magnitudes.take(before.get());
    Ref width = magnitudes.arrow_width();
    Ref title = phasors;
    if (!before.is(Py_None)) {
        plot_set(before.get(), true, width.get());
        title = concat({format(before.get(), id<"">()).get(), id<"\n">(), format(phasors.get(), id<"">()).get()});
    }
    if (truthy(state.global(id<"PY2">()).get())) {
        title = call_kw(state.global(id<"str">()).get(), {title.get(), id<"utf-8">()}, kwnames<"encoding">());
    }
    plot_set(phasors.get(), false, width.get());
    call(pyplot(id<"grid">()).get());
    call_kw(pyplot(id<"title">()).get(), {title.get(), integer(7).get()}, kwnames<"fontsize">());
    call_method(call(pyplot(id<"gca">()).get()).get(), id<"set_aspect">(), id<"equal">());
    if (truthy(plot)) call(pyplot(id<"show">()).get());
    if (output != Py_None) call(pyplot(id<"savefig">()).get(), output);
    call(pyplot(id<"clf">()).get());
    return none();
}

const FunctionDef plot_phasors_def{"plot_phasors", "phasors, phasors_before, type, output, plot", plot_phasors,
                                   R"(Phasor diagram: each phasor as an arrow from the origin.

Parameters
----------
phasors : iterable of phasors
    Each has ``mag``, ``angle`` (degrees) and ``alias`` (its label), such as
    a ``Phasors3ph`` set. Its text becomes the title.
phasors_before : iterable of phasors, optional
    An earlier set, drawn as dashed outlines under ``phasors``; the title
    then shows it above ``phasors``.
type : {"abc", "pos_seq", "neg_seq", "zero_seq"}
    A sequence name draws that attribute of each set instead.
output : buffer or path, optional
    Where to save the figure (``plt.savefig``).
plot : bool
    Show the figure with ``plt.show()``.

Returns
-------
None

Notes
-----
The arrow width is 7/277 of the integer part of the largest magnitude;
per-unit sets (every magnitude below 1) use their largest magnitude.
)"};

}  // namespace

void register_phasor_plot(PyObject* module) {
    Ref defaults = check(PyTuple_Pack(4, Py_None, id<"abc">(), Py_None, Py_False));
    add_function(module, plot_phasors_def, {.defaults = defaults.get()});
}

}  // namespace vexal::plotting
