// Timedelta.min and Timedelta.max, the open ends of the time ranges.
//
// pandas' class attribute is a descriptor that builds a fresh
// Timedelta(np.iinfo(np.int64).min + 1) (max: .max) on every access, and on
// pandas 3 copies its own __doc__ onto it. Most of that time goes to the
// numpy limits and the general constructor. While every name the descriptor
// goes through is still pandas' and numpy's own, the same fresh object is
// built from its value with pandas' own constructor for a value and a
// resolution; otherwise the attribute is read as written.
#include "ranges.hpp"

#include "vexal_rt/type_lookup.hpp"

namespace vexal::ranges {
namespace {

constexpr const char* pandas_module = "pandas._libs.tslibs.timedeltas";

// `obj.name` as an exact str equal to `expected`.
bool attribute_is(PyObject* obj, PyObject* name, const char* expected) {
    Ref value = lookup_attr(obj, name);
    return value && PyUnicode_CheckExact(value.get()) && PyUnicode_CompareWithASCIIString(value.get(), expected) == 0;
}

// A compiled (never a Python-level) object that names itself `qualname` of
// `module`: how pandas' and numpy's own classes and functions are known.
bool is_own(PyObject* obj, const char* module, const char* qualname) {
    return obj && !PyFunction_Check(obj) && !PyMethod_Check(obj) && attribute_is(obj, id<"__module__">(), module) &&
           attribute_is(obj, id<"__qualname__">(), qualname);
}

Ref class_attribute(PyObject* type, PyObject* name) {
    return type_lookup(reinterpret_cast<PyTypeObject*>(type), name);
}

// pandas' descriptor for `name`, or empty when what the class resolves is
// anything else.
Ref pandas_descriptor(PyObject* timedelta, PyObject* name, const char* text) {
    Ref descriptor = class_attribute(timedelta, name);
    if (!descriptor) return Ref();
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(descriptor.get()));
    Ref get = class_attribute(type, id<"__get__">());
    bool own = is_own(type, pandas_module, "MinMaxReso") && is_own(get.get(), pandas_module, "MinMaxReso.__get__") &&
               attribute_is(descriptor.get(), id<"_name">(), text);
    return own ? descriptor : Ref();
}

// What the fast build needs, or false when anything is not pandas' or
// numpy's own.
bool recognise(PyObject* timedelta) {
    Ref module = import(pandas_module);
    PyObject* globals = PyModule_GetDict(module.get());
    Ref pandas_timedelta = Ref::borrow(PyDict_GetItemWithError(globals, id<"Timedelta">()));
    Ref numpy = import("numpy");
    Ref np = Ref::borrow(PyDict_GetItemWithError(globals, id<"np">()));
    if (PyErr_Occurred()) raise();
    if (!pandas_timedelta || !PyType_Check(pandas_timedelta.get()) || !np.is(numpy.get())) return false;
    if (!PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(timedelta),
                          reinterpret_cast<PyTypeObject*>(pandas_timedelta.get())))
        return false;

    Ref construct = lookup_attr(pandas_timedelta.get(), id<"__new__">());
    Ref init = class_attribute(pandas_timedelta.get(), id<"__init__">());
    Ref from_value = lookup_attr(pandas_timedelta.get(), id<"_from_value_and_reso">());
    Ref from_value_function = from_value && PyMethod_Check(from_value.get())
                                  ? Ref::borrow(PyMethod_GET_FUNCTION(from_value.get()))
                                  : Ref();
    Ref iinfo = lookup_attr(numpy.get(), id<"iinfo">());
    Ref int64 = lookup_attr(numpy.get(), id<"int64">());
    if (!is_own(construct.get(), pandas_module, "Timedelta.__new__") ||
        !init.is(class_attribute(reinterpret_cast<PyObject*>(&PyBaseObject_Type), id<"__init__">()).get()) ||
        !is_own(from_value_function.get(), pandas_module, "_Timedelta._from_value_and_reso") ||
        !PyMethod_Check(from_value.get()) || PyMethod_GET_SELF(from_value.get()) != pandas_timedelta.get() ||
        !PyType_Check(iinfo.get()) || !is_own(iinfo.get(), "numpy", "iinfo") || !PyType_Check(int64.get()) ||
        !is_own(int64.get(), "numpy", "int64"))
        return false;

    Ref min = pandas_descriptor(timedelta, id<"min">(), "min");
    Ref max = pandas_descriptor(timedelta, id<"max">(), "max");
    if (!min || !max) return false;

    state.extremes.attributes(timedelta, {"min", "max"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(timedelta)), {"min", "max"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(min.get())), {"__get__", "_name", "__doc__"})
        .attributes(reinterpret_cast<PyObject*>(Py_TYPE(max.get())), {"__get__", "_name", "__doc__"})
        .attributes(pandas_timedelta.get(), {"__new__", "__init__", "_from_value_and_reso"})
        .attributes(iinfo.get(), {"__new__", "__init__", "min", "max"})
        .global(globals, "Timedelta", pandas_timedelta)
        .global(globals, "np", numpy)
        .global(PyModule_GetDict(numpy.get()), "iinfo", iinfo)
        .global(PyModule_GetDict(numpy.get()), "int64", int64);
    state.from_value_and_reso = from_value.release();
    state.extreme_min = {min.release(), check(PyLong_FromLongLong(INT64_MIN + 1)).release()};
    state.extreme_max = {max.release(), check(PyLong_FromLongLong(INT64_MAX)).release()};
    return true;
}

Ref build(const Extreme& extreme) {
    Ref result = call(state.from_value_and_reso, extreme.value, state.nanoseconds);
    if (state.extremes_copy_doc) {
        setattr(result.get(), id<"__doc__">(), getattr(extreme.descriptor, id<"__doc__">()).get());
    }
    return result;
}

bool same_object_but_identity(PyObject* a, PyObject* b) {
    if (Py_TYPE(a) != Py_TYPE(b)) return false;
    for (PyObject* name : {id<"_value">(), id<"_creso">(), id<"__dict__">()}) {
        if (!truthy(compare(getattr(a, name).get(), getattr(b, name).get(), Py_EQ).get())) return false;
    }
    return truthy(compare(Ref(check(PyObject_Repr(a))).get(), Ref(check(PyObject_Repr(b))).get(), Py_EQ).get());
}

// The fast build stands for the descriptor only if it makes what the
// descriptor makes: checked once, against pandas' own result.
bool builds_the_same(PyObject* timedelta) {
    Ref reference = getattr(timedelta, id<"min">());
    state.nanoseconds = getattr(reference.get(), id<"_creso">()).release();
    Ref dict = getattr(reference.get(), id<"__dict__">());
    state.extremes_copy_doc = PyDict_Check(dict.get()) && PyDict_Contains(dict.get(), id<"__doc__">()) == 1;
    return same_object_but_identity(reference.get(), build(state.extreme_min).get()) &&
           same_object_but_identity(Ref(getattr(timedelta, id<"max">())).get(),
                                    build(state.extreme_max).get());
}

}  // namespace

void hold_time_extremes(PyObject* timedelta) {
    try {
        state.extremes_fast = recognise(timedelta) && builds_the_same(timedelta);
    } catch (const PyError&) {
        // Whatever pandas or numpy cannot answer here, the attribute is read as written.
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
        PyErr_Clear();
        state.extremes_fast = false;
    }
}

Ref timedelta_extreme(bool maximum) {
    PyObject* name = maximum ? id<"max">() : id<"min">();
    const Extreme& extreme = maximum ? state.extreme_max : state.extreme_min;
    // The descriptor's own _name chooses the limit it builds.
    if (state.extremes_fast && state.extremes.holds() &&
        attribute_is(extreme.descriptor, id<"_name">(), maximum ? "max" : "min")) {
        return build(extreme);
    }
    return getattr(state.timedelta, name);
}

}  // namespace vexal::ranges
