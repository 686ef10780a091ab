#include "vexal_rt/fast_path.hpp"

#include "vexal_rt/call.hpp"

#include <string_view>

namespace vexal_rt {

namespace {

PyObject* code_of(PyObject* value) { return value && PyFunction_Check(value) ? PyFunction_GetCode(value) : nullptr; }

}  // namespace

Ref host_original(const char* module, const char* name) {
    Ref originals = lookup_attr(import(module).get(), Ref(check(PyUnicode_FromString("_originals"))).get());
    if (!originals || !PyDict_Check(originals.get())) return Ref();
    Ref key = check(PyUnicode_FromString(name));
    PyObject* found = PyDict_GetItemWithError(originals.get(), key.get());
    if (!found && PyErr_Occurred()) raise();
    return Ref::borrow(found);
}

bool is_numpy_function(PyObject* value, PyObject* name) {
    std::string_view type = Py_TYPE(value)->tp_name;
    if (type != "numpy.ufunc" && type != "numpy._ArrayFunctionDispatcher") return false;
    for (auto [attribute, expected] : {std::pair{id<"__name__">(), name}, {id<"__module__">(), id<"numpy">()}}) {
        Ref actual = lookup_attr(value, attribute);
        if (!actual || !PyUnicode_Check(actual.get()) || PyUnicode_Compare(actual.get(), expected) != 0) return false;
    }
    return true;
}

FastPath& FastPath::global(PyObject* dict, const char* name, Original original) {
    PyObject* interned = PyUnicode_InternFromString(name);
    if (!interned) raise();
    PyObject* code = code_of(original.object);
    globals_.push_back({Py_NewRef(dict), interned, original, Py_XNewRef(code), nullptr});
    Py_XINCREF(original.object);
    return *this;
}

FastPath& FastPath::attributes(PyObject* type, std::initializer_list<const char*> names) {
    classes_.emplace_back().watch(type, names);
    return *this;
}

FastPath& FastPath::also(const FastPath& other) {
    classes_.insert(classes_.end(), other.classes_.begin(), other.classes_.end());
    for (const Entry& entry : other.globals_) {
        globals_.push_back(entry);
        Py_XINCREF(entry.accepted);  // each entry releases its own when it accepts another
    }
    return *this;
}

bool FastPath::Entry::holds() {
    // The value is only compared, never used: a borrowed one is enough even
    // if the lookup ran a colliding key's __eq__.
    PyObject* value = PyDict_GetItemWithError(dict, name);
    if (!value) {
        if (PyErr_Occurred()) raise();
        return false;
    }
    if (original.recognise) {
        if (value == accepted) return true;
        if (!original.recognise(value)) return false;
        Py_XSETREF(accepted, Py_NewRef(value));
        return true;
    }
    return value == original.object && code_of(value) == code;
}

}  // namespace vexal_rt
