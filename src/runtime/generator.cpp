// The yield-once generator object.
#include "vexal_rt/generator.hpp"
#include "vexal_rt/call.hpp"

#include <frameobject.h>

namespace vexal_rt {
namespace {

enum class Stage { created, suspended, finished };
enum class Outcome { yielded, returned, failed };

struct YieldOnceObject {
    PyObject_HEAD
    PyObject* function;
    PyObject* state;
    PyObject* frame;  // made when gi_frame is first read
    const YieldOnceSteps* steps;
    Stage stage;
    bool running;
};

YieldOnceObject* as_generator(PyObject* self) { return reinterpret_cast<YieldOnceObject*>(self); }

// A StopIteration escaping a generator's body becomes RuntimeError.
void stop_iteration_to_runtime_error() {
    if (!PyErr_ExceptionMatches(PyExc_StopIteration)) return;
    Ref stop = fetch_error();
    PyErr_SetString(PyExc_RuntimeError, "generator raised StopIteration");
    Ref error = fetch_error();
    PyException_SetCause(error.get(), Py_NewRef(stop.get()));
    PyException_SetContext(error.get(), stop.release());
    restore_error(std::move(error));
}

// Runs one step with the "already executing" guard. `sent` is the value
// sent in, `exc` the exception thrown in (at most one of them is given).
Outcome resume(YieldOnceObject* gen, PyObject* sent, PyObject* exc, Ref& value) {
    if (gen->running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return Outcome::failed;
    }
    if (gen->stage == Stage::finished) {
        if (!exc) {
            value = none();
            return Outcome::returned;
        }
        restore_error(Ref::borrow(exc));
        return Outcome::failed;
    }
    Stage stage = gen->stage;
    gen->stage = stage == Stage::created && !exc ? Stage::suspended : Stage::finished;
    gen->running = true;
    Outcome outcome = guarded(Outcome::failed, [&] {
        if (stage == Stage::created) {
            if (exc) rethrow(exc);
            value = gen->steps->before(gen->state);
            return Outcome::yielded;
        }
        const YieldOnceSteps& steps = *gen->steps;
        if (steps.after) {
            value = steps.after(gen->state, exc ? nullptr : sent, exc);
        } else {
            if (!steps.suppressing(gen->state, exc) && exc) rethrow(exc);
            value = none();
        }
        return Outcome::returned;
    });
    gen->running = false;
    if (outcome != Outcome::yielded) {
        gen->stage = Stage::finished;
        Py_CLEAR(gen->frame);
    }
    if (outcome == Outcome::failed) stop_iteration_to_runtime_error();
    return outcome;
}

// Raises StopIteration carrying the return value.
PyObject* stop_with(PyObject* value) {
    if (value == Py_None) {
        PyErr_SetNone(PyExc_StopIteration);
        return nullptr;
    }
    PyObject* stop = PyObject_CallOneArg(PyExc_StopIteration, value);
    if (stop) {
        PyErr_SetObject(PyExc_StopIteration, stop);
        Py_DECREF(stop);
    }
    return nullptr;
}

PyObject* finish(Outcome outcome, Ref& value) {
    if (outcome == Outcome::yielded) return value.release();
    if (outcome == Outcome::returned) return stop_with(value.get());
    return nullptr;
}

PyObject* generator_iternext(PyObject* self) {
    Ref value;
    Outcome outcome = resume(as_generator(self), Py_None, nullptr, value);
    if (outcome == Outcome::returned && value.is(Py_None)) return nullptr;  // exhausted, no value
    return finish(outcome, value);
}

PyObject* generator_send(PyObject* self, PyObject* sent) {
    YieldOnceObject* gen = as_generator(self);
    if (gen->stage == Stage::created && sent != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started generator");
        return nullptr;
    }
    Ref value;
    return finish(resume(gen, sent, nullptr, value), value);
}

// throw(value), throw(type[, value[, traceback]]) as generators accept them.
Ref exception_from(PyObject* type, PyObject* value, PyObject* traceback) {
    if (traceback == Py_None) traceback = nullptr;
    if (traceback && !PyTraceBack_Check(traceback)) {
        raise(PyExc_TypeError, "throw() third argument must be a traceback object");
    }
    if (value == Py_None) value = nullptr;
    Ref exc;
    if (PyExceptionInstance_Check(type)) {
        if (value) raise(PyExc_TypeError, "instance exception may not have a separate value");
        exc = Ref::borrow(type);
    } else if (PyExceptionClass_Check(type)) {
        if (value && PyObject_TypeCheck(value, reinterpret_cast<PyTypeObject*>(type))) {
            exc = Ref::borrow(value);
        } else {
            // The class is called as the raise statement calls it.
            Ref args = !value ? check(PyTuple_New(0))
                              : PyTuple_Check(value) ? Ref::borrow(value) : check(PyTuple_Pack(1, value));
            exc = check(PyObject_Call(type, args.get(), nullptr));
            if (!PyExceptionInstance_Check(exc.get())) {
                raise_format(PyExc_TypeError, "calling %R should have returned an instance of BaseException, not %s",
                             type, Py_TYPE(exc.get())->tp_name);
            }
        }
    } else {
        raise_format(PyExc_TypeError, "exceptions must be classes or instances deriving from BaseException, not %s",
                     Py_TYPE(type)->tp_name);
    }
    if (traceback) check_status(PyException_SetTraceback(exc.get(), traceback));
    return exc;
}

PyObject* generator_throw(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 1 || nargs > 3) {
        PyErr_Format(PyExc_TypeError, nargs < 1 ? "throw expected at least 1 argument, got %zd"
                                                : "throw expected at most 3 arguments, got %zd",
                     nargs);
        return nullptr;
    }
#if PY_VERSION_HEX >= 0x030C0000
    if (nargs > 1 && PyErr_WarnEx(PyExc_DeprecationWarning,
                                  "the (type, exc, tb) signature of throw() is deprecated, "
                                  "use the single-arg signature instead.",
                                  1) < 0) {
        return nullptr;
    }
#endif
    Ref exc = guarded(Ref(), [&] {
        return exception_from(args[0], nargs > 1 ? args[1] : nullptr, nargs > 2 ? args[2] : nullptr);
    });
    if (!exc) return nullptr;
    Ref value;
    return finish(resume(as_generator(self), nullptr, exc.get(), value), value);
}

PyObject* generator_close(PyObject* self, PyObject*) {
    YieldOnceObject* gen = as_generator(self);
    if (gen->running) {
        PyErr_SetString(PyExc_ValueError, "generator already executing");
        return nullptr;
    }
    if (gen->stage != Stage::suspended) {
        gen->stage = Stage::finished;
        Py_CLEAR(gen->frame);
        Py_RETURN_NONE;
    }
    Ref exit = Ref::steal(PyObject_CallNoArgs(PyExc_GeneratorExit));
    if (!exit) return nullptr;
    Ref value;
    if (resume(gen, nullptr, exit.get(), value) != Outcome::failed) Py_RETURN_NONE;
    if (PyErr_ExceptionMatches(PyExc_GeneratorExit)) {
        PyErr_Clear();
        Py_RETURN_NONE;
    }
    return nullptr;
}

void generator_finalize(PyObject* self) {
    if (as_generator(self)->stage != Stage::suspended) return;
    SavedError saved;
    PyObject* result = generator_close(self, nullptr);
    if (result) {
        Py_DECREF(result);
    } else {
        PyErr_WriteUnraisable(self);
    }
}

constexpr PyObject* YieldOnceObject::*owned[] = {&YieldOnceObject::function, &YieldOnceObject::state,
                                                  &YieldOnceObject::frame};

int generator_traverse(PyObject* self, visitproc visit, void* arg) {
    Py_VISIT(Py_TYPE(self));
    for (auto field : owned) Py_VISIT(as_generator(self)->*field);
    return 0;
}

int generator_clear(PyObject* self) {
    for (auto field : owned) Py_CLEAR(as_generator(self)->*field);
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

FunctionObject* function_of(PyObject* self) { return reinterpret_cast<FunctionObject*>(as_generator(self)->function); }

PyObject* generator_repr(PyObject* self) {
    return PyUnicode_FromFormat("<generator object %U at %p>", qualname_of(function_of(self)), self);
}

PyObject* get_code(PyObject* self, void*) { return Py_NewRef(code_of(function_of(self))); }
PyObject* get_running(PyObject* self, void*) { return PyBool_FromLong(as_generator(self)->running); }
PyObject* get_suspended(PyObject* self, void*) {
    return PyBool_FromLong(as_generator(self)->stage == Stage::suspended && !as_generator(self)->running);
}

// A frame of the generator's code while it can still run, None once it
// finished: what inspect.getgeneratorstate tells created from closed by.
PyObject* get_frame(PyObject* self, void*) {
    YieldOnceObject* gen = as_generator(self);
    if (gen->stage == Stage::finished) Py_RETURN_NONE;
    if (!gen->frame) {
        Ref globals = Ref::steal(PyObject_GetAttrString(gen->function, "__globals__"));
        if (!globals) return nullptr;
        if (!PyDict_Check(globals.get()) && !(globals = Ref::steal(PyDict_New()))) return nullptr;
        auto* code = reinterpret_cast<PyCodeObject*>(code_of(function_of(self)));
        gen->frame = reinterpret_cast<PyObject*>(PyFrame_New(PyThreadState_Get(), code, globals.get(), nullptr));
        if (!gen->frame) return nullptr;
    }
    return Py_NewRef(gen->frame);
}

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
    {"gi_suspended", get_suspended, nullptr, nullptr, nullptr},
    {"gi_frame", get_frame, nullptr, nullptr, nullptr},
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
    gen->frame = nullptr;
    gen->steps = &steps;
    gen->stage = Stage::created;
    gen->running = false;
    PyObject_GC_Track(gen);
    return Ref::steal(reinterpret_cast<PyObject*>(gen));
}

}  // namespace vexal_rt
