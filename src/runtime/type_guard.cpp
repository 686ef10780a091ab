#include "vexal_rt/type_guard.hpp"

namespace vexal_rt {

// The guard is keyed on the type's version tag, which the interpreter's own
// type lookup assigns when a type has none; 3.11 offers no public call that
// does so, hence _PyType_Lookup here and the public MRO walk elsewhere.

void TypeGuard::watch(PyObject* type, std::initializer_list<const char*> names) {
    type_ = reinterpret_cast<PyTypeObject*>(Py_NewRef(type));
    auto add = [this](const char* name) {
        PyObject* interned = PyUnicode_InternFromString(name);
        if (!interned) raise();
        PyObject* value = _PyType_Lookup(type_, interned);
        expected_.emplace_back(interned, Py_XNewRef(value));
    };
    add("__getattribute__");
    add("__getattr__");
    for (const char* name : names) add(name);
    intact_tag_ = broken_tag_ = 0;
}

bool TypeGuard::revalidate() {
    bool same = true;
    for (auto& [name, value] : expected_) {
        if (_PyType_Lookup(type_, name) != value) same = false;
    }
    // The lookups gave the type a version tag if it had none.
    (same ? intact_tag_ : broken_tag_) = type_->tp_version_tag;
    return same;
}

}  // namespace vexal_rt
