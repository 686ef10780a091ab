// vexal.utils.runshim: runs a test written as a plain script inside a pytest
// test.
#include "runshim.hpp"

namespace vexal::runshim {

ModuleScope scope;

namespace {

// `import importlib.util` binds the package, with its util submodule loaded.
constexpr Import imports[] = {
    {"sys", "sys"},
    {"os", "os"},
    {"pytest", "pytest"},
    {"allure", "allure"},
    {"vexal.api.hil", "hil"},
    {"vexal.api.schematic_editor", "model", "model"},
    {"importlib.util", nullptr},
    {"importlib", "importlib"},
};

constexpr Part parts[] = {register_get_module, register_executor, register_run_test};

const ModuleDecl declaration{
    "vexal.utils.runshim",
    "Run a test written as a plain script (a Python file with a function ``test``) inside a pytest test: in "
    "the script's own directory, as one Allure step \"Test run\", with its captured output attached and its "
    "returned value turned into a pass, a skip or a failure.",
    &scope, false, imports, parts, {}};

}  // namespace
}  // namespace vexal::runshim

PyMODINIT_FUNC PyInit_runshim() { return vexal_rt::define_module<vexal::runshim::declaration>(); }
