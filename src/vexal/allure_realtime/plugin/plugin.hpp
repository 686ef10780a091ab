// Shared declarations of the plugin module's sources.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/globals.hpp"
#include "vexal_rt/module.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::plugin {

using namespace vexal_rt;

extern ModuleScope scope;

inline Ref allure_plugin_manager() {
    return getattr(scope.global(id<"allure_commons">()).get(), id<"plugin_manager">());
}

void register_cleanup_factory(PyObject* module);
void register_hooks(PyObject* module);

}  // namespace vexal::plugin
