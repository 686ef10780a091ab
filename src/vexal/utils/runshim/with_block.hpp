// The with statement: a body run between a context manager's __enter__ and
// __exit__, with an exception of the body offered to __exit__.
#pragma once
#include "vexal_rt/call.hpp"
#include "vexal_rt/names.hpp"

namespace vexal::runshim {

using namespace vexal_rt;

// The exception being raised, taken out of the error indicator.
class Raised {
public:
    static Raised take() {
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);
        if (traceback) PyException_SetTraceback(value, traceback);
        return Raised(type, value, traceback);
    }
    PyObject* type() const { return type_.get(); }
    PyObject* value() const { return value_.get(); }
    PyObject* traceback() const { return traceback_ ? traceback_.get() : Py_None; }
    [[noreturn]] void rethrow() {
        PyErr_Restore(type_.release(), value_.release(), traceback_.release());
        raise();
    }

private:
    Raised(PyObject* type, PyObject* value, PyObject* traceback)
        : type_(Ref::steal(type)), value_(Ref::steal(value)), traceback_(Ref::steal(traceback)) {}
    Ref type_, value_, traceback_;
};

// Marks an exception as the one being handled, as an except clause does, so
// that an exception raised meanwhile gets it as its __context__.
class Handling {
public:
    explicit Handling(PyObject* exc) : previous_(Ref::steal(PyErr_GetHandledException())) {
        PyErr_SetHandledException(exc);
    }
    ~Handling() { PyErr_SetHandledException(previous_.get()); }
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;

private:
    Ref previous_;
};

// A special method found on the type and bound to obj, as the with
// statement finds it.
inline Ref special_method(PyObject* obj, PyObject* name, const char* missing) {
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(obj));
    Ref found = lookup_attr(type, name);
    if (!found) {
        raise_format(PyExc_TypeError, "'%.200s' object does not support the context manager protocol%s",
                     Py_TYPE(obj)->tp_name, missing);
    }
    descrgetfunc get = Py_TYPE(found.get())->tp_descr_get;
    if (!get) return found;
    return check(get(found.get(), obj, type));
}

// with manager: body()
template <class Body>
void with_block(PyObject* manager, Body&& body) {
    Ref enter = special_method(manager, id<"__enter__">(), "");
    Ref exit = special_method(manager, id<"__exit__">(), " (missed __exit__ method)");
    call(enter.get());
    try {
        body();
    } catch (const PyError&) {
        Raised raised = Raised::take();
        Ref suppress;
        {
            Handling handling(raised.value());
            suppress = call(exit.get(), raised.type(), raised.value(), raised.traceback());
        }
        if (truthy(suppress.get())) return;
        raised.rethrow();
    }
    call(exit.get(), Py_None, Py_None, Py_None);
}

}  // namespace vexal::runshim
