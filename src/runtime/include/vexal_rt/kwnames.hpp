// Keyword-name tuples for call_kw, made once per process on first use:
//     call_kw(plot, {x, y, name}, kwnames<"label">());
#pragma once
#include "vexal_rt/names.hpp"

namespace vexal_rt {

template <Literal... Names>
PyObject* kwnames() {
    static PyObject* names = [] {
        PyObject* tuple = PyTuple_Pack(sizeof...(Names), id<Names>()...);
        if (!tuple) raise();
        return tuple;
    }();
    return names;
}

}  // namespace vexal_rt
