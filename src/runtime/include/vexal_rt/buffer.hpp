// Typed element access to one-dimensional buffers of any stride (numpy
// arrays, memoryviews, array.array), through the buffer protocol.
//
//     if (auto column = Strided<double>::view(obj)) {   // float64, read-only
//         for (Py_ssize_t i = 0; i < column->size(); ++i) total += (*column)[i];
//     }
//
// The view holds the exporter's buffer (and so the object) until it is
// destroyed; its elements may be read with the GIL released.
#pragma once
#include "vexal_rt/ref.hpp"

#include <complex>
#include <cstdint>
#include <optional>

namespace vexal_rt {

// The buffer format codes of an element type, with the native byte order.
template <class T>
struct BufferFormat;
template <>
struct BufferFormat<double> {
    static constexpr const char* codes = "d";
};
template <>
struct BufferFormat<std::int64_t> {
    static constexpr const char* codes = "ql";  // int64 is 'l' on LP64 platforms
};
template <>
struct BufferFormat<std::complex<double>> {
    static constexpr const char* codes = "Zd";  // one two-character code
};

// Owns a Py_buffer; releases it on destruction.
class BufferHold {
public:
    BufferHold() = default;
    BufferHold(const BufferHold&) = delete;
    BufferHold& operator=(const BufferHold&) = delete;
    BufferHold(BufferHold&& other) noexcept : view_(other.view_), held_(other.held_) { other.held_ = false; }
    ~BufferHold() { reset(); }
    void reset() {
        if (held_) PyBuffer_Release(&view_);
        held_ = false;
    }

    // Asks `obj` for its buffer with `flags`; false (no error set) when the
    // object exports none or not in that form; throws on other errors.
    bool acquire(PyObject* obj, int flags);
    const Py_buffer& view() const { return view_; }

private:
    Py_buffer view_{};
    bool held_ = false;
};

// Whether the buffer's format names the element type `codes` (native order).
bool format_matches(const char* format, const char* codes);

template <class T>
class Strided {
public:
    // A view of a one-dimensional buffer of T, or nothing (no error set) when
    // `obj` exports no such buffer; `writable` also requires a writable one.
    static std::optional<Strided> view(PyObject* obj, bool writable = false) {
        Strided result;
        int flags = PyBUF_STRIDES | PyBUF_FORMAT | (writable ? PyBUF_WRITABLE : 0);
        if (!result.hold_.acquire(obj, flags)) return std::nullopt;
        const Py_buffer& b = result.hold_.view();
        if (b.ndim != 1 || b.itemsize != static_cast<Py_ssize_t>(sizeof(T)) ||
            !format_matches(b.format, BufferFormat<T>::codes)) {
            return std::nullopt;
        }
        result.data_ = static_cast<char*>(b.buf);
        result.stride_ = b.strides[0];
        result.size_ = b.shape[0];
        return result;
    }

    Py_ssize_t size() const { return size_; }
    Py_ssize_t stride() const { return stride_; }
    T operator[](Py_ssize_t i) const { return *reinterpret_cast<const T*>(data_ + i * stride_); }
    T& at(Py_ssize_t i) { return *reinterpret_cast<T*>(data_ + i * stride_); }

private:
    Strided() = default;
    BufferHold hold_;
    char* data_ = nullptr;
    Py_ssize_t stride_ = 0;
    Py_ssize_t size_ = 0;
};

// A writable C-contiguous buffer of doubles of any shape (a freshly made
// numpy array, say), seen as one flat run of elements.
class ContiguousDoubles {
public:
    static ContiguousDoubles view(PyObject* obj);  // throws BufferError/TypeError
    double* data() const { return data_; }
    Py_ssize_t size() const { return size_; }

private:
    BufferHold hold_;
    double* data_ = nullptr;
    Py_ssize_t size_ = 0;
};

}  // namespace vexal_rt
