// Shared declarations of the plugin module's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::plugin {

extern ModuleScope scope;

inline Ref allure_plugin_manager() {
    return getattr(scope.global(id<"allure_commons">()).get(), id<"plugin_manager">());
}

void register_cleanup_factory(PyObject* module);
void register_hooks(PyObject* module);

}  // namespace vexal::plugin
