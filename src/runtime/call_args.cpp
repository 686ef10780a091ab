// Forwarding calls: a pass-through function's arguments as they came, and
// calls with a positional tuple and a keyword dict.
#include "vexal_rt/call.hpp"
#include "vexal_rt/function.hpp"

#include <algorithm>
#include <vector>

namespace vexal_rt {

Ref call_with(PyObject* callable, PyObject* args, PyObject* kwargs) {
    if (kwargs == Py_None) kwargs = nullptr;
    if (kwargs && !PyDict_Check(kwargs)) {
        raise_format(PyExc_TypeError, "keyword arguments must be a dict, not %.200s", Py_TYPE(kwargs)->tp_name);
    }
    Ref positional = PyTuple_Check(args) ? Ref::borrow(args) : check(PySequence_Tuple(args));
    return check(PyObject_Call(callable, positional.get(), kwargs));
}

Ref CallArgs::forward(PyObject* callable) const {
    return check(PyObject_Vectorcall(callable, args, nargsf, kwnames));
}

Ref CallArgs::forward(PyObject* callable, PyObject* first) const {
    Py_ssize_t nargs = positional();
    if (nargsf & PY_VECTORCALL_ARGUMENTS_OFFSET) {
        // The caller lent us the slot before the arguments: put `first`
        // there for the duration of the call, as bound methods do.
        PyObject** slot = const_cast<PyObject**>(args) - 1;
        PyObject* saved = *slot;
        *slot = first;
        PyObject* result = PyObject_Vectorcall(callable, slot, static_cast<size_t>(nargs + 1), kwnames);
        *slot = saved;
        return check(result);
    }
    Py_ssize_t total = nargs + keywords();
    std::vector<PyObject*> stack(static_cast<size_t>(total + 2));
    stack[1] = first;
    std::copy_n(args, total, stack.begin() + 2);
    return check(PyObject_Vectorcall(callable, stack.data() + 1,
                                     static_cast<size_t>(nargs + 1) | PY_VECTORCALL_ARGUMENTS_OFFSET, kwnames));
}

Ref CallArgs::tuple() const {
    Py_ssize_t nargs = positional();
    Ref result = check(PyTuple_New(nargs));
    for (Py_ssize_t i = 0; i < nargs; ++i) PyTuple_SET_ITEM(result.get(), i, Py_NewRef(args[i]));
    return result;
}

Ref CallArgs::dict() const {
    Ref result = check(PyDict_New());
    Py_ssize_t nargs = positional();
    for (Py_ssize_t j = 0; j < keywords(); ++j) {
        check_status(PyDict_SetItem(result.get(), PyTuple_GET_ITEM(kwnames, j), args[nargs + j]));
    }
    return result;
}

}  // namespace vexal_rt
