// Generator functions that pluggy drives as hook wrappers.
#include "selftest.hpp"

namespace vexal::selftest {
namespace {

// The generators of hook wrappers append "enter" to self.events before the
// wrapped hooks run and "exit" (or "exit:<exception name>") afterwards.
Ref enter_phase(PyObject* self) {
    call_method(getattr(self, id<"events">()).get(), id<"append">(), text("enter").get());
    return none();
}

void log_exit(PyObject* self, PyObject* exc) {
    Ref event = exc ? check(PyUnicode_FromFormat("exit:%s", Py_TYPE(exc)->tp_name)) : text("exit");
    call_method(getattr(self, id<"events">()).get(), id<"append">(), event.get());
}

// The first form of the second step: lets the exception thrown in propagate.
bool exit_phase(PyObject* self, PyObject* exc) {
    log_exit(self, exc);
    return false;
}

// `return (yield)`, letting the exception thrown in propagate.
Ref exit_with_result(PyObject* self, PyObject* sent, PyObject* exc) {
    log_exit(self, exc);
    if (exc) rethrow(exc);
    return Ref::borrow(sent);
}

const YieldOnceSteps phase_steps{enter_phase, exit_phase};
const YieldOnceSteps result_steps{enter_phase, exit_with_result};

Ref record_phase(FunctionObject* fn, PyObject* const* args) { return make_yield_once(fn, args[0], phase_steps); }
Ref return_result(FunctionObject* fn, PyObject* const* args) { return make_yield_once(fn, args[0], result_steps); }

}  // namespace

void register_generators(PyObject* module) {
    add_function(module, {"record_phase", "self", record_phase,
                          "Hook wrapper generator: records entering and leaving in self.events.",
                          /*generator=*/true});
    add_function(module, {"return_result", "self", return_result,
                          "Hook wrapper generator: records entering and leaving in self.events, returns what it "
                          "was sent.",
                          /*generator=*/true});
}

}  // namespace vexal::selftest
