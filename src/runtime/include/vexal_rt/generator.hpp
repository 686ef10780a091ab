// Generator-like objects for C++ generator functions that yield exactly once,
// such as pytest's old-style hook wrappers:
//
//     before(state)        runs on the first next() and gives the yielded value;
//     after(state, exc)    runs when the generator is resumed: exc is NULL after
//                          send()/next(), or the exception thrown in with
//                          throw()/close(); returning true suppresses it.
//
// The object has __next__, send, throw, close, gi_code and gi_running and is
// closed by its finaliser when dropped while suspended, like a generator.
#pragma once
#include "vexal_rt/function.hpp"

namespace vexal_rt {

struct YieldOnceSteps {
    Ref (*before)(PyObject* state);
    bool (*after)(PyObject* state, PyObject* exc);
};

// `function` is the generator function that makes the object (for gi_code
// and the name); `state` is kept alive and visible to the garbage collector;
// `steps` must live as long as the process (a static table).
Ref make_yield_once(FunctionObject* function, PyObject* state, const YieldOnceSteps& steps);

}  // namespace vexal_rt
