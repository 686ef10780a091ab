// Phasor: a complex number made from magnitude and angle in degrees, that
// prints as magnitude and angle and carries an alias.
#include "phasor_text.hpp"
#include "vexal_rt/float_text.hpp"
#include "vexal_rt/init_slot.hpp"

#include <cmath>

namespace vexal::phasors {
namespace {

constexpr double pi = 3.141592653589793;

// The numpy module's attribute `name` is still what numpy defined.
bool numpy_attr_is(PyObject* name, PyObject* expected) {
    PyObject* value = PyDict_GetItemWithError(PyModule_GetDict(state.numpy), name);
    if (!value && PyErr_Occurred()) raise();
    return value == expected;
}

struct NumpyParts {
    PyObject* pi = nullptr;
    PyObject* cos = nullptr;
    PyObject* sin = nullptr;
} numpy_parts;

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
    if (!state.global(id<"np">()).is(state.numpy) || !numpy_attr_is(id<"pi">(), numpy_parts.pi) ||
        !numpy_attr_is(id<"cos">(), numpy_parts.cos) || !numpy_attr_is(id<"sin">(), numpy_parts.sin)) {
        return false;
    }
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
    if ((phasor.is(state.phasor) && Py_TYPE(number) == reinterpret_cast<PyTypeObject*>(state.phasor)) ||
        isinstance(number, phasor.get())) {
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

bool init_fast_path_holds() {
    if (!state.phasor_guard.intact() || !state.has_alias_guard.intact() ||
        !state.global(id<"aliasmod">()).is(state.alias_module)) {
        return false;
    }
    PyObject* has_alias = PyDict_GetItemWithError(PyModule_GetDict(state.alias_module), id<"HasAlias">());
    if (!has_alias && PyErr_Occurred()) raise();
    return has_alias == state.has_alias;
}

// The class call Phasor(...) on the exact, unpatched class: __init__'s
// effect (the own text, and the alias through HasAlias's setter, which
// stores it as _alias) without the lookups.
bool fast_init(PyObject* self, PyObject* args, PyObject* kwargs) {
    PyObject* const names[] = {id<"number">(), id<"mag">(), id<"angle">(), id<"alias">()};
    PyObject* bound[] = {Py_None, Py_None, Py_None, Py_None};
    if (Py_TYPE(self) != reinterpret_cast<PyTypeObject*>(state.phasor) || !init_fast_path_holds() ||
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
    if (np.is(state.numpy) && numpy_attr_is(id<"angle">(), state.np_angle) && PyComplex_Check(self)) {
        return call(state.float64, Ref(check(PyFloat_FromDouble(angle_degrees(self)))).get());
    }
    Ref keywords = check(Py_BuildValue("(s)", "deg"));
    return call_kw(getattr(np.get(), id<"angle">()).get(), {self, Py_True}, keywords.get());
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

void register_phasor(PyObject* module) {
    numpy_parts = {getattr(state.numpy, id<"pi">()).release(), getattr(state.numpy, id<"cos">()).release(),
                   getattr(state.numpy, id<"sin">()).release()};
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
    state.has_alias_guard.watch(state.has_alias, {"__init__", "alias"});
    state.phasor_guard.watch(cls.get(), {"__new__", "__init__", "has_custom_alias", "alias", "_alias",
                                         "_str_representation", "original_str_repr", "mag", "angle",
                                         "__setattr__", "__dict__", "__complex__"});
    add_object(module, "Phasor", cls);
}

}  // namespace vexal::phasors
