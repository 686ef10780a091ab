// Owning references and the error convention of the runtime.
//
// A C++ function that calls into Python either returns a valid result or
// throws PyError with the Python exception set; the function objects of
// function.hpp turn that back into a NULL return at the boundary.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace vexal_rt {

struct PyError {};

[[noreturn]] inline void raise() { throw PyError{}; }

// Python errors are set only with the GIL held; C++ code that released it
// must take it back before reporting a failure.
inline void require_gil() {
    if (!PyGILState_Check()) Py_FatalError("a Python error was raised without holding the GIL");
}

// A null message raises the bare exception, as `raise AssertionError` does.
[[noreturn]] inline void raise(PyObject* type, const char* message) {
    require_gil();
    if (message) {
        PyErr_SetString(type, message);
    } else {
        PyErr_SetNone(type);
    }
    throw PyError{};
}

template <class... A>
[[noreturn]] void raise_format(PyObject* type, const char* format, A... args) {
    require_gil();
    PyErr_Format(type, format, args...);
    throw PyError{};
}

class Ref {
public:
    Ref() = default;
    static Ref steal(PyObject* p) { return Ref(p); }
    static Ref borrow(PyObject* p) {
        Py_XINCREF(p);
        return Ref(p);
    }
    Ref(const Ref& other) : p_(other.p_) { Py_XINCREF(p_); }
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() { Py_XDECREF(p_); }

    PyObject* get() const { return p_; }
    PyObject* release() { return std::exchange(p_, nullptr); }
    explicit operator bool() const { return p_ != nullptr; }
    bool is(PyObject* other) const { return p_ == other; }

private:
    explicit Ref(PyObject* p) : p_(p) {}
    PyObject* p_ = nullptr;
};

// Takes a new reference returned by the C API; throws if it is NULL.
inline Ref check(PyObject* result) {
    if (!result) raise();
    return Ref::steal(result);
}

// For C API calls that return -1 on error.
inline int check_status(int status) {
    if (status < 0) raise();
    return status;
}

inline Ref none() { return Ref::borrow(Py_None); }
inline Ref boolean(bool value) { return Ref::borrow(value ? Py_True : Py_False); }

}  // namespace vexal_rt
