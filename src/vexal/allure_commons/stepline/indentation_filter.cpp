// IndentationFilter: stamps each record of the step logger with the depth
// current at the moment it is logged.
#include "stepline.hpp"

#include <cstring>

namespace vexal::stepline {
namespace {

// A str of `width` spaces (empty for width <= 0); the common widths are kept.
Ref spaces(Py_ssize_t width) {
    if (width <= 0) width = 0;
    bool cached = width < State::cached_widths;
    if (cached && state.spaces[width]) return Ref::borrow(state.spaces[width]);
    Ref result = check(PyUnicode_New(width, 127));
    std::memset(PyUnicode_DATA(result.get()), ' ', static_cast<size_t>(width));
    if (cached) state.spaces[width] = Py_NewRef(result.get());
    return result;
}

Ref filter(FunctionObject*, PyObject* const* args) {
    Ref depth = getattr(testlogger().get(), id<"indentation">());
    // Any integer (also a bool or an int subclass) counts; other types are
    // refused with the TypeError of range().
    Py_ssize_t width = PyNumber_AsSsize_t(depth.get(), PyExc_OverflowError);
    if (width == -1 && PyErr_Occurred()) raise();
    setattr(args[1], id<"indentation">(), spaces(width).get());
    return boolean(true);
}

const FunctionDef filter_def{"filter", "self, record", filter,
                             "Set record.indentation to as many spaces as the current depth; keep every record."};

}  // namespace

void register_indentation_filter(PyObject* module, PyObject* logger) {
    Ref cls = ClassBuilder(module, "IndentationFilter")
                  .base(import_attr("logging", id<"Filter">()).get())
                  .doc("Logger filter that gives each record the attribute `indentation`: the depth of "
                       "`testlogger` as a string of spaces. It never drops a record.")
                  .method(filter_def)
                  .add_to_module();
    call_method(logger, id<"addFilter">(), call(cls.get()).get());
}

}  // namespace vexal::stepline
