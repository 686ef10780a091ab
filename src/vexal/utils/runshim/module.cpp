// vexal.utils.runshim: runs a test written as a plain script inside a pytest
// test.
#include "runshim.hpp"
#include "vexal_rt/module.hpp"

namespace vexal::runshim {

ModuleScope scope;

namespace {

void exec_runshim(PyObject* module) {
    scope.bind(module);
    for (const char* name : {"sys", "os", "pytest", "allure"}) add_object(module, name, import(name));
    add_object(module, "hil", import("vexal.api.hil"));
    add_object(module, "model", import_attr("vexal.api.schematic_editor", id<"model">()));
    // import importlib.util (binds the package, with its util submodule loaded)
    import("importlib.util");
    add_object(module, "importlib", import("importlib"));
    register_get_module(module);
    register_executor(module);
    register_run_test(module);
}

}  // namespace
}  // namespace vexal::runshim

PyMODINIT_FUNC PyInit_runshim() {
    return vexal_rt::define_module<vexal::runshim::exec_runshim>(
        "vexal.utils.runshim",
        "Run a test written as a plain script (a Python file with a function ``test``) inside a pytest test: in "
        "the script's own directory, as one Allure step \"Test run\", with its captured output attached and its "
        "returned value turned into a pass, a skip or a failure.");
}
