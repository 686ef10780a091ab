// vexal._selftest: functions that exercise the C++ runtime from the tests
// (argument binding of every parameter kind, a generator function that
// pluggy drives as an old-style hook wrapper, and the float texts).
#include "vexal_rt/call.hpp"
#include "vexal_rt/float_text.hpp"
#include "vexal_rt/generator.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"

#include <iterator>

namespace vexal::selftest {

void register_buffers(PyObject* module);  // buffers.cpp

namespace {

using namespace vexal_rt;

// Returns what it was bound to: a dict of parameter name to value.
Ref bound_values(FunctionObject*, PyObject* const* args) {
    constexpr const char* names[] = {"a", "b", "c", "d", "e", "args", "kwargs"};
    Ref result = check(PyDict_New());
    for (size_t i = 0; i < std::size(names); ++i) check_status(PyDict_SetItemString(result.get(), names[i], args[i]));
    return result;
}

// The generator of a hook wrapper: appends "enter" to self.events before the
// wrapped hooks run and "exit" (or "exit:<exception name>") afterwards.
Ref before_phase(PyObject* self) {
    call_method(getattr(self, id<"events">()).get(), id<"append">(), text("enter").get());
    return none();
}

bool after_phase(PyObject* self, PyObject* exc) {
    Ref event = exc ? check(PyUnicode_FromFormat("exit:%s", Py_TYPE(exc)->tp_name)) : text("exit");
    call_method(getattr(self, id<"events">()).get(), id<"append">(), event.get());
    return false;
}

const YieldOnceSteps phase_steps{before_phase, after_phase};

Ref record_phase(FunctionObject* fn, PyObject* const* args) { return make_yield_once(fn, args[0], phase_steps); }

// (repr(x), format(x, "g")) as the runtime writes them for a float.
Ref float_texts(FunctionObject*, PyObject* const* args) {
    double value = PyFloat_AsDouble(args[0]);
    if (value == -1.0 && PyErr_Occurred()) raise();
    return check(PyTuple_Pack(2, float_repr(value).get(), float_format_g(value).get()));
}

const FunctionDef bound_values_def{"bound_values", "a, b, /, c, *args, d, e, **kwargs", bound_values,
                                   "Returns the values its parameters were bound to."};
const FunctionDef record_phase_def{"record_phase", "self", record_phase,
                                   "Hook wrapper generator: records entering and leaving in self.events.",
                                   /*generator=*/true};

const FunctionDef float_texts_def{"float_texts", "x", float_texts,
                                  "(repr(x), format(x, 'g')) as the runtime writes them."};

void exec_selftest(PyObject* module) {
    Ref defaults = check(Py_BuildValue("(ii)", 2, 3));
    Ref kwdefaults = check(Py_BuildValue("{s:i}", "e", 5));
    Ref bound = make_function(bound_values_def, {.module = module, .defaults = defaults.get(), .kwdefaults = kwdefaults.get()});
    check_status(PyModule_AddObjectRef(module, "bound_values", bound.get()));
    check_status(PyModule_AddObjectRef(module, "float_texts", make_function(float_texts_def, {.module = module}).get()));
    check_status(PyModule_AddObjectRef(module, "record_phase", make_function(record_phase_def, {.module = module}).get()));
    register_buffers(module);
}

}  // namespace
}  // namespace vexal::selftest

PyMODINIT_FUNC PyInit__selftest() {
    return vexal_rt::define_module<vexal::selftest::exec_selftest>("vexal._selftest",
                                                                   "Functions that exercise the C++ runtime.");
}
