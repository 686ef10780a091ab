// The one guard of every fast path.
//
// A hot function has a general path that looks names up at call time (module
// globals, attributes of other modules, methods of classes) and a fast path
// that does the same work without the lookups. A FastPath states what the
// fast path stands for; it may be taken only while each of those names still
// resolves to the package's own original:
//
//     FastPath operators;
//     operators.global(state.globals, "generic_op", host_original("vexal.utils", "generic_op"))
//              .global(state.globals, "Phasor", phasor_class)
//              .attributes(phasor_class, {"__new__", "has_custom_alias", "alias"});
//     ...
//     if (operators.holds()) { /* the shortcut */ }
//
// An original is an object the module knows by what it is: a class it made, a
// built-in type, the host's function kept under the host's private name, or
// one an `Original` recogniser accepts (np.pi by its value). What happened to
// be bound at import is never trusted: a replacement made before the import
// turns the fast path off as surely as one made after. Class attributes are
// checked through the type's version tag, so replacing them on the class, on
// a base, or replacing __getattribute__/__getattr__ is seen as well.
#pragma once
#include "vexal_rt/names.hpp"
#include "vexal_rt/ref.hpp"
#include "vexal_rt/type_guard.hpp"

#include <initializer_list>
#include <string_view>
#include <vector>

namespace vexal_rt {

// What counts as the own original of one name.
struct Original {
    using Recognise = bool (*)(PyObject*);
    PyObject* object = nullptr;     // this object; none when unknown: the name never holds
    Recognise recognise = nullptr;  // or whatever this accepts

    Original(PyObject* o) : object(o) {}
    Original(const Ref& o) : object(o.get()) {}
    Original(Recognise r) : recognise(r) {}
};

// The function the host module `module` defines as `name`, as it keeps it
// in its private `_originals` table whatever its public name is bound to
// later; a host without the table has no originals, and fast paths that
// stand for its functions are never taken.
Ref host_original(const char* module, const char* name);

// numpy's own function `Name` (a ufunc such as cos, or a dispatched function
// such as angle), known by its C type, its name and its module rather than by
// what numpy.<Name> was bound to at import.
bool is_numpy_function(PyObject* value, PyObject* name);
template <Literal Name>
bool is_numpy_function(PyObject* value) {
    return is_numpy_function(value, id<Name>());
}

// A Python function a library module defines, known by its module, its
// code's name and the file its code comes from (`package/file.py`, whichever
// the path separator), rather than by what the name was bound to at import.
bool is_library_function(PyObject* value, const char* module, const char* name, std::string_view file);

class FastPath {
public:
    // `name` in the namespace `dict` (a module's globals or another module's
    // dict) is `original`. A Python function also keeps its code.
    FastPath& global(PyObject* dict, const char* name, Original original);
    // The attributes `names` of `type`, with __getattribute__ and __getattr__.
    FastPath& attributes(PyObject* type, std::initializer_list<const char*> names);
    // Everything `other` stands for, as declared so far.
    FastPath& also(const FastPath& other);

    bool holds() {
        for (TypeGuard& guard : classes_) {
            if (!guard.intact()) return false;
        }
        for (Entry& entry : globals_) {
            if (!entry.holds()) return false;
        }
        return true;
    }

private:
    // The references are kept for the process, as the module state does.
    struct Entry {
        PyObject* dict;
        PyObject* name;
        Original original;
        PyObject* code;      // the original function's code, or null
        PyObject* accepted;  // the last value the recogniser accepted
        bool holds();
    };
    std::vector<TypeGuard> classes_;
    std::vector<Entry> globals_;
};

}  // namespace vexal_rt
