// AliasFloat: a float whose arithmetic composes the operands' aliases.
//
// The operators follow the general algorithm through attribute lookups, so
// that Python subclasses and patched classes are honoured. For the common
// case (an exact AliasFloat, unpatched classes, an instance dictionary
// holding only the alias state, the other operand an exact AliasFloat, float
// or int) they compute the same result directly.
#include "alias.hpp"

namespace vexal::alias {
namespace {

enum class Op { add, radd, sub, rsub, mul, rmul };

// The alias pattern of each operator is "{0}<separator>{1}", with {1}
// first when the operator is reflected (the written order of the expression).
struct FloatOperator {
    const char* name;
    const char* separator;
    bool reflected;
};
constexpr FloatOperator operators[] = {
    {"__add__", "+", false}, {"__radd__", "+", true}, {"__sub__", "-", false},
    {"__rsub__", "-", true}, {"__mul__", "*", false}, {"__rmul__", "*", true},
};

Ref alias_pattern(const FloatOperator& op) {
    return check(PyUnicode_FromFormat(op.reflected ? "{1}%s{0}" : "{0}%s{1}", op.separator));
}

double apply(Op op, double self, double other) {
    switch (op) {
        case Op::add: case Op::radd: return self + other;
        case Op::sub: return self - other;
        case Op::rsub: return other - self;
        case Op::mul: case Op::rmul: return self * other;
    }
    return 0;
}

// float.__new__(cls, value) for cls a float subclass, without the lookup.
Ref new_float_instance(PyObject* cls, double value) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
    PyObject* instance = type->tp_alloc(type, 0);
    if (!instance) raise();
    reinterpret_cast<PyFloatObject*>(instance)->ob_fval = value;
    return Ref::steal(instance);
}

// AliasFloat(value) for a double, as the constructor would make it.
Ref make_plain(double value) {
    Ref result = new_float_instance(state.alias_float, value);
    setattr(result.get(), id<"original_str_repr">(), sizeof_fmt(value).get());
    return result;
}

// The alias state of an AliasFloat, which always has its own text.
bool read_float_state(PyObject* obj, AliasState* out) { return read_alias_state(obj, out) && out->own; }

// Both texts are exact str: comparing them runs no Python code.
bool has_custom(const AliasState& s) {
    if (!s.alias || s.alias.is(s.own.get())) return false;
    return PyUnicode_GET_LENGTH(s.alias.get()) != PyUnicode_GET_LENGTH(s.own.get()) ||
           PyUnicode_Compare(s.alias.get(), s.own.get()) != 0;
}

Ref compose(Op op, PyObject* self_alias, PyObject* other_alias) {
    const FloatOperator& o = operators[static_cast<int>(op)];
    return check(PyUnicode_FromFormat("%U%s%U", o.reflected ? other_alias : self_alias, o.separator,
                                      o.reflected ? self_alias : other_alias));
}

// The direct operator; an empty Ref when the case is not the common one.
Ref fast_operator(Op op, PyObject* self, PyObject* other) {
    if (Py_TYPE(self) != reinterpret_cast<PyTypeObject*>(state.alias_float) || !state.alias_float_path.holds()) return Ref();
    AliasState mine;
    if (!read_float_state(self, &mine)) return Ref();
    AliasState theirs;
    Ref other_own;  // the own text of a plain number, made only when needed
    double other_value;
    if (Py_TYPE(other) == reinterpret_cast<PyTypeObject*>(state.alias_float)) {
        if (!read_float_state(other, &theirs)) return Ref();
        other_value = PyFloat_AS_DOUBLE(other);
    } else if ((PyFloat_CheckExact(other) || PyLong_CheckExact(other)) && !is_alias_float(other)) {
        other_value = PyFloat_AsDouble(other);
        if (other_value == -1.0 && PyErr_Occurred()) raise();
    } else {
        return Ref();
    }
    Ref result = make_plain(apply(op, PyFloat_AS_DOUBLE(self), other_value));
    if (has_custom(mine) || has_custom(theirs)) {
        if (!theirs.own) other_own = sizeof_fmt(other);
        PyObject* self_alias = (mine.alias ? mine.alias : mine.own).get();
        PyObject* other_alias = (theirs.alias ? theirs.alias : theirs.own ? theirs.own : other_own).get();
        setattr(result.get(), id<"_alias">(), compose(op, self_alias, other_alias).get());
    }
    return result;
}

Ref make_alias_float(PyObject* cls, PyObject* value) {
    if (is_alias_float(value)) return Ref::borrow(value);
    if (cls == state.alias_float) {
        Ref converted = call(reinterpret_cast<PyObject*>(&PyFloat_Type), value);
        return new_float_instance(cls, PyFloat_AS_DOUBLE(converted.get()));
    }
    Ref float_new = getattr(reinterpret_cast<PyObject*>(&PyFloat_Type), id<"__new__">());
    return call(float_new.get(), cls, value);
}

Ref new_alias_float(FunctionObject*, PyObject* const* args) { return make_alias_float(args[0], args[1]); }

Ref init_alias_float(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *value = args[1], *alias = args[2];
    init_has_alias(self, sizeof_fmt(value).get(), alias);
    return none();
}

// The class call AliasFloat(value[, alias]) on the exact, unpatched class.
bool binds_constructor(PyTypeObject* type, PyObject* args, PyObject* kwargs, PyObject** bound) {
    PyObject* const names[] = {id<"value">(), id<"alias">()};
    return type == reinterpret_cast<PyTypeObject*>(state.alias_float) && state.alias_float_path.holds() &&
           match_arguments(args, kwargs, names, 1, bound);
}

bool fast_init(PyObject* self, PyObject* args, PyObject* kwargs) {
    PyObject* bound[] = {nullptr, Py_None};
    if (!binds_constructor(Py_TYPE(self), args, kwargs, bound)) return false;
    Ref value = Ref::borrow(bound[0]), alias = Ref::borrow(bound[1]);  // sizeof_fmt may run Python code
    init_has_alias_direct(self, sizeof_fmt(value.get()).get(), alias.get());
    return true;
}

Ref alias_op(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *func = args[2], *format_alias = args[3];
    Ref other = Ref::borrow(args[1]);
    if (!is_alias_float(other.get())) other = call(state.alias_float, other.get());
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
template <Op O>
Ref operator_impl(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *other = args[1];
    if (Ref result = fast_operator(O, self, other)) return result;
    const FloatOperator& op = operators[static_cast<int>(O)];
    Ref parent = call(reinterpret_cast<PyObject*>(&PySuper_Type), state.alias_float, self);
    Ref float_op = getattr(parent.get(), text(op.name).get());
    return call_method(self, id<"alias_op">(), other, float_op.get(), alias_pattern(op).get());
}

const FunctionDef new_def{"__new__", "cls, value, alias", new_alias_float};
const FunctionDef init_def{"__init__", "self, value, alias", init_alias_float};
const FunctionDef alias_op_def{"alias_op", "self, other, func, format_alias", alias_op, R"doc(One arithmetic operation with alias composition.

Parameters
----------
other : number
    The other operand; made an ``AliasFloat`` first when it is not one.
func : callable
    The float operation, called with the other operand.
format_alias : str
    Pattern of the result's alias: ``{0}`` stands for this value's alias,
    ``{1}`` for the other operand's.

Returns
-------
AliasFloat
    The result, with the alias filled from the pattern when either operand
    has a custom alias.

Examples
--------
>>> str(AliasFloat(230, alias="Un") * 2)
'Un*2.00 [460.00]'
)doc"};
const FunctionDef operator_defs[] = {
    {"__add__", "self, other", operator_impl<Op::add>},  {"__radd__", "self, other", operator_impl<Op::radd>},
    {"__sub__", "self, other", operator_impl<Op::sub>},  {"__rsub__", "self, other", operator_impl<Op::rsub>},
    {"__mul__", "self, other", operator_impl<Op::mul>},  {"__rmul__", "self, other", operator_impl<Op::rmul>},
};

}  // namespace

Ref fast_str(PyObject* self) {
    AliasState mine;
    if (Py_TYPE(self) != reinterpret_cast<PyTypeObject*>(state.alias_float) || !state.alias_float_path.holds() ||
        !read_float_state(self, &mine)) {
        return Ref();
    }
    if (!has_custom(mine)) return mine.own;
    return concat({mine.alias.get(), id<" [">(), mine.own.get(), id<"]">()});
}

namespace {

bool abc_answer(PyObject* obj) { return truthy(call(state.abc_instancecheck, state.alias_float, obj).get()); }

bool plain_number_is_alias_float(PyObject* obj) {
    Ref token = call(state.abc_cache_token);
    unsigned long long now = PyLong_AsUnsignedLongLong(token.get());
    if (now == static_cast<unsigned long long>(-1) && PyErr_Occurred()) raise();
    if (now != state.plain_answers.token) {
        Ref one = check(PyFloat_FromDouble(1.0));
        state.plain_answers = {now, abc_answer(one.get()), abc_answer(Ref(check(PyLong_FromLong(1))).get())};
    }
    return PyFloat_CheckExact(obj) ? state.plain_answers.float_is : state.plain_answers.int_is;
}

}  // namespace

bool is_alias_float(PyObject* obj) {
    if (Py_TYPE(obj) == reinterpret_cast<PyTypeObject*>(state.alias_float)) return true;
    if (!state.abc_path.holds()) return isinstance(obj, state.alias_float);
    if (PyFloat_CheckExact(obj) || PyLong_CheckExact(obj)) return plain_number_is_alias_float(obj);
    return abc_answer(obj);
}

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
    install_init_slot<fast_init>(cls.get());
    state.alias_float = Py_NewRef(cls.get());
    state.alias_float_path.also(state.has_alias_path).attributes(cls.get(), {"__new__", "__init__", "alias_op", "has_custom_alias",
                                              "_str_representation", "alias", "_alias", "original_str_repr",
                                              "__setattr__", "__dict__", "__str__"});
    add_object(module, "AliasFloat", cls);
}

}  // namespace vexal::alias
