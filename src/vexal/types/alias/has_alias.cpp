// HasAlias: the alias protocol of every reportable value.
#include "alias.hpp"

namespace vexal::alias {
namespace {

Ref init(FunctionObject*, PyObject* const* args) {
    init_has_alias_fields(args[0], args[1], args[2]);
    return none();
}

Ref get_alias(FunctionObject*, PyObject* const* args) {
    Ref alias = lookup_attr(args[0], id<"_alias">());
    if (alias) return alias;
    return call_method(args[0], id<"_str_representation">());
}

Ref set_alias(FunctionObject*, PyObject* const* args) {
    setattr(args[0], id<"_alias">(), args[1]);
    return none();
}

Ref str_representation(FunctionObject*, PyObject* const* args) {
    return getattr(args[0], id<"original_str_repr">());
}

Ref has_custom_alias(FunctionObject*, PyObject* const* args) {
    Ref alias = getattr(args[0], id<"alias">());
    Ref own = call_method(args[0], id<"_str_representation">());
    return compare(alias.get(), own.get(), Py_NE);
}

Ref to_str(FunctionObject*, PyObject* const* args) {
    PyObject* self = args[0];
    if (Ref text_ = fast_str(self)) return text_;
    if (truthy(call_method(self, id<"has_custom_alias">()).get())) {
        Ref alias = getattr(self, id<"alias">());
        Ref own = call_method(self, id<"_str_representation">());
        Ref empty = text("");
        return check(PyUnicode_FromFormat("%U [%U]", format(alias.get(), empty.get()).get(),
                                          format(own.get(), empty.get()).get()));
    }
    return call_method(self, id<"_str_representation">());
}

Ref to_repr(FunctionObject*, PyObject* const* args) { return call_method(args[0], id<"__str__">()); }

const FunctionDef init_def{"__init__", "self, original_str_repr, alias", init};
const FunctionDef get_alias_def{"alias", "self", get_alias};
const FunctionDef set_alias_def{"alias", "self, value", set_alias};
const FunctionDef str_representation_def{"_str_representation", "self", str_representation,
                                         "Typically should be object original __str__ or __repr__"};
const FunctionDef has_custom_alias_def{"has_custom_alias", "self", has_custom_alias, R"doc(Whether the value has a custom alias.

Returns
-------
bool
    True when ``alias`` differs (by ``!=``) from the value's own text; an
    alias equal to the own text counts as none.
)doc"};
const FunctionDef str_def{"__str__", "self", to_str};
const FunctionDef repr_def{"__repr__", "self", to_repr};

}  // namespace

void init_has_alias_fields(PyObject* self, PyObject* own_text, PyObject* alias) {
    setattr(self, id<"original_str_repr">(), own_text);
    if (alias != Py_None) setattr(self, id<"alias">(), alias);
}

void init_has_alias_direct(PyObject* self, PyObject* own_text, PyObject* alias) {
    setattr(self, id<"original_str_repr">(), own_text);
    if (alias != Py_None) setattr(self, id<"_alias">(), alias);
}

void init_has_alias(PyObject* self, PyObject* own_text, PyObject* alias) {
    if (state.has_alias_path.holds()) return init_has_alias_fields(self, own_text, alias);
    Ref init = getattr(state.has_alias, id<"__init__">());
    call(init.get(), self, own_text, alias);
}

void register_has_alias(PyObject* module) {
    Ref logger = call(import_attr("logging", id<"getLogger">()).get(), getattr(module, id<"__name__">()).get());
    Ref cls = ClassBuilder(module, "HasAlias")
                  .metaclass(import_attr("abc", id<"ABCMeta">()).get())
                  .doc("A value that prints as its own text, or as a custom alias followed by its own text "
                       "in square brackets.")
                  .attr("logger", logger.get())
                  .method(init_def)
                  .property("alias", get_alias_def, &set_alias_def,
                            "The custom alias, or the value's own text when it has none. Setting it stores any "
                            "object unchanged.")
                  .method(str_representation_def)
                  .method(has_custom_alias_def)
                  .method(str_def)
                  .method(repr_def)
                  .build();
    cls = call(import_attr("future.utils", id<"python_2_unicode_compatible">()).get(), cls.get());
    state.has_alias = Py_NewRef(cls.get());
    state.has_alias_path.attributes(cls.get(), {"__init__", "alias", "original_str_repr", "__str__"});
    state.abc_instancecheck = import_attr("_abc", id<"_abc_instancecheck">()).release();
    state.abc_cache_token = import_attr("_abc", id<"get_cache_token">()).release();
    state.abc_path.attributes(reinterpret_cast<PyObject*>(Py_TYPE(cls.get())), {"__instancecheck__"});
    add_object(module, "HasAlias", cls);
}

}  // namespace vexal::alias
