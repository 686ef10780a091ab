#include "vexal_rt/buffer.hpp"

#include <cstring>

namespace vexal_rt {

bool BufferHold::acquire(PyObject* obj, int flags) {
    if (!PyObject_CheckBuffer(obj)) return false;
    if (PyObject_GetBuffer(obj, &view_, flags) < 0) {
        // The exporter refuses this form (read-only, not strided...).
        if (!PyErr_ExceptionMatches(PyExc_BufferError) && !PyErr_ExceptionMatches(PyExc_TypeError) &&
            !PyErr_ExceptionMatches(PyExc_ValueError)) {
            raise();
        }
        PyErr_Clear();
        return false;
    }
    held_ = true;
    return true;
}

bool format_matches(const char* format, const char* codes) {
    if (!format) return std::strcmp(codes, "B") == 0;  // no format means unsigned bytes
    if (*format == '@' || *format == '=') {
        ++format;
    } else if (*format == '<' || *format == '>' || *format == '!') {
        constexpr bool little = PY_LITTLE_ENDIAN;
        if ((*format == '<') != little) return false;
        ++format;
    }
    if (std::strcmp(codes, "Zd") == 0) return std::strcmp(format, "Zd") == 0;
    return format[0] != '\0' && format[1] == '\0' && std::strchr(codes, format[0]) != nullptr;
}

ContiguousDoubles ContiguousDoubles::view(PyObject* obj) {
    ContiguousDoubles result;
    if (!result.hold_.acquire(obj, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT | PyBUF_WRITABLE) ||
        result.hold_.view().itemsize != sizeof(double) || !format_matches(result.hold_.view().format, "d")) {
        raise(PyExc_TypeError, "expected a writable C-contiguous buffer of float64");
    }
    result.data_ = static_cast<double*>(result.hold_.view().buf);
    result.size_ = result.hold_.view().len / static_cast<Py_ssize_t>(sizeof(double));
    return result;
}

}  // namespace vexal_rt
