// The alias protocol's state as the value types keep it: the own text in the
// instance attribute original_str_repr and the custom alias in _alias. The
// alias and phasor modules read it the same way for their shortcuts.
//
// It lives here, compiled into each module, rather than behind a capsule the
// alias module exports: measured both ways, the capsule's indirect call and
// its reference hand-over cost the phasor operators about 1% more
// instructions and gained nothing elsewhere.
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

struct AliasState {
    Ref own;    // original_str_repr, or empty
    Ref alias;  // _alias, or empty
};

// Reads the state of `obj` when its instance dictionary holds nothing else
// (so no method is shadowed there) and each text present is an exact str
// (so comparing and formatting it runs no Python code); false otherwise.
bool read_alias_state(PyObject* obj, AliasState* out);

}  // namespace vexal_rt
