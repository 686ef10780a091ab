// Phasors3ph: the three phase phasors of a three-phase quantity, with its
// symmetrical components and the balanced sets they stand for.
#include "phasors.hpp"

namespace vexal::phasors {
namespace {

// a, b, c = values: exactly three items, or the interpreter's ValueError.
void unpack3(PyObject* values, Ref (&out)[3]) {
    Ref items = check(PyObject_GetIter(values));
    for (int i = 0; i < 3; ++i) {
        out[i] = Ref::steal(PyIter_Next(items.get()));
        if (!out[i]) {
            if (PyErr_Occurred()) raise();
            raise_format(PyExc_ValueError, "not enough values to unpack (expected 3, got %d)", i);
        }
    }
    Ref extra = Ref::steal(PyIter_Next(items.get()));
    if (extra) raise(PyExc_ValueError, "too many values to unpack (expected 3)");
    if (PyErr_Occurred()) raise();
}

Ref phasor_of(PyObject* value) { return call(state.global(id<"Phasor">()).get(), value); }

Ref transformation(PyObject* name) { return getattr(state.global(id<"transformations">()).get(), name); }

Ref alias_tuple() { return getattr(state.global(id<"aliasmod">()).get(), id<"AliasTuple">()); }

// if not <condition>: phasor.alias = label, where the condition is
// phasor.has_custom_alias()
void label_unless_custom(PyObject* phasor, PyObject* label) {
    if (!truthy(call_method(phasor, id<"has_custom_alias">()).get())) setattr(phasor, id<"alias">(), label);
}

Ref new_phasors3ph(FunctionObject*, PyObject* const* args) {
    PyObject *cls = args[0], *alias = args[5];
    bool from_sequences = truthy(args[4]);
    Ref phasors_abc;
    if (from_sequences) {
        Ref s0 = phasor_of(args[1]), s1 = phasor_of(args[2]), s2 = phasor_of(args[3]);
        phasors_abc = call(transformation(id<"inv_symmetrical_components">()).get(), s0.get(), s1.get(), s2.get());
    } else {
        phasors_abc = check(PyTuple_Pack(3, args[1], args[2], args[3]));
    }
    Ref phases[3];
    for (Py_ssize_t i = 0; i < 3; ++i) {
        Ref index = check(PyLong_FromSsize_t(i));
        phases[i] = phasor_of(check(PyObject_GetItem(phasors_abc.get(), index.get())).get());
    }
    PyObject* labels[] = {id<"A">(), id<"B">(), id<"C">()};
    for (int i = 0; i < 3; ++i) label_unless_custom(phases[i].get(), labels[i]);
    Ref items = check(PyTuple_Pack(3, phases[0].get(), phases[1].get(), phases[2].get()));
    PyObject* keywords = kwnames<"alias">();
    Ref tuple_new = getattr(alias_tuple().get(), id<"__new__">());
    return call_kw(tuple_new.get(), {cls, items.get(), alias}, keywords);
}

Ref init_phasors3ph(FunctionObject*, PyObject* const* args) {
    PyObject *self = args[0], *alias = args[5];
    Ref tuple_init = getattr(alias_tuple().get(), id<"__init__">());
    call(tuple_init.get(), self, Ref(check(PySequence_Tuple(self))).get(), alias);
    PyObject* phase_names[] = {id<"a">(), id<"b">(), id<"c">()};
    for (Py_ssize_t i = 0; i < 3; ++i) {
        Ref index = check(PyLong_FromSsize_t(i));
        setattr(self, phase_names[i], check(PyObject_GetItem(self, index.get())).get());
    }
    bool from_sequences = truthy(args[4]);
    PyObject* sequence_names[] = {id<"s0">(), id<"s1">(), id<"s2">()};
    if (from_sequences) {
        for (int i = 0; i < 3; ++i) setattr(self, sequence_names[i], phasor_of(args[1 + i]).get());
    } else {
        Ref components = call(transformation(id<"symmetrical_components">()).get(), getattr(self, id<"a">()).get(),
                              getattr(self, id<"b">()).get(), getattr(self, id<"c">()).get());
        Ref values[3];
        unpack3(components.get(), values);
        for (int i = 0; i < 3; ++i) setattr(self, sequence_names[i], values[i].get());
    }
    PyObject* sequence_labels[] = {id<"Zero seq.">(), id<"Positive seq.">(), id<"Negative seq.">()};
    for (int i = 0; i < 3; ++i) {
        Ref phasor = getattr(self, sequence_names[i]);
        if (!from_sequences || !truthy(call_method(phasor.get(), id<"has_custom_alias">()).get())) {
            setattr(getattr(self, sequence_names[i]).get(), id<"alias">(), sequence_labels[i]);
        }
    }
    Ref empty = text("");
    PyObject* keywords = kwnames<"alias">();
    Ref set_alias = format(alias, empty.get());
    Ref sequences[3];
    for (int i = 0; i < 3; ++i) sequences[i] = getattr(self, sequence_names[i]);
    Ref s012 = check(PyTuple_Pack(3, sequences[0].get(), sequences[1].get(), sequences[2].get()));
    setattr(self, id<"s012">(), call_kw(alias_tuple().get(), {s012.get(), set_alias.get()}, keywords).get());
    for (int i = 0; i < 3; ++i) sequences[i] = getattr(self, sequence_names[i]);
    Ref sets = call(transformation(id<"complete_symmetrical_components">()).get(), sequences[0].get(),
                    sequences[1].get(), sequences[2].get());
    Ref values[3];
    unpack3(sets.get(), values);
    PyObject* set_names[] = {id<"zero_seq">(), id<"pos_seq">(), id<"neg_seq">()};
    for (int i = 0; i < 3; ++i) setattr(self, set_names[i], values[i].get());
    for (int i = 0; i < 3; ++i) {
        Ref set = getattr(self, set_names[i]);
        Ref sequence_alias = getattr(getattr(self, sequence_names[i]).get(), id<"alias">());
        Ref set_label = concat({format(sequence_alias.get(), empty.get()).get(), id<" ">(),
                                format(alias, empty.get()).get()});
        setattr(self, set_names[i], call_kw(alias_tuple().get(), {set.get(), set_label.get()}, keywords).get());
    }
    return none();
}

// Copies and pickles are made from the three phasors; the sequence
// components and aliases follow in the instance dictionary.
Ref getnewargs(FunctionObject*, PyObject* const* args) {
    Ref items[3];
    for (Py_ssize_t i = 0; i < 3; ++i) items[i] = check(PySequence_GetItem(args[0], i));
    return check(PyTuple_Pack(3, items[0].get(), items[1].get(), items[2].get()));
}

const char* const phasors3ph_doc = R"(Set of three phasors of a three-phase quantity.

Essentially a tuple of the phase phasors a, b and c, subclassing AliasTuple.
It can be created from the abc phasors (the symmetrical components are then
calculated) or from the symmetrical components V0, V1, V2 (the abc
components are then calculated).

Parameters
----------
phasor1, phasor2, phasor3 : Phasor or complex
    Phasors of phases a, b and c, or the zero, positive and negative sequence
    components V0, V1 and V2 when ``symmetrical_components`` is true.
symmetrical_components : bool, optional
    Whether the three phasors are the symmetrical components. Default False.
alias : str, optional
    Alias of the set.

Examples
--------
>>> p = Phasors3ph(Phasor(mag=277, angle=0), Phasor(mag=177, angle=100),
...                Phasor(mag=200, angle=-140), alias="Phasors after")
>>> print(p)
>>> print(p.s0, p.s1, p.s2)
>>> print(p.s012)
>>> print(p.a, p.b, p.c)
>>> print(p.pos_seq)
>>> print(p.neg_seq)
>>> print(p.zero_seq)
)";

const FunctionDef new_def{"__new__", "cls, phasor1, phasor2, phasor3, symmetrical_components, alias", new_phasors3ph};
const FunctionDef init_def{"__init__", "self, phasor1, phasor2, phasor3, symmetrical_components, alias",
                           init_phasors3ph};
const FunctionDef getnewargs_def{"__getnewargs__", "self", getnewargs};

}  // namespace

void register_phasors3ph(PyObject* module) {
    Ref defaults = check(PyTuple_Pack(2, Py_False, Py_None));
    state.phasors3ph = ClassBuilder(module, "Phasors3ph")
                           .base(getattr(state.alias_module, id<"AliasTuple">()).get())
                           .doc(phasors3ph_doc)
                           .static_method(new_def, defaults.get())
                           .method(init_def, defaults.get())
                           .method(getnewargs_def)
                           .add_to_module()
                           .release();
}

}  // namespace vexal::phasors
