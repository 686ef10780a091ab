// Shared declarations of the decorators module's sources.
//
// The wrappers are C++ functions and so have no interpreter frame: pytest,
// which hides frames whose locals hold a true __tracebackhide__, never shows
// them in a failure traceback in the first place.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::decorators {

using namespace vexal_rt;

struct State {
    PyObject* module = nullptr;
    PyObject* globals = nullptr;  // the module's dict: names are read from it at call time
};
extern State state;

template <Literal... Names>
PyObject* keywords() {
    static PyObject* names = check(PyTuple_Pack(sizeof...(Names), id<Names>()...)).release();
    return names;
}

inline Ref module_global(PyObject* name) { return global(state.globals, name); }

inline Ref next(PyObject* iterator) {
    Ref item = Ref::steal(PyIter_Next(iterator));
    if (!item && PyErr_Occurred()) raise();
    return item;
}

// Binds `wrapper` (a function taking func, instance, args, kwargs) as
// wrapt.decorator(wrapper) under its name.
void add_wrapt_decorator(PyObject* module, const FunctionDef& wrapper);

void register_decorate_module(PyObject* module);
void register_attach(PyObject* module);
void register_steps(PyObject* module);

}  // namespace vexal::decorators
