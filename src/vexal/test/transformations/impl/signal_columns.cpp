// Reading signal columns where they lie, and wrapping results as frames.
#include "impl.hpp"
#include "vexal_rt/kwnames.hpp"

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
    if (PyUnicode_Check(kind.get()) && PyUnicode_CompareWithASCIIString(kind.get(), "c") == 0) {
        // numpy's own refusal of the cast
        Ref astype = getattr(array.get(), id<"astype">());
        PyObject* keywords = kwnames<"casting">();
        call_kw(astype.get(), {state.float64, text("same_kind").get()}, keywords);
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

Ref column_values(PyObject* signals, Py_ssize_t i) {
    Ref iloc = getattr(signals, id<"iloc">());
    Ref everything = check(PySlice_New(nullptr, nullptr, nullptr));
    Ref key = check(Py_BuildValue("(On)", everything.get(), i));
    Ref column = check(PyObject_GetItem(iloc.get(), key.get()));
    return getattr(column.get(), id<"values">());
}

Ref new_block(Py_ssize_t n) {
    Ref shape = check(Py_BuildValue("(nn)", Py_ssize_t{3}, n));
    return call(state.np_empty, shape.get());
}

Ref wrap_block(PyObject* block, PyObject* index, const char* const names[3]) {
    Ref columns = check(Py_BuildValue("[sss]", names[0], names[1], names[2]));
    Ref frame_type = getattr(state.global(id<"pd">()).get(), id<"DataFrame">());
    PyObject* keywords = kwnames<"index", "columns", "copy">();
    return call_kw(frame_type.get(), {getattr(block, id<"T">()).get(), index, columns.get(), Py_False},
                   keywords);
}

}  // namespace vexal::transformations
