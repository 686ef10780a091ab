#include "vexal_rt/float_text.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vexal_rt {

namespace {

Ref ascii(const char* begin, const char* end) {
    Ref text = check(PyUnicode_New(end - begin, 127));
    std::memcpy(PyUnicode_1BYTE_DATA(text.get()), begin, end - begin);
    return text;
}

Ref special(double value) {
    const char* name = std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
    return ascii(name, name + std::strlen(name));
}

// The shortest digits that read back as `value` (|value| finite, non-zero or
// zero), and the exponent of the first digit.
struct Digits {
    char text[32];
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

// Most values in reports have few decimals. When value is n / 10^k for a
// small k, the digits of n are the shortest that read back as value: below
// 2^52 at that scale the doubles are closer together than 10^-k, so no
// other multiple of 10^-k reads back as value, and a smaller k would have
// matched first.
bool few_decimals(double value, Digits& d) {
    double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4 && magnitude < 1e15)) return false;
    double scale = 1;
    for (int k = 0; k <= 8; ++k, scale *= 10) {
        double scaled = magnitude * scale;
        if (scaled >= 0x1p52) return false;
        double n = std::nearbyint(scaled);
        if (n / scale != magnitude) continue;
        char* end = std::to_chars(d.text, d.text + sizeof d.text, static_cast<unsigned long long>(n)).ptr;
        int length = static_cast<int>(end - d.text);
        d.exponent = length - 1 - k;
        while (end > d.text + 1 && end[-1] == '0') --end;
        d.count = static_cast<int>(end - d.text);
        d.negative = std::signbit(value);
        return true;
    }
    return false;
}

Digits shortest_digits(double value) {
    Digits d;
    if (few_decimals(value, d)) return d;
    char buffer[64];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    const char* p = buffer;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p != 'e'; ++p) {
        if (*p != '.') d.text[d.count++] = *p;
    }
    std::from_chars(p[1] == '+' ? p + 2 : p + 1, end, d.exponent);
    return d;
}

}  // namespace

// The interpreter's repr: shortest digits, in positional notation while the
// decimal point falls within 16 digits of the first digit and no more than
// four places to its left, in exponent notation (two exponent digits at
// least) otherwise; an integral value keeps ".0".
Ref float_repr(double value) {
    if (!std::isfinite(value)) return special(value);
    Digits d = shortest_digits(value);
    char out[64];
    char* o = out;
    if (d.negative) *o++ = '-';
    int point = d.exponent + 1;  // digits before the decimal point
    if (point <= -4 || point > 16) {
        *o++ = d.text[0];
        if (d.count > 1) {
            *o++ = '.';
            std::memcpy(o, d.text + 1, d.count - 1);
            o += d.count - 1;
        }
        *o++ = 'e';
        *o++ = d.exponent < 0 ? '-' : '+';
        int magnitude = std::abs(d.exponent);
        if (magnitude < 10) *o++ = '0';
        o = std::to_chars(o, out + sizeof out, magnitude).ptr;
    } else if (point <= 0) {
        *o++ = '0';
        *o++ = '.';
        for (int i = point; i < 0; ++i) *o++ = '0';
        std::memcpy(o, d.text, d.count);
        o += d.count;
    } else {
        for (int i = 0; i < point; ++i) *o++ = i < d.count ? d.text[i] : '0';
        *o++ = '.';
        if (d.count > point) {
            std::memcpy(o, d.text + point, d.count - point);
            o += d.count - point;
        } else {
            *o++ = '0';
        }
    }
    return ascii(out, o);
}

// std::to_chars in general format with a precision is printf's "%.6g",
// which is what format(value, "g") gives for finite values.
Ref float_format_g(double value) {
    if (!std::isfinite(value)) return special(value);
    char out[64];
    char* end = std::to_chars(out, out + sizeof out, value, std::chars_format::general, 6).ptr;
    return ascii(out, end);
}

Ref plain_text(PyObject* obj) {
    if (PyFloat_CheckExact(obj)) return float_repr(PyFloat_AS_DOUBLE(obj));
    if (PyUnicode_CheckExact(obj)) return Ref::borrow(obj);
    return check(PyObject_Format(obj, nullptr));
}

}  // namespace vexal_rt
