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

// AliasTuple(limits, alias=alias, child_original_str=True). While its class
// and metaclass are unchanged this does what that call does (tuple.__new__,
// then the class's own __init__ slot) without packing keyword arguments.
Ref make_range(PyObject* limits, PyObject* alias) {
    if (!state.make_range.holds()) {
        return call_kw(state.alias_tuple, {limits, alias, Py_True}, kwnames<"alias", "child_original_str">());
    }
    auto* type = reinterpret_cast<PyTypeObject*>(state.alias_tuple);
    Ref new_args = check(PyTuple_Pack(1, limits));
    Ref range = check(PyTuple_Type.tp_new(type, new_args.get(), nullptr));
    Ref keywords = check(PyDict_New());
    check_status(PyDict_SetItem(keywords.get(), id<"alias">(), alias));
    check_status(PyDict_SetItem(keywords.get(), id<"child_original_str">(), Py_True));
    check_status(type->tp_init(range.get(), new_args.get(), keywords.get()));
    return range;
}

Ref around(FunctionObject*, PyObject* const* args) {
    PyObject *val = args[0], *tol_arg = args[1], *tol_p = args[2];
    Ref tol, alias;
    if (tol_arg == Py_None) {
        tol = check(PyNumber_Absolute(check(PyNumber_Multiply(val, tol_p)).get()));
        tol = in_type_of(val, std::move(tol));
        Ref percent = check(PyNumber_Multiply(tol_p, Ref(check(PyLong_FromLong(100))).get()));
        // "{} \u00b1 {:g}% [{}]".format(val, percent, tol), field by field as str.format does it
        Ref percent_text = PyFloat_CheckExact(percent.get()) ? float_format_g(PyFloat_AS_DOUBLE(percent.get()))
                                                             : format(percent.get(), id<"g">());
        alias = concat({plain_text(val).get(), id<" \u00b1 ">(), percent_text.get(), id<"% [">(),
                        plain_text(tol.get()).get(), id<"]">()});
    } else {
        Ref tol_alias = lookup_attr(tol_arg, id<"alias">());
        tol = check(PyNumber_Absolute(tol_arg));
        tol = in_type_of(val, std::move(tol));
        tol = check(PyNumber_Absolute(tol.get()));
        PyObject* shown = tol_alias && tol_alias.get() != Py_None ? tol_alias.get() : tol.get();
        alias = concat({plain_text(val).get(), id<" \u00b1 ">(), plain_text(shown).get()});
    }
    Ref lower = check(PyNumber_Subtract(val, tol.get()));
    Ref upper = check(PyNumber_Add(val, tol.get()));
    Ref limits = check(PyTuple_Pack(2, lower.get(), upper.get()));
    return make_range(limits.get(), alias.get());
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
    add_function(module, around_def, {.defaults = defaults.get()});
}

}  // namespace vexal::ranges
