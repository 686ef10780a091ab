// Shared declarations of the listener module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::listener {

extern ModuleScope scope;

// The step logger module bound to the module name `stepline` now.
inline Ref stepline() { return scope.global(id<"stepline">()); }

// The entries of the listener class, in definition order.
void add_allure_hooks(ClassBuilder& cls, PyObject* hookimpl);
void add_pytest_wrappers(ClassBuilder& cls, PyObject* pytest);

}  // namespace vexal::listener
