// Generator-like objects for C++ generator functions that yield exactly once,
// such as pytest's hook wrappers:
//
//     before(state)             runs on the first next() and gives the yielded
//                               value;
//     after(state, sent, exc)   runs when the generator is resumed: by send()
//                               or next() with `sent` the value sent (None for
//                               next) and exc NULL, or by throw()/close() with
//                               `sent` NULL and exc the exception thrown in.
//                               It returns the generator's return value, which
//                               the caller receives as StopIteration.value
//                               (`return (yield)` returns `sent`); to leave
//                               exc unhandled it calls rethrow(exc).
//
// The object has __next__, send, throw, close, gi_code, gi_running,
// gi_suspended, gi_frame and gi_yieldfrom, turns a StopIteration escaping
// the steps into RuntimeError as generators do, and is closed by its
// finaliser when dropped while suspended.
#pragma once
#include "vexal_rt/function.hpp"

namespace vexal_rt {

struct YieldOnceSteps {
    using Before = Ref (*)(PyObject* state);
    using After = Ref (*)(PyObject* state, PyObject* sent, PyObject* exc);
    // The first form of `after`, still accepted: it returns true to suppress
    // exc, and the generator then returns None.
    using Suppressing = bool (*)(PyObject* state, PyObject* exc);

    constexpr YieldOnceSteps(Before before, After after) : before(before), after(after) {}
    constexpr YieldOnceSteps(Before before, Suppressing after) : before(before), suppressing(after) {}

    Before before;
    After after = nullptr;
    Suppressing suppressing = nullptr;
};

// `function` is the generator function that makes the object (for gi_code
// and the name); `state` is kept alive and visible to the garbage collector;
// `steps` must live as long as the process (a static table).
Ref make_yield_once(FunctionObject* function, PyObject* state, const YieldOnceSteps& steps);

}  // namespace vexal_rt
