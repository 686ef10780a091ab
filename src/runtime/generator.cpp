// The yield-once generator object.
#include "vexal_rt/generator.hpp"
#include "vexal_rt/call.hpp"

namespace vexal_rt {
namespace {

enum class Stage { created, suspended, finished };

struct YieldOnceObject {
    PyObject_HEAD
    PyObject* function;
    PyObject* state;
    const YieldOnceSteps* steps;
    Stage stage;
    bool running;
};

YieldOnceObject* as_generator(PyObject* self) { return reinterpret_cast<YieldOnceObject*>(self); }

// Runs one step with the "already executing" guard; returns the yielded
// value, or NULL with StopIteration unset when the generator finished, or
// NULL with an error set.
PyObject* resume(YieldOnceObject* gen, PyObject* exc) {
    if (gen->running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    if (gen->stage == Stage::finished) {
        if (exc) PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc)), exc);
        return nullptr;
    }
    Stage stage = gen->stage;
    gen->stage = stage == Stage::created && !exc ? Stage::suspended : Stage::finished;
    gen->running = true;
    PyObject* result = nullptr;
    try {
        if (stage == Stage::created) {
            if (exc) {
                PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc)), exc);
            } else {
                result = gen->steps->before(gen->state).release();
            }
        } else if (!gen->steps->after(gen->state, exc) && exc) {
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc)), exc);
        }
    } catch (const PyError&) {
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    }
    if (!result) gen->stage = Stage::finished;
    gen->running = false;
    return result;
}

PyObject* finish_with_stop(PyObject* result) {
    if (!result && !PyErr_Occurred()) PyErr_SetNone(PyExc_StopIteration);
    return result;
}

PyObject* generator_iternext(PyObject* self) { return resume(as_generator(self), nullptr); }

PyObject* generator_send(PyObject* self, PyObject* value) {
    YieldOnceObject* gen = as_generator(self);
    if (gen->stage == Stage::created && value != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started generator");
        return nullptr;
    }
    return finish_with_stop(resume(gen, nullptr));
}

// throw(value), throw(type[, value[, traceback]]) as generators accept them.
PyObject* exception_from(PyObject* type, PyObject* value, PyObject* traceback) {
    Ref exc;
    if (PyExceptionInstance_Check(type)) {
        if (value && value != Py_None) {
            PyErr_SetString(PyExc_TypeError, "instance exception may not have a separate value");
            return nullptr;
        }
        exc = Ref::borrow(type);
    } else if (PyExceptionClass_Check(type)) {
        if (value && PyObject_TypeCheck(value, reinterpret_cast<PyTypeObject*>(type))) {
            exc = Ref::borrow(value);
        } else if (!value || value == Py_None) {
            exc = Ref::steal(PyObject_CallNoArgs(type));
        } else {
            exc = Ref::steal(PyObject_CallOneArg(type, value));
        }
        if (!exc) return nullptr;
    } else {
        PyErr_Format(PyExc_TypeError, "exceptions must be classes or instances deriving from BaseException, not %s",
                     Py_TYPE(type)->tp_name);
        return nullptr;
    }
    if (traceback && traceback != Py_None) {
        if (!PyTraceBack_Check(traceback)) {
            PyErr_SetString(PyExc_TypeError, "throw() third argument must be a traceback object");
            return nullptr;
        }
        if (PyException_SetTraceback(exc.get(), traceback) < 0) return nullptr;
    }
    return exc.release();
}

PyObject* generator_throw(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 1 || nargs > 3) {
        PyErr_Format(PyExc_TypeError, "throw expected between 1 and 3 arguments, got %zd", nargs);
        return nullptr;
    }
    Ref exc = Ref::steal(exception_from(args[0], nargs > 1 ? args[1] : nullptr, nargs > 2 ? args[2] : nullptr));
    if (!exc) return nullptr;
    return finish_with_stop(resume(as_generator(self), exc.get()));
}

PyObject* generator_close(PyObject* self, PyObject*) {
    YieldOnceObject* gen = as_generator(self);
    if (gen->stage != Stage::suspended) {
        gen->stage = Stage::finished;
        Py_RETURN_NONE;
    }
    Ref exit = Ref::steal(PyObject_CallNoArgs(PyExc_GeneratorExit));
    if (!exit) return nullptr;
    PyObject* yielded = resume(gen, exit.get());
    if (yielded) {  // cannot happen: the generator yields once
        Py_DECREF(yielded);
        PyErr_SetString(PyExc_RuntimeError, "generator ignored GeneratorExit");
        return nullptr;
    }
    if (!PyErr_Occurred() || PyErr_ExceptionMatches(PyExc_GeneratorExit) ||
        PyErr_ExceptionMatches(PyExc_StopIteration)) {
        PyErr_Clear();
        Py_RETURN_NONE;
    }
    return nullptr;
}

void generator_finalize(PyObject* self) {
    if (as_generator(self)->stage != Stage::suspended) return;
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyObject* result = generator_close(self, nullptr);
    if (result) {
        Py_DECREF(result);
    } else {
        PyErr_WriteUnraisable(self);
    }
    PyErr_Restore(type, value, traceback);
}

int generator_traverse(PyObject* self, visitproc visit, void* arg) {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(as_generator(self)->function);
    Py_VISIT(as_generator(self)->state);
    return 0;
}

int generator_clear(PyObject* self) {
    Py_CLEAR(as_generator(self)->function);
    Py_CLEAR(as_generator(self)->state);
    return 0;
}

void generator_dealloc(PyObject* self) {
    if (PyObject_CallFinalizerFromDealloc(self) < 0) return;  // resurrected
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    generator_clear(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* generator_repr(PyObject* self) {
    auto* fn = reinterpret_cast<FunctionObject*>(as_generator(self)->function);
    return PyUnicode_FromFormat("<generator object %U at %p>", qualname_of(fn), self);
}

PyObject* get_code(PyObject* self, void*) {
    return Py_NewRef(code_of(reinterpret_cast<FunctionObject*>(as_generator(self)->function)));
}
PyObject* get_running(PyObject* self, void*) { return PyBool_FromLong(as_generator(self)->running); }
PyObject* get_none(PyObject*, void*) { Py_RETURN_NONE; }

PyMethodDef generator_methods[] = {
    {"send", generator_send, METH_O, nullptr},
    {"throw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(generator_throw)), METH_FASTCALL, nullptr},
    {"close", generator_close, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef generator_getset[] = {
    {"gi_code", get_code, nullptr, nullptr, nullptr},
    {"gi_running", get_running, nullptr, nullptr, nullptr},
    {"gi_frame", get_none, nullptr, nullptr, nullptr},
    {"gi_yieldfrom", get_none, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot generator_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(generator_dealloc)},
    {Py_tp_finalize, reinterpret_cast<void*>(generator_finalize)},
    {Py_tp_traverse, reinterpret_cast<void*>(generator_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(generator_clear)},
    {Py_tp_repr, reinterpret_cast<void*>(generator_repr)},
    {Py_tp_iter, reinterpret_cast<void*>(PyObject_SelfIter)},
    {Py_tp_iternext, reinterpret_cast<void*>(generator_iternext)},
    {Py_tp_methods, generator_methods},
    {Py_tp_getset, generator_getset},
    {0, nullptr},
};

PyType_Spec generator_spec = {
    "vexal.generator",
    sizeof(YieldOnceObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    generator_slots,
};

PyTypeObject* generator_type() {
    static PyTypeObject* type = nullptr;
    if (!type) type = reinterpret_cast<PyTypeObject*>(check(PyType_FromSpec(&generator_spec)).release());
    return type;
}

}  // namespace

Ref make_yield_once(FunctionObject* function, PyObject* state, const YieldOnceSteps& steps) {
    auto* gen = PyObject_GC_New(YieldOnceObject, generator_type());
    if (!gen) raise();
    gen->function = Py_NewRef(reinterpret_cast<PyObject*>(function));
    gen->state = Py_NewRef(state);
    gen->steps = &steps;
    gen->stage = Stage::created;
    gen->running = false;
    PyObject_GC_Track(gen);
    return Ref::steal(reinterpret_cast<PyObject*>(gen));
}

}  // namespace vexal_rt
