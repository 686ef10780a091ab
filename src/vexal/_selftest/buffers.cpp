// Self-test functions for the runtime's strided buffers and GIL release.
#include "vexal_rt/buffer.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/function.hpp"
#include "vexal_rt/gil.hpp"
#include "vexal_rt/module.hpp"

#include <complex>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace vexal::selftest {
namespace {

using namespace vexal_rt;

template <class T>
Ref elements_as_list(PyObject* obj) {
    auto column = Strided<T>::view(obj);
    if (!column) return none();
    Ref result = check(PyList_New(column->size()));
    for (Py_ssize_t i = 0; i < column->size(); ++i) {
        T value = (*column)[i];
        PyObject* item;
        if constexpr (std::is_same_v<T, double>) {
            item = PyFloat_FromDouble(value);
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
            item = PyLong_FromLongLong(value);
        } else {
            item = PyComplex_FromDoubles(value.real(), value.imag());
        }
        PyList_SET_ITEM(result.get(), i, check(item).release());
    }
    return result;
}

// The elements of a one-dimensional buffer of `kind` ("float64", "int64" or
// "complex128") as a list, or None when obj exports no such buffer.
Ref strided_elements(FunctionObject*, PyObject* const* args) {
    Py_ssize_t length;
    const char* kind = PyUnicode_AsUTF8AndSize(args[1], &length);
    if (!kind) raise();
    std::string_view name(kind, static_cast<size_t>(length));
    if (name == "float64") return elements_as_list<double>(args[0]);
    if (name == "int64") return elements_as_list<std::int64_t>(args[0]);
    if (name == "complex128") return elements_as_list<std::complex<double>>(args[0]);
    raise(PyExc_ValueError, "unknown element kind");
}

// Doubles every element of a writable one-dimensional float64 buffer with
// the GIL released; returns whether the GIL was released meanwhile and is
// held again afterwards.
Ref double_in_place(FunctionObject*, PyObject* const* args) {
    auto column = Strided<double>::view(args[0], /*writable=*/true);
    if (!column) raise(PyExc_TypeError, "expected a writable one-dimensional float64 buffer");
    bool released;
    {
        ReleaseGil unlocked;
        released = !PyGILState_Check();
        for (Py_ssize_t i = 0; i < column->size(); ++i) column->at(i) *= 2;
    }
    return boolean(released && PyGILState_Check());
}

const FunctionDef strided_elements_def{"strided_elements", "obj, kind", strided_elements,
                                       "The elements of a 1-D buffer of kind as a list, or None."};
const FunctionDef double_in_place_def{"double_in_place", "obj", double_in_place,
                                      "Doubles a writable 1-D float64 buffer with the GIL released."};

}  // namespace

void register_buffers(PyObject* module) {
    add_functions(module, {&strided_elements_def, &double_in_place_def});
}

}  // namespace vexal::selftest
