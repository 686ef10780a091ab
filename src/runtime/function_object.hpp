// Layout of the function object, shared by the runtime's own sources.
#pragma once
#include "vexal_rt/function.hpp"

#include <memory>

namespace vexal_rt {

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    Impl impl;                 // bound functions
    PassThroughImpl forward;   // pass-through functions
    int argcount;  // positional parameters, positional-only included
    int posonly;
    int kwonly;
    bool varargs;
    bool varkw;
    bool has_state;  // made with a Closure, which the collector may have dropped
    Closure* state;
    PyObject* names;  // tuple: co_varnames
    PyObject* code;
    PyObject* name;
    PyObject* qualname;
    PyObject* module;
    PyObject* doc;
    PyObject* defaults;
    PyObject* kwdefaults;
    PyObject* annotations;
    PyObject* dict;
    PyObject* globals;
    PyObject* closure;
    PyObject* weakrefs;

    int parameter_count() const { return argcount + kwonly + varargs + varkw; }
};

// Binds a vectorcall's arguments to the parameters of `fn` as the
// interpreter binds them for a Python function. Owns the *args tuple, the
// **kwargs dict and the defaults it fills in, so that nothing the function
// body does to __defaults__ or __kwdefaults__ frees a value it was given.
class BoundArguments {
public:
    // Returns false with a TypeError set when the call does not fit.
    bool bind(FunctionObject* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
    PyObject* const* values() const { return values_; }

private:
    static constexpr int inline_capacity = 16;
    PyObject* inline_[inline_capacity];
    std::unique_ptr<PyObject*[]> heap_;
    PyObject** values_ = inline_;
    Ref varargs_;
    Ref varkw_;
    Ref defaults_;
    std::unique_ptr<Ref[]> kwdefaults_;
};

}  // namespace vexal_rt
