// A C tp_init slot for classes made by ClassBuilder.
//
// Calling such a class normally goes through the interpreter's generic
// tp_init slot, which looks up __init__ and packs the arguments again for it.
// A module can install a C slot instead: its fast step handles the calls it
// recognises and declines the rest, which then go to the class's __init__
// exactly as the generic slot would send them. The interpreter puts its
// generic slot back by itself when __init__ is later assigned on the class,
// and subclasses get the generic slot, so the function object stays the one
// definition.
//
// tp_new is left alone: float.__new__(Sub, x) and tuple.__new__(Sub, x) in a
// subclass's own __new__ accept only classes whose bases keep the generic
// tp_new slot.
#pragma once
#include "vexal_rt/boundary.hpp"

#include <span>

namespace vexal_rt {

// Returns false to decline the call; may throw PyError.
using FastInit = bool (*)(PyObject* self, PyObject* args, PyObject* kwargs);

// What the generic slot does: type(self).__init__(self, *args, **kwargs),
// which must return None.
int generic_init(PyObject* self, PyObject* args, PyObject* kwargs);

template <FastInit Fast>
int init_slot(PyObject* self, PyObject* args, PyObject* kwargs) {
    int handled = guarded(-1, [&] { return Fast(self, args, kwargs) ? 0 : 1; });
    return handled <= 0 ? handled : generic_init(self, args, kwargs);
}

template <FastInit Fast>
void install_init_slot(PyObject* cls) {
    reinterpret_cast<PyTypeObject*>(cls)->tp_init = init_slot<Fast>;
}

// Matches a call's arguments to `names` (positional or by keyword) the way a
// plain def would, filling `out` (borrowed; entries not given keep what they
// held, i.e. the defaults). Returns false, without raising, for any call that
// does not bind cleanly (too many arguments, unknown or repeated names, a
// required one missing): the function object then reports it.
bool match_arguments(PyObject* args, PyObject* kwargs, std::span<PyObject* const> names, size_t required,
                     PyObject** out);

}  // namespace vexal_rt
