// capture_plot: one figure per captured signal, with time tick labels;
// td_labels: numeric time ticks (nanoseconds) as Timedelta texts.
#include "plotting.hpp"

namespace vexal::plotting {
namespace {

Ref text_of(PyObject* value) {
    Ref str_type = state.global(id<"str">());
    if (str_type.is(reinterpret_cast<PyObject*>(&PyUnicode_Type))) return str(value);
    return call(str_type.get(), value);
}

Ref td_labels(FunctionObject*, PyObject* const* args) {
    Ref td = state.global(id<"td">());
    Ref labels = check(PyList_New(0));
    Ref ticks = check(PyObject_GetIter(args[0]));
    while (Ref tick = next_item(ticks.get())) {
        Ref span = call_kw(td.get(), {tick.get(), id<"ns">()}, kwnames<"unit">());
        check_status(PyList_Append(labels.get(), text_of(span.get()).get()));
    }
    return labels;
}

// The signal name as it goes into a file name: path separators would put
// the file outside `dir` (or into a sub-directory that does not exist).
Ref file_name_part(PyObject* os, PyObject* name) {
    Ref part = format(name, id<"">());
    for (PyObject* separator_name : {id<"sep">(), id<"altsep">()}) {
        Ref separator = getattr(os, separator_name);
        if (separator.is(Py_None)) continue;
        part = check(PyUnicode_Replace(part.get(), separator.get(), id<"_">(), -1));
    }
    return part;
}

Ref file_output(PyObject* name, PyObject* dir) {
    if (dir == Py_None) raise(PyExc_Exception, "Capture plot to file but no directory was provided.");
    Ref os = state.global(id<"os">());
    Ref os_path = getattr(os.get(), id<"path">());
    if (!truthy(call_method(os_path.get(), id<"exists">(), dir).get())) {
        call_method(state.global(id<"warnings">()).get(), id<"warn">(),
                    id<"Capture plot to file but directory does not exist. Creating it.">());
        call_method(os.get(), id<"makedirs">(), dir);
    }
    Ref now = call_method(state.global(id<"time">()).get(), id<"time">());
    Ref milliseconds = check(PyNumber_Long(check(PyNumber_Multiply(now.get(), integer(1000).get())).get()));
    Ref file_name = concat({format(milliseconds.get(), id<"">()).get(), id<"_">(), file_name_part(os.get(), name).get(),
                            id<".png">()});
    return call_method(os_path.get(), id<"join">(), dir, file_name.get());
}

// The output of one signal: a named buffer, a file path, or none (shown).
Ref choose_output(PyObject* name, PyObject* dest, PyObject* dir) {
    if (equals(dest, id<"memory">())) {
        Ref buffer = call_method(state.global(id<"io">()).get(), id<"BytesIO">());
        setattr(buffer.get(), id<"name">(), name);
        return buffer;
    }
    if (equals(dest, id<"file">())) return file_output(name, dir);
    return Ref();
}

void draw_signal(PyObject* capture, PyObject* name) {
    Ref times = getattr(getattr(check(PyObject_GetItem(capture, name)).get(), id<"index">()).get(), id<"values">());
    Ref samples = check(PyObject_GetItem(capture, name));
    call_kw(pyplot(id<"plot">()).get(), {times.get(), samples.get(), name}, kwnames<"label">());
    call_kw(pyplot(id<"title">()).get(), {name, integer(7).get()}, kwnames<"fontsize">());
    call(pyplot(id<"grid">()).get());
    call_kw(pyplot(id<"margins">()).get(), {state.margin, state.margin}, kwnames<"x", "y">());
    call(pyplot(id<"tight_layout">()).get());
    Ref axes = call(pyplot(id<"gca">()).get());
    Ref ticks = call_method(call_method(axes.get(), id<"get_xticks">()).get(), id<"tolist">());
    Ref labels = call(state.global(id<"td_labels">()).get(), ticks.get());
    // Labels belong to fixed tick positions; a FixedLocator keeps them where
    // they are without widening the view to ticks outside it (set_xticks would).
    Ref locator = call(import_attr("matplotlib.ticker", id<"FixedLocator">()).get(), ticks.get());
    call_method(getattr(axes.get(), id<"xaxis">()).get(), id<"set_major_locator">(), locator.get());
    call_method(axes.get(), id<"set_xticklabels">(), labels.get());
    Ref tick_labels = check(PyObject_GetIter(call_method(axes.get(), id<"get_xticklabels">()).get()));
    Ref angle = integer(45);
    while (Ref label = next_item(tick_labels.get())) call_method(label.get(), id<"set_rotation">(), angle.get());
}

Ref capture_plot(FunctionObject*, PyObject* const* args) {
    PyObject *capture = args[0], *dest = args[1], *dir = args[2];
    Ref outputs = check(PyList_New(0));
    Ref names = check(PyObject_GetIter(capture));
    while (Ref name = next_item(names.get())) {
        Ref output = choose_output(name.get(), dest, dir);
        draw_signal(capture, name.get());
        if (output) {
            call_kw(pyplot(id<"savefig">()).get(), {output.get(), id<"tight">()}, kwnames<"bbox_inches">());
            check_status(PyList_Append(outputs.get(), output.get()));
        } else {
            call(pyplot(id<"show">()).get());
        }
        call(pyplot(id<"clf">()).get());
    }
    return outputs;
}

const FunctionDef capture_plot_def{"capture_plot", "capture, dest, dir", capture_plot,
                                   R"(Plot every signal of a capture, one figure each.

Parameters
----------
capture : pandas.DataFrame or mapping
    Iterates over signal names; ``capture[name]`` is a Series whose index
    values are the times (normally a timedelta index, nanoseconds).
dest : {"memory", "file"} or None
    "memory": render each figure as PNG into an ``io.BytesIO`` named after
    its signal. "file": save it as ``<milliseconds since epoch>_<name>.png``
    in ``dir`` (path separators in the name become "_", so every file stays
    in ``dir``). Anything else: show it with ``plt.show()``.
dir : str, optional
    Directory of the files; created, with a warning, when missing.

Returns
-------
list
    The buffers or file paths in signal order; empty when shown.

Raises
------
Exception
    For ``dest="file"`` without ``dir``.
)"};

const FunctionDef td_labels_def{"td_labels", "x", td_labels,
                                R"(Time texts of numeric tick positions.

Parameters
----------
x : iterable of numbers
    Tick positions in nanoseconds.

Returns
-------
list of str
    ``str(Timedelta(t, unit="ns"))`` for each position, in order.

Examples
--------
>>> td_labels([0.0, 1e9, 2.5e9])
['0s', '1s', '2s 500ms']
)"};

}  // namespace

void register_capture_plot(PyObject* module) {
    Ref defaults = check(PyTuple_Pack(2, Py_None, Py_None));
    add_function(module, capture_plot_def, {.defaults = defaults.get()});
}

void register_td_labels(PyObject* module) {
    add_function(module, td_labels_def);
}

}  // namespace vexal::plotting
