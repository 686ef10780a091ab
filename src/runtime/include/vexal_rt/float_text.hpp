// Texts of floats, written with std::to_chars instead of the interpreter's
// slower dtoa, character for character as the interpreter writes them.
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

// repr(value), which is also str(value) and format(value, "").
Ref float_repr(double value);

// format(value, "g")
Ref float_format_g(double value);

// format(obj, "") for any object, with the float case written directly.
Ref plain_text(PyObject* obj);

}  // namespace vexal_rt
