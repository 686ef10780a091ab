// The error boundary and the with statement.
#include "selftest.hpp"

#include <stdexcept>
#include <string_view>

namespace vexal::selftest {
namespace {

// Throws the C++ exception named by kind.
Ref throw_cpp(FunctionObject*, PyObject* const* args) {
    const char* kind = PyUnicode_AsUTF8(args[0]);
    if (!kind) raise();
    std::string_view name = kind;
    if (name == "bad_alloc") throw std::bad_alloc();
    if (name == "runtime_error") throw std::runtime_error("C++ failure text");
    if (name == "int") throw 7;
    raise(PyExc_ValueError, "unknown kind");
}

// Raises a Python error with the GIL released: a fatal error.
Ref raise_without_gil(FunctionObject*, PyObject* const*) {
    Py_BEGIN_ALLOW_THREADS
    try {
        raise(PyExc_ValueError, "raised without the GIL");
    } catch (const PyError&) {
    }
    Py_END_ALLOW_THREADS
    return none();
}

// with manager as entered: return body(entered)
Ref run_with(FunctionObject*, PyObject* const* args) {
    PyObject* body = args[1];
    return with(args[0], [&](PyObject* entered) { return call(body, entered); });
}

}  // namespace

void register_errors(PyObject* module) {
    add_function(module, {"throw_cpp", "kind", throw_cpp, "Throws a C++ exception: bad_alloc, runtime_error or int."});
    add_function(module, {"raise_without_gil", "", raise_without_gil,
                          "Raises a Python error with the GIL released, which stops the process."});
    add_function(module, {"run_with", "manager, body", run_with, "with manager as entered: return body(entered)"});
}

}  // namespace vexal::selftest
