// Argument binding with the interpreter's own error texts (those of a
// function defined in Python, named by its __qualname__).
#include "function_object.hpp"

#include <algorithm>
#include <vector>

namespace vexal_rt {
namespace {

bool same_name(PyObject* a, PyObject* b, int* error) {
    if (a == b) return true;
    int equal = PyObject_RichCompareBool(a, b, Py_EQ);
    if (equal < 0) *error = 1;
    return equal > 0;
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'"
PyObject* join_names(const std::vector<PyObject*>& names) {
    std::vector<Ref> quoted;
    for (PyObject* name : names) {
        PyObject* repr = PyObject_Repr(name);
        if (!repr) return nullptr;
        quoted.push_back(Ref::steal(repr));
    }
    size_t n = quoted.size();
    if (n == 1) return Py_NewRef(quoted[0].get());
    if (n == 2) return PyUnicode_FromFormat("%U and %U", quoted[0].get(), quoted[1].get());
    Ref head = Ref::steal(PyUnicode_FromString(""));
    for (size_t i = 0; head && i + 2 < n; ++i) {
        head = Ref::steal(PyUnicode_FromFormat(i == 0 ? "%U%U" : "%U, %U", head.get(), quoted[i].get()));
    }
    if (!head) return nullptr;
    return PyUnicode_FromFormat("%U, %U, and %U", head.get(), quoted[n - 2].get(), quoted[n - 1].get());
}

void missing_arguments(FunctionObject* fn, bool positional, int start, int end, PyObject* const* values) {
    std::vector<PyObject*> missing;
    for (int i = start; i < end; ++i) {
        if (!values[i]) missing.push_back(PyTuple_GET_ITEM(fn->names, i));
    }
    Ref names = Ref::steal(join_names(missing));
    if (!names) return;
    PyErr_Format(PyExc_TypeError, "%U() missing %i required %s argument%s: %U", fn->qualname,
                 static_cast<int>(missing.size()), positional ? "positional" : "keyword-only",
                 missing.size() == 1 ? "" : "s", names.get());
}

void too_many_positional(FunctionObject* fn, Py_ssize_t given, PyObject* const* values) {
    Py_ssize_t kwonly_given = 0;
    for (int i = fn->argcount; i < fn->argcount + fn->kwonly; ++i) {
        if (values[i]) ++kwonly_given;
    }
    Py_ssize_t defcount = fn->defaults ? PyTuple_GET_SIZE(fn->defaults) : 0;
    Ref sig;
    bool plural;
    if (defcount) {
        plural = true;
        sig = Ref::steal(PyUnicode_FromFormat("from %zd to %d", fn->argcount - defcount, fn->argcount));
    } else {
        plural = fn->argcount != 1;
        sig = Ref::steal(PyUnicode_FromFormat("%d", fn->argcount));
    }
    if (!sig) return;
    Ref kwonly_sig = Ref::steal(
        kwonly_given ? PyUnicode_FromFormat(" positional argument%s (and %zd keyword-only argument%s)",
                                            given != 1 ? "s" : "", kwonly_given, kwonly_given != 1 ? "s" : "")
                     : PyUnicode_FromString(""));
    if (!kwonly_sig) return;
    PyErr_Format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd%U %s given", fn->qualname,
                 sig.get(), plural ? "s" : "", given, kwonly_sig.get(),
                 given == 1 && !kwonly_given ? "was" : "were");
}

// Returns true when an error was set.
bool positional_only_passed_as_keyword(FunctionObject* fn, PyObject* kwnames) {
    Ref conflicts = Ref::steal(PyList_New(0));
    if (!conflicts) return true;
    for (int k = 0; k < fn->posonly; ++k) {
        PyObject* posonly_name = PyTuple_GET_ITEM(fn->names, k);
        for (Py_ssize_t j = 0; j < PyTuple_GET_SIZE(kwnames); ++j) {
            int error = 0;
            PyObject* kwname = PyTuple_GET_ITEM(kwnames, j);
            if (same_name(posonly_name, kwname, &error)) {
                if (PyList_Append(conflicts.get(), kwname) < 0) return true;
            }
            if (error) return true;
        }
    }
    if (PyList_GET_SIZE(conflicts.get()) == 0) return false;
    Ref comma = Ref::steal(PyUnicode_FromString(", "));
    if (!comma) return true;
    Ref names = Ref::steal(PyUnicode_Join(comma.get(), conflicts.get()));
    if (!names) return true;
    PyErr_Format(PyExc_TypeError, "%U() got some positional-only arguments passed as keyword arguments: '%U'",
                 fn->qualname, names.get());
    return true;
}

}  // namespace

bool BoundArguments::bind(FunctionObject* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const int count = fn->parameter_count();
    if (count > inline_capacity) {
        heap_ = std::make_unique<PyObject*[]>(static_cast<size_t>(count));
        values_ = heap_.get();
    }
    PyObject** values = values_;
    std::fill_n(values, count, nullptr);
    const int argcount = fn->argcount;
    const int total = argcount + fn->kwonly;

    Py_ssize_t n = nargs < argcount ? nargs : argcount;
    for (Py_ssize_t i = 0; i < n; ++i) values[i] = args[i];
    int extra = total;
    if (fn->varargs) {
        Py_ssize_t rest = nargs > argcount ? nargs - argcount : 0;
        varargs_ = Ref::steal(PyTuple_New(rest));
        if (!varargs_) return false;
        for (Py_ssize_t i = 0; i < rest; ++i) PyTuple_SET_ITEM(varargs_.get(), i, Py_NewRef(args[argcount + i]));
        values[extra++] = varargs_.get();
    }
    if (fn->varkw) {
        varkw_ = Ref::steal(PyDict_New());
        if (!varkw_) return false;
        values[extra++] = varkw_.get();
    }

    Py_ssize_t kwcount = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t j = 0; j < kwcount; ++j) {
        PyObject* keyword = PyTuple_GET_ITEM(kwnames, j);
        PyObject* value = args[nargs + j];
        if (!PyUnicode_Check(keyword)) {
            PyErr_Format(PyExc_TypeError, "%U() keywords must be strings", fn->qualname);
            return false;
        }
        int found = -1;
        for (int i = fn->posonly; i < total && found < 0; ++i) {
            if (PyTuple_GET_ITEM(fn->names, i) == keyword) found = i;
        }
        for (int i = fn->posonly; i < total && found < 0; ++i) {
            int error = 0;
            if (same_name(PyTuple_GET_ITEM(fn->names, i), keyword, &error)) found = i;
            if (error) return false;
        }
        if (found < 0) {
            if (fn->varkw) {
                if (PyDict_SetItem(varkw_.get(), keyword, value) < 0) return false;
                continue;
            }
            if (fn->posonly && positional_only_passed_as_keyword(fn, kwnames)) return false;
            PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'", fn->qualname, keyword);
            return false;
        }
        if (values[found]) {
            PyErr_Format(PyExc_TypeError, "%U() got multiple values for argument '%S'", fn->qualname, keyword);
            return false;
        }
        values[found] = value;
    }

    if (nargs > argcount && !fn->varargs) {
        too_many_positional(fn, nargs, values);
        return false;
    }

    if (nargs < argcount) {
        defaults_ = Ref::borrow(fn->defaults);
        Py_ssize_t defcount = defaults_ ? PyTuple_GET_SIZE(defaults_.get()) : 0;
        Py_ssize_t first_default = argcount - defcount;
        for (Py_ssize_t i = nargs; i < first_default; ++i) {
            if (!values[i]) {
                missing_arguments(fn, true, 0, static_cast<int>(first_default), values);
                return false;
            }
        }
        for (Py_ssize_t i = first_default > nargs ? first_default : nargs; i < argcount; ++i) {
            if (!values[i]) values[i] = PyTuple_GET_ITEM(defaults_.get(), i - first_default);
        }
    }

    if (fn->kwonly) {
        Ref kwdefaults = Ref::borrow(fn->kwdefaults);
        bool missing = false;
        for (int i = argcount; i < total; ++i) {
            if (values[i]) continue;
            PyObject* fallback = nullptr;
            if (kwdefaults) {
                fallback = PyDict_GetItemWithError(kwdefaults.get(), PyTuple_GET_ITEM(fn->names, i));
                if (!fallback && PyErr_Occurred()) return false;
            }
            if (!fallback) {
                missing = true;
                continue;
            }
            if (!kwdefaults_) kwdefaults_ = std::make_unique<Ref[]>(static_cast<size_t>(fn->kwonly));
            kwdefaults_[i - argcount] = Ref::borrow(fallback);
            values[i] = fallback;
        }
        if (missing) {
            missing_arguments(fn, false, argcount, total, values);
            return false;
        }
    }
    return true;
}

}  // namespace vexal_rt
