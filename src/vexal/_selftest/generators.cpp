// Generator functions that pluggy drives as hook wrappers.
#include "selftest.hpp"
#include "vexal_rt/generator.hpp"

namespace vexal::selftest {
namespace {

// The generator of a hook wrapper: appends "enter" to self.events before the
// wrapped hooks run and "exit" (or "exit:<exception name>") afterwards, and
// then returns what it was sent, as `return (yield)` does, or lets the
// exception thrown in propagate.
Ref before_phase(PyObject* self) {
    call_method(getattr(self, id<"events">()).get(), id<"append">(), text("enter").get());
    return none();
}

Ref after_phase(PyObject* self, PyObject* sent, PyObject* exc) {
    Ref event = exc ? check(PyUnicode_FromFormat("exit:%s", Py_TYPE(exc)->tp_name)) : text("exit");
    call_method(getattr(self, id<"events">()).get(), id<"append">(), event.get());
    if (exc) rethrow(exc);
    return Ref::borrow(sent);
}

const YieldOnceSteps phase_steps{before_phase, after_phase};

Ref record_phase(FunctionObject* fn, PyObject* const* args) { return make_yield_once(fn, args[0], phase_steps); }

}  // namespace

void register_generators(PyObject* module) {
    add_function(module, {"record_phase", "self", record_phase,
                          "Hook wrapper generator: records entering and leaving in self.events.",
                          /*generator=*/true});
    // The same, for registering as a new-style wrapper next to the above.
    add_function(module, {"return_result", "self", record_phase,
                          "Hook wrapper generator: records entering and leaving in self.events, returns the result.",
                          /*generator=*/true});
}

}  // namespace vexal::selftest
