// sizeof_fmt: a number in engineering notation with two decimals.
#include "alias.hpp"

#include <cmath>
#include <charconv>

namespace vexal::alias {
namespace {

Ref joined(bool negative, Ref digits, const char* prefix) {
    return check(PyUnicode_FromFormat("%s%U%s", negative ? "-" : "", digits.get(), prefix));
}

const char* const large_prefixes[] = {"", "k", "M"};
const char* const small_prefixes[] = {"m", "u"};

// The same steps for any number type, through its own operators.
Ref sizeof_fmt_generic(PyObject* num) {
    Ref zero = check(PyLong_FromLong(0));
    Ref min_decimal = check(PyFloat_FromDouble(0.01));
    Ref thousand = check(PyFloat_FromDouble(1000.0));
    Ref spec = text(".2f");
    bool negative = truthy(compare(num, zero.get(), Py_LT).get());
    Ref value = check(PyNumber_Absolute(num));
    if (truthy(compare(value.get(), zero.get(), Py_EQ).get())) return text("0.00");
    auto formatted = [&](const char* prefix) { return joined(negative, format(value.get(), spec.get()), prefix); };
    if (truthy(compare(value.get(), min_decimal.get(), Py_GE).get())) {
        for (const char* prefix : large_prefixes) {
            Ref magnitude = check(PyNumber_Absolute(value.get()));
            if (truthy(compare(magnitude.get(), thousand.get(), Py_LT).get())) return formatted(prefix);
            value = check(PyNumber_InPlaceTrueDivide(value.get(), thousand.get()));
        }
        return formatted("G");
    }
    value = check(PyNumber_InPlaceMultiply(value.get(), thousand.get()));
    for (const char* prefix : small_prefixes) {
        Ref magnitude = check(PyNumber_Absolute(value.get()));
        if (truthy(compare(magnitude.get(), min_decimal.get(), Py_GT).get())) return formatted(prefix);
        value = check(PyNumber_InPlaceMultiply(value.get(), thousand.get()));
    }
    return formatted("n");
}

Ref sizeof_fmt_impl(FunctionObject*, PyObject* const* args) { return sizeof_fmt(args[0]); }

const FunctionDef sizeof_fmt_def{"sizeof_fmt", "num", sizeof_fmt_impl, R"doc(Number in engineering notation.

Parameters
----------
num : number
    Any real number (int, float, numpy scalar).

Returns
-------
str
    The magnitude with two decimals and a prefix (k, M; m, u), sign in
    front: "1.50k" for 1500, "-2.00m" for -0.002, "0.00" for 0.

Examples
--------
>>> sizeof_fmt(230)
'230.00'
>>> sizeof_fmt(1500)
'1.50k'
)doc"};

// std::to_chars(num, fixed, 2) for magnitudes below a million, computed from
// num * 100: that product is within 2^-53 (relative) of the exact one, so
// away from a rounding tie, rounding it rounds the exact value. Near a tie
// the general conversion decides.
char* two_decimals(char* out, char* limit, double num) {
    if (num < 1e6) {
        double scaled = num * 100.0;
        double whole = std::floor(scaled);
        double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > 1e-6) {
            auto hundredths = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
            out = std::to_chars(out, limit, hundredths / 100).ptr;
            *out++ = '.';
            *out++ = static_cast<char>('0' + hundredths % 100 / 10);
            *out++ = static_cast<char>('0' + hundredths % 10);
            return out;
        }
    }
    return std::to_chars(out, limit, num, std::chars_format::fixed, 2).ptr;
}

}  // namespace

// std::to_chars and format(x, ".2f") both round correctly, so they agree;
// inf and nan print the same way too.
Ref sizeof_fmt(double num) {
    bool negative = num < 0;
    num = std::fabs(num);
    if (num == 0) return text("0.00");
    const char* prefix = "G";
    if (num >= 0.01) {
        for (const char* candidate : large_prefixes) {
            if (num < 1000.0) {
                prefix = candidate;
                break;
            }
            num /= 1000.0;
        }
    } else {
        prefix = "n";
        num *= 1000.0;
        for (const char* candidate : small_prefixes) {
            if (num > 0.01) {
                prefix = candidate;
                break;
            }
            num *= 1000.0;
        }
    }
    char buffer[400];
    char* end = buffer;
    if (negative) *end++ = '-';
    end = two_decimals(end, buffer + sizeof buffer - 2, num);
    while (*prefix) *end++ = *prefix++;
    return check(PyUnicode_FromStringAndSize(buffer, end - buffer));
}

// Exact floats, ints and bools behave as doubles here: their comparisons and
// divisions give the same results, and an int too large for a double raises
// the same OverflowError as its division by 1000.0 would.
Ref sizeof_fmt(PyObject* num) {
    if (PyFloat_CheckExact(num)) return sizeof_fmt(PyFloat_AS_DOUBLE(num));
    if (PyLong_CheckExact(num) || PyBool_Check(num)) {
        double value = PyLong_AsDouble(num);
        if (value == -1.0 && PyErr_Occurred()) raise();
        return sizeof_fmt(value);
    }
    return sizeof_fmt_generic(num);
}

void register_sizeof_fmt(PyObject* module) {
    add_function(module, sizeof_fmt_def);
}

}  // namespace vexal::alias
