// Shared declarations of the step logger's sources.
#pragma once
#include "vexal_rt/runtime.hpp"

namespace vexal::stepline {

// Process-wide module state: the module initialises once per process.
struct State : ModuleScope {
    PyObject* logger_class = nullptr;  // logging.Logger
    PyObject* info_level = nullptr;    // logging.INFO
    FastPath logger_path;             // Logger.info and Logger.isEnabledFor unchanged
    // The indentation strings of the common depths, made on first use and
    // kept for the process.
    static constexpr Py_ssize_t cached_widths = 128;
    PyObject* spaces[cached_widths] = {};
};
extern State state;

// The logger bound to the module name `testlogger` now.
inline Ref testlogger() { return state.global(id<"testlogger">()); }

// True when testlogger.info(...) is known to do nothing: the logger is a
// plain logging.Logger with the standard info and isEnabledFor, and its level
// cache says INFO is off. False means "call info and let logging decide".
bool info_is_off(PyObject* logger);

void setup_info_gate(PyObject* logging);
void register_indentation_filter(PyObject* module, PyObject* logger);
void register_step_functions(PyObject* module);
void register_format_argval(PyObject* module);

}  // namespace vexal::stepline
