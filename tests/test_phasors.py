# -*- coding: utf-8 -*-
"""Phasor and Phasors3ph: values and texts against a transcription of the
formulas, operators against the host's generic_op, aliases, and copies."""

import builtins
import copy
import pickle

import numpy as np
import pytest

import vexal.test.transformations as transformations
import vexal.types.alias as aliasmod
import vexal.types.phasors as phasors
from vexal.types.alias import AliasFloat, AliasTuple, sizeof_fmt
from vexal.types.phasors import Phasor, Phasors3ph
from vexal.types.timedelta import Timedelta
from vexal.utils import generic_op


def polar(mag, angle):
    return mag * np.cos(angle * np.pi / 180) + 1j * mag * np.sin(angle * np.pi / 180)


def own_text(value):
    return "{} \u2220 {}\u00b0".format(sizeof_fmt(abs(value)), sizeof_fmt(np.angle(value, deg=True)))


def same_bits(x, y):
    return np.array([x], dtype=complex).view(np.int64).tolist() == np.array([y], dtype=complex).view(np.int64).tolist()


# A phasor takes cos, sin and atan2 from the C library, numpy from the SIMD
# kernels it picks for the processor: on AVX-512 Intel's SVML for arctan2 (and,
# in some numpy releases, for cos and sin), an ulp or so from the C library's.
# So values and angles compare with numpy's within a few ulp: each part of a
# value within VALUE_ULPS of the magnitude (the largest either part can be),
# an angle within ANGLE_ULPS of itself (one ulp of atan2, scaled to degrees).
# Measured with numpy 2.4 on AVX-512: values equal, angles up to 2 ulp apart;
# with numpy's dispatch limited to the baseline both equal.
VALUE_ULPS = 4
ANGLE_ULPS = 4


def within_ulps(x, y, ulps, of):
    return bool(np.all(np.abs(np.subtract(x, y)) <= ulps * np.spacing(np.abs(of))))


def close_to_numpy(value, expected, mag):
    value, expected = complex(value), complex(expected)
    return (within_ulps(value.real, expected.real, VALUE_ULPS, mag)
            and within_ulps(value.imag, expected.imag, VALUE_ULPS, mag))


def test_module_contents_in_import_order():
    names = [n for n in vars(phasors) if not n.startswith("__")]
    assert names == ["_super", "np", "aliasmod", "generic_op", "transformations", "Phasor", "Phasors3ph"]
    assert phasors._super is builtins.super and phasors.aliasmod is aliasmod and phasors.generic_op is generic_op
    assert phasors.transformations is transformations
    assert Phasor.__mro__[1:3] == (aliasmod.HasAlias, complex) and Phasors3ph.__bases__ == (AliasTuple,)
    assert "magnitude" in Phasor.__doc__ and "symmetrical components" in Phasors3ph.__doc__
    assert Phasor.mag.__doc__ == " Phasor magnitude " and Phasor.angle.__doc__ == " Phasor angle, in degrees "


@pytest.mark.parametrize("make, value, text", [
    (lambda: Phasor(1), 1, "1.00 \u2220 0.00\u00b0"),
    (lambda: Phasor(1j, alias="a"), 1j, "a [1.00 \u2220 90.00\u00b0]"),
    (lambda: Phasor(mag=1500, angle=-120), polar(1500, -120), "1.50k \u2220 -120.00\u00b0"),
    (lambda: Phasor(mag=10, angle=90), polar(10, 90), "10.00 \u2220 90.00\u00b0"),
    (lambda: Phasor(mag=-1, angle=0), -1, "1.00 \u2220 180.00\u00b0"),
    (lambda: Phasor(mag=0, angle=45), 0j, "0.00 \u2220 0.00\u00b0"),
    (lambda: Phasor(0, mag=5, angle=30), 0j, "0.00 \u2220 0.00\u00b0"),
    (lambda: Phasor("1+2j"), 1 + 2j, own_text(1 + 2j)),
    (lambda: Phasor(np.float32(2), None, None, "x"), 2, "x [2.00 \u2220 0.00\u00b0]"),
    (lambda: Phasor(mag=np.float64(3), angle=np.int8(30)), polar(np.float64(3), np.int8(30)), own_text(polar(3, 30))),
])
def test_construction(make, value, text):
    p = make()
    assert type(p) is Phasor and close_to_numpy(p, value, abs(value)) and str(p) == repr(p) == text
    assert p.original_str_repr == str(complex(p)) and set(vars(p)) <= {"original_str_repr", "_alias"}


@pytest.mark.parametrize("kwargs", [{}, {"mag": 5}, {"angle": 30}, {"mag": None, "angle": 1}])
def test_missing_value_is_refused(kwargs):
    with pytest.raises(ValueError, match="^Phasor needs at least a complex number or a mag/angle pair$"):
        Phasor(**kwargs)


def test_polar_values_angles_and_texts_follow_the_formulas():
    rng = np.random.default_rng(11)
    mags = list(rng.normal(size=3000) * 10 ** rng.uniform(-9, 9, 3000)) + [0.0, -0.0, 1, -7, 10 ** 6]
    angles = list(rng.uniform(-720, 720, 3000)) + [0, 90, -180, 180, 45]
    for mag, angle in zip(mags, angles):
        for m, a in [(float(mag), float(angle)), (int(mag), int(angle))]:
            p = Phasor(mag=m, angle=a)
            assert close_to_numpy(p, polar(m, a), m), (m, a)
            assert type(p.angle) is np.float64
            assert within_ulps(p.angle, np.angle(complex(p), deg=True), ANGLE_ULPS, p.angle), (m, a)
            assert p.mag == abs(complex(p)) and str(p) == own_text(complex(p))
    assert Phasor(-1).angle == 180 and Phasor(mag=0, angle=45).angle == 0


OPERATORS = [("__add__", "{0}+{1}"), ("__radd__", "{1}+{0}"), ("__sub__", "{0}-{1}"), ("__rsub__", "{1}-{0}"),
             ("__mul__", "({0})*({1})"), ("__rmul__", "({1})*({0})"), ("__truediv__", "({0})/({1})"),
             ("__rtruediv__", "({1})/({0})"), ("__pow__", "({0})^({1})")]
OTHERS = [Phasor(2 - 1j, alias="q"), Phasor(3j), 1.5 - 2j, 2.5, -3, 10 ** 30, np.float64(0.25), True,
          AliasFloat(4, alias="k"), np.complex128(1j), "x", None]


@pytest.mark.parametrize("name, pattern", OPERATORS)
@pytest.mark.parametrize("self_alias", [None, "p"])
def test_operators_give_what_generic_op_gives(name, pattern, self_alias):
    def outcome(run):
        try:
            return run()
        except Exception as error:
            return type(error)

    for other in OTHERS:
        p = Phasor(1 + 1j, alias=self_alias)
        expected = outcome(lambda: generic_op(p, other, getattr(super(Phasor, p), name), format_alias=pattern))
        result = outcome(lambda: getattr(p, name)(other))
        if isinstance(expected, type):
            assert result is expected, (name, other)
            continue
        assert type(result) is type(expected), (name, other)
        if expected is not NotImplemented:
            assert same_bits(result, expected) and str(result) == str(expected), (name, other)
            assert result.has_custom_alias() == expected.has_custom_alias()


def test_operators_reach_generic_op_through_the_module_at_call_time(monkeypatch):
    seen = []
    monkeypatch.setattr(phasors, "generic_op", lambda *args, **kwargs: seen.append((args, kwargs)) or "r")
    p = Phasor(1j)
    assert (p + 1, 2 - p, p ** 2, p.__div__(3), (2 + 1j) / p, 1.5 * p) == ("r",) * 6
    patterns = [kwargs["format_alias"] for _, kwargs in seen]
    assert patterns == ["{0}+{1}", "{1}-{0}", "({0})^({1})", "({0})/({1})", "({1})/({0})", "({1})*({0})"]
    for (self, other, op), _ in seen:
        assert self is p and op.__self__ is p and op.__name__ in {n for n, _ in OPERATORS}
    assert [op(other) for (_, other, op), _ in seen] == [1 + 1j, 2 - 1j, -1, 1j / 3, (2 + 1j) / 1j, 1.5j]


def test_plain_complex_results_and_products_with_arrays():
    p = Phasor(1 + 2j, alias="p")
    for value in (-p, +p, p.conjugate(), 2 ** p):
        assert type(value) is complex
    assert type(abs(p)) is float and type(p // 1 if False else p.real) is float
    products = p * np.array([1, 2j, 3])
    assert isinstance(products, np.ndarray) and list(products) == [1 + 2j, (1 + 2j) * 2j, 3 + 6j]
    q = Phasor(2, alias="q")
    assert str(p + q) == "p+q [{}]".format(own_text(3 + 2j)) and str(Phasor(2) + Phasor(3)) == own_text(5)
    assert Phasor(p) is p and Phasor(p, alias="x") is p and p.alias == "x"


# --- Phasors3ph ------------------------------------------------------------------------------

def test_phasors3ph_from_phases():
    pa, pb, pc = Phasor(mag=277, angle=0), Phasor(mag=177, angle=100), Phasor(mag=200, angle=-140)
    s = Phasors3ph(pa, pb, pc, alias="Phasors after")
    assert tuple(s) == (pa, pb, pc) and (s.a, s.b, s.c) == (pa, pb, pc) and s[0] is pa and s.a is pa
    assert [p.alias for p in s] == ["A", "B", "C"]
    assert [p.alias for p in s.s012] == ["Zero seq.", "Positive seq.", "Negative seq."]
    expected = transformations.symmetrical_components(complex(pa), complex(pb), complex(pc))
    assert [complex(v) for v in (s.s0, s.s1, s.s2)] == expected and tuple(s.s012) == (s.s0, s.s1, s.s2)
    assert str(s) == "Phasors after [({}, {}, {})]".format(*(str(p) for p in s))
    assert s.pos_seq.alias == "Positive seq. Phasors after" and type(s.pos_seq) is AliasTuple
    assert s.s012.alias == "Phasors after"
    assert [[p.alias for p in group] for group in (s.zero_seq, s.pos_seq, s.neg_seq)] == [["A", "B", "C"]] * 3
    plain = Phasors3ph(1, 1j, -1)
    assert plain.s012.alias == "None" and plain.zero_seq.alias == "Zero seq. None"
    assert str(plain.s012).startswith("None [(Zero seq. [")


def test_phasors3ph_aliases_and_sequences():
    balanced = Phasors3ph(Phasor(mag=1, angle=0), Phasor(mag=1, angle=-120), Phasor(mag=1, angle=120))
    assert abs(balanced.s1 - balanced.a) < 1e-12 and abs(balanced.s0) < 1e-12 and abs(balanced.s2) < 1e-12
    assert all(p.mag < 1e-12 for p in balanced.neg_seq)
    custom = [Phasor(1, alias="Va"), Phasor(2j, alias="Vb"), Phasor(-3, alias="Vc")]
    kept = Phasors3ph(*custom)
    assert [p.alias for p in kept] == ["Va", "Vb", "Vc"]
    assert [p.alias for p in kept.s012] == ["Zero seq.", "Positive seq.", "Negative seq."]
    from_sequences = Phasors3ph(*custom, symmetrical_components=True)
    assert [p.alias for p in from_sequences.s012] == ["Va", "Vb", "Vc"] and from_sequences.s0 is custom[0]
    assert [p.alias for p in from_sequences] == ["A", "B", "C"]
    bare = [Phasor(1), Phasor(2j), Phasor(-3)]
    labelled = Phasors3ph(*bare, symmetrical_components=True)
    assert [p.alias for p in bare] == ["Zero seq.", "Positive seq.", "Negative seq."]
    np.testing.assert_allclose(labelled, transformations.inv_symmetrical_components(1 + 0j, 2j, -3), rtol=1e-15)
    va, vb, vc = 1 + 1j, 2 - 0.5j, -1j
    again = Phasors3ph(*transformations.symmetrical_components(va, vb, vc), symmetrical_components=True)
    np.testing.assert_allclose(again, [va, vb, vc], atol=1e-14)
    with pytest.raises(TypeError):
        Phasors3ph(1, 2)


def test_phasors3ph_unpacks_exactly_three_components(monkeypatch):
    monkeypatch.setattr(phasors, "transformations", type("T", (), {
        "symmetrical_components": staticmethod(lambda a, b, c: [a, b]),
        "complete_symmetrical_components": transformations.complete_symmetrical_components}))
    with pytest.raises(ValueError, match="not enough values to unpack"):
        Phasors3ph(1, 2, 3)


# --- copies ----------------------------------------------------------------------------------

COPIES = [copy.copy, copy.deepcopy] + [lambda v, p=p: pickle.loads(pickle.dumps(v, p)) for p in (2, 3, 4, 5)]


@pytest.mark.parametrize("copier", COPIES, ids=["copy", "deepcopy", "pickle2", "pickle3", "pickle4", "pickle5"])
def test_copies_keep_value_alias_and_attributes(copier):
    values = [Phasor(1 + 2j), Phasor(mag=3, angle=-40, alias="V"), Timedelta("1ms", alias="t"), Timedelta(1.5),
              Phasors3ph(Phasor(1, alias="x"), 2j, -1 - 1j, alias="set")]
    for value in values:
        duplicate = copier(value)
        assert type(duplicate) is type(value) and duplicate == value and str(duplicate) == str(value)
        assert duplicate.has_custom_alias() == value.has_custom_alias()
    s, t = values[-1], copier(values[-1])
    for name in ["a", "b", "c", "s0", "s1", "s2", "s012", "zero_seq", "pos_seq", "neg_seq"]:
        assert str(getattr(t, name)) == str(getattr(s, name)) and getattr(t, name) == getattr(s, name)
    assert t.a is t[0]
