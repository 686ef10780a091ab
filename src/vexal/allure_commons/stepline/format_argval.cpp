// _format_argval: a value's text on one line, length-limited.
#include "stepline.hpp"

namespace vexal::stepline {
namespace {

constexpr Py_ssize_t max_arg_length = 100;
constexpr Py_ssize_t kept_head = 3;

Ref slice(PyObject* text_, PyObject* start, PyObject* stop) {
    Ref bounds = check(PySlice_New(start, stop, nullptr));
    return check(PyObject_GetItem(text_, bounds.get()));
}

Ref format_argval(FunctionObject*, PyObject* const* args) {
    Ref argval = call_method(args[0], id<"replace">(), id<"\n">(), id<" ">());
    Py_ssize_t length = PyObject_Length(argval.get());
    if (length < 0) raise();
    if (length <= max_arg_length) return argval;
    // argval[:3] + " ... " + argval[-100:]
    Ref head_end = check(PyLong_FromSsize_t(kept_head));
    Ref tail_start = check(PyLong_FromSsize_t(-max_arg_length));
    Ref head = slice(argval.get(), Py_None, head_end.get());
    Ref marked = check(PyNumber_Add(head.get(), id<" ... ">()));
    return check(PyNumber_Add(marked.get(), slice(argval.get(), tail_start.get(), Py_None).get()));
}

const FunctionDef format_argval_def{"_format_argval", "argval", format_argval, "Remove newlines and limit max length"};

}  // namespace

void register_format_argval(PyObject* module) {
    add_function(module, format_argval_def);
}

}  // namespace vexal::stepline
