#include "vexal_rt/call.hpp"

#include <algorithm>

namespace vexal_rt {

namespace {

// Copies a piece into the result, widening its characters when the result
// has a wider kind (an ASCII piece into a text that holds a box character).
template <class To>
void copy_piece(To* to, PyObject* piece) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(piece);
    switch (PyUnicode_KIND(piece)) {
        case PyUnicode_1BYTE_KIND: std::copy_n(PyUnicode_1BYTE_DATA(piece), n, to); break;
        case PyUnicode_2BYTE_KIND: std::copy_n(PyUnicode_2BYTE_DATA(piece), n, to); break;
        default: std::copy_n(PyUnicode_4BYTE_DATA(piece), n, to); break;
    }
}

template <class To>
void copy_pieces(PyObject* result, std::initializer_list<PyObject*> pieces) {
    To* at = static_cast<To*>(PyUnicode_DATA(result));
    for (PyObject* piece : pieces) {
        copy_piece(at, piece);
        at += PyUnicode_GET_LENGTH(piece);
    }
}

}  // namespace

Ref concat(std::initializer_list<PyObject*> texts) {
    Py_ssize_t length = 0;
    Py_UCS4 maxchar = 127;
    for (PyObject* piece : texts) {
        if (!PyUnicode_Check(piece)) {
            raise_format(PyExc_TypeError, "expected str, got %.200s", Py_TYPE(piece)->tp_name);
        }
#if PY_VERSION_HEX < 0x030C0000
        check_status(PyUnicode_READY(piece));
#endif
        length += PyUnicode_GET_LENGTH(piece);
        maxchar = std::max(maxchar, PyUnicode_MAX_CHAR_VALUE(piece));
    }
    Ref result = check(PyUnicode_New(length, maxchar));
    switch (PyUnicode_KIND(result.get())) {
        case PyUnicode_1BYTE_KIND: copy_pieces<Py_UCS1>(result.get(), texts); break;
        case PyUnicode_2BYTE_KIND: copy_pieces<Py_UCS2>(result.get(), texts); break;
        default: copy_pieces<Py_UCS4>(result.get(), texts); break;
    }
    return result;
}

}  // namespace vexal_rt
