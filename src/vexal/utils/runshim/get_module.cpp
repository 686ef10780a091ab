// get_module: a test script loaded as a new module, afresh on every call.
#include "runshim.hpp"

namespace vexal::runshim {
namespace {

Ref get_module(FunctionObject*, PyObject* const* args) {
    PyObject* filepath = args[0];
    Ref util = getattr(scope.global(id<"importlib">()).get(), id<"util">());
    Ref spec = call_method(util.get(), id<"spec_from_file_location">(), id<"module.name">(), filepath);
    // No loader knows the file's extension: say so rather than fail on None.
    if (spec.is(Py_None)) {
        Ref shown = check(PyObject_Repr(filepath));
        raise_format(PyExc_ImportError, "cannot load a test script from %U", shown.get());
    }
    Ref module = call_method(util.get(), id<"module_from_spec">(), spec.get());
    Ref loader = getattr(spec.get(), id<"loader">());
    call_method(loader.get(), id<"exec_module">(), module.get());
    return module;
}

const FunctionDef get_module_def{"get_module", "filepath", get_module, R"doc(Load a Python source file as a new module.

Parameters
----------
filepath : str
    Path of the file.

Returns
-------
module
    A new module named "module.name", executed afresh on every call; it is
    not entered in ``sys.modules``.

Notes
-----
Any error of loading the file or of running its top-level code propagates.
A file whose extension no loader knows raises ``ImportError``.
)doc"};

}  // namespace

void register_get_module(PyObject* module) {
    add_function(module, get_module_def);
}

}  // namespace vexal::runshim
