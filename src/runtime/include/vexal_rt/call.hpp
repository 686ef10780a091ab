// Calls, attribute access and the small Python operations every module uses,
// each throwing PyError on failure.
#pragma once
#include "vexal_rt/boundary.hpp"

#include <initializer_list>

namespace vexal_rt {

template <class... A>
Ref call(PyObject* callable, A... args) {
    PyObject* stack[] = {nullptr, args...};
    return check(PyObject_Vectorcall(callable, stack + 1, sizeof...(A) | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                     nullptr));
}

// Calls with keyword arguments: `values` holds the positional values followed
// by one value per name of `kwnames` (a tuple of str).
inline Ref call_kw(PyObject* callable, std::initializer_list<PyObject*> values, PyObject* kwnames) {
    Py_ssize_t positional = static_cast<Py_ssize_t>(values.size()) - PyTuple_GET_SIZE(kwnames);
    return check(PyObject_Vectorcall(callable, values.begin(), positional, kwnames));
}

// callable(*args, **kwargs) for a positional tuple and a keyword dict (or
// None), as a wrapper function receives them.
Ref call_with(PyObject* callable, PyObject* args, PyObject* kwargs);

// obj.name(args...), found the way the interpreter finds it (instance
// attributes first), without creating a bound method.
template <class... A>
Ref call_method(PyObject* self, PyObject* name, A... args) {
    PyObject* stack[] = {self, args...};
    return check(PyObject_VectorcallMethod(name, stack, (1 + sizeof...(A)) | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                           nullptr));
}

inline Ref getattr(PyObject* obj, PyObject* name) { return check(PyObject_GetAttr(obj, name)); }

// The attribute, or an empty Ref when reading it raises AttributeError
// (which is cleared without ever being created where the type allows it).
inline Ref lookup_attr(PyObject* obj, PyObject* name) {
    PyObject* result = nullptr;
#if PY_VERSION_HEX >= 0x030D0000
    check_status(PyObject_GetOptionalAttr(obj, name, &result));
#else
    check_status(_PyObject_LookupAttr(obj, name, &result));
#endif
    return Ref::steal(result);
}

inline void setattr(PyObject* obj, PyObject* name, PyObject* value) {
    check_status(PyObject_SetAttr(obj, name, value));
}

inline bool truthy(PyObject* obj) { return check_status(PyObject_IsTrue(obj)) != 0; }

// PyObject_IsInstance, shortened for classes made by abc.ABCMeta.
int is_instance(PyObject* obj, PyObject* cls);

inline bool isinstance(PyObject* obj, PyObject* cls) { return check_status(is_instance(obj, cls)) != 0; }

inline Ref compare(PyObject* a, PyObject* b, int op) { return check(PyObject_RichCompare(a, b, op)); }

// format(obj, spec): what str.format does for one replacement field.
inline Ref format(PyObject* obj, PyObject* spec) { return check(PyObject_Format(obj, spec)); }

inline Ref str(PyObject* obj) { return check(PyObject_Str(obj)); }

inline Ref text(const char* utf8) { return check(PyUnicode_FromString(utf8)); }

// The texts joined end to end into one str; each must be a str.
Ref concat(std::initializer_list<PyObject*> texts);

inline Ref import(const char* module) { return check(PyImport_ImportModule(module)); }

inline Ref import_attr(const char* module, PyObject* name) { return getattr(import(module).get(), name); }

// Appends the parts of a text built piece by piece.
class TextBuilder {
public:
    void add(PyObject* piece) {
        if (!text_) {
            text_ = Ref::borrow(piece);
            return;
        }
        PyObject* joined = text_.release();
        PyUnicode_Append(&joined, piece);
        text_ = check(joined);
    }
    void add(const char* ascii) { add(Ref(text(ascii)).get()); }
    Ref finish() { return text_ ? std::move(text_) : text(""); }

private:
    Ref text_;
};

}  // namespace vexal_rt
