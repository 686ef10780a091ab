#include "vexal_rt/with.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/type_lookup.hpp"

namespace vexal_rt {
namespace {

// A special method found on the type and bound to obj; empty if the type has
// none.
Ref lookup_special(PyObject* obj, PyObject* name) {
    Ref found = type_lookup(Py_TYPE(obj), name);
    if (!found) return Ref();
    descrgetfunc get = Py_TYPE(found.get())->tp_descr_get;
    if (!get) return found;
    return check(get(found.get(), obj, reinterpret_cast<PyObject*>(Py_TYPE(obj))));
}

}  // namespace

ContextManager::ContextManager(PyObject* manager) {
    Ref enter = lookup_special(manager, id<"__enter__">());
    if (!enter) {
        raise_format(PyExc_TypeError, "'%.200s' object does not support the context manager protocol",
                     Py_TYPE(manager)->tp_name);
    }
    exit_ = lookup_special(manager, id<"__exit__">());
    if (!exit_) {
        raise_format(PyExc_TypeError,
                     "'%.200s' object does not support the context manager protocol (missed __exit__ method)",
                     Py_TYPE(manager)->tp_name);
    }
    entered_ = call(enter.get());
}

bool call_exit(PyObject* exit, PyObject* exc) {
    if (!exc) {
        call(exit, Py_None, Py_None, Py_None);
        return false;
    }
    Ref traceback = Ref::steal(PyException_GetTraceback(exc));
    Handling handling(exc);
    Ref suppress = call(exit, reinterpret_cast<PyObject*>(Py_TYPE(exc)), exc, traceback ? traceback.get() : Py_None);
    return truthy(suppress.get());
}

bool exit_with_error(PyObject* exit) noexcept {
    SavedError error;
    try {
        bool suppressed = call_exit(exit, error.value());
        if (suppressed) error.take();
        return suppressed;
    } catch (...) {
        error.take();  // replaced by what __exit__ raised
        set_error_from_exception();
        return false;
    }
}

}  // namespace vexal_rt
