// Shared declarations of the transformations module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

#include <complex>

namespace vexal::transformations {

using cplx = std::complex<double>;

// Process-wide module state, kept for the life of the process.
struct State : ModuleScope {
    PyObject* np_empty = nullptr;
    PyObject* np_asarray = nullptr;
    PyObject* np_atleast_1d = nullptr;
    PyObject* float64 = nullptr;      // numpy.float64
    PyObject* float64_one = nullptr;  // numpy.float64(1.0)
    PyObject* has_alias = nullptr;
    // The composites fuse their two steps while the module's globals name
    // its own frame functions.
    FastPath fused_abc_to_dq0;
    FastPath fused_dq0_to_abc;
    FastPath symmetrical;     // np and recursive_map the module's own, for the direct sums
    FastPath own_a;           // the constant a as made here
    FastPath sequence_sets;   // the direct sums' and own_a's
    FastPath phasor_product;  // Phasor * array declines as defined (once the phasors are found)
    PyTypeObject* ndarray = nullptr;
    PyObject* numpy = nullptr;
    PyObject* phasors = nullptr;  // vexal.types.phasors, a late import: it imports this module
    PyObject* phasor = nullptr;   // its Phasor, found once that module is imported
    PyObject* sequence_factors[3] = {};  // [1, 1, 1], [1, 1/a, 1/a**2], [1, 1/a**2, 1/a] for that a
    cplx sequence_values[3][3];
    PyObject* float64_dtype = nullptr;  // numpy's own float64 descriptor
    // A frame's column i reads as column i of its .values while `pd` is
    // pandas and the frame and column reads are pandas' own.
    FastPath frame_values;
};
extern State state;

// The column data of a frame's three columns, or of theta, as the kernels
// read it; holds whatever it reads from.
class ColumnSource {
public:
    // values: a column's .values (or theta.values). float64 data is read in
    // place; other data is converted as numpy's arithmetic would.
    explicit ColumnSource(PyObject* values);
    // Column `i` of a two-dimensional float64 array (a frame's .values).
    ColumnSource(PyObject* block, Py_ssize_t i);
    Py_ssize_t size() const { return size_; }
    const char* data() const { return data_; }
    Py_ssize_t stride() const { return stride_; }

private:
    Ref converted_;
    BufferHold hold_;
    const char* data_ = nullptr;
    Py_ssize_t stride_ = 0;
    Py_ssize_t size_ = 0;
};

// signals.iloc[:, i].values
Ref column_values(PyObject* signals, Py_ssize_t i);

// signals.values when every column of the frame holds float64 numpy data,
// so that its columns are those of signals.iloc[:, i].values; otherwise
// nothing.
Ref float64_values(PyObject* signals);

// A new 3 x n float64 numpy array, and the frame that wraps it without a
// copy: pd.DataFrame(block.T, index=index, columns=[names], copy=False).
// Nothing else keeps the block, so the frame owns its data alone.
Ref new_block(Py_ssize_t n);
Ref wrap_block(PyObject* block, PyObject* index, const char* const names[3]);

void register_signal_columns(PyObject* module);
void register_constants(PyObject* module);
void register_frames(PyObject* module);
void register_symmetrical(PyObject* module);

}  // namespace vexal::transformations
