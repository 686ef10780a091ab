// Recognising a step logger that drops INFO records, without calling into
// logging: Logger.info then does nothing but ask isEnabledFor, which answers
// from the logger's level cache (cleared by logging whenever a level
// changes) once it has been asked before.
#include "stepline.hpp"

namespace vexal::stepline {

void setup_info_gate(PyObject* logging) {
    state.logger_class = getattr(logging, id<"Logger">()).release();
    state.info_level = getattr(logging, id<"INFO">()).release();
    state.logger_path.attributes(state.logger_class, {"info", "isEnabledFor"});
}

namespace {

// dict[key] as a new reference, or empty when the key is missing.
Ref item(PyObject* dict, PyObject* key) {
    PyObject* value = PyDict_GetItemWithError(dict, key);
    if (!value && PyErr_Occurred()) raise();
    return Ref::borrow(value);
}

}  // namespace

bool info_is_off(PyObject* logger) {
    if (Py_TYPE(logger) != reinterpret_cast<PyTypeObject*>(state.logger_class)) return false;
    if (!state.logger_path.holds()) return false;
    Ref dict = check(PyObject_GenericGetDict(logger, nullptr));
    if (!PyDict_CheckExact(dict.get())) return false;
    // An instance attribute info or isEnabledFor (a mock, a wrapper) is called.
    // A lookup may run the __eq__ of a stored key whose hash collides with the
    // name looked up; if that replaced the logger's __dict__, the logger is
    // asked the long way.
    bool shadowed = item(dict.get(), id<"info">()) || item(dict.get(), id<"isEnabledFor">());
    Ref disabled = item(dict.get(), id<"disabled">());
    Ref cache = disabled.is(Py_False) ? item(dict.get(), id<"_cache">()) : Ref();
    Ref enabled = cache && PyDict_CheckExact(cache.get()) ? item(cache.get(), state.info_level) : Ref();
    if (shadowed || !enabled.is(Py_False)) return false;
    return Ref(check(PyObject_GenericGetDict(logger, nullptr))).is(dict.get());
}

}  // namespace vexal::stepline
