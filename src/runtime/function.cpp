// The function type: attributes, method binding, calls, garbage collection.
#include "function_object.hpp"
#include "vexal_rt/boundary.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/names.hpp"

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <structmember.h>

namespace vexal_rt {
namespace {

// Calls that reach a function whose Closure the garbage collector dropped
// (only possible from a finaliser that runs while a cycle is broken).
bool state_lost(FunctionObject* fn) {
    if (!fn->has_state || fn->state) return false;
    PyErr_Format(PyExc_ReferenceError, "%U() was cleared by the garbage collector", fn->qualname);
    return true;
}

PyObject* invoke(FunctionObject* fn, PyObject* const* values) {
    if (state_lost(fn) || Py_EnterRecursiveCall(" while calling a Python object")) return nullptr;
    PyObject* result = guarded<PyObject*>(nullptr, [&] { return fn->impl(fn, values).release(); });
    Py_LeaveRecursiveCall();
    return result;
}

PyObject* function_vectorcall(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    auto* fn = reinterpret_cast<FunctionObject*>(callable);
    Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    bool only_positional = !kwnames || PyTuple_GET_SIZE(kwnames) == 0;
    if (only_positional && nargs == fn->argcount && fn->parameter_count() == fn->argcount) {
        return invoke(fn, args);
    }
    BoundArguments bound;  // binding may allocate, and so throw std::bad_alloc
    if (!guarded(false, [&] { return bound.bind(fn, args, nargs, only_positional ? nullptr : kwnames); })) {
        return nullptr;
    }
    return invoke(fn, bound.values());
}

PyObject* pass_through_vectorcall(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    auto* fn = reinterpret_cast<FunctionObject*>(callable);
    if (state_lost(fn) || Py_EnterRecursiveCall(" while calling a Python object")) return nullptr;
    CallArgs call{args, nargsf, kwnames};
    PyObject* result = guarded<PyObject*>(nullptr, [&] { return fn->forward(fn, call).release(); });
    Py_LeaveRecursiveCall();
    return result;
}

// Lists a Closure's references to the collector.
class Traversal final : public RefVisitor {
public:
    Traversal(visitproc visit, void* arg) : visit_(visit), arg_(arg) {}
    void operator()(Ref& ref) override {
        if (result_ == 0 && ref) result_ = visit_(ref.get(), arg_);
    }
    int result() const { return result_; }

private:
    visitproc visit_;
    void* arg_;
    int result_ = 0;
};

// The references a function owns besides its Closure (weakrefs is a list head).
constexpr PyObject* FunctionObject::*owned[] = {
    &FunctionObject::names,       &FunctionObject::code,        &FunctionObject::name,
    &FunctionObject::qualname,    &FunctionObject::module,      &FunctionObject::doc,
    &FunctionObject::defaults,    &FunctionObject::kwdefaults,  &FunctionObject::annotations,
    &FunctionObject::dict,        &FunctionObject::globals,     &FunctionObject::closure,
};

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    auto* fn = reinterpret_cast<FunctionObject*>(self);
    Py_VISIT(Py_TYPE(self));
    for (auto field : owned) Py_VISIT(fn->*field);
    if (fn->state) {
        Traversal traversal(visit, arg);
        fn->state->references(traversal);
        return traversal.result();
    }
    return 0;
}

int function_clear(PyObject* self) {
    auto* fn = reinterpret_cast<FunctionObject*>(self);
    for (auto field : owned) Py_CLEAR(fn->*field);
    delete std::exchange(fn->state, nullptr);
    return 0;
}

void function_dealloc(PyObject* self) {
    auto* fn = reinterpret_cast<FunctionObject*>(self);
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    if (fn->weakrefs) PyObject_ClearWeakRefs(self);
    function_clear(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* function_repr(PyObject* self) {
    return PyUnicode_FromFormat("<function %U at %p>", reinterpret_cast<FunctionObject*>(self)->qualname, self);
}

PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

// Functions pickle by reference, as builtins do.
PyObject* function_reduce(PyObject* self, PyObject*) {
    return Py_NewRef(reinterpret_cast<FunctionObject*>(self)->qualname);
}

PyMethodDef function_methods[] = {
    {"__reduce__", function_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

int set_text(PyObject** slot, PyObject* value, const char* what) {
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
        return -1;
    }
    Py_XSETREF(*slot, Py_NewRef(value));
    return 0;
}

FunctionObject* as_function(PyObject* self) { return reinterpret_cast<FunctionObject*>(self); }

PyObject* get_name(PyObject* self, void*) { return Py_NewRef(as_function(self)->name); }
int set_name(PyObject* self, PyObject* value, void*) { return set_text(&as_function(self)->name, value, "__name__"); }
PyObject* get_qualname(PyObject* self, void*) { return Py_NewRef(as_function(self)->qualname); }
int set_qualname(PyObject* self, PyObject* value, void*) {
    return set_text(&as_function(self)->qualname, value, "__qualname__");
}
PyObject* get_code(PyObject* self, void*) { return Py_NewRef(as_function(self)->code); }

PyObject* get_or_none(PyObject* value) { return Py_NewRef(value ? value : Py_None); }

PyObject* get_defaults(PyObject* self, void*) { return get_or_none(as_function(self)->defaults); }
int set_defaults(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) value = nullptr;
    if (value && !PyTuple_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__defaults__ must be set to a tuple object");
        return -1;
    }
    if (value && PyTuple_GET_SIZE(value) > as_function(self)->argcount) {
        PyErr_SetString(PyExc_ValueError, "__defaults__ has more values than there are positional parameters");
        return -1;
    }
    Py_XSETREF(as_function(self)->defaults, Py_XNewRef(value));
    return 0;
}
// A field that holds a dict, or nothing once set to None.
int set_dict(PyObject** slot, PyObject* value, const char* what) {
    if (value == Py_None) value = nullptr;
    if (value && !PyDict_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a dict object", what);
        return -1;
    }
    Py_XSETREF(*slot, Py_XNewRef(value));
    return 0;
}
PyObject* get_kwdefaults(PyObject* self, void*) { return get_or_none(as_function(self)->kwdefaults); }
int set_kwdefaults(PyObject* self, PyObject* value, void*) {
    return set_dict(&as_function(self)->kwdefaults, value, "__kwdefaults__");
}
PyObject* get_annotations(PyObject* self, void*) {
    FunctionObject* fn = as_function(self);
    if (!fn->annotations && !(fn->annotations = PyDict_New())) return nullptr;
    return Py_NewRef(fn->annotations);
}
int set_annotations(PyObject* self, PyObject* value, void*) {
    return set_dict(&as_function(self)->annotations, value, "__annotations__");
}
PyObject* get_globals(PyObject* self, void*) { return get_or_none(as_function(self)->globals); }
PyObject* get_closure(PyObject*, void*) { Py_RETURN_NONE; }
PyObject* get_builtins(PyObject*, void*) { return Py_NewRef(PyEval_GetBuiltins()); }
// isinstance(f, types.FunctionType) consults __class__ after the real type,
// as it does for mocks. Tools that take hooks, tests or wrapped callables
// only from plain functions (inspect.isfunction, pluggy >= 1.7, pytest's
// marks) then accept these objects, which carry everything such tools read
// from a function. C code, which checks the real type, is not misled.
PyObject* get_class(PyObject*, void*) { return Py_NewRef(reinterpret_cast<PyObject*>(&PyFunction_Type)); }

PyGetSetDef function_getset[] = {
    {"__name__", get_name, set_name, nullptr, nullptr},
    {"__qualname__", get_qualname, set_qualname, nullptr, nullptr},
    {"__code__", get_code, nullptr, nullptr, nullptr},
    {"__defaults__", get_defaults, set_defaults, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, set_kwdefaults, nullptr, nullptr},
    {"__annotations__", get_annotations, set_annotations, nullptr, nullptr},
    {"__globals__", get_globals, nullptr, nullptr, nullptr},
    {"__closure__", get_closure, nullptr, nullptr, nullptr},
    {"__builtins__", get_builtins, nullptr, nullptr, nullptr},
    {"__class__", get_class, nullptr, nullptr, nullptr},
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef function_members[] = {
    {"__module__", T_OBJECT, offsetof(FunctionObject, module), 0, nullptr},
    {"__doc__", T_OBJECT, offsetof(FunctionObject, doc), 0, nullptr},
    {"__vectorcalloffset__", T_PYSSIZET, offsetof(FunctionObject, vectorcall), READONLY, nullptr},
    {"__weaklistoffset__", T_PYSSIZET, offsetof(FunctionObject, weakrefs), READONLY, nullptr},
    {"__dictoffset__", T_PYSSIZET, offsetof(FunctionObject, dict), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyType_Slot function_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(function_dealloc)},
    {Py_tp_traverse, reinterpret_cast<void*>(function_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(function_clear)},
    {Py_tp_repr, reinterpret_cast<void*>(function_repr)},
    {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
    {Py_tp_descr_get, reinterpret_cast<void*>(function_descr_get)},
    {Py_tp_methods, function_methods},
    {Py_tp_getset, function_getset},
    {Py_tp_members, function_members},
    {0, nullptr},
};

PyType_Spec function_spec = {
    "vexal.function",
    sizeof(FunctionObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR |
        Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    function_slots,
};

// One type per extension module (the runtime is linked into each); created
// on first use and kept for the process.
PyTypeObject* function_type() {
    static PyTypeObject* type = nullptr;
    if (!type) {
        type = reinterpret_cast<PyTypeObject*>(check(PyType_FromSpec(&function_spec)).release());
    }
    return type;
}

// The function type of another vexal module: same name and layout, and
// flags a class statement cannot give.
bool is_function_type(PyTypeObject* type) {
    constexpr unsigned long flags = Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION |
                                    Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_HEAPTYPE;
    return (type->tp_flags & flags) == flags && type->tp_basicsize == function_spec.basicsize &&
           std::string_view(type->tp_name) == function_spec.name;
}

struct ParameterList {
    std::vector<std::string> names;
    int argcount = 0;
    int posonly = 0;
    int kwonly = 0;
    bool varargs = false;
    bool varkw = false;
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

ParameterList parse_parameters(std::string_view text) {
    ParameterList list;
    std::vector<std::string> keyword_only;
    std::string varargs_name, varkw_name;
    bool after_star = false;
    while (!trim(text).empty()) {
        size_t comma = text.find(',');
        std::string_view token = trim(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (token == "/") {
            list.posonly = list.argcount;
        } else if (token == "*") {
            after_star = true;
        } else if (token.substr(0, 2) == "**") {
            list.varkw = true;
            varkw_name = token.substr(2);
        } else if (token.substr(0, 1) == "*") {
            list.varargs = true;
            after_star = true;
            varargs_name = token.substr(1);
        } else if (after_star) {
            keyword_only.emplace_back(token);
        } else {
            list.names.emplace_back(token);
            ++list.argcount;
        }
    }
    list.kwonly = static_cast<int>(keyword_only.size());
    list.names.insert(list.names.end(), keyword_only.begin(), keyword_only.end());
    if (list.varargs) list.names.push_back(varargs_name);
    if (list.varkw) list.names.push_back(varkw_name);
    return list;
}

Ref make_code(const FunctionDef& def, const ParameterList& list, PyObject* names, PyObject* qualname,
              PyObject* module) {
    // The file name stays a str object: it need not be valid UTF-8.
    Ref filename = module ? lookup_attr(module, id<"__file__">()) : Ref();
    if (!filename || !PyUnicode_Check(filename.get())) filename = text(def.name);
    Ref code = check(reinterpret_cast<PyObject*>(PyCode_NewEmpty(def.name, def.name, 0)));
    int flags = CO_OPTIMIZED | CO_NEWLOCALS;
    if (list.varargs) flags |= CO_VARARGS;
    if (list.varkw) flags |= CO_VARKEYWORDS;
    if (def.generator) flags |= CO_GENERATOR;
    Ref replace = getattr(code.get(), id<"replace">());
    Ref kwnames = check(Py_BuildValue("(sssssssss)", "co_argcount", "co_posonlyargcount", "co_kwonlyargcount",
                                      "co_nlocals", "co_varnames", "co_flags", "co_name", "co_qualname",
                                      "co_filename"));
    Ref argcount = check(PyLong_FromLong(list.argcount));
    Ref posonly = check(PyLong_FromLong(list.posonly));
    Ref kwonly = check(PyLong_FromLong(list.kwonly));
    Ref nlocals = check(PyLong_FromSsize_t(PyTuple_GET_SIZE(names)));
    Ref code_flags = check(PyLong_FromLong(flags));
    Ref name = text(def.name);
    return call_kw(replace.get(),
                   {argcount.get(), posonly.get(), kwonly.get(), nlocals.get(), names, code_flags.get(), name.get(),
                    qualname, filename.get()},
                   kwnames.get());
}

FunctionObject* new_function(const FunctionDef& def, const FunctionParts& parts, std::unique_ptr<Closure> state) {
    ParameterList list = parse_parameters(def.params);
    Ref names = check(PyTuple_New(static_cast<Py_ssize_t>(list.names.size())));
    for (size_t i = 0; i < list.names.size(); ++i) {
        PyObject* name = PyUnicode_InternFromString(list.names[i].c_str());
        if (!name) raise();
        PyTuple_SET_ITEM(names.get(), static_cast<Py_ssize_t>(i), name);
    }
    Ref name = text(def.name);
    Ref qualname = parts.qualname ? Ref::borrow(parts.qualname) : name;
    Ref code = make_code(def, list, names.get(), qualname.get(), parts.module);
    Ref module_name = parts.module ? getattr(parts.module, id<"__name__">()) : none();
    Ref globals = parts.module ? Ref::borrow(PyModule_GetDict(parts.module)) : Ref();
    Ref doc = def.doc ? text(def.doc) : none();

    PyTypeObject* type = function_type();
    auto* fn = PyObject_GC_New(FunctionObject, type);
    if (!fn) raise();
    fn->vectorcall = function_vectorcall;
    fn->impl = def.impl;
    fn->forward = nullptr;
    fn->argcount = list.argcount;
    fn->posonly = list.posonly;
    fn->kwonly = list.kwonly;
    fn->varargs = list.varargs;
    fn->varkw = list.varkw;
    fn->has_state = static_cast<bool>(state);
    fn->state = state.release();
    fn->names = names.release();
    fn->code = code.release();
    fn->name = name.release();
    fn->qualname = qualname.release();
    fn->module = module_name.release();
    fn->doc = doc.release();
    fn->defaults = Py_XNewRef(parts.defaults);
    fn->kwdefaults = Py_XNewRef(parts.kwdefaults);
    fn->annotations = nullptr;
    fn->dict = nullptr;
    fn->globals = globals.release();
    fn->closure = Py_XNewRef(parts.closure);
    fn->weakrefs = nullptr;
    return fn;
}

}  // namespace

Ref make_function(const FunctionDef& def, const FunctionParts& parts, std::unique_ptr<Closure> state) {
    FunctionObject* fn = new_function(def, parts, std::move(state));
    PyObject_GC_Track(fn);
    return Ref::steal(reinterpret_cast<PyObject*>(fn));
}

Ref make_function(const PassThroughDef& def, const FunctionParts& parts, std::unique_ptr<Closure> state) {
    FunctionObject* fn = new_function({def.name, "*args, **kwargs", nullptr, def.doc}, parts, std::move(state));
    fn->vectorcall = pass_through_vectorcall;
    fn->forward = def.impl;
    PyObject_GC_Track(fn);
    return Ref::steal(reinterpret_cast<PyObject*>(fn));
}

bool is_function(PyObject* obj) {
    PyTypeObject* type = Py_TYPE(obj);
    return type == function_type() || is_function_type(type);
}

PyObject* captured(FunctionObject* self, Py_ssize_t i) { return PyTuple_GET_ITEM(self->closure, i); }

Closure* closure_state(FunctionObject* self) { return self->state; }

PyObject* code_of(FunctionObject* self) { return self->code; }

PyObject* qualname_of(FunctionObject* self) { return self->qualname; }

}  // namespace vexal_rt
