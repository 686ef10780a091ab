// Reading signal columns where they lie, and wrapping results as frames.
#include "impl.hpp"

namespace vexal::transformations {
namespace {

// The array numpy's arithmetic would work on: values * 1.0 raises what the
// formulas would raise for text or other unsuitable data; the product is
// then taken as float64 (refusing complex data, which has no float value).
Ref as_float64(PyObject* values) {
    Ref product = check(PyNumber_Multiply(values, state.float64_one));
    Ref array = call(state.np_atleast_1d, product.get());
    Ref dtype = getattr(array.get(), id<"dtype">());
    Ref kind = getattr(dtype.get(), id<"kind">());
    if (is_text(kind.get(), "c")) {
        // numpy's own refusal of the cast
        Ref astype = getattr(array.get(), id<"astype">());
        call_kw(astype.get(), {state.float64, text("same_kind").get()}, kwnames<"casting">());
    }
    return call(state.np_asarray, array.get(), state.float64);
}

}  // namespace

ColumnSource::ColumnSource(PyObject* values) {
    if (!hold_.acquire(values, PyBUF_STRIDES | PyBUF_FORMAT) || hold_.view().ndim != 1 ||
        hold_.view().itemsize != sizeof(double) || !format_matches(hold_.view().format, "d")) {
        hold_.reset();
        converted_ = as_float64(values);
        if (!hold_.acquire(converted_.get(), PyBUF_STRIDES | PyBUF_FORMAT)) {
            raise(PyExc_TypeError, "signal data could not be read as float64");
        }
        if (hold_.view().ndim != 1) {
            Ref shape = getattr(converted_.get(), id<"shape">());
            raise_format(PyExc_ValueError, "Data must be 1-dimensional, got ndarray of shape %S instead",
                         shape.get());
        }
    }
    const Py_buffer& view = hold_.view();
    data_ = static_cast<const char*>(view.buf);
    stride_ = view.strides[0];
    size_ = view.shape[0];
}

ColumnSource::ColumnSource(PyObject* block, Py_ssize_t i) {
    if (!hold_.acquire(block, PyBUF_STRIDES | PyBUF_FORMAT)) {
        raise(PyExc_TypeError, "signal data could not be read as float64");
    }
    const Py_buffer& view = hold_.view();
    data_ = static_cast<const char*>(view.buf) + i * view.strides[1];
    stride_ = view.strides[0];
    size_ = view.shape[0];
}

Ref column_values(PyObject* signals, Py_ssize_t i) {
    Ref iloc = getattr(signals, id<"iloc">());
    Ref everything = check(PySlice_New(nullptr, nullptr, nullptr));
    Ref key = check(Py_BuildValue("(On)", everything.get(), i));
    Ref column = check(PyObject_GetItem(iloc.get(), key.get()));
    return getattr(column.get(), id<"values">());
}

// One read of the frame's data instead of one Series per column. Only numpy's
// own float64 descriptor qualifies: a frame whose values merely come out as
// float64 may hold other numbers, categories or extension arrays, whose
// columns convert (or refuse) in their own ways. A frame whose columns lie
// in separate blocks gives its values as a copy: only small frames are read
// this way, where that copy costs less than the Series it saves.
constexpr Py_ssize_t values_rows_limit = 4096;

Ref float64_values(PyObject* signals) {
    if (!state.frame_values.holds()) return Ref();
    Py_ssize_t rows = PyObject_Length(getattr(signals, id<"index">()).get());
    if (rows < 0) raise();
    if (rows > values_rows_limit) return Ref();
    Ref dtypes = getattr(getattr(signals, id<"dtypes">()).get(), id<"values">());
    Py_ssize_t count = PyObject_Length(dtypes.get());
    if (count < 0) raise();
    for (Py_ssize_t i = 0; i < count; ++i) {
        if (Ref(check(PySequence_GetItem(dtypes.get(), i))).get() != state.float64_dtype) return Ref();
    }
    Ref values = getattr(signals, id<"values">());
    BufferHold hold;
    if (!hold.acquire(values.get(), PyBUF_STRIDES | PyBUF_FORMAT)) return Ref();
    const Py_buffer& view = hold.view();
    if (view.ndim != 2 || view.shape[1] != count || view.itemsize != sizeof(double) ||
        !format_matches(view.format, "d")) {
        return Ref();
    }
    return values;
}

Ref new_block(Py_ssize_t n) {
    Ref shape = check(Py_BuildValue("(nn)", Py_ssize_t{3}, n));
    return call(state.np_empty, shape.get());
}

Ref wrap_block(PyObject* block, PyObject* index, const char* const names[3]) {
    Ref columns = check(Py_BuildValue("[sss]", names[0], names[1], names[2]));
    Ref frame_type = getattr(state.global(id<"pd">()).get(), id<"DataFrame">());
    return call_kw(frame_type.get(), {getattr(block, id<"T">()).get(), index, columns.get(), Py_False},
                   kwnames<"index", "columns", "copy">());
}

void register_signal_columns(PyObject*) {
    Ref numpy = state.global(id<"np">());
    state.float64_dtype = call(getattr(numpy.get(), id<"dtype">()).get(), state.float64).release();
    Ref pandas = state.global(id<"pd">());
    Ref frame_type = getattr(pandas.get(), id<"DataFrame">());
    Ref series_type = getattr(pandas.get(), id<"Series">());
    Ref indexer = getattr(call(frame_type.get()).get(), id<"iloc">());
    state.frame_values.global(state.globals, "pd", pandas)
        .global(PyModule_GetDict(pandas.get()), "DataFrame", frame_type)
        .attributes(frame_type.get(), {"iloc", "index", "dtypes", "values"})
        .attributes(series_type.get(), {"values"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(indexer.get())), {"__getitem__"});
}

}  // namespace vexal::transformations
