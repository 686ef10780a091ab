// testlogger.info(msg) without logging's Python plumbing.
//
// Logger.info of an enabled logger runs a dozen Python functions (info,
// isEnabledFor, _log, findCaller and its helpers, makeRecord, handle, filter,
// callHandlers) before the first handler sees the record, and a step line is
// logged a few times per test. While the Logger class and findCaller's
// helpers are logging's own, this does what they do: the same caller found,
// the record made by logging's record factory, the logger's filters and the
// handlers of the logger and its parents called in the same order. Anything
// that is not plainly logging's own (an instance attribute, a logger
// subclass, a moved _srcfile) leaves the call to logging.
#include "stepline.hpp"

namespace vexal::stepline {
namespace {

PyObject* (*const logger_methods[])() = {id<"info">,       id<"isEnabledFor">, id<"_log">,   id<"findCaller">,
                                         id<"makeRecord">, id<"handle">,       id<"filter">, id<"callHandlers">};

// A name of logging's namespace as bound now; NameError, as the method
// reading it would raise, when it is gone.
Ref logging_global(PyObject* name) {
    Ref value = item(state.logging_dict, name);
    if (!value) raise_format(PyExc_NameError, "name '%U' is not defined", name);
    return value;
}

bool defined_in(PyObject* value, PyObject* file) {
    if (!PyFunction_Check(value)) return false;
    Ref code = Ref::borrow(PyFunction_GetCode(value));
    Ref filename = getattr(code.get(), id<"co_filename">());
    return PyUnicode_Check(filename.get()) && PyUnicode_Compare(filename.get(), file) == 0;
}

// An instance attribute named like one of the methods is what logging calls.
bool shadows_methods(PyObject* logger) {
    Ref dict = check(PyObject_GenericGetDict(logger, nullptr));
    for (auto name : logger_methods) {
        if (item(dict.get(), name())) return true;
    }
    return false;
}

// The path holds for this logger now: a plain Logger of logging's own class.
bool stands_in(PyObject* logger) {
    return state.logging_own && Py_TYPE(logger) == reinterpret_cast<PyTypeObject*>(state.logger_class) &&
           state.dispatch_path.holds() && !shadows_methods(logger);
}

// isEnabledFor(INFO) answered from the level cache; false where logging
// would have to work it out (or would run code to tell its truth).
bool info_cached_on(PyObject* logger, PyObject* info) {
    Ref dict = check(PyObject_GenericGetDict(logger, nullptr));
    if (!item(dict.get(), id<"disabled">()).is(Py_False)) return false;
    Ref cache = item(dict.get(), id<"_cache">());
    return cache && PyDict_CheckExact(cache.get()) && item(cache.get(), info).is(Py_True);
}

// Where findCaller would stop: _srcfile is logging's own file, so the
// frames of info and _log are internal, and the walk goes on from the frame
// that called into this module.
void find_caller(PyObject* start, Ref& file, Ref& line, Ref& function) {
    Ref is_internal = logging_global(id<"_is_internal_frame">());
    Ref frame = Ref::borrow(start);
    while (truthy(call(is_internal.get(), frame.get()).get())) {
        Ref back = getattr(frame.get(), id<"f_back">());
        if (back.is(Py_None)) break;
        frame = std::move(back);
    }
    Ref code = getattr(frame.get(), id<"f_code">());
    file = getattr(code.get(), id<"co_filename">());
    line = getattr(frame.get(), id<"f_lineno">());
    function = getattr(code.get(), id<"co_name">());
}

// Filterer.filter: false, or what the record became (True before 3.12).
Ref apply_filters(PyObject* logger, Ref record) {
    Ref filters = getattr(logger, id<"filters">());
    Ref iterator = check(PyObject_GetIter(filters.get()));
    while (Ref filter = Ref::steal(PyIter_Next(iterator.get()))) {
        Ref result = lookup_attr(filter.get(), id<"filter">()) ? call_method(filter.get(), id<"filter">(), record.get())
                                                               : call(filter.get(), record.get());
        if (!truthy(result.get())) return boolean(false);
#if PY_VERSION_HEX >= 0x030C0000
        if (isinstance(result.get(), logging_global(id<"LogRecord">()).get())) record = std::move(result);
#endif
    }
    if (PyErr_Occurred()) raise();
#if PY_VERSION_HEX >= 0x030C0000
    return record;
#else
    return boolean(true);
#endif
}

bool level_reached(PyObject* record, PyObject* handler) {
    Ref levelno = getattr(record, id<"levelno">());
    Ref level = getattr(handler, id<"level">());
    return truthy(compare(levelno.get(), level.get(), Py_GE).get());
}

// Logger.callHandlers.
void call_handlers(PyObject* logger, PyObject* record) {
    Py_ssize_t found = 0;
    for (Ref c = Ref::borrow(logger); truthy(c.get());) {
        Ref handlers = getattr(c.get(), id<"handlers">());
        Ref iterator = check(PyObject_GetIter(handlers.get()));
        while (Ref handler = Ref::steal(PyIter_Next(iterator.get()))) {
            ++found;
            if (level_reached(record, handler.get())) call_method(handler.get(), id<"handle">(), record);
        }
        if (PyErr_Occurred()) raise();
        c = truthy(getattr(c.get(), id<"propagate">()).get()) ? getattr(c.get(), id<"parent">()) : none();
    }
    if (found) return;
    Ref last_resort = logging_global(id<"lastResort">());
    if (truthy(last_resort.get())) {
        if (level_reached(record, last_resort.get())) call_method(last_resort.get(), id<"handle">(), record);
        return;
    }
    Ref manager = getattr(logger, id<"manager">());
    if (!truthy(logging_global(id<"raiseExceptions">()).get()) ||
        truthy(getattr(manager.get(), id<"emittedNoHandlerWarning">()).get())) {
        return;
    }
    Ref stderr_ = getattr(logging_global(id<"sys">()).get(), id<"stderr">());
    Ref name = str(getattr(logger, id<"name">()).get());
    Ref warning = check(PyUnicode_FromFormat("No handlers could be found for logger \"%U\"\n", name.get()));
    call_method(stderr_.get(), id<"write">(), warning.get());
    setattr(manager.get(), id<"emittedNoHandlerWarning">(), Py_True);
}

// Logger.handle; each step looks again whether logging's own methods still
// stand, as the filters and handlers may replace them.
void handle(PyObject* logger, PyObject* record) {
    if (!stands_in(logger)) {
        call_method(logger, id<"handle">(), record);
        return;
    }
    if (truthy(getattr(logger, id<"disabled">()).get())) return;
    Ref kept = apply_filters(logger, Ref::borrow(record));
    if (!truthy(kept.get())) return;
    Ref handled = Ref::borrow(record);
#if PY_VERSION_HEX >= 0x030C0000
    if (isinstance(kept.get(), logging_global(id<"LogRecord">()).get())) handled = kept;
#endif
    if (!stands_in(logger)) {
        call_method(logger, id<"callHandlers">(), handled.get());
        return;
    }
    call_handlers(logger, handled.get());
}

}  // namespace

void setup_record_dispatch(PyObject* logging) {
    state.logging_dict = Py_NewRef(PyModule_GetDict(logging));
    Ref file = getattr(logging, id<"__file__">());
    Ref os_path = import("os.path");
    state.logging_file = call_method(os_path.get(), id<"normcase">(), file.get()).release();
    // Recognised by what they are, wherever they were bound first.
    bool own = true;
    for (auto name : logger_methods) {
        Ref method = getattr(state.logger_class, name());
        own = own && defined_in(method.get(), file.get());
    }
    Ref current_frame = logging_global(id<"currentframe">());
    Ref is_internal = logging_global(id<"_is_internal_frame">());
    if (!own || !defined_in(current_frame.get(), file.get()) || !defined_in(is_internal.get(), file.get())) return;
    state.dispatch_path
        .attributes(state.logger_class, {"info", "isEnabledFor", "_log", "findCaller", "makeRecord", "handle",
                                         "filter", "callHandlers"})
        .global(state.logging_dict, "currentframe", current_frame)
        .global(state.logging_dict, "_is_internal_frame", is_internal);
    state.logging_own = true;
}

bool info_dispatched(PyObject* logger, PyObject* message) {
    PyFrameObject* caller = PyEval_GetFrame();
    if (!caller || !stands_in(logger)) return false;
    Ref info = logging_global(id<"INFO">());
    if (!info_cached_on(logger, info.get())) return false;
    Ref source_file = logging_global(id<"_srcfile">());
    bool unknown_caller = source_file.is(Py_None);
    if (!unknown_caller && !(PyUnicode_CheckExact(source_file.get()) &&
                             PyUnicode_Compare(source_file.get(), state.logging_file) == 0)) {
        return false;
    }
    Ref file, line, function;
    if (unknown_caller) {
        file = text("(unknown file)");
        line = check(PyLong_FromLong(0));
        function = text("(unknown function)");
    } else {
        find_caller(reinterpret_cast<PyObject*>(caller), file, line, function);
    }
    Ref name = getattr(logger, id<"name">());
    Ref no_args = check(PyTuple_New(0));
    Ref record = stands_in(logger)
                     ? call(logging_global(id<"_logRecordFactory">()).get(), name.get(), info.get(), file.get(),
                            line.get(), message, no_args.get(), Py_None, function.get(), Py_None)
                     : call_method(logger, id<"makeRecord">(), name.get(), info.get(), file.get(), line.get(),
                                   message, no_args.get(), Py_None, function.get(), Py_None, Py_None);
    handle(logger, record.get());
    return true;
}

}  // namespace vexal::stepline
