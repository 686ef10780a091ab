#include "vexal_rt/class_builder.hpp"
#include "vexal_rt/call.hpp"
#include "vexal_rt/names.hpp"

namespace vexal_rt {

ClassBuilder::ClassBuilder(PyObject* module, const char* name) : module_(module), name_(name) {}

ClassBuilder& ClassBuilder::base(PyObject* cls) {
    bases_.push_back(Ref::borrow(cls));
    return *this;
}

ClassBuilder& ClassBuilder::metaclass(PyObject* meta) {
    metaclass_ = Ref::borrow(meta);
    return *this;
}

ClassBuilder& ClassBuilder::doc(const char* text_) {
    entries_.emplace_back("__doc__", text(text_));
    return *this;
}

Ref ClassBuilder::function(const FunctionDef& def, PyObject* defaults, PyObject* kwdefaults) const {
    Ref qualname = check(PyUnicode_FromFormat("%s.%s", name_.c_str(), def.name));
    return make_function(def, {.module = module_, .qualname = qualname.get(), .defaults = defaults,
                               .kwdefaults = kwdefaults});
}

ClassBuilder& ClassBuilder::method(const FunctionDef& def, PyObject* defaults, PyObject* kwdefaults) {
    entries_.emplace_back(def.name, function(def, defaults, kwdefaults));
    return *this;
}

// type and ABCMeta wrap __new__ in staticmethod only for Python functions.
ClassBuilder& ClassBuilder::static_method(const FunctionDef& def, PyObject* defaults) {
    Ref fn = function(def, defaults);
    entries_.emplace_back(def.name, check(PyStaticMethod_New(fn.get())));
    return *this;
}

ClassBuilder& ClassBuilder::property(const char* name, const FunctionDef& getter, const FunctionDef* setter,
                                     const char* doc) {
    Ref fget = function(getter);
    Ref fset = setter ? function(*setter) : none();
    Ref doc_text = doc ? text(doc) : none();
    Ref prop = call(reinterpret_cast<PyObject*>(&PyProperty_Type), fget.get(), fset.get(), Py_None, doc_text.get());
    entries_.emplace_back(name, std::move(prop));
    return *this;
}

ClassBuilder& ClassBuilder::attr(const char* name, PyObject* value) {
    entries_.emplace_back(name, Ref::borrow(value));
    return *this;
}

ClassBuilder& ClassBuilder::decorated_methods(PyObject* decorator, std::initializer_list<const FunctionDef*> defs) {
    for (const FunctionDef* def : defs) entries_.emplace_back(def->name, call(decorator, function(*def).get()));
    return *this;
}

namespace {

// The metaclass the class statement would pick: the requested one or the
// most derived metaclass of the bases.
PyObject* most_derived_metaclass(PyObject* requested, PyObject* bases) {
    PyTypeObject* winner = reinterpret_cast<PyTypeObject*>(requested);
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(bases); ++i) {
        PyTypeObject* base_meta = Py_TYPE(PyTuple_GET_ITEM(bases, i));
        if (PyType_IsSubtype(winner, base_meta)) continue;
        if (PyType_IsSubtype(base_meta, winner)) {
            winner = base_meta;
            continue;
        }
        raise(PyExc_TypeError,
              "metaclass conflict: the metaclass of a derived class must be a (non-strict) subclass of the "
              "metaclasses of all its bases");
    }
    return reinterpret_cast<PyObject*>(winner);
}

}  // namespace

Ref ClassBuilder::build() {
    Ref bases = check(PyTuple_New(static_cast<Py_ssize_t>(bases_.size())));
    for (size_t i = 0; i < bases_.size(); ++i) {
        PyTuple_SET_ITEM(bases.get(), static_cast<Py_ssize_t>(i), Py_NewRef(bases_[i].get()));
    }
    PyObject* requested = metaclass_ ? metaclass_.get() : reinterpret_cast<PyObject*>(&PyType_Type);
    if (!PyType_Check(requested)) raise(PyExc_TypeError, "a metaclass must be a type");
    PyObject* meta = most_derived_metaclass(requested, bases.get());

    Ref name = text(name_.c_str());
    Ref prepare = lookup_attr(meta, id<"__prepare__">());
    Ref ns = prepare ? call(prepare.get(), name.get(), bases.get()) : check(PyDict_New());
    check_status(PyObject_SetItem(ns.get(), id<"__module__">(), getattr(module_, id<"__name__">()).get()));
    check_status(PyObject_SetItem(ns.get(), id<"__qualname__">(), name.get()));
    for (auto& [key, value] : entries_) {
        check_status(PyObject_SetItem(ns.get(), text(key.c_str()).get(), value.get()));
    }
    return call(meta, name.get(), bases.get(), ns.get());
}

Ref ClassBuilder::add_to_module() {
    Ref cls = build();
    check_status(PyModule_AddObjectRef(module_, name_.c_str(), cls.get()));
    return cls;
}

}  // namespace vexal_rt
