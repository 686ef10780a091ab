// Functions made at run time: a pass-through function with typed state, and
// a wrapper function of the shape a decorator built on wrapt uses.
#include "selftest.hpp"

namespace vexal::selftest {
namespace {

struct Forwarding final : Closure {
    Forwarding(PyObject* target, PyObject* first) : target(Ref::borrow(target)), first(Ref::borrow(first)) {}
    void references(RefVisitor& visit) override {
        visit(target);
        visit(first);
    }
    Ref target;
    Ref first;  // None: forward the arguments alone
};

// target(*args, **kwargs), or target(first, *args, **kwargs)
Ref forward(FunctionObject* self, const CallArgs& call) {
    Forwarding& state = closure<Forwarding>(self);
    if (state.first.is(Py_None)) return call.forward(state.target.get());
    return call.forward(state.target.get(), state.first.get());
}

const PassThroughDef forward_def{"forward", forward, "Calls the target with the arguments it is given."};

Ref forward_to(FunctionObject*, PyObject* const* args) {
    return make_function(forward_def, {.module = scope.module}, std::make_unique<Forwarding>(args[0], args[1]));
}

// (args, kwargs) as the pass-through function received them.
Ref received(FunctionObject*, const CallArgs& call) { return check(PyTuple_Pack(2, call.tuple().get(), call.dict().get())); }

struct Log final : Closure {
    explicit Log(PyObject* events) : events(Ref::borrow(events)) {}
    void references(RefVisitor& visit) override { visit(events); }
    Ref events;
};

// wrapper(wrapped, instance, args, kwargs): logs instance, then calls
// wrapped(*args, **kwargs).
Ref logging_wrapper(FunctionObject* self, PyObject* const* args) {
    PyObject *wrapped = args[0], *instance = args[1];
    call_method(closure<Log>(self).events.get(), id<"append">(), instance);
    return call_with(wrapped, args[2], args[3]);
}

const FunctionDef logging_wrapper_def{"logging_wrapper", "wrapped, instance, args, kwargs", logging_wrapper,
                                      "Logs the instance into events, then calls wrapped."};

Ref make_logging_wrapper(FunctionObject*, PyObject* const* args) {
    return make_function(logging_wrapper_def, {.module = scope.module}, std::make_unique<Log>(args[0]));
}

Ref is_runtime_function(FunctionObject*, PyObject* const* args) { return boolean(is_function(args[0])); }

}  // namespace

void register_pass_through(PyObject* module) {
    Ref no_first = check(Py_BuildValue("(O)", Py_None));
    add_function(module, {"forward_to", "target, first", forward_to,
                          "A pass-through function calling target(*args, **kwargs), or with first prepended."},
                 {.defaults = no_first.get()});
    add_function(module, PassThroughDef{"received", received, nullptr});
    add_function(module, {"make_logging_wrapper", "events", make_logging_wrapper,
                          "A wrapt wrapper function that appends each call's instance to events."});
    add_function(module, {"is_runtime_function", "obj", is_runtime_function,
                          "Whether obj is a function object of any vexal module."});
}

}  // namespace vexal::selftest
