// vexal.allure_realtime.plugin: the pytest plugin that installs the live
// step log listener.
#include "plugin.hpp"

namespace vexal::plugin {

ModuleScope scope;

namespace {

constexpr Import imports[] = {
    {"allure_commons", "allure_commons"},
    {"vexal.allure_realtime.listener", "AllurePytestLoggerListener", "AllurePytestLoggerListener"},
};

constexpr Part parts[] = {register_cleanup_factory, register_hooks};

const ModuleDecl declaration{"vexal.allure_realtime.plugin",
                             "pytest plugin that shows the step log live: it installs one "
                             "AllurePytestLoggerListener per run unless --no-allure-cli-logs is given.",
                             &scope, with_install_aliases, imports, parts, {}};

}  // namespace
}  // namespace vexal::plugin

PyMODINIT_FUNC PyInit_plugin() { return vexal_rt::define_module<vexal::plugin::declaration>(); }
