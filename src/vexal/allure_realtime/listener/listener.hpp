// Shared declarations of the listener module's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/class_builder.hpp"
#include "vexal_rt/generator.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/with.hpp"

namespace vexal::listener {

using namespace vexal_rt;

extern ModuleScope scope;

// The step logger module bound to the module name `stepline` now.
inline Ref stepline() { return scope.global(id<"stepline">()); }

// The entries of the listener class, in definition order.
void add_allure_hooks(ClassBuilder& cls, PyObject* hookimpl);
void add_pytest_wrappers(ClassBuilder& cls, PyObject* pytest);

}  // namespace vexal::listener
