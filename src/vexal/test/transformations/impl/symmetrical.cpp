// Symmetrical components of three phase values, the phase values of three
// sequence components, and the balanced sets the components stand for.
//
// The general path is numpy's (np.array, np.dot or the product with an
// array, then recursive_map to the first argument's type). Three complex
// values (Phasors included) are combined directly, which agrees with np.dot
// to within 2 ulp of the largest term, while the module's np and
// recursive_map are the ones it imported.
#include "impl.hpp"

#include <cmath>
#include <numbers>

namespace vexal::transformations {
namespace {

using std::numbers::pi;

// numpy's complex product: (ar*br - ai*bi) + (ar*bi + ai*br)j
cplx product(cplx x, cplx y) {
    return {x.real() * y.real() - x.imag() * y.imag(), x.real() * y.imag() + x.imag() * y.real()};
}

// The stored value of a complex (or subclass) object, as numpy reads it.
cplx value_of(PyObject* obj) {
    Py_complex c = reinterpret_cast<PyComplexObject*>(obj)->cval;
    return {c.real, c.imag};
}

bool find_phasor_class() {
    PyObject* module = resolve_late(&state.phasors);
    if (!module || !PyModule_Check(module)) return false;
    Ref cls = lookup_attr(module, id<"Phasor">());
    if (!cls || !PyType_Check(cls.get())) return false;
    PyObject* module_dict = PyModule_GetDict(module);
    state.phasor_product.attributes(cls.get(), {"__mul__"})
        .global(module_dict, "generic_op", host_original("vexal.utils", "generic_op"))
        .global(module_dict, "_super", reinterpret_cast<PyObject*>(&PySuper_Type))
        .global(module_dict, "Phasor", cls);
    state.phasor = cls.release();
    return true;
}

// An exact Phasor whose multiplication still declines arrays as defined
// (its module's generic_op the host's own), so that V * array is numpy's
// product of V's value with the array.
bool is_plain_phasor(PyObject* v) {
    if (!PyComplex_Check(v) || PyComplex_CheckExact(v)) return false;
    if (!state.phasor && !find_phasor_class()) return false;
    auto* type = reinterpret_cast<PyTypeObject*>(state.phasor);
    return Py_TYPE(v) == type && state.phasor_product.holds();
}

bool all_complex(PyObject* const* values) {
    return PyComplex_Check(values[0]) && PyComplex_Check(values[1]) && PyComplex_Check(values[2]);
}

// recursive_map(values, func) of the host: func applied to each element. An
// exact complex is what complex() makes of numpy's complex value, and a
// Phasor made from it is the same as one made from numpy's value; any other
// type is handed numpy's complex value, as on the general path.
Ref convert_all(const cplx (&values)[3], PyObject* func) {
    Ref result = check(PyList_New(3));
    for (Py_ssize_t i = 0; i < 3; ++i) {
        Ref value = check(PyComplex_FromDoubles(values[i].real(), values[i].imag()));
        if (func == state.phasor) {
            value = call(func, value.get());
        } else if (func != reinterpret_cast<PyObject*>(&PyComplex_Type)) {
            Ref numpy_value = call(getattr(state.numpy, id<"complex128">()).get(), value.get());
            value = call(func, numpy_value.get());
        }
        PyList_SET_ITEM(result.get(), i, value.release());
    }
    return result;
}

// recursive_map(list(result), type(first)), looked up at call time.
Ref map_to_type(PyObject* result, PyObject* first) {
    Ref items = check(PySequence_List(result));
    return call(state.global(id<"recursive_map">()).get(), items.get(),
                reinterpret_cast<PyObject*>(Py_TYPE(first)));
}

// The values of a C-contiguous 3 x 3 complex128 array (the module's matrix
// as it is now, rebound or changed in place); false for anything else.
bool read_matrix_now(PyObject* matrix, cplx (&out)[3][3]) {
    if (!PyObject_TypeCheck(matrix, state.ndarray)) return false;
    BufferHold hold;
    if (!hold.acquire(matrix, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT)) return false;
    const Py_buffer& view = hold.view();
    if (view.ndim != 2 || view.shape[0] != 3 || view.shape[1] != 3 || !format_matches(view.format, "Zd")) {
        return false;
    }
    const auto* values = static_cast<const double*>(view.buf);
    for (int i = 0; i < 9; ++i) out[i / 3][i % 3] = {values[2 * i], values[2 * i + 1]};
    return true;
}

// dot(matrix, values). Over values of object type numpy reports an
// element's exception as a SystemError caused by it; the element's own
// exception is raised instead.
Ref numpy_dot(PyObject* dot, PyObject* matrix, PyObject* values) {
    PyObject* result = PyObject_CallFunctionObjArgs(dot, matrix, values, nullptr);
    if (result) return Ref::steal(result);
    if (!PyErr_ExceptionMatches(PyExc_SystemError)) raise();
    Ref error = fetch_error();
    // Each nested call that saw the exception adds a SystemError around it.
    for (int depth = 0; depth < 16 && PyErr_GivenExceptionMatches(error.get(), PyExc_SystemError); ++depth) {
        Ref cause = Ref::steal(PyException_GetCause(error.get()));
        if (!cause) cause = Ref::steal(PyException_GetContext(error.get()));
        if (!cause) break;
        error = std::move(cause);
    }
    restore_error(error);
    raise();
}

// np.dot(<matrix global>, np.array([x, y, z])) mapped to the type of x.
Ref transform(PyObject* matrix_name, PyObject* const* args) {
    Ref matrix = state.global(matrix_name);
    cplx m[3][3];
    if (all_complex(args) && state.symmetrical.holds() && read_matrix_now(matrix.get(), m)) {
        is_plain_phasor(args[0]);  // finds the Phasor class once its module is loaded
        cplx in[3] = {value_of(args[0]), value_of(args[1]), value_of(args[2])};
        cplx out[3];
        for (int i = 0; i < 3; ++i) {
            cplx sum = product(m[i][0], in[0]);
            sum += product(m[i][1], in[1]);
            sum += product(m[i][2], in[2]);
            out[i] = sum;
        }
        return convert_all(out, reinterpret_cast<PyObject*>(Py_TYPE(args[0])));
    }
    Ref np = state.global(id<"np">());
    Ref values = check(PyList_New(3));
    for (Py_ssize_t i = 0; i < 3; ++i) PyList_SET_ITEM(values.get(), i, Py_NewRef(args[i]));
    Ref array = call(getattr(np.get(), id<"array">()).get(), values.get());
    return map_to_type(numpy_dot(getattr(np.get(), id<"dot">()).get(), matrix.get(), array.get()).get(), args[0]);
}

Ref symmetrical_components(FunctionObject*, PyObject* const* args) {
    return transform(id<"sym_transformation">(), args);
}

Ref inv_symmetrical_components(FunctionObject*, PyObject* const* args) {
    return transform(id<"inv_sym_transformation">(), args);
}

// np.array([1, 1, 1]), np.array([1, 1/a, 1/a**2]) or np.array([1, 1/a**2, 1/a])
// for the module's a as it is now.
Ref sequence_factors(PyObject* a, int k) {
    Ref one = check(PyLong_FromLong(1)), two = check(PyLong_FromLong(2));
    Ref row;
    if (k == 0) {
        row = check(Py_BuildValue("[OOO]", one.get(), one.get(), one.get()));
    } else {
        Ref inv_a = check(PyNumber_TrueDivide(one.get(), a));
        Ref a2 = check(PyNumber_Power(a, two.get(), Py_None));
        Ref inv_a2 = check(PyNumber_TrueDivide(one.get(), a2.get()));
        row = k == 1 ? check(Py_BuildValue("[OOO]", one.get(), inv_a.get(), inv_a2.get()))
                     : check(Py_BuildValue("[OOO]", one.get(), inv_a2.get(), inv_a.get()));
    }
    return call(getattr(state.global(id<"np">()).get(), id<"array">()).get(), row.get());
}

// V * factors, mapped to the type of V: one balanced set.
Ref sequence_set(PyObject* v, int k) {
    Ref a = state.global(id<"a">());
    bool own_a = state.own_a.holds();
    if ((PyComplex_CheckExact(v) || is_plain_phasor(v)) && state.sequence_sets.holds()) {
        cplx out[3];
        for (int i = 0; i < 3; ++i) out[i] = product(value_of(v), state.sequence_values[k][i]);
        return convert_all(out, reinterpret_cast<PyObject*>(Py_TYPE(v)));
    }
    Ref factors = own_a ? Ref::borrow(state.sequence_factors[k]) : sequence_factors(a.get(), k);
    Ref result = check(PyNumber_Multiply(v, factors.get()));
    return map_to_type(result.get(), v);
}

Ref complete_symmetrical_components(FunctionObject*, PyObject* const* args) {
    Ref sets[3];
    for (int k = 0; k < 3; ++k) sets[k] = sequence_set(args[k], k);
    PyObject* labels[] = {id<"A">(), id<"B">(), id<"C">()};
    for (const Ref& set : sets) {
        Ref first = check(PySequence_GetItem(set.get(), 0));
        if (!isinstance(first.get(), state.has_alias)) continue;
        for (Py_ssize_t i = 0; i < 3; ++i) {
            Ref element = check(PySequence_GetItem(set.get(), i));
            setattr(element.get(), id<"alias">(), labels[i]);
        }
    }
    return check(PyTuple_Pack(3, sets[0].get(), sets[1].get(), sets[2].get()));
}

const FunctionDef symmetrical_def{"symmetrical_components", "Va, Vb, Vc", symmetrical_components,
                                  R"(Calculate the symmetrical values (zero, positive and negative sequence).

Parameters
----------
Va, Vb, Vc : complex or Phasor
    Complex numbers or Phasors of phases a, b and c.

Returns
-------
list
    V0, V1, V2: the zero, positive and negative sequence components, with the
    same type as the input data (the type of ``Va``).

Examples
--------
>>> Va = Phasor(mag=1, angle=0)
>>> Vb = Phasor(mag=1, angle=-120)
>>> Vc = Phasor(mag=1, angle=120)
>>> V0, V1, V2 = symmetrical_components(Va, Vb, Vc)
>>> V1
1.00 ∠ 0.00°
)"};

const FunctionDef inv_symmetrical_def{"inv_symmetrical_components", "V0, V1, V2", inv_symmetrical_components,
                                      R"(Calculate the values of phases a, b and c from the symmetrical components.

Parameters
----------
V0, V1, V2 : complex or Phasor
    Complex numbers or Phasors: the zero, positive and negative sequence
    components.

Returns
-------
list
    Va, Vb, Vc: the values of phases a, b and c, with the same type as the
    input data (the type of ``V0``).

Examples
--------
>>> Va, Vb, Vc = Phasor(mag=277, angle=0), Phasor(mag=177, angle=100), Phasor(mag=200, angle=-140)
>>> Va2, Vb2, Vc2 = inv_symmetrical_components(*symmetrical_components(Va, Vb, Vc))
>>> abs(Va2 - Va) < 1e-9, abs(Vb2 - Vb) < 1e-9, abs(Vc2 - Vc) < 1e-9
(True, True, True)
)"};

const FunctionDef complete_def{"complete_symmetrical_components", "V0, V1, V2", complete_symmetrical_components,
                               R"(Expand the sequence components into the three balanced sets they stand for.

Parameters
----------
V0, V1, V2 : complex or Phasor
    The zero, positive and negative sequence components.

Returns
-------
tuple
    The zero-sequence set (V0, V0, V0), the positive-sequence set
    (V1, a**2 * V1, a * V1) and the negative-sequence set
    (V2, a * V2, a**2 * V2), each a list in the type of its own component.
    The elements of a set of aliased values get the aliases "A", "B", "C".
)"};

}  // namespace

void register_constants(PyObject* module) {
    Ref np_array = getattr(state.numpy, id<"array">());
    // a = np.exp(2 * np.pi / 3 * 1j)
    Ref exponent = check(PyComplex_FromDoubles(0.0, 2 * pi / 3));
    Ref a = call(getattr(state.numpy, id<"exp">()).get(), exponent.get());
    add_object(module, "a", a);
    state.symmetrical.global(state.globals, "np", state.numpy)
        .global(state.globals, "recursive_map", host_original("vexal.utils", "recursive_map"));
    state.own_a.global(state.globals, "a", a);
    state.sequence_sets.also(state.symmetrical).also(state.own_a);

    Ref two = check(PyLong_FromLong(2)), one = check(PyLong_FromLong(1));
    Ref a2 = check(PyNumber_Power(a.get(), two.get(), Py_None));
    Ref sym_rows = check(Py_BuildValue("[[OOO][OOO][OOO]]", one.get(), one.get(), one.get(), one.get(), a.get(),
                                       a2.get(), one.get(), a2.get(), a.get()));
    Ref third = check(PyFloat_FromDouble(1.0 / 3));
    Ref sym = check(PyNumber_Multiply(third.get(), call(np_array.get(), sym_rows.get()).get()));
    Ref inv_rows = check(Py_BuildValue("[[OOO][OOO][OOO]]", one.get(), one.get(), one.get(), one.get(), a2.get(),
                                       a.get(), one.get(), a.get(), a2.get()));
    Ref inv_sym = call(np_array.get(), inv_rows.get());
    add_object(module, "sym_transformation", sym);
    add_object(module, "inv_sym_transformation", inv_sym);

    // The factors of the balanced sets: [1, 1, 1], [1, 1/a, 1/a**2], [1, 1/a**2, 1/a]
    Ref inv_a = check(PyNumber_TrueDivide(one.get(), a.get()));
    Ref inv_a2 = check(PyNumber_TrueDivide(one.get(), a2.get()));
    PyObject* factors[3][3] = {{one.get(), one.get(), one.get()},
                               {one.get(), inv_a.get(), inv_a2.get()},
                               {one.get(), inv_a2.get(), inv_a.get()}};
    for (int k = 0; k < 3; ++k) {
        Ref row = check(Py_BuildValue("[OOO]", factors[k][0], factors[k][1], factors[k][2]));
        Ref array = call(np_array.get(), row.get());
        Ref items = call_method(array.get(), id<"tolist">());
        for (Py_ssize_t i = 0; i < 3; ++i) {
            Py_complex c = PyComplex_AsCComplex(PyList_GET_ITEM(items.get(), i));
            if (c.real == -1.0 && PyErr_Occurred()) raise();
            state.sequence_values[k][i] = {c.real, c.imag};
        }
        state.sequence_factors[k] = array.release();
    }
}

void register_symmetrical(PyObject* module) {
    add_functions(module, {&complete_def, &symmetrical_def, &inv_symmetrical_def});
}

}  // namespace vexal::transformations
