// What an attribute name resolves to on a type, as the interpreter finds
// special methods: along the method resolution order, in each class's own
// dict, skipping the instance and the metaclass.
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

// The value found, or an empty Ref when no class of the MRO defines `name`.
Ref type_lookup(PyTypeObject* type, PyObject* name);

}  // namespace vexal_rt
