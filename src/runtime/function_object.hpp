// Layout of the function object, shared by the runtime's own sources.
#pragma once
#include "vexal_rt/function.hpp"

namespace vexal_rt {

constexpr int max_parameters = 16;

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    Impl impl;
    int argcount;  // positional parameters, positional-only included
    int posonly;
    int kwonly;
    bool varargs;
    bool varkw;
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
// interpreter binds them for a Python function. Owns the *args tuple and
// the **kwargs dict it creates.
class BoundArguments {
public:
    // Returns false with a TypeError set when the call does not fit.
    bool bind(FunctionObject* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
    PyObject* const* values() const { return values_; }

private:
    PyObject* values_[max_parameters] = {};
    Ref varargs_;
    Ref varkw_;
    Ref defaults_;
    Ref kwdefaults_;
};

}  // namespace vexal_rt
