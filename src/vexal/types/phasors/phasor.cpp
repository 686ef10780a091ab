// Phasor: a complex number made from magnitude and angle in degrees, that
// prints as magnitude and angle and carries an alias.
#include "phasor_text.hpp"

#include <cmath>
#include <numbers>

namespace vexal::phasors {
namespace {

using std::numbers::pi;

bool plain_double(PyObject* obj, double* out) {
    if (PyFloat_CheckExact(obj)) {
        *out = PyFloat_AS_DOUBLE(obj);
        return true;
    }
    if (!PyLong_CheckExact(obj)) return false;
    *out = PyLong_AsDouble(obj);
    if (*out == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();  // too large: numpy reports it on the general path
        return false;
    }
    return true;
}

// mag * np.cos(angle * np.pi / 180) + 1j * mag * np.sin(angle * np.pi / 180),
// rounded step by step as numpy's and the interpreter's scalars round it.
bool value_from_polar(PyObject* mag_obj, PyObject* angle_obj, Py_complex* out) {
    double mag, angle;
    if (!plain_double(mag_obj, &mag) || !plain_double(angle_obj, &angle)) return false;
    if (!state.polar.holds()) return false;
    double radians = angle * pi / 180;
    double real = mag * std::cos(radians);
    // 1j * mag, then times the sine (a float, taken as sine + 0j)
    double jr = 0.0 * mag - 1.0 * 0.0, ji = 0.0 * 0.0 + 1.0 * mag;
    double s = std::sin(radians);
    double vr = jr * s - ji * 0.0, vi = jr * 0.0 + ji * s;
    *out = {real + vr, 0.0 + vi};
    return true;
}

Ref value_from_polar_general(PyObject* mag, PyObject* angle) {
    Ref np = state.global(id<"np">());
    Ref one_eighty = check(PyLong_FromLong(180));
    auto radians = [&] {
        Ref pi_ = getattr(np.get(), id<"pi">());
        Ref product = check(PyNumber_Multiply(angle, pi_.get()));
        return check(PyNumber_TrueDivide(product.get(), one_eighty.get()));
    };
    Ref cosine = call(getattr(np.get(), id<"cos">()).get(), radians().get());
    Ref real = check(PyNumber_Multiply(mag, cosine.get()));
    Ref j = check(PyComplex_FromDoubles(0.0, 1.0));
    Ref jmag = check(PyNumber_Multiply(j.get(), mag));
    Ref sine = call(getattr(np.get(), id<"sin">()).get(), radians().get());
    Ref imaginary = check(PyNumber_Multiply(jmag.get(), sine.get()));
    return check(PyNumber_Add(real.get(), imaginary.get()));
}

// complex.__new__(cls, value)
Ref new_complex(PyObject* cls, PyObject* value) {
    if (PyType_Check(cls) && PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(cls), &PyComplex_Type)) {
        Ref args = check(PyTuple_Pack(1, value));
        return check(PyComplex_Type.tp_new(reinterpret_cast<PyTypeObject*>(cls), args.get(), nullptr));
    }
    Ref complex_new = getattr(reinterpret_cast<PyObject*>(&PyComplex_Type), id<"__new__">());
    return call(complex_new.get(), cls, value);
}

Ref new_phasor(FunctionObject*, PyObject* const* args) {
    PyObject *cls = args[0], *number = args[1], *mag = args[2], *angle = args[3];
    Ref phasor = state.global(id<"Phasor">());
    if (Py_TYPE(number) == reinterpret_cast<PyTypeObject*>(phasor.get()) || isinstance(number, phasor.get())) {
        return Ref::borrow(number);
    }
    if (number != Py_None) return new_complex(cls, number);
    if (mag == Py_None || angle == Py_None) {
        raise(PyExc_ValueError, "Phasor needs at least a complex number or a mag/angle pair");
    }
    Py_complex value;
    if (value_from_polar(mag, angle, &value)) {
        Ref plain = check(PyComplex_FromCComplex(value));
        return new_complex(cls, plain.get());
    }
    return new_complex(cls, value_from_polar_general(mag, angle).get());
}

// repr() of a finite float without the ".0" the float repr adds to whole
// numbers: how complex's text writes each part.
Ref part_text(double value) {
    Ref full = float_repr(value);
    Py_ssize_t n = PyUnicode_GET_LENGTH(full.get());
    if (n > 2 && PyUnicode_READ_CHAR(full.get(), n - 2) == '.' && PyUnicode_READ_CHAR(full.get(), n - 1) == '0') {
        return check(PyUnicode_Substring(full.get(), 0, n - 2));
    }
    return full;
}

}  // namespace

Ref complex_text(Py_complex value) {
    if (!std::isfinite(value.real) || !std::isfinite(value.imag)) {
        return str(Ref(check(PyComplex_FromCComplex(value))).get());
    }
    Ref imaginary = part_text(value.imag);
    if (value.real == 0 && !std::signbit(value.real)) return concat({imaginary.get(), id<"j">()});
    bool negative = PyUnicode_READ_CHAR(imaginary.get(), 0) == '-';
    return concat({id<"(">(), part_text(value.real).get(), negative ? id<"">() : id<"+">(), imaginary.get(),
                   id<"j)">()});
}

namespace {

// The class call Phasor(...) on the exact, unpatched class: __init__'s
// effect (the own text, and the alias through HasAlias's setter, which
// stores it as _alias) without the lookups.
bool fast_init(PyObject* self, PyObject* args, PyObject* kwargs) {
    PyObject* const names[] = {id<"number">(), id<"mag">(), id<"angle">(), id<"alias">()};
    PyObject* bound[] = {Py_None, Py_None, Py_None, Py_None};
    if (Py_TYPE(self) != reinterpret_cast<PyTypeObject*>(state.phasor) || !state.init.holds() ||
        !match_arguments(args, kwargs, names, 0, bound)) {
        return false;
    }
    Ref own = complex_text(reinterpret_cast<PyComplexObject*>(self)->cval);
    setattr(self, id<"original_str_repr">(), own.get());
    if (bound[3] != Py_None) setattr(self, id<"_alias">(), bound[3]);
    return true;
}

Ref init_phasor(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *alias = args[4];
    Ref plain = call(reinterpret_cast<PyObject*>(&PyComplex_Type), self);
    Ref own = complex_text(reinterpret_cast<PyComplexObject*>(plain.get())->cval);
    Ref has_alias = getattr(state.global(id<"aliasmod">()).get(), id<"HasAlias">());
    call(getattr(has_alias.get(), id<"__init__">()).get(), self, own.get(), alias);
    return none();
}

Ref angle_property(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    Ref np = state.global(id<"np">());
    if (PyComplex_Check(self) && state.angle.holds()) {
        return call(state.float64, Ref(check(PyFloat_FromDouble(angle_degrees(self)))).get());
    }
    return call_kw(getattr(np.get(), id<"angle">()).get(), {self, Py_True}, kwnames<"deg">());
}

Ref mag_property(FunctionObject*, PyObject* const* args) { return check(PyNumber_Absolute(args[0])); }

Ref str_representation(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    if (Ref fast = own_text_fast(self)) return fast;
    Ref sizeof_fmt = getattr(state.global(id<"aliasmod">()).get(), id<"sizeof_fmt">());
    Ref mag = call(sizeof_fmt.get(), getattr(self, id<"mag">()).get());
    Ref angle = call(sizeof_fmt.get(), getattr(self, id<"angle">()).get());
    return call_method(id<"{} \u2220 {}\u00b0">(), id<"format">(), mag.get(), angle.get());
}

// Copies and pickles are made from the value (the constructor's number);
// the alias state follows in the instance dictionary.
Ref getnewargs(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    Ref value = PyComplex_Check(self) ? check(PyComplex_FromCComplex(reinterpret_cast<PyComplexObject*>(self)->cval))
                                      : call(reinterpret_cast<PyObject*>(&PyComplex_Type), self);
    return check(PyTuple_Pack(1, value.get()));
}

const char* const phasor_doc = R"(Complex number with phasor functionality.

Adds to complex numbers:

- alias functionality,
- easy access to angle and magnitude,
- a string representation in terms of magnitude and angle.

Parameters
----------
number : complex, optional
    Complex value of the phasor. When given, ``mag`` and ``angle`` are ignored.
mag : float, optional
    Magnitude of the phasor.
angle : float, optional
    Angle of the phasor, in degrees.
alias : str, optional
    Alias of the phasor.

Raises
------
ValueError
    If neither a complex number nor a magnitude and angle pair is given.

Returns
-------
Phasor
    A complex number.

Examples
--------
>>> p = Phasor(1)
>>> p.mag, p.angle
(1.0, 0.0)
>>> p = Phasor(1j, alias="a")
>>> p.mag, p.angle, p.alias
(1.0, 90.0, 'a')
>>> Phasor(mag=10, angle=90)  # approximately 10j
10.00 ∠ 90.00°
)";

const FunctionDef new_def{"__new__", "cls, number, mag, angle, alias", new_phasor};
const FunctionDef init_def{"__init__", "self, number, mag, angle, alias", init_phasor};
const FunctionDef angle_def{"angle", "self", angle_property};
const FunctionDef mag_def{"mag", "self", mag_property};
const FunctionDef str_representation_def{"_str_representation", "self", str_representation};
const FunctionDef getnewargs_def{"__getnewargs__", "self", getnewargs};

}  // namespace

double angle_degrees(PyObject* phasor) {
    Py_complex value = reinterpret_cast<PyComplexObject*>(phasor)->cval;
    double radians = std::atan2(value.imag, value.real);
    return radians * (180 / pi);
}

namespace {

bool is_pi(PyObject* value) { return PyFloat_CheckExact(value) && PyFloat_AS_DOUBLE(value) == pi; }

// What each shortcut of Phasor stands for. numpy's functions are known by
// what they are, whatever numpy.<name> was bound to when this module first
// imported numpy.
void declare_fast_paths(PyObject* phasor) {
    PyObject* numpy_dict = PyModule_GetDict(state.numpy);
    PyObject* alias_dict = PyModule_GetDict(state.alias_module);
    const auto phasor_names = {"__new__", "__init__", "has_custom_alias", "alias", "_alias", "_str_representation",
                               "original_str_repr", "mag", "angle", "__setattr__", "__dict__", "__complex__"};
    // The own text calls the alias module's sizeof_fmt: the one it calls
    // must be the one bound there.
    for (FastPath* path : {&state.own_text, &state.operators}) {
        path->attributes(phasor, phasor_names)
            .global(state.globals, "aliasmod", state.alias_module)
            .global(alias_dict, "sizeof_fmt", state.sizeof_fmt);
    }
    state.operators.global(state.globals, "generic_op", host_original("vexal.utils", "generic_op"))
        .global(state.globals, "_super", reinterpret_cast<PyObject*>(&PySuper_Type))
        .global(state.globals, "Phasor", phasor);
    state.init.attributes(phasor, phasor_names)
        .attributes(state.has_alias, {"__init__", "alias"})
        .global(state.globals, "aliasmod", state.alias_module)
        .global(alias_dict, "HasAlias", state.has_alias);
    state.polar.global(state.globals, "np", state.numpy)
        .global(numpy_dict, "pi", is_pi)
        .global(numpy_dict, "cos", is_numpy_function<"cos">)
        .global(numpy_dict, "sin", is_numpy_function<"sin">);
    state.angle.global(state.globals, "np", state.numpy).global(numpy_dict, "angle", is_numpy_function<"angle">);
}

}  // namespace

void register_phasor(PyObject* module) {
    Ref defaults = check(PyTuple_Pack(4, Py_None, Py_None, Py_None, Py_None));
    ClassBuilder builder(module, "Phasor");
    builder.base(getattr(state.alias_module, id<"HasAlias">()).get())
        .base(reinterpret_cast<PyObject*>(&PyComplex_Type))
        .doc(phasor_doc)
        .static_method(new_def, defaults.get())
        .method(init_def, defaults.get())
        .property("angle", angle_def, nullptr, " Phasor angle, in degrees ")
        .property("mag", mag_def, nullptr, " Phasor magnitude ")
        .method(str_representation_def);
    add_phasor_operators(builder);
    builder.method(getnewargs_def);
    Ref cls = builder.build();
    install_init_slot<fast_init>(cls.get());
    state.phasor = Py_NewRef(cls.get());
    state.has_alias = getattr(state.alias_module, id<"HasAlias">()).release();
    declare_fast_paths(cls.get());
    add_object(module, "Phasor", cls);
}

}  // namespace vexal::phasors
