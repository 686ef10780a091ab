// The proxy the decorators wrap functions in: wrapt's FunctionWrapper, with
// a quicker call for the usual case. For an unbound, enabled wrapper of a
// plain function, wrapt's own call asks the function for __self__ on every
// call, raising and clearing an AttributeError that costs more than the rest
// of the call; here the same question is asked without raising. Every other
// call goes to wrapt's own.
#include "decorators.hpp"

namespace vexal::decorators {
namespace {

// The wrapper's own fields, read through their descriptors as wrapt's call
// reads them (its attribute hook, which forwards to the wrapped object, is
// not needed for these).
Ref field(PyObject* self, PyObject* name) { return check(PyObject_GenericGetAttr(self, name)); }

Ref call_function_wrapper(PyObject* self, PyObject* args, PyObject* kwds) {
    Ref enabled = field(self, id<"_self_enabled">());
    Ref instance = field(self, id<"_self_instance">());
    Ref binding = field(self, id<"_self_binding">());
    if (!enabled.is(Py_None) || !instance.is(Py_None) || !is_text(binding.get(), "function")) {
        return check(state.wrapt_call(self, args, kwds));
    }
    Ref wrapped = field(self, id<"__wrapped__">());
    Ref bound_instance = lookup_attr(wrapped.get(), id<"__self__">());
    Ref wrapper = field(self, id<"_self_wrapper">());
    Ref keywords = kwds ? Ref::borrow(kwds) : check(PyDict_New());
    return call(wrapper.get(), wrapped.get(), bound_instance ? bound_instance.get() : Py_None, args, keywords.get());
}

PyObject* function_wrapper_call(PyObject* self, PyObject* args, PyObject* kwds) {
    return guarded<PyObject*>(nullptr, [&] { return call_function_wrapper(self, args, kwds).release(); });
}

}  // namespace

Ref make_function_wrapper_type(PyObject* module) {
    Ref base = getattr(state.global(id<"wrapt">()).get(), id<"FunctionWrapper">());
    Ref cls = ClassBuilder(module, "FunctionWrapper")
                  .base(base.get())
                  .doc("wrapt.FunctionWrapper of the report decorators.")
                  .build();
    auto* type = reinterpret_cast<PyTypeObject*>(cls.get());
    state.wrapt_call = reinterpret_cast<PyTypeObject*>(base.get())->tp_call;
    if (state.wrapt_call && type->tp_call == state.wrapt_call) type->tp_call = function_wrapper_call;
    return cls;
}

}  // namespace vexal::decorators
