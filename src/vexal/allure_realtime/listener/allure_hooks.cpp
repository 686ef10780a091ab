// The listener's Allure hooks: step and attachment events to step log calls.
#include "listener.hpp"

namespace vexal::listener {
namespace {

// stepline.<name>, looked up before the arguments are made, as a call
// written in Python evaluates it.
Ref stepline_function(PyObject* name) { return getattr(stepline().get(), name); }

Ref start_step(FunctionObject*, PyObject* const* args) {
    call(stepline_function(id<"start_step">()).get(), args[2], args[3]);
    return none();
}

Ref stop_step(FunctionObject*, PyObject* const*) {
    call(stepline_function(id<"stop_step">()).get());
    return none();
}

Ref attach_data(FunctionObject*, PyObject* const* args) {
    Ref log = stepline_function(id<"log">());
    Ref line = check(PyUnicode_Concat(id<"[Attachment] ">(), format(args[2], id<"">()).get()));
    call(log.get(), line.get());
    return none();
}

const FunctionDef start_step_def{"start_step", "self, uuid, title, params", start_step,
                                 "Allure hook: log the step's title and parameters and open a level "
                                 "(stepline.start_step)."};
const FunctionDef stop_step_def{"stop_step", "self, uuid, exc_type, exc_val, exc_tb", stop_step,
                                "Allure hook: close the step's level (stepline.stop_step), whether it passed or "
                                "failed."};
const FunctionDef attach_data_def{"attach_data", "self, body, name, attachment_type, extension", attach_data,
                                  "Allure hook: log \"[Attachment] {}\" with the attachment's name."};

}  // namespace

void add_allure_hooks(ClassBuilder& cls, PyObject* hookimpl) {
    cls.decorated_methods(hookimpl, {&start_step_def, &stop_step_def, &attach_data_def});
}

}  // namespace vexal::listener
