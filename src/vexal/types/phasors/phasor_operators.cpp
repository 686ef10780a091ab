// The arithmetic operators of Phasor: each hands the base operation to the
// host's generic_op with its alias pattern. While generic_op is the host's
// own function and the classes are unchanged, exact Phasor, complex, float and int
// operands are combined here with the same value and alias.
#include "phasor_text.hpp"

namespace vexal::phasors {
namespace {

enum class Op { add, radd, sub, rsub, mul, rmul, truediv, rtruediv, pow };

// The alias pattern as pieces: open {first} mid {second} close, where first
// is this phasor ({0}) unless the operator is reflected.
struct Operator {
    const char* name;
    bool reflected;
    const char* open;
    const char* mid;
    const char* close;
};

constexpr Operator operators[] = {
    {"__add__", false, "", "+", ""},
    {"__radd__", true, "", "+", ""},
    {"__sub__", false, "", "-", ""},
    {"__rsub__", true, "", "-", ""},
    {"__mul__", false, "(", ")*(", ")"},
    {"__rmul__", true, "(", ")*(", ")"},
    {"__truediv__", false, "(", ")/(", ")"},
    {"__rtruediv__", true, "(", ")/(", ")"},
    {"__pow__", false, "(", ")^(", ")"},
};

// The pattern handed to generic_op, e.g. "({1})*({0})".
Ref alias_pattern(const Operator& o) {
    return check(PyUnicode_FromFormat(o.reflected ? "%s{1}%s{0}%s" : "%s{0}%s{1}%s", o.open, o.mid, o.close));
}

// complex's own operation, as _super(Phasor, self).<name>(other) runs it.
PyObject* base_operation(Op op, PyObject* self, PyObject* other) {
    PyNumberMethods* n = PyComplex_Type.tp_as_number;
    switch (op) {
        case Op::add: return n->nb_add(self, other);
        case Op::radd: return n->nb_add(other, self);
        case Op::sub: return n->nb_subtract(self, other);
        case Op::rsub: return n->nb_subtract(other, self);
        case Op::mul: return n->nb_multiply(self, other);
        case Op::rmul: return n->nb_multiply(other, self);
        case Op::truediv: return n->nb_true_divide(self, other);
        case Op::rtruediv: return n->nb_true_divide(other, self);
        case Op::pow: return n->nb_power(self, other, Py_None);
    }
    return nullptr;
}

// The alias of a phasor whose state was read: _alias, or its own text.
Ref alias_of(PyObject* phasor, const AliasState& s) {
    return s.alias ? s.alias : own_text_fast(phasor);
}

// has_custom_alias() of a phasor whose state was read.
bool has_custom(PyObject* phasor, const AliasState& s) {
    if (!s.alias) return false;
    return truthy(compare(s.alias.get(), own_text_fast(phasor).get(), Py_NE).get());
}

// Phasor(value) of a plain complex result, as the constructor makes it.
Ref make_phasor(PyObject* value) {
    Ref args = check(PyTuple_Pack(1, value));
    Ref result = check(PyComplex_Type.tp_new(reinterpret_cast<PyTypeObject*>(state.phasor), args.get(), nullptr));
    setattr(result.get(), id<"original_str_repr">(), complex_text(reinterpret_cast<PyComplexObject*>(value)->cval).get());
    return result;
}

// generic_op(self, other, op, format_alias=pattern) for the common operands;
// an empty Ref when the operands are not of those kinds.
Ref fast_operator(Op op, PyObject* self, PyObject* other) {
    if (Py_TYPE(self) != reinterpret_cast<PyTypeObject*>(state.phasor) || !state.operators.holds()) return Ref();
    Ref result = check(base_operation(op, self, other));
    if (result.is(Py_NotImplemented)) return result;
    bool other_is_phasor = Py_TYPE(other) == reinterpret_cast<PyTypeObject*>(state.phasor);
    bool other_is_real = PyFloat_CheckExact(other) || PyLong_CheckExact(other);
    if (!other_is_phasor && !other_is_real && !PyComplex_CheckExact(other)) return Ref();
    AliasState mine, theirs;
    if (!read_alias_state(self, &mine) || (other_is_phasor && !read_alias_state(other, &theirs))) return Ref();
    if (!PyComplex_CheckExact(result.get())) return Ref();
    Ref phasor = make_phasor(result.get());
    if (has_custom(self, mine) || (other_is_phasor && has_custom(other, theirs))) {
        const Operator& o = operators[static_cast<int>(op)];
        Ref empty = text("");
        Ref self_alias = format(alias_of(self, mine).get(), empty.get());
        Ref other_alias = other_is_phasor ? alias_of(other, theirs)
                          : other_is_real ? call(state.sizeof_fmt, other)
                                          : str(other);
        other_alias = format(other_alias.get(), empty.get());
        PyObject* first = o.reflected ? other_alias.get() : self_alias.get();
        PyObject* second = o.reflected ? self_alias.get() : other_alias.get();
        Ref composed = concat({Ref(text(o.open)).get(), first, Ref(text(o.mid)).get(), second,
                               Ref(text(o.close)).get()});
        setattr(phasor.get(), id<"_alias">(), composed.get());
    }
    return phasor;
}

// generic_op(self, other, _super(Phasor, self).<name>, format_alias=pattern)
template <Op O>
Ref operator_impl(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *other = args[1];
    if (Ref result = fast_operator(O, self, other)) return result;
    const Operator& o = operators[static_cast<int>(O)];
    Ref parent = call(state.global(id<"_super">()).get(), state.global(id<"Phasor">()).get(), self);
    Ref base_op = getattr(parent.get(), Ref(text(o.name)).get());
    return call_kw(state.global(id<"generic_op">()).get(),
                   {self, other, base_op.get(), alias_pattern(o).get()}, kwnames<"format_alias">());
}

Ref div_impl(FunctionObject*, PyObject* const* args) {
    return call_method(args[0], id<"__truediv__">(), args[1]);
}

const FunctionDef operator_defs[] = {
    {"__add__", "self, other", operator_impl<Op::add>},
    {"__radd__", "self, other", operator_impl<Op::radd>},
    {"__sub__", "self, other", operator_impl<Op::sub>},
    {"__rsub__", "self, other", operator_impl<Op::rsub>},
    {"__mul__", "self, other", operator_impl<Op::mul>},
    {"__rmul__", "self, other", operator_impl<Op::rmul>},
    {"__div__", "self, other", div_impl},
    {"__truediv__", "self, other", operator_impl<Op::truediv>},
    {"__rtruediv__", "self, other", operator_impl<Op::rtruediv>},
    {"__pow__", "self, other", operator_impl<Op::pow>},
};

}  // namespace

Ref own_text_fast(PyObject* phasor) {
    if (Py_TYPE(phasor) != reinterpret_cast<PyTypeObject*>(state.phasor) || !state.own_text.holds()) return Ref();
    Ref mag = check(PyNumber_Absolute(phasor));
    Ref angle = check(PyFloat_FromDouble(angle_degrees(phasor)));
    Ref mag_text = call(state.sizeof_fmt, mag.get());
    Ref angle_text = call(state.sizeof_fmt, angle.get());
    return concat({mag_text.get(), id<" \u2220 ">(), angle_text.get(), id<"\u00b0">()});
}

void add_phasor_operators(ClassBuilder& builder) {
    for (const FunctionDef& def : operator_defs) builder.method(def);
}

}  // namespace vexal::phasors
