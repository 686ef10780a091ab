// Function objects that behave like Python functions.
//
// A C++ implementation is exported as an object that carries __code__ (real
// argument names, counts and flags), __defaults__, __kwdefaults__, __dict__,
// __module__, __qualname__ and __doc__, binds as a method, and rejects bad
// calls with the interpreter's own TypeError texts. inspect.signature, pluggy
// and pytest read it like a function written in Python.
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

struct FunctionObject;

// `args` holds one borrowed value per parameter, in the order of the
// parameter list: positional, keyword-only, then the *args tuple and the
// **kwargs dict when the function declares them.
using Impl = Ref (*)(FunctionObject* self, PyObject* const* args);

struct FunctionDef {
    const char* name;
    // Parameters written as in a def statement, without defaults:
    // "val, tol, tol_p", "t, /", "self, *args, **kwargs", "a, *, b".
    const char* params;
    Impl impl;
    const char* doc = nullptr;
    // Declares a generator function: the implementation returns the
    // generator-like object (see generator.hpp).
    bool generator = false;
};

struct FunctionParts {
    PyObject* module = nullptr;      // the defining module: __module__, __globals__, co_filename
    PyObject* qualname = nullptr;    // defaults to the name
    PyObject* defaults = nullptr;    // tuple for the last positional parameters
    PyObject* kwdefaults = nullptr;  // dict for keyword-only parameters
    PyObject* closure = nullptr;     // tuple of captured values, see captured()
};

Ref make_function(const FunctionDef& def, const FunctionParts& parts);

bool is_function(PyObject* obj);

// Item i of the tuple given as FunctionParts::closure (borrowed).
PyObject* captured(FunctionObject* self, Py_ssize_t i);

// The code object of a function (borrowed), used by generators for gi_code.
PyObject* code_of(FunctionObject* self);
PyObject* qualname_of(FunctionObject* self);

}  // namespace vexal_rt
