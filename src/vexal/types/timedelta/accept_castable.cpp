// accept_castable: operator wrappers that turn the other operand into a time
// span first and, given an alias format, compose the operands' aliases.
#include "timedelta.hpp"

namespace vexal::timedelta {
namespace {

// Operands whose conversion to a time span would change pandas' answer: dates
// (a numpy date would be read as a span since the epoch, the others would fail
// and leave the sum to numpy or datetime; NaT is a datetime too), numpy arrays
// of any shape, 0-d included, and pandas' indexes, series, frames and arrays.
// The wrappers hand them to the operator as they are.
void load_unconverted_operands() {
    Ref pandas = import("pandas");
    Ref numpy = import("numpy");
    Ref date = import_attr("datetime", id<"date">());
    Ref extension_array = import_attr("pandas.api.extensions", id<"ExtensionArray">());
    state.unconverted_operands =
        check(PyTuple_Pack(7, date.get(), getattr(numpy.get(), id<"datetime64">()).get(),
                           getattr(numpy.get(), id<"ndarray">()).get(), getattr(pandas.get(), id<"Index">()).get(),
                           getattr(pandas.get(), id<"Series">()).get(), getattr(pandas.get(), id<"DataFrame">()).get(),
                           extension_array.get()))
            .release();
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(state.unconverted_operands); ++i) {
        if (!PyType_Check(PyTuple_GET_ITEM(state.unconverted_operands, i))) {
            raise(PyExc_TypeError, "pandas or numpy names a date, array or frame type that is not a class");
        }
    }
}

// By the operand's real type, as pandas' operators tell them apart.
bool reaches_operator_unconverted(PyObject* other) {
    PyObject* types = state.unconverted_operands;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(types); ++i) {
        if (PyObject_TypeCheck(other, reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(types, i)))) return true;
    }
    return false;
}

// The conversion of the other operand; empty when it fails with TypeError or
// ValueError, which the operator answers with NotImplemented.
Ref convert(PyObject* cls, PyObject* other) {
    PyObject* converted = PyObject_CallOneArg(cls, other);
    if (converted) return Ref::steal(converted);
    if (!PyErr_ExceptionMatches(PyExc_TypeError) && !PyErr_ExceptionMatches(PyExc_ValueError)) raise();
    PyErr_Clear();
    return Ref();
}

void compose_alias(PyObject* self, PyObject* other, PyObject* result, PyObject* format_alias) {
    if (truthy(call_method(self, id<"has_custom_alias">()).get()) ||
        truthy(call_method(other, id<"has_custom_alias">()).get())) {
        Ref alias = call_method(format_alias, id<"format">(), getattr(self, id<"alias">()).get(),
                                getattr(other, id<"alias">()).get());
        setattr(result, id<"alias">(), alias.get());
    }
}

Ref new_func(FunctionObject* fn, PyObject* const* args) {
    PyObject* self = args[0];
    PyObject* op_func = captured(fn, 0);
    PyObject* format_alias = captured(fn, 1);
    PyObject* cls = format_alias == Py_None ? state.pandas_timedelta : state.timedelta;
    Ref other = Ref::borrow(args[1]);
    if (!isinstance(other.get(), cls) && !reaches_operator_unconverted(other.get())) {
        other = convert(cls, other.get());
        if (!other) return Ref::borrow(Py_NotImplemented);
    }
    Ref result = call(op_func, self, other.get());
    // Dates, arrays, NaT and NotImplemented go back as the operator gave them:
    // only a time span takes part in the alias composition.
    if (format_alias == Py_None || !isinstance(result.get(), state.pandas_timedelta)) return result;
    result = call(state.timedelta, result.get());
    try {
        compose_alias(self, other.get(), result.get(), format_alias);
    } catch (const PyError&) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw;
        Ref error = fetch_error();
        Ref message = call_method(text("Trying to attribute alias to non-alias type {}").get(), id<"format">(),
                                  error.get());
        const char* utf8 = PyUnicode_AsUTF8(message.get());
        if (!utf8) raise();
        check_status(PyErr_WarnEx(PyExc_UserWarning, utf8, 1));
    }
    return result;
}

const FunctionDef new_func_def{"new_func", "self, other", new_func};

Ref accept_castable(FunctionObject*, PyObject* const* args) { return make_castable(args[0], args[1]); }

const FunctionDef accept_castable_def{
    "accept_castable", "op_func, format_alias", accept_castable,
    "Wrap a two-operand time span operator so that the other operand is converted to a time span first.\n\n"
    "A failed conversion (TypeError or ValueError) makes the operator return NotImplemented. Dates,\n"
    "numpy arrays and pandas' indexes, series, frames and arrays reach the operator unconverted. With\n"
    "format_alias (fields {0}: alias of self, {1}: alias of other) a time span result becomes a Timedelta\n"
    "whose alias composes the operands' aliases when either has one; other results are returned as they are."};

}  // namespace

Ref make_castable(PyObject* op_func, PyObject* format_alias) {
    Ref closure = check(PyTuple_Pack(2, op_func, format_alias));
    Ref qualname = text("accept_castable.<locals>.new_func");
    return make_function(new_func_def, {.module = state.module, .qualname = qualname.get(), .closure = closure.get()});
}

void register_accept_castable(PyObject* module) {
    load_unconverted_operands();
    Ref defaults = check(PyTuple_Pack(1, Py_None));
    Ref fn = make_function(accept_castable_def, {.module = module, .defaults = defaults.get()});
    add_object(module, "accept_castable", fn);
}

}  // namespace vexal::timedelta
