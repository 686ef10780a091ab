// Stepping through an iterator from C++:
//     Ref items = check(PyObject_GetIter(obj));
//     while (Ref item = next_item(items.get())) ...
#pragma once
#include "vexal_rt/ref.hpp"

namespace vexal_rt {

// The next item, or an empty Ref at the end; throws if the iterator raised.
inline Ref next_item(PyObject* iterator) {
    Ref item = Ref::steal(PyIter_Next(iterator));
    if (!item && PyErr_Occurred()) raise();
    return item;
}

}  // namespace vexal_rt
