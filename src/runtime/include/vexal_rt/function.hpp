// Function objects that behave like Python functions.
//
// A C++ implementation is exported as an object that carries __code__ (real
// argument names, counts and flags), __defaults__, __kwdefaults__, __dict__,
// __module__, __qualname__ and __doc__, binds as a method, and rejects bad
// calls with the interpreter's own TypeError texts. inspect.signature, pluggy
// and pytest read it like a function written in Python.
//
// Two kinds exist. A bound function (FunctionDef) gets one value per declared
// parameter. A pass-through function (PassThroughDef) shows the signature
// (*args, **kwargs) and gets the caller's arguments untouched, so forwarding
// them to another callable builds no tuple and no dict:
//
//     Ref forward(FunctionObject* self, const CallArgs& call) {
//         return call.forward(closure<Retry>(self).wrapped.get());
//     }
//
// Either kind may carry typed C++ state (a Closure), made at run time:
//
//     make_function(forward_def, {.module = module}, std::make_unique<Retry>(wrapped));
#pragma once
#include "vexal_rt/ref.hpp"

#include <memory>

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

// The arguments of one call as the caller passed them (the vectorcall
// convention): the positional values, then one value per name of kwnames.
// Everything is borrowed from the caller for the duration of the call.
struct CallArgs {
    PyObject* const* args;
    size_t nargsf;
    PyObject* kwnames;  // tuple of str, or NULL

    Py_ssize_t positional() const { return PyVectorcall_NARGS(nargsf); }
    Py_ssize_t keywords() const { return kwnames ? PyTuple_GET_SIZE(kwnames) : 0; }

    // callable(*args, **kwargs)
    Ref forward(PyObject* callable) const;
    // callable(first, *args, **kwargs)
    Ref forward(PyObject* callable, PyObject* first) const;
    // The positional values as a new tuple, the keywords as a new dict.
    Ref tuple() const;
    Ref dict() const;
};

using PassThroughImpl = Ref (*)(FunctionObject* self, const CallArgs& call);

struct PassThroughDef {
    const char* name;
    PassThroughImpl impl;
    const char* doc = nullptr;
};

// Visits the references a Closure owns, for the garbage collector.
class RefVisitor {
public:
    virtual void operator()(Ref& ref) = 0;

protected:
    ~RefVisitor() = default;
};

// Typed C++ state carried by a function. Keep Python objects in Ref members
// and list every one of them in references(), so that cycles through the
// function are found; the collector breaks one by deleting the state, after
// which the function refuses further calls.
class Closure {
public:
    virtual ~Closure() = default;
    virtual void references(RefVisitor&) {}
};

struct FunctionParts {
    PyObject* module = nullptr;      // the defining module: __module__, __globals__, co_filename
    PyObject* qualname = nullptr;    // defaults to the name
    PyObject* defaults = nullptr;    // tuple for the last positional parameters
    PyObject* kwdefaults = nullptr;  // dict for keyword-only parameters
    PyObject* closure = nullptr;     // tuple of captured values, see captured()
};

Ref make_function(const FunctionDef& def, const FunctionParts& parts, std::unique_ptr<Closure> state = nullptr);
Ref make_function(const PassThroughDef& def, const FunctionParts& parts, std::unique_ptr<Closure> state = nullptr);

// True for the function objects of any vexal module: each module links its
// own copy of the runtime, so each has its own function type.
bool is_function(PyObject* obj);

// Item i of the tuple given as FunctionParts::closure (borrowed).
PyObject* captured(FunctionObject* self, Py_ssize_t i);

// The state given to make_function; valid while the function is called.
Closure* closure_state(FunctionObject* self);

template <class T>
T& closure(FunctionObject* self) {
    return static_cast<T&>(*closure_state(self));
}

// The code object of a function (borrowed), used by generators for gi_code.
PyObject* code_of(FunctionObject* self);
PyObject* qualname_of(FunctionObject* self);

}  // namespace vexal_rt
