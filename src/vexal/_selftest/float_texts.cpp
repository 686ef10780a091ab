#include "selftest.hpp"

namespace vexal::selftest {
namespace {

// (repr(x), format(x, "g")) as the runtime writes them for a float.
Ref float_texts(FunctionObject*, PyObject* const* args) {
    double value = PyFloat_AsDouble(args[0]);
    if (value == -1.0 && PyErr_Occurred()) raise();
    return check(PyTuple_Pack(2, float_repr(value).get(), float_format_g(value).get()));
}

}  // namespace

void register_float_texts(PyObject* module) {
    add_function(module, {"float_texts", "x", float_texts, "(repr(x), format(x, 'g')) as the runtime writes them."});
}

}  // namespace vexal::selftest
