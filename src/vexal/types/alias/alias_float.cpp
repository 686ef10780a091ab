// AliasFloat: a float whose arithmetic composes the operands' aliases.
#include "alias.hpp"

namespace vexal::alias {
namespace {

// float.__add__ and its five siblings, bound to a value as super() would.
struct FloatOperator {
    const char* name;
    const char* alias_format;
};
constexpr FloatOperator operators[] = {
    {"__add__", "{0}+{1}"}, {"__radd__", "{1}+{0}"}, {"__sub__", "{0}-{1}"},
    {"__rsub__", "{1}-{0}"}, {"__mul__", "{0}*{1}"}, {"__rmul__", "{1}*{0}"},
};

Ref new_alias_float(FunctionObject*, PyObject* const* args) {
    PyObject *cls = args[0], *value = args[1];
    if (isinstance(value, state.alias_float)) return Ref::borrow(value);
    Ref float_new = getattr(reinterpret_cast<PyObject*>(&PyFloat_Type), id<"__new__">());
    return call(float_new.get(), cls, value);
}

Ref init_alias_float(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *value = args[1], *alias = args[2];
    init_has_alias(self, sizeof_fmt(value).get(), alias);
    return none();
}

Ref alias_op(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *func = args[2], *format_alias = args[3];
    Ref other = Ref::borrow(args[1]);
    if (!isinstance(other.get(), state.alias_float)) other = call(state.alias_float, other.get());
    Ref result = call(func, other.get());
    result = call(state.alias_float, result.get());
    if (truthy(call_method(self, id<"has_custom_alias">()).get()) ||
        truthy(call_method(other.get(), id<"has_custom_alias">()).get())) {
        Ref composed = call_method(format_alias, id<"format">(), getattr(self, id<"alias">()).get(),
                                   getattr(other.get(), id<"alias">()).get());
        setattr(result.get(), id<"_alias">(), composed.get());
    }
    return result;
}

// self.alias_op(other, super(AliasFloat, self).<op>, format)
template <int I>
Ref operator_impl(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *other = args[1];
    Ref parent = call(reinterpret_cast<PyObject*>(&PySuper_Type), state.alias_float, self);
    Ref float_op = getattr(parent.get(), text(operators[I].name).get());
    return call_method(self, id<"alias_op">(), other, float_op.get(), text(operators[I].alias_format).get());
}

const FunctionDef new_def{"__new__", "cls, value, alias", new_alias_float};
const FunctionDef init_def{"__init__", "self, value, alias", init_alias_float};
const FunctionDef alias_op_def{"alias_op", "self, other, func, format_alias", alias_op};
const FunctionDef operator_defs[] = {
    {"__add__", "self, other", operator_impl<0>},  {"__radd__", "self, other", operator_impl<1>},
    {"__sub__", "self, other", operator_impl<2>},  {"__rsub__", "self, other", operator_impl<3>},
    {"__mul__", "self, other", operator_impl<4>},  {"__rmul__", "self, other", operator_impl<5>},
};

}  // namespace

void register_alias_float(PyObject* module) {
    Ref no_alias = check(PyTuple_Pack(1, Py_None));
    ClassBuilder builder(module, "AliasFloat");
    builder.base(state.has_alias)
        .base(reinterpret_cast<PyObject*>(&PyFloat_Type))
        .doc("A float that prints in engineering notation, with an optional alias.")
        .static_method(new_def, no_alias.get())
        .method(init_def, no_alias.get())
        .method(alias_op_def);
    for (const FunctionDef& def : operator_defs) builder.method(def);
    Ref cls = builder.build();
    state.alias_float = Py_NewRef(cls.get());
    check_status(PyModule_AddObjectRef(module, "AliasFloat", cls.get()));
}

}  // namespace vexal::alias
