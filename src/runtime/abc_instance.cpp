// isinstance for classes made by abc.ABCMeta. The interpreter calls
// ABCMeta.__instancecheck__, a Python function whose whole body is
// `return _abc_instancecheck(cls, instance)`; while ABCMeta and the abc
// module still hold their own originals, the C function is called here
// directly, without the Python frame.
#include "vexal_rt/call.hpp"
#include "vexal_rt/fast_path.hpp"
#include "vexal_rt/names.hpp"

namespace vexal_rt {
namespace {

struct AbcCheck {
    PyObject* meta = nullptr;           // abc.ABCMeta
    PyObject* instancecheck = nullptr;  // _abc._abc_instancecheck
    FastPath originals;

    AbcCheck() {
        Ref abc = import("abc");
        Ref accelerated = Ref::steal(PyImport_ImportModule("_abc"));
        if (!accelerated) {  // the pure-Python ABCMeta: nothing to shorten
            PyErr_Clear();
            return;
        }
        Ref abc_meta = getattr(abc.get(), id<"ABCMeta">());
        if (!is_abc_own(abc_meta.get())) return;  // replaced before this first use
        meta = abc_meta.release();
        instancecheck = getattr(accelerated.get(), id<"_abc_instancecheck">()).release();
        // The guard takes what ABCMeta resolves now, just recognised as abc's own.
        originals.attributes(meta, {"__instancecheck__"})
            .global(PyModule_GetDict(abc.get()), "_abc_instancecheck", Original(instancecheck));
    }

    // Whether ABCMeta.__instancecheck__ is abc's own function: two
    // parameters, and no name used but _abc_instancecheck.
    static bool is_abc_own(PyObject* abc_meta) {
        PyObject* found = PyDict_GetItemWithError(reinterpret_cast<PyTypeObject*>(abc_meta)->tp_dict,
                                                  id<"__instancecheck__">());
        if (!found && PyErr_Occurred()) raise();
        if (!found || !PyFunction_Check(found)) return false;
        Ref function = Ref::borrow(found);
        Ref module = getattr(function.get(), id<"__module__">());
        Ref code = getattr(function.get(), id<"__code__">());
        Ref names = getattr(code.get(), id<"co_names">());
        Ref arguments = getattr(code.get(), id<"co_argcount">());
        return is_text(module.get(), "abc") && PyTuple_Check(names.get()) && PyTuple_GET_SIZE(names.get()) == 1 &&
               is_text(PyTuple_GET_ITEM(names.get(), 0), "_abc_instancecheck") && PyLong_AsLong(arguments.get()) == 2;
    }
};

}  // namespace

int is_instance(PyObject* obj, PyObject* cls) {
    if (Py_IS_TYPE(obj, reinterpret_cast<PyTypeObject*>(cls))) return 1;
    static AbcCheck* abc = nullptr;
    if (!abc) {
        try {
            abc = new AbcCheck();
        } catch (const PyError&) {
            return -1;
        }
    }
    if (!abc->meta || reinterpret_cast<PyObject*>(Py_TYPE(cls)) != abc->meta) return PyObject_IsInstance(obj, cls);
    try {
        if (!abc->originals.holds()) return PyObject_IsInstance(obj, cls);
    } catch (const PyError&) {
        return -1;
    }
    PyObject* args[] = {cls, obj};
    PyObject* result = PyObject_Vectorcall(abc->instancecheck, args, 2, nullptr);
    if (!result) return -1;
    int answer = PyObject_IsTrue(result);
    Py_DECREF(result);
    return answer;
}

}  // namespace vexal_rt
