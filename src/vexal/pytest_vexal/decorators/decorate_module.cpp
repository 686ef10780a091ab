// decorate_module_public_attr: replace the public functions of a module by
// decorated versions.
#include "decorators.hpp"

namespace vexal::decorators {
namespace {

// While the module's inspect.getmembers and builtins are the standard ones,
// the builtins are compared directly.
bool builtins_read_directly(PyObject* builtins) {
    if (!state.builtin_members.holds()) return false;
    // A module-level __dir__ would change the names inspect.getmembers visits.
    return !PyDict_GetItemWithError(PyModule_GetDict(builtins), id<"__dir__">()) && !PyErr_Occurred();
}

// The members of the builtins module in name order: what
// inspect.getmembers(builtins) visits.
Ref builtin_members(PyObject* builtins) {
    Ref names = check(PyDict_Keys(PyModule_GetDict(builtins)));
    check_status(PyList_Sort(names.get()));
    Ref members = check(PyList_New(0));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(names.get()); ++i) {
        Ref value = lookup_attr(builtins, PyList_GET_ITEM(names.get(), i));
        if (value) check_status(PyList_Append(members.get(), value.get()));
    }
    return members;
}

// lambda y: y == x
Ref equals_candidate(FunctionObject* self, PyObject* const* args) {
    return compare(args[0], captured(self, 0), Py_EQ);
}

const FunctionDef equals_candidate_def{"<lambda>", "y", equals_candidate};

// Whether some member of the builtins module compares equal to x, every
// member being compared as inspect.getmembers(builtins, lambda y: y == x)
// compares them.
bool equals_a_builtin(PyObject* x, PyObject* members) {
    Ref inspect = state.global(id<"inspect">());
    Ref getmembers = getattr(inspect.get(), id<"getmembers">());
    Ref builtins = state.global(id<"builtins">());
    if (members && builtins_read_directly(builtins.get())) {
        bool found = false;
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(members); ++i) {
            Ref member = Ref::borrow(PyList_GET_ITEM(members, i));
            if (truthy(compare(member.get(), x, Py_EQ).get())) found = true;
        }
        return found;
    }
    Ref closure = check(PyTuple_Pack(1, x));
    Ref predicate = make_function(equals_candidate_def,
                                  {.module = state.module,
                                   .qualname = id<"decorate_module_public_attr.<locals>.<lambda>.<locals>.<lambda>">(),
                                   .closure = closure.get()});
    Ref found = call(getmembers.get(), builtins.get(), predicate.get());
    return truthy(found.get());
}

// lambda x: callable(x) and not inspect.isclass(x) and not <x equals a builtin>
// Captures the builtins' members (or None) listed once per selection.
Ref is_candidate(FunctionObject* self, PyObject* const* args) {
    PyObject* x = args[0];
    if (!PyCallable_Check(x)) return boolean(false);
    if (truthy(call_method(state.global(id<"inspect">()).get(), id<"isclass">(), x).get())) return boolean(false);
    PyObject* members = captured(self, 0);
    return boolean(!equals_a_builtin(x, members == Py_None ? nullptr : members));
}

const FunctionDef is_candidate_def{"<lambda>", "x", is_candidate};

Ref candidate_predicate() {
    Ref builtins = state.global(id<"builtins">());
    Ref members = builtins_read_directly(builtins.get()) ? builtin_members(builtins.get()) : none();
    Ref closure = check(PyTuple_Pack(1, members.get()));
    return make_function(is_candidate_def, {.module = state.module,
                                            .qualname = id<"decorate_module_public_attr.<locals>.<lambda>">(),
                                            .closure = closure.get()});
}

bool is_private(PyObject* name) {
    if (PyUnicode_Check(name)) return PyUnicode_GET_LENGTH(name) > 0 && PyUnicode_READ_CHAR(name, 0) == '_';
    return truthy(call_method(name, id<"startswith">(), id<"_">()).get());
}

bool contains(PyObject* container, PyObject* name) { return check_status(PySequence_Contains(container, name)) != 0; }

Ref decorate_module_public_attr(FunctionObject*, PyObject* const* args) {
    PyObject *module = args[0], *decorator = args[1], *exclusion_list = args[2], *inclusion_list = args[3];
    PyObject* exclude_private = args[4];
    Ref members = call_method(state.global(id<"inspect">()).get(), id<"getmembers">(), module,
                              candidate_predicate().get());
    Ref no_names = check(PyTuple_New(0));
    Ref pairs = check(PyObject_GetIter(members.get()));
    while (Ref pair = next_item(pairs.get())) {
        Ref name = check(PySequence_GetItem(pair.get(), 0));
        Ref value = check(PySequence_GetItem(pair.get(), 1));
        if (is_private(name.get()) && truthy(exclude_private)) continue;
        if (contains(exclusion_list, name.get())) continue;
        if (truthy(compare(inclusion_list, no_names.get(), Py_EQ).get()) || contains(inclusion_list, name.get())) {
            setattr(module, name.get(), call(decorator, value.get()).get());
        }
    }
    return none();
}

const FunctionDef decorate_module_public_attr_def{
    "decorate_module_public_attr", "module, decorator, exclusion_list, inclusion_list, exclude_private",
    decorate_module_public_attr,
    R"(Replace the public functions of a module by decorated versions.

Parameters
----------
module : module or object
    Its callable attributes that are neither classes nor members of the
    ``builtins`` module are the candidates, visited in name order
    (``inspect.getmembers``).
decorator : callable
    Called once per selected attribute; its result replaces the attribute.
exclusion_list : container of str
    Names never decorated (exclusion wins over inclusion).
inclusion_list : container of str
    Names to decorate; the empty tuple ``()`` (the default) selects every
    candidate, while any other empty container selects none.
exclude_private : bool
    Skip names beginning with "_" (default True).

Returns
-------
None

Examples
--------
>>> decorate_module_public_attr(api, step_with_alias_decorator, exclusion_list=("connect",))
)"};

}  // namespace

void register_decorate_module(PyObject* module) {
    Ref inspect = import("inspect");
    state.builtin_members.global(state.globals, "inspect", inspect)
        .global(PyModule_GetDict(inspect.get()), "getmembers", getattr(inspect.get(), id<"getmembers">()))
        .global(state.globals, "builtins", import("builtins"));
    Ref defaults = check(Py_BuildValue("(()()O)", Py_True));
    add_function(module, decorate_module_public_attr_def, {.defaults = defaults.get()});
}

}  // namespace vexal::decorators
