// Writes JSON text exactly as json.dumps does with its default settings:
// ASCII only, separators ", " and ": ", keys in dict order, floats as repr.
#include "json_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace vexal::benchcast {

JsonWriter::Nesting::Nesting(JsonWriter& writer, PyObject* obj) : writer_(writer) {
    if (std::find(writer.open_.begin(), writer.open_.end(), obj) != writer.open_.end()) {
        raise(PyExc_ValueError, "Circular reference detected");
    }
    if (Py_EnterRecursiveCall(" while encoding a JSON object")) raise();
    writer.open_.push_back(obj);
}

JsonWriter::Nesting::~Nesting() {
    writer_.open_.pop_back();
    Py_LeaveRecursiveCall();
}

Ref JsonWriter::encode(PyObject* obj) {
    out_.clear();
    open_.clear();
    write(obj);
    Ref result = check(PyUnicode_New(static_cast<Py_ssize_t>(out_.size()), 127));
    std::memcpy(PyUnicode_DATA(result.get()), out_.data(), out_.size());
    return result;
}

void JsonWriter::write(PyObject* obj) {
    if (obj == Py_None) {
        out_ += "null";
    } else if (obj == Py_True) {
        out_ += "true";
    } else if (obj == Py_False) {
        out_ += "false";
    } else if (PyUnicode_Check(obj)) {
        write_text(obj);
    } else if (PyLong_Check(obj)) {
        int overflow = 0;
        long long value = PyLong_AsLongLongAndOverflow(obj, &overflow);
        if (value == -1 && PyErr_Occurred()) raise();
        if (overflow) {
            Ref digits = check(PyLong_Type.tp_repr(obj));
            out_ += PyUnicode_AsUTF8(digits.get());
        } else {
            char buffer[24];
            auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
            out_.append(buffer, end);
        }
    } else if (PyFloat_Check(obj)) {
        double value = PyFloat_AS_DOUBLE(obj);
        if (!std::isfinite(value)) {
            out_ += value > 0 ? "Infinity" : value < 0 ? "-Infinity" : "NaN";
            return;
        }
        char* digits = PyOS_double_to_string(value, 'r', 0, Py_DTSF_ADD_DOT_0, nullptr);
        if (!digits) raise();
        out_ += digits;
        PyMem_Free(digits);
    } else if (PyList_CheckExact(obj) || PyTuple_CheckExact(obj)) {
        write_list(obj);
    } else if (PyDict_CheckExact(obj)) {
        write_dict(obj);
    } else if (PyList_Check(obj) || PyTuple_Check(obj) || PyDict_Check(obj)) {
        throw Unsupported{};
    } else {
        Nesting nesting(*this, obj);
        write_custom(obj);
    }
}

void JsonWriter::write_list(PyObject* list) {
    // The list's items as they are now: writing an item may run code.
    Ref items = PyList_CheckExact(list) ? check(PyList_GetSlice(list, 0, PY_SSIZE_T_MAX)) : Ref::borrow(list);
    Py_ssize_t size = PySequence_Fast_GET_SIZE(items.get());
    if (size == 0) {
        out_ += "[]";
        return;
    }
    Nesting nesting(*this, list);
    out_ += '[';
    for (Py_ssize_t i = 0; i < size; ++i) {
        if (i) out_ += ", ";
        write(PySequence_Fast_GET_ITEM(items.get(), i));
    }
    out_ += ']';
}

void JsonWriter::write_dict(PyObject* dict) {
    if (PyDict_GET_SIZE(dict) == 0) {
        out_ += "{}";
        return;
    }
    Ref items = check(PyDict_Items(dict));
    Nesting nesting(*this, dict);
    out_ += '{';
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
        PyObject* pair = PyList_GET_ITEM(items.get(), i);
        PyObject* key = PyTuple_GET_ITEM(pair, 0);
        // Keys that json.dumps converts to text first are left to it.
        if (!PyUnicode_Check(key)) throw Unsupported{};
        if (i) out_ += ", ";
        write_text(key);
        out_ += ": ";
        write(PyTuple_GET_ITEM(pair, 1));
    }
    out_ += '}';
}

// A JSON string literal with every character outside printable ASCII
// escaped, characters beyond the BMP as surrogate pairs.
void JsonWriter::write_text(PyObject* text_) {
    static constexpr char hex[] = "0123456789abcdef";
    auto escape_unit = [this](Py_UCS4 unit) {
        char buffer[6] = {'\\', 'u', hex[(unit >> 12) & 0xf], hex[(unit >> 8) & 0xf], hex[(unit >> 4) & 0xf],
                          hex[unit & 0xf]};
        out_.append(buffer, 6);
    };
    int kind = PyUnicode_KIND(text_);
    const void* data = PyUnicode_DATA(text_);
    Py_ssize_t length = PyUnicode_GET_LENGTH(text_);
    out_.reserve(out_.size() + static_cast<size_t>(length) + 2);
    out_ += '"';
    for (Py_ssize_t i = 0; i < length; ++i) {
        Py_UCS4 c = PyUnicode_READ(kind, data, i);
        if (c >= ' ' && c <= '~' && c != '\\' && c != '"') {
            out_ += static_cast<char>(c);
            continue;
        }
        switch (c) {
            case '\\': out_ += "\\\\"; break;
            case '"': out_ += "\\\""; break;
            case '\b': out_ += "\\b"; break;
            case '\f': out_ += "\\f"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (c >= 0x10000) {
                    Py_UCS4 v = c - 0x10000;
                    escape_unit(0xd800 | ((v >> 10) & 0x3ff));
                    escape_unit(0xdc00 | (v & 0x3ff));
                } else {
                    escape_unit(c);
                }
        }
    }
    out_ += '"';
}

}  // namespace vexal::benchcast
