#include "vexal_rt/init_slot.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/boundary.hpp"
#include "vexal_rt/names.hpp"
#include "vexal_rt/type_lookup.hpp"

#include <algorithm>

namespace vexal_rt {

namespace {

// func(first, *args, **kwargs)
PyObject* call_prepended(PyObject* func, PyObject* first, PyObject* args, PyObject* kwargs) {
    Py_ssize_t n = PyTuple_GET_SIZE(args);
    Ref all = Ref::steal(PyTuple_New(n + 1));
    if (!all) return nullptr;
    PyTuple_SET_ITEM(all.get(), 0, Py_NewRef(first));
    for (Py_ssize_t i = 0; i < n; ++i) PyTuple_SET_ITEM(all.get(), i + 1, Py_NewRef(PyTuple_GET_ITEM(args, i)));
    return PyObject_Call(func, all.get(), kwargs);
}

}  // namespace

int generic_init(PyObject* self, PyObject* args, PyObject* kwargs) {
    return guarded(-1, [&] {
        Ref func = type_lookup(Py_TYPE(self), id<"__init__">());
        if (!func) raise(PyExc_AttributeError, "__init__");
        Ref result;
        if (PyFunction_Check(func.get()) || Py_TYPE(func.get())->tp_flags & Py_TPFLAGS_METHOD_DESCRIPTOR) {
            result = check(call_prepended(func.get(), self, args, kwargs));
        } else {
            descrgetfunc get = Py_TYPE(func.get())->tp_descr_get;
            Ref bound = get ? check(get(func.get(), self, reinterpret_cast<PyObject*>(Py_TYPE(self)))) : func;
            result = check(PyObject_Call(bound.get(), args, kwargs));
        }
        if (!result.is(Py_None)) {
            raise_format(PyExc_TypeError, "__init__() should return None, not '%.200s'", Py_TYPE(result.get())->tp_name);
        }
        return 0;
    });
}

bool match_arguments(PyObject* args, PyObject* kwargs, std::span<PyObject* const> names, size_t required,
                     PyObject** out) {
    size_t positional = static_cast<size_t>(PyTuple_GET_SIZE(args));
    if (positional > names.size()) return false;
    for (size_t i = 0; i < positional; ++i) out[i] = PyTuple_GET_ITEM(args, i);
    size_t filled = std::min(positional, required);
    if (kwargs) {
        Py_ssize_t pos = 0;
        PyObject *key, *value;
        while (PyDict_Next(kwargs, &pos, &key, &value)) {
            size_t i = 0;
            while (i < names.size() && names[i] != key) ++i;  // keywords of a call are mostly interned
            if (i == names.size()) {
                if (!PyUnicode_Check(key)) return false;
                i = 0;
                while (i < names.size() && PyUnicode_Compare(names[i], key) != 0) ++i;
            }
            if (i == names.size() || i < positional) return false;
            out[i] = value;
            if (i < required) ++filled;
        }
    }
    return filled >= required;
}

}  // namespace vexal_rt
