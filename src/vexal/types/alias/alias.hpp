// Shared declarations of the alias module's sources.
#pragma once
#include "vexal_rt/alias_state.hpp"
#include "vexal_rt/runtime.hpp"

namespace vexal::alias {

// Process-wide module state: the module initialises once per process and
// keeps these objects for its whole life.
// ABCMeta's answer for exact floats and ints, kept while abc's cache token is
// unchanged: the token moves on every register() anywhere, which is also
// when ABCMeta stops trusting its own negative caches.
struct PlainNumberAnswers {
    unsigned long long token = ~0ULL;
    bool float_is = false;
    bool int_is = false;
};

struct State {
    PyObject* has_alias = nullptr;
    PyObject* alias_float = nullptr;
    PyObject* alias_tuple = nullptr;
    bool py2 = false;
    PyObject* abc_instancecheck = nullptr;  // what ABCMeta.__instancecheck__ calls
    PyObject* abc_cache_token = nullptr;    // abc.get_cache_token
    FastPath abc_path;          // isinstance through ABCMeta's own __instancecheck__
    FastPath has_alias_path;    // HasAlias.__init__ and the alias property done here
    FastPath alias_float_path;  // AliasFloat's construction, operators and text
    FastPath alias_tuple_path;  // AliasTuple's text
    PlainNumberAnswers plain_answers;  // whether AliasFloat counts plain floats and ints as its own
};
extern State state;

Ref sizeof_fmt(PyObject* num);
Ref sizeof_fmt(double num);

// isinstance(obj, AliasFloat), calling the ABC machinery directly while
// ABCMeta's __instancecheck__ is the standard one.
bool is_alias_float(PyObject* obj);

// str() of an exact AliasFloat while its classes are unpatched and its
// instance dictionary holds only the alias state; empty otherwise.
Ref fast_str(PyObject* self);

// HasAlias.__init__ as found on the class now, called with these arguments.
void init_has_alias(PyObject* self, PyObject* own_text, PyObject* alias);

void init_has_alias_fields(PyObject* self, PyObject* own_text, PyObject* alias);

// The same effect, setting _alias without going through the alias property:
// only for values whose class guards hold (HasAlias.__init__ and the alias
// property are the module's own).
void init_has_alias_direct(PyObject* self, PyObject* own_text, PyObject* alias);

void register_sizeof_fmt(PyObject* module);
void register_has_alias(PyObject* module);
void register_alias_float(PyObject* module);
void register_alias_tuple(PyObject* module);

}  // namespace vexal::alias
