// Argument binding: every parameter kind, any number of parameters, and
// defaults that stay alive while the body runs.
#include "selftest.hpp"

#include <iterator>
#include <string>

namespace vexal::selftest {
namespace {

// Returns what it was bound to: a dict of parameter name to value.
Ref bound_values(FunctionObject*, PyObject* const* args) {
    constexpr const char* names[] = {"a", "b", "c", "d", "e", "args", "kwargs"};
    Ref result = check(PyDict_New());
    for (size_t i = 0; i < std::size(names); ++i) check_status(PyDict_SetItemString(result.get(), names[i], args[i]));
    return result;
}

constexpr int many = 40;

// The tuple of its `many` positional and two keyword-only values.
Ref many_values(FunctionObject*, PyObject* const* args) {
    Ref result = check(PyTuple_New(many + 2));
    for (int i = 0; i < many + 2; ++i) PyTuple_SET_ITEM(result.get(), i, Py_NewRef(args[i]));
    return result;
}

// Calls callback() and then returns [value]: the body's own use of a default
// after user code ran.
Ref after_callback(FunctionObject*, PyObject* const* args) {
    call(args[0]);
    return check(Py_BuildValue("[O]", args[1]));
}

std::string many_params() {
    std::string params;
    for (int i = 0; i < many; ++i) params.append("p").append(std::to_string(i)).append(", ");
    return params + "*, k0, k1";
}

const FunctionDef bound_values_def{"bound_values", "a, b, /, c, *args, d, e, **kwargs", bound_values,
                                   "Returns the values its parameters were bound to."};
const FunctionDef after_callback_def{"after_callback", "callback, *, value", after_callback,
                                     "Calls callback() and then returns [value]."};

}  // namespace

void register_binding(PyObject* module) {
    Ref defaults = check(Py_BuildValue("(ii)", 2, 3));
    Ref kwdefaults = check(Py_BuildValue("{s:i}", "e", 5));
    add_function(module, bound_values_def, {.defaults = defaults.get(), .kwdefaults = kwdefaults.get()});
    static const std::string params = many_params();
    add_function(module, {"many_values", params.c_str(), many_values, "Returns its 42 values as a tuple."});
    add_function(module, after_callback_def);
}

}  // namespace vexal::selftest
