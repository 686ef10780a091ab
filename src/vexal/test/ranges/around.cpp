// around: a value range stated as a centre and a tolerance.
#include "ranges.hpp"

namespace vexal::ranges {
namespace {

bool is_plain_number(PyObject* value) { return PyFloat_Check(value) || PyLong_Check(value); }

// The tolerance in the type of the centre value (a Timedelta centre makes a
// Timedelta tolerance; a bare number then means seconds).
Ref in_type_of(PyObject* val, Ref tol) {
    if (is_plain_number(val)) return tol;
    return call(reinterpret_cast<PyObject*>(Py_TYPE(val)), tol.get());
}

Ref around(FunctionObject*, PyObject* const* args) {
    PyObject *val = args[0], *tol_arg = args[1], *tol_p = args[2];
    Ref tol, alias;
    if (tol_arg == Py_None) {
        tol = check(PyNumber_Absolute(check(PyNumber_Multiply(val, tol_p)).get()));
        tol = in_type_of(val, std::move(tol));
        Ref percent = check(PyNumber_Multiply(tol_p, Ref(check(PyLong_FromLong(100))).get()));
        alias = call_method(id<"{} \u00b1 {:g}% [{}]">(), id<"format">(), val, percent.get(), tol.get());
    } else {
        Ref tol_alias = lookup_attr(tol_arg, id<"alias">());
        tol = check(PyNumber_Absolute(tol_arg));
        tol = in_type_of(val, std::move(tol));
        tol = check(PyNumber_Absolute(tol.get()));
        PyObject* shown = tol_alias && tol_alias.get() != Py_None ? tol_alias.get() : tol.get();
        alias = call_method(id<"{} \u00b1 {}">(), id<"format">(), val, shown);
    }
    Ref lower = check(PyNumber_Subtract(val, tol.get()));
    Ref upper = check(PyNumber_Add(val, tol.get()));
    Ref limits = check(PyTuple_Pack(2, lower.get(), upper.get()));
    return call_kw(state.alias_tuple, {limits.get(), alias.get(), Py_True}, state.alias_tuple_keywords);
}

const FunctionDef around_def{"around", "val, tol, tol_p", around,
                             R"(Range around a value.

Parameters
----------
val : number-like
    Centre value: int, float, AliasFloat, Timedelta, Phasor...
tol : number-like, optional
    Absolute tolerance. Its magnitude is used.
tol_p : float, optional
    Relative tolerance as a fraction of ``val`` (0.05 is 5 %). Default 0.05.

Returns
-------
AliasTuple
    Range as a tuple of val-tol and val+tol, with an alias stating the centre and the tolerance.

Notes
-----
If both tolerances are defined, the absolute tolerance is used.

Examples
--------
>>> around(5, tol=1)
5 ± 1 [(4, 6)]
>>> around(5)
5 ± 5% [0.25] [(4.75, 5.25)]
)"};

}  // namespace

void register_around(PyObject* module) {
    Ref defaults = check(Py_BuildValue("(Od)", Py_None, 0.05));
    check_status(
        PyModule_AddObjectRef(module, "around", make_function(around_def, {.module = module, .defaults = defaults.get()}).get()));
}

}  // namespace vexal::ranges
