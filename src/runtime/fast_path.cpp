#include "vexal_rt/fast_path.hpp"

#include "vexal_rt/call.hpp"

#include <string_view>

namespace vexal_rt {

namespace {

PyObject* code_of(PyObject* value) { return value && PyFunction_Check(value) ? PyFunction_GetCode(value) : nullptr; }

// `path` ends in a separator and `file`, whose '/' stand for either separator.
bool path_ends_with(std::string_view path, std::string_view file) {
    if (path.size() <= file.size()) return false;
    std::string_view tail = path.substr(path.size() - file.size() - 1);
    auto separator = [](char c) { return c == '/' || c == '\\'; };
    if (!separator(tail[0])) return false;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '/' ? !separator(tail[i + 1]) : tail[i + 1] != file[i]) return false;
    }
    return true;
}

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

bool is_library_function(PyObject* value, const char* module, const char* name, std::string_view file) {
    if (!PyFunction_Check(value)) return false;
    Ref function_module = Ref::borrow(PyFunction_GetModule(value));  // null once deleted
    Ref code_name = getattr(PyFunction_GetCode(value), id<"co_name">());
    Ref code_file = getattr(PyFunction_GetCode(value), id<"co_filename">());
    Py_ssize_t length = 0;
    const char* path = PyUnicode_Check(code_file.get()) ? PyUnicode_AsUTF8AndSize(code_file.get(), &length) : nullptr;
    if (!path) return PyErr_Clear(), false;  // a path that is no UTF-8 str is no library's file here
    return function_module && is_text(function_module.get(), module) && is_text(code_name.get(), name) &&
           path_ends_with({path, static_cast<size_t>(length)}, file);
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
