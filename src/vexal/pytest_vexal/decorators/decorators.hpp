// Shared declarations of the decorators module's sources.
//
// The wrappers are C++ functions and so have no interpreter frame: pytest,
// which hides frames whose locals hold a true __tracebackhide__, never shows
// them in a failure traceback in the first place.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::decorators {

// Names are read from the module's dict at call time.
struct State : ModuleScope {
    PyObject* function_wrapper = nullptr;  // the proxy class given to wrapt.decorator
    PyObject* image_name_key = nullptr;    // sorts capture_decorator's images by their lower-case name
    ternaryfunc wrapt_call = nullptr;      // wrapt's FunctionWrapper call, for what the quicker one leaves
    FastPath builtin_members;  // inspect.getmembers(builtins) listed here
};
extern State state;

// A subclass of wrapt.FunctionWrapper that calls plain functions quicker.
Ref make_function_wrapper_type(PyObject* module);

// Binds `wrapper` (a function taking func, instance, args, kwargs) as
// wrapt.decorator(wrapper, proxy=<the
// module's FunctionWrapper>) under its name.
void add_wrapt_decorator(PyObject* module, const FunctionDef& wrapper);

void register_decorate_module(PyObject* module);
void register_attach(PyObject* module);
void register_steps(PyObject* module);

}  // namespace vexal::decorators
