// Interned attribute names, created once per process on first use:
//     getattr(obj, id<"original_str_repr">())
// The modules refuse sub-interpreters, so one process-wide string is safe.
#pragma once
#include "vexal_rt/ref.hpp"

#include <algorithm>
#include <cstddef>

namespace vexal_rt {

template <std::size_t N>
struct Literal {
    constexpr Literal(const char (&text)[N]) { std::copy_n(text, N, value); }
    char value[N];
};

template <Literal Text>
PyObject* id() {
    static PyObject* interned = nullptr;
    if (!interned) {
        interned = PyUnicode_InternFromString(Text.value);
        if (!interned) raise();
    }
    return interned;
}

// True when `value` is a str equal to the ASCII `text`.
inline bool is_text(PyObject* value, const char* text) {
    return PyUnicode_Check(value) && PyUnicode_CompareWithASCIIString(value, text) == 0;
}

}  // namespace vexal_rt
