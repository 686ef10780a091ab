// Recognising a step logger that drops INFO records, without calling into
// logging: Logger.info then does nothing but ask isEnabledFor, which answers
// from the logger's level cache (cleared by logging whenever a level
// changes) once it has been asked before.
#include "stepline.hpp"

namespace vexal::stepline {

void setup_info_gate(PyObject* logging) {
    state.logger_class = getattr(logging, id<"Logger">()).release();
    state.info_level = getattr(logging, id<"INFO">()).release();
    state.logger_guard.watch(state.logger_class, {"info", "isEnabledFor"});
}

bool info_is_off(PyObject* logger) {
    if (Py_TYPE(logger) != reinterpret_cast<PyTypeObject*>(state.logger_class)) return false;
    if (!state.logger_guard.intact()) return false;
    Ref dict_ref = Ref::steal(PyObject_GenericGetDict(logger, nullptr));
    if (!dict_ref) raise();
    PyObject* dict = dict_ref.get();
    if (!PyDict_CheckExact(dict)) return false;
    // An instance attribute info or isEnabledFor (a mock, a wrapper) is called.
    if (PyDict_GetItemWithError(dict, id<"info">()) || PyDict_GetItemWithError(dict, id<"isEnabledFor">())) {
        return false;
    }
    if (PyErr_Occurred()) raise();
    PyObject* disabled = PyDict_GetItemWithError(dict, id<"disabled">());
    PyObject* cache = disabled == Py_False ? PyDict_GetItemWithError(dict, id<"_cache">()) : nullptr;
    PyObject* enabled = cache && PyDict_CheckExact(cache) ? PyDict_GetItemWithError(cache, state.info_level) : nullptr;
    if (PyErr_Occurred()) raise();
    return enabled == Py_False;
}

}  // namespace vexal::stepline
