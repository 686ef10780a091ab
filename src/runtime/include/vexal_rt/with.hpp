// The with statement, as the interpreter runs it: __enter__ and __exit__ are
// looked up on the type, __exit__ gets the exception raised in the body as
// (type, value, traceback) or three Nones, and a true result suppresses it.
#pragma once
#include "vexal_rt/boundary.hpp"

namespace vexal_rt {

class ContextManager {
public:
    // Looks up __enter__ and __exit__ and calls __enter__.
    explicit ContextManager(PyObject* manager);
    PyObject* entered() const { return entered_.get(); }
    PyObject* exit_method() const { return exit_.get(); }

private:
    Ref exit_;
    Ref entered_;
};

// Calls a bound __exit__ for `exc` (an exception instance, or NULL when the
// body finished normally); true when it suppresses the exception. While
// __exit__ runs, exc is the exception being handled, so an error raised by
// __exit__ itself propagates chained to it, as the interpreter chains it.
bool call_exit(PyObject* exit, PyObject* exc);

// Leaves the block through the Python error currently set: returns true,
// with the error cleared, when __exit__ suppresses it; otherwise false with
// that error (or the one __exit__ raised) set.
bool exit_with_error(PyObject* exit) noexcept;

// Leaves a with block whose body ended with `exc` (NULL when it finished
// normally), for bodies that span two calls such as a hook wrapper's yield:
// exc is raised again unless __exit__ suppresses it.
inline void exit_block(PyObject* exit, PyObject* exc) {
    if (!call_exit(exit, exc) && exc) rethrow(exc);
}

// with manager as entered: return body(entered)
// The body returns a new reference; a suppressed exception gives None.
template <class Body>
Ref with(PyObject* manager, Body&& body) {
    ContextManager block(manager);
    Ref result;
    try {
        result = body(block.entered());
    } catch (...) {
        set_error_from_exception();
    }
    if (!result) {
        if (exit_with_error(block.exit_method())) return none();
        raise();
    }
    call_exit(block.exit_method(), nullptr);
    return result;
}

}  // namespace vexal_rt
