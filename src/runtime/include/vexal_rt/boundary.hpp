// Where C++ meets the interpreter: every C-level entry point (a function's
// vectorcall, a tp_* slot, a generator method, a module's exec) runs its body
// through `guarded`, so that nothing thrown ever reaches the interpreter:
//
//     PyError             the Python error already set is returned as is
//     std::bad_alloc      MemoryError
//     std::exception      SystemError with its text
//     anything else       SystemError
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

// Sets the Python error for the C++ exception being handled; call it only
// from a catch block.
void set_error_from_exception() noexcept;

template <class T, class Body>
T guarded(T failed, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        set_error_from_exception();
        return failed;
    }
}

// The interpreter's error indicator, taken out for the lifetime of this
// object and put back when it ends (unless the caller took the exception
// with take()). Code that must run while an exception is in flight, such as
// a cleanup or an __exit__ call, runs in between with the indicator clear.
class SavedError {
public:
    SavedError() noexcept;
    ~SavedError();
    SavedError(const SavedError&) = delete;
    SavedError& operator=(const SavedError&) = delete;

    // The exception instance (normalised), or NULL when none was set.
    PyObject* value() const { return value_.get(); }
    // Gives up the saved exception: it is not put back.
    Ref take() { return std::move(value_); }

private:
    Ref value_;
};

// Marks `exc` as the exception being handled for the lifetime of this
// object, as an except clause or the with statement's call of __exit__ does:
// sys.exception() sees it, and an exception raised meanwhile gets it as its
// __context__. The exception handled before is put back when it ends.
class Handling {
public:
    explicit Handling(PyObject* exc) noexcept : previous_(Ref::steal(PyErr_GetHandledException())) {
        PyErr_SetHandledException(exc);
    }
    ~Handling() { PyErr_SetHandledException(previous_.get()); }
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;

private:
    Ref previous_;
};

// The current exception taken out of the error indicator (normalised, its
// traceback attached), or an empty Ref when none is set.
Ref fetch_error() noexcept;
// Sets `exc` (an exception instance, or empty for none) as the current error.
void restore_error(Ref exc) noexcept;

// Raises the exception instance `exc` again, with its own traceback.
[[noreturn]] inline void rethrow(PyObject* exc) {
    restore_error(Ref::borrow(exc));
    raise();
}

}  // namespace vexal_rt
