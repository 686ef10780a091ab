# -*- coding: utf-8 -*-
"""Tests of vexal.test.ranges: around, before and after."""
import inspect

import numpy as np
import pandas
import pytest

from vexal.test import ranges
from vexal.test.ranges import after, around, before
from vexal.types.alias import AliasFloat, AliasTuple
from vexal.types.timedelta import Timedelta

td = Timedelta
PTD = pandas.Timedelta


def flat(doc):
    return " ".join(doc.split())


# ------------------------------------------------------------------- around

@pytest.mark.parametrize("make, limits, alias, text", [
    (lambda: around(5, tol=1), (4, 6), "5 ± 1", "5 ± 1 [(4, 6)]"),
    (lambda: around(5), (4.75, 5.25), "5 ± 5% [0.25]", "5 ± 5% [0.25] [(4.75, 5.25)]"),
    (lambda: around(5, tol_p=0.01), (4.95, 5.05), "5 ± 1% [0.05]",
     "5 ± 1% [0.05] [(4.95, 5.05)]"),
    (lambda: around(5, tol=1, tol_p=0.5), (4, 6), "5 ± 1", "5 ± 1 [(4, 6)]"),
    (lambda: around(5, tol=-1), (4, 6), "5 ± 1", "5 ± 1 [(4, 6)]"),
    (lambda: around(5, tol_p=-0.05), (4.75, 5.25), "5 ± -5% [0.25]",
     "5 ± -5% [0.25] [(4.75, 5.25)]"),
    (lambda: around(5, 1), (4, 6), "5 ± 1", "5 ± 1 [(4, 6)]"),
    (lambda: around(5, None, 0.5), (2.5, 7.5), "5 ± 50% [2.5]", "5 ± 50% [2.5] [(2.5, 7.5)]"),
    (lambda: around(val=5, tol_p=0.5), (2.5, 7.5), "5 ± 50% [2.5]",
     "5 ± 50% [2.5] [(2.5, 7.5)]"),
    (lambda: around(1.5, tol=0.25), (1.25, 1.75), "1.5 ± 0.25", "1.5 ± 0.25 [(1.25, 1.75)]"),
    (lambda: around(-4, tol_p=0.5), (-6.0, -2.0), "-4 ± 50% [2.0]",
     "-4 ± 50% [2.0] [(-6.0, -2.0)]"),
    (lambda: around(0), (0.0, 0.0), "0 ± 5% [0.0]", "0 ± 5% [0.0] [(0.0, 0.0)]"),
    (lambda: around(5, tol_p=1 / 3.0), None, "5 ± 33.3333% [1.6666666666666665]", None),
    (lambda: around(True), (0.95, 1.05), "True ± 5% [0.05]", "True ± 5% [0.05] [(0.95, 1.05)]"),
    (lambda: around(np.float64(5), tol=1), (4.0, 6.0), "5.0 ± 1", "5.0 ± 1 [(4.0, 6.0)]"),
    (lambda: around(np.int64(5), tol=1), (4, 6), "5 ± 1", "5 ± 1 [(4, 6)]"),
    # the tolerance takes the centre's type, then abs() makes it real again
    (lambda: around(1 + 1j, tol=1), (1j, 2 + 1j), "(1+1j) ± 1.0", "(1+1j) ± 1.0 [(1j, (2+1j))]"),
    # aliased tolerance and centre
    (lambda: around(5, tol=AliasFloat(1, alias="dV")), (4.0, 6.0), "5 ± dV",
     "5 ± dV [(4.0, 6.0)]"),
    # an unaliased AliasFloat tolerance still contributes its alias, i.e. its own text
    (lambda: around(5, tol=AliasFloat(-1)), (4.0, 6.0), "5 ± -1.00", "5 ± -1.00 [(4.0, 6.0)]"),
    (lambda: around(AliasFloat(230, alias="Un"), tol_p=0.5), (115.0, 345.0),
     "Un [230.00] ± 50% [115.0]", "Un [230.00] ± 50% [115.0] [(115.00, 345.00)]"),
    (lambda: around(AliasFloat(230, alias="Un"), tol=AliasFloat(10, alias="dU")),
     (220.0, 240.0), "Un [230.00] ± dU", "Un [230.00] ± dU [(220.00, 240.00)]"),
    # time centres
    (lambda: around(td(1), tol=0.1), (PTD("900ms"), PTD("1100ms")), "1s ± 100ms",
     "1s ± 100ms [(900ms, 1s 100ms)]"),
    (lambda: around(td(1)), (PTD("950ms"), PTD("1050ms")), "1s ± 5% [50ms]",
     "1s ± 5% [50ms] [(950ms, 1s 50ms)]"),
    (lambda: around(td(1), tol=-0.1), (PTD("900ms"), PTD("1100ms")), "1s ± 100ms",
     "1s ± 100ms [(900ms, 1s 100ms)]"),
    (lambda: around(td(1), tol=td(0.1, alias="dt")), (PTD("900ms"), PTD("1100ms")),
     "1s ± dt", "1s ± dt [(900ms, 1s 100ms)]"),
    (lambda: around(td(1, alias="T"), tol=0.1), (PTD("900ms"), PTD("1100ms")),
     "T [1s] ± 100ms", "T [1s] ± 100ms [(900ms, 1s 100ms)]"),
], ids=["tol", "default", "tol_p", "tol-wins", "negative-tol", "negative-tol_p",
        "tol-positional", "tol_p-positional", "keywords", "float", "negative-centre",
        "zero", "percent-g", "bool", "np-float", "np-int", "complex", "alias-tol",
        "plain-alias-float-tol", "alias-centre", "alias-both", "time-tol",
        "time-default", "time-negative-tol", "time-alias-tol", "time-alias-centre"])
def test_around(make, limits, alias, text):
    result = make()
    assert type(result) is AliasTuple
    assert len(result) == 2
    if limits is not None:
        assert result == limits
    assert result.alias == alias
    if text is not None:
        assert str(result) == text
        assert repr(result) == text


def test_around_limit_types_and_aliases():
    low, high = around(td(1, alias="T"), tol=0.1)
    assert type(low) is Timedelta and type(high) is Timedelta
    assert str(low) == "T-100ms [900ms]"
    assert str(high) == "T+100ms [1s 100ms]"
    low, high = around(td(1))
    assert str(low) == "950ms" and str(high) == "1s 50ms"
    low, high = around(AliasFloat(230, alias="Un"), tol_p=0.5)
    assert type(low) is AliasFloat
    assert str(low) == "Un-115.00 [115.00]"
    assert str(high) == "Un+115.00 [345.00]"
    low, high = around(5, tol=1)
    assert type(low) is int and type(high) is int


@pytest.mark.parametrize("make, exc", [
    (lambda: around("5"), TypeError),
    (lambda: around(None), TypeError),
    (lambda: around(5, tol="x"), TypeError),
    (lambda: around(5, tol_p=None), TypeError),
    (lambda: around(5, tol_p="x"), TypeError),
    (lambda: around(td(1), tol="100ms"), TypeError),
    (lambda: around(10 ** 400), OverflowError),
], ids=["str-centre", "none-centre", "str-tol", "none-tol_p", "str-tol_p",
        "time-bad-tol", "huge"])
def test_around_errors(make, exc):
    with pytest.raises(exc):
        make()


class _Range(AliasTuple):
    pass


ORIGINAL_INIT = AliasTuple.__init__


@pytest.mark.parametrize("name, replacement", [
    ("__init__", lambda self, value, **kw: ORIGINAL_INIT(self, value, alias="patched")),
    ("__new__", staticmethod(lambda cls, value, **kw: tuple.__new__(_Range, value))),
])
def test_around_calls_a_patched_range_class(name, replacement):
    original = AliasTuple.__dict__[name]
    setattr(AliasTuple, name, replacement)
    try:
        made = around(5, tol=1)
    finally:
        setattr(AliasTuple, name, original)
    assert made == (4, 6)
    if name == "__init__":
        assert str(made) == "patched [(4, 6)]"
    else:
        assert type(made) is _Range
    assert type(around(5, tol=1)) is AliasTuple and str(around(5, tol=1)) == "5 \u00b1 1 [(4, 6)]"


# ---------------------------------------------------------- before / after

@pytest.mark.parametrize("make, limits, text", [
    (lambda: before(1), (PTD.min, PTD(seconds=1)), "(-inf, 1s)"),
    (lambda: before(0.5), (PTD.min, PTD(milliseconds=500)), "(-inf, 500ms)"),
    (lambda: before("1ms"), (PTD.min, PTD(milliseconds=1)), "(-inf, 1ms)"),
    (lambda: before(PTD("2s")), (PTD.min, PTD(seconds=2)), "(-inf, 2s)"),
    (lambda: before(td(1, alias="T")), (PTD.min, PTD(seconds=1)), "(-inf, T [1s])"),
    (lambda: after(1), (PTD(seconds=1), PTD.max), "(1s, +inf)"),
    (lambda: after("1ms"), (PTD(milliseconds=1), PTD.max), "(1ms, +inf)"),
    (lambda: after(np.int64(90)), (PTD(seconds=90), PTD.max), "(1min 30s, +inf)"),
    (lambda: after(td(2, alias="t_end")), (PTD(seconds=2), PTD.max), "(t_end [2s], +inf)"),
], ids=["before-int", "before-float", "before-str", "before-pandas", "before-alias",
        "after-int", "after-str", "after-np", "after-alias"])
def test_before_after(make, limits, text):
    result = make()
    assert type(result) is tuple
    assert result == limits
    assert str(result) == text
    assert [type(item) for item in result] == (
        [PTD, Timedelta] if result[0] == PTD.min else [Timedelta, PTD])


def test_open_ends_are_fresh_copies_of_pandas_own():
    def seen(t):
        return type(t), t._value, t.unit, repr(t), vars(t)
    first, second = before(1)[0], before(1)[0]
    assert first is not second and vars(first) is not vars(second)
    assert seen(first) == seen(PTD.min)
    assert seen(after(1)[1]) == seen(PTD.max)


def test_time_item_is_the_given_timedelta():
    t = td(1, alias="T")
    assert before(t)[1] is t
    assert after(t)[0] is t


@pytest.mark.parametrize("make, exc, message", [
    (lambda: before(t=1), TypeError,
     "before() got some positional-only arguments passed as keyword arguments: 't'"),
    (lambda: after(t=1), TypeError,
     "after() got some positional-only arguments passed as keyword arguments: 't'"),
    (lambda: before(), TypeError, "before() missing 1 required positional argument: 't'"),
    (lambda: after(1, 2), TypeError, "after() takes 1 positional argument but 2 were given"),
    (lambda: around(), TypeError, "around() missing 1 required positional argument: 'val'"),
    (lambda: around(1, 2, 3, 4), TypeError,
     "around() takes from 1 to 3 positional arguments but 4 were given"),
    (lambda: around(1, bogus=2), TypeError, "around() got an unexpected keyword argument 'bogus'"),
    (lambda: around(1, val=2), TypeError, "around() got multiple values for argument 'val'"),
    (lambda: before("not a time"), ValueError, None),
    (lambda: after("not a time"), ValueError, None),
], ids=["before-kw", "after-kw", "before-none", "after-two", "around-none",
        "around-four", "around-unknown-kw", "around-twice", "before-bad", "after-bad"])
def test_call_errors(make, exc, message):
    with pytest.raises(exc) as info:
        make()
    assert type(info.value) is exc
    if message is not None:
        assert str(info.value) == message


def test_signatures_and_module_names():
    assert str(inspect.signature(around)) == "(val, tol=None, tol_p=0.05)"
    assert str(inspect.signature(before)) == "(t, /)"
    assert str(inspect.signature(after)) == "(t, /)"
    assert ranges.td is Timedelta
    assert ranges.AliasTuple is AliasTuple


@pytest.mark.parametrize("func, statements", [
    (around, ["Parameters", "Returns", "Notes", "Examples",
              "If both tolerances are defined, the absolute tolerance is used."]),
    (before, ["Parameters", "Returns", "Notes", "Examples", "See Also",
              "Range as a tuple (-inf, t)", "Pure numbers are interpreted as seconds.",
              "vexal.test.ranges.after", "'1ms'"]),
    (after, ["Parameters", "Returns", "Notes", "Examples", "See Also",
             "Range as a tuple (t, +inf)", "Pure numbers are interpreted as seconds.",
             "vexal.test.ranges.before", "'1ms'"]),
], ids=["around", "before", "after"])
def test_docstrings(func, statements):
    doc = flat(func.__doc__)
    for statement in statements:
        assert statement in doc
