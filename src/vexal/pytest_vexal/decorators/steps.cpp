// log_alias_decorator: one "[Alias] ..." report entry per returned value of a
// call made with an `alias` keyword; step_with_alias_decorator: a function
// as a report step titled after its name, with its aliases logged.
#include "decorators.hpp"

namespace vexal::decorators {
namespace {

bool has_alias_keyword(PyObject* kwargs) { return check_status(PySequence_Contains(kwargs, id<"alias">())) != 0; }

void log_alias(PyObject* empty_step, PyObject* value) {
    Ref entry = concat({id<"[Alias] ">(), format(value, id<"">()).get()});
    call(empty_step, entry.get());
}

Ref log_alias_decorator(FunctionObject*, PyObject* const* args) {
    PyObject *func = args[0], *call_args = args[2], *call_kwargs = args[3];
    Ref result = call_with(func, call_args, call_kwargs);
    if (!has_alias_keyword(call_kwargs)) return result;
    Ref empty_step = state.global(id<"empty_step">());
    if (isinstance(result.get(), reinterpret_cast<PyObject*>(&PyTuple_Type))) {
        Ref items = check(PyObject_GetIter(result.get()));
        while (Ref item = next_item(items.get())) log_alias(empty_step.get(), item.get());
    } else {
        log_alias(empty_step.get(), result.get());
    }
    return result;
}

Ref step_with_alias_decorator(FunctionObject*, PyObject* const* args) {
    PyObject* func = args[0];
    Ref name = getattr(func, id<"__name__">());
    Ref spaced = call_method(name.get(), id<"replace">(), id<"_">(), id<" ">());
    Ref step_name = call_method(spaced.get(), id<"title">());
    Ref step_decorator = call_kw(state.global(id<"step">()).get(), {step_name.get(), Py_True}, kwnames<"flatten">());
    Ref stepped = call(step_decorator.get(), func);
    return call(state.global(id<"log_alias_decorator">()).get(), stepped.get());
}

const FunctionDef log_alias_decorator_def{"log_alias_decorator", "func, instance, args, kwargs", log_alias_decorator,
                                          R"(Log the aliases of a call's results made with an ``alias`` keyword.

A ``wrapt`` decorator: the decorated function keeps its name, docstring and
signature and returns its result unchanged. When the call passed ``alias``
(any value, ``None`` too), one report entry "[Alias] {}" is recorded with
``vexal.allure_commons.empty_step`` per element of a tuple result (in
order), or one for any other result.
)"};

const FunctionDef step_with_alias_decorator_def{"step_with_alias_decorator", "func", step_with_alias_decorator,
                                                R"(Make each call of ``func`` a report step and log its aliases.

The step title is the function's name with "_" replaced by spaces, in
title case (``set_source_value`` gives "Set Source Value"); the step is
recorded by ``vexal.allure_step.step(title, flatten=True)`` and the result
passes through ``log_alias_decorator``, so alias entries follow the step.

Parameters
----------
func : callable
    The function to decorate; needs ``__name__``.

Returns
-------
callable
    The decorated function.
)"};

}  // namespace

void register_steps(PyObject* module) {
    add_wrapt_decorator(module, log_alias_decorator_def);
    add_function(module, step_with_alias_decorator_def);
}

}  // namespace vexal::decorators
