# -*- coding: utf-8 -*-
"""Tests of vexal.types.timedelta: the Timedelta type, its compact text and
the process-wide changes to pandas time spans and time indexes."""
import abc
import datetime
import inspect
import subprocess
import sys
import warnings

import numpy as np
import pandas
import pytest

import vexal.types.timedelta as tdmod
from vexal.types.alias import HasAlias
from vexal.types.timedelta import Timedelta, accept_castable, new_td_repr, patch_pandas

PTD = pandas.Timedelta

DEPRECATION_TEXT = ("Deprecated function vexal.types.timedelta.to_timedelta will be removed. "
                    "Use pandas.to_timedelta directly instead.")


def td_series(seconds):
    return pandas.Series(pandas.to_timedelta(seconds, unit="s"))


def series_text(series):
    return [str(PTD(v)) for v in series]


# ------------------------------------------------------------- new_td_repr

@pytest.mark.parametrize("value, text", [
    (PTD(seconds=1.5), "1s 500ms"),
    (PTD(seconds=90), "1min 30s"),
    (PTD(days=1, hours=2), "1d 2h"),
    (PTD(seconds=3661), "1h 1min 1s"),
    (PTD(seconds=1, milliseconds=1), "1s 1ms"),
    (PTD(nanoseconds=1), "1ns"),
    (PTD(microseconds=1), "1us"),
    (PTD(0), "0s"),
    (PTD(seconds=-1.5), "-1s 500ms"),
    (PTD(seconds=-90), "-1min 30s"),
    (PTD(nanoseconds=-1), "-1ns"),
    (PTD(days=1, seconds=1), "1d 1s"),
    (PTD(days=1, hours=2, minutes=3, seconds=4, milliseconds=5, microseconds=6,
         nanoseconds=7), "1d 2h 3min 4s 5ms 6us 7ns"),
    (PTD(days=400), "400d"),
    (PTD.max, "+inf"),
    (PTD.min, "-inf"),
    (PTD.max - PTD(nanoseconds=1), "106751d 23h 47min 16s 854ms 775us 806ns"),
    (PTD.min + PTD(nanoseconds=1), "-106751d 23h 47min 16s 854ms 775us 806ns"),
    (PTD("1s").as_unit("s"), "1s"),
], ids=str)
def test_new_td_repr(value, text):
    assert new_td_repr(value) == text
    # extra arguments are ignored so it can stand in for __str__ and __repr__
    assert new_td_repr(value, 1, 2, key="ignored") == text


# ------------------------------------------------------------- construction

@pytest.mark.parametrize("make, value, text", [
    (lambda: Timedelta(1), PTD(seconds=1), "1s"),
    (lambda: Timedelta(1.5), PTD(seconds=1.5), "1s 500ms"),
    (lambda: Timedelta(0), PTD(0), "0s"),
    (lambda: Timedelta(-90), PTD(seconds=-90), "-1min 30s"),
    (lambda: Timedelta(1e-9), PTD(nanoseconds=1), "1ns"),
    (lambda: Timedelta(86400), PTD(days=1), "1d"),
    (lambda: Timedelta("1ms"), PTD(milliseconds=1), "1ms"),
    (lambda: Timedelta("1 day 2h"), PTD(days=1, hours=2), "1d 2h"),
    (lambda: Timedelta(5, "ms"), PTD(milliseconds=5), "5ms"),
    (lambda: Timedelta(5, unit="ms"), PTD(milliseconds=5), "5ms"),
    (lambda: Timedelta(seconds=2), PTD(seconds=2), "2s"),
    (lambda: Timedelta(days=1, hours=2), PTD(days=1, hours=2), "1d 2h"),
    (lambda: Timedelta(np.int64(3)), PTD(seconds=3), "3s"),
    (lambda: Timedelta(np.float64(0.25)), PTD(milliseconds=250), "250ms"),
    (lambda: Timedelta(PTD(milliseconds=20)), PTD(milliseconds=20), "20ms"),
    (lambda: Timedelta(datetime.timedelta(seconds=1)), PTD(seconds=1), "1s"),
    (lambda: Timedelta(np.timedelta64(5, "ms")), PTD(milliseconds=5), "5ms"),
    (lambda: Timedelta(0.001, alias="dt"), PTD(milliseconds=1), "dt [1ms]"),
    (lambda: Timedelta("1s", alias="x"), PTD(seconds=1), "x [1s]"),
    (lambda: Timedelta(1, alias="1s"), PTD(seconds=1), "1s"),
    (lambda: Timedelta(PTD(seconds=1), alias="t"), PTD(seconds=1), "t [1s]"),
], ids=["int", "float", "zero", "negative", "1ns", "day", "str", "str-days",
        "unit-positional", "unit-kw", "seconds-kw", "days-hours-kw", "np-int",
        "np-float", "pandas", "datetime", "timedelta64", "alias", "str-alias",
        "alias-equals-own", "pandas-alias"])
def test_construction(make, value, text):
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        result = make()
    assert type(result) is Timedelta
    assert isinstance(result, PTD)
    assert result == value
    assert str(result) == text
    assert repr(result) == text
    assert result.original_str_repr == new_td_repr(value)


def test_class_shape():
    assert Timedelta.__mro__[:3] == (Timedelta, HasAlias, PTD)
    assert type(Timedelta) is abc.ABCMeta
    assert type(Timedelta.max) is PTD and Timedelta.max == PTD.max
    assert type(Timedelta.min) is PTD and Timedelta.min == PTD.min
    assert str(Timedelta.max) == repr(Timedelta.max) == "+inf"
    assert str(Timedelta.min) == repr(Timedelta.min) == "-inf"
    assert inspect.getdoc(patch_pandas) == ("Monkey patching pandas Timedelta with several "
                                            "feature changes and bugfixes.")


def test_own_text_comes_from_pandas_str_as_it_stands(monkeypatch):
    monkeypatch.setattr(PTD, "__str__", lambda self: "span of {}".format(self.value))
    assert Timedelta(1.5).original_str_repr == "span of 1500000000"
    monkeypatch.undo()
    assert Timedelta(1.5).original_str_repr == "1s 500ms"


def test_what_isinstance_accepts_is_returned_unchanged(monkeypatch):
    class Seconds(float):
        pass

    Timedelta.register(Seconds)
    virtual = Seconds(1.5)
    assert Timedelta(virtual) is virtual
    assert type(Timedelta(1.5)) is Timedelta
    monkeypatch.setattr(abc.ABCMeta, "__instancecheck__", lambda cls, instance: instance == 2.5)
    assert Timedelta(2.5) == 2.5 and type(Timedelta(2.5)) is float
    assert type(Timedelta(1.5)) is Timedelta
    # replaced before vexal's first isinstance as well
    script = ("import abc\nabc.ABCMeta.__instancecheck__ = lambda cls, instance: instance == 2.5\n"
              "from vexal.types.timedelta import Timedelta\n"
              "print(type(Timedelta(2.5)).__name__, type(Timedelta(1.5)).__name__)")
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True)
    assert run.stdout.split() == ["float", "Timedelta"]


def test_constructing_from_timedelta_returns_it():
    t = Timedelta(1, alias="a")
    assert Timedelta(t) is t
    assert str(t) == "a [1s]"
    assert Timedelta(t, alias=None) is t
    assert t.alias == "a"
    assert Timedelta(t, alias="new") is t
    assert str(t) == "new [1s]"
    plain = Timedelta(2)
    assert Timedelta(plain, alias="late") is plain
    assert str(plain) == "late [2s]"


def test_alias_setter_and_equality():
    t = Timedelta(1)
    assert t.alias == "1s" and t.has_custom_alias() is False
    t.alias = "T"
    assert str(t) == "T [1s]"
    assert t == PTD(seconds=1) == Timedelta(1, alias="other")
    assert hash(t) == hash(PTD(seconds=1))
    assert Timedelta(1) < Timedelta(2)


@pytest.mark.parametrize("make, exc", [
    (lambda: Timedelta("x"), ValueError),
    (lambda: Timedelta("1s", unit="ms"), ValueError),
    (lambda: Timedelta(), ValueError),
    pytest.param(lambda: Timedelta(1, unit="s", bogus=1), ValueError,
                 marks=pytest.mark.skipif(pandas.__version__ < "3", reason="pandas 2 ignores unknown keywords")),
    (lambda: Timedelta(1, "ms", 3), TypeError),
], ids=["garbage", "str-with-unit", "nothing", "unknown-kw", "too-many"])
def test_construction_errors(make, exc):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with pytest.raises(exc):
            make()


# ----------------------------------------------------------------- operators

@pytest.mark.parametrize("make, text", [
    (lambda: Timedelta(1, alias="t0") + 0.5, "t0+500ms [1s 500ms]"),
    (lambda: 0.5 + Timedelta(1, alias="t0"), "500ms+t0 [1s 500ms]"),
    (lambda: Timedelta(1, alias="t0") - 0.25, "t0-250ms [750ms]"),
    (lambda: 1 - Timedelta(0.2, alias="d"), "1s-d [800ms]"),
    (lambda: Timedelta(1) + 1, "2s"),
    (lambda: Timedelta(1) - Timedelta(3), "-2s"),
    (lambda: Timedelta(1) + "500ms", "1s 500ms"),
    (lambda: "500ms" + Timedelta(1, alias="t"), "500ms+t [1s 500ms]"),
    (lambda: "2s" - Timedelta(1, alias="t"), "2s-t [1s]"),
    (lambda: PTD("1s") + Timedelta("1ms", alias="x"), "1s+x [1s 1ms]"),
    (lambda: Timedelta("1ms", alias="x") + PTD("1s"), "x+1s [1s 1ms]"),
    (lambda: PTD("1s") - Timedelta("1ms", alias="x"), "1s-x [999ms]"),
    (lambda: Timedelta(1, alias="a") + Timedelta(2, alias="b"), "a+b [3s]"),
    (lambda: Timedelta(1, alias="a") - Timedelta(2), "a-2s [-1s]"),
    (lambda: Timedelta(1, alias="t0") + 0.5 + 0.25, "t0+500ms+250ms [1s 750ms]"),
    (lambda: Timedelta(1, alias="t") + datetime.timedelta(milliseconds=5), "t+5ms [1s 5ms]"),
    (lambda: datetime.timedelta(seconds=1) + Timedelta(1, alias="t"), "1s+t [2s]"),
    (lambda: Timedelta(1, alias="t") + np.timedelta64(5, "ms"), "t+5ms [1s 5ms]"),
    (lambda: sum([Timedelta(1, alias="a"), Timedelta(2)]), "0s+a+2s [3s]"),
], ids=["t0+num", "num+t0", "t0-num", "num-d", "plain+num", "plain-plain",
        "plain+str", "str+t", "str-t", "pandas+x", "x+pandas", "pandas-x", "a+b",
        "a-plain", "chain", "datetime-right", "datetime-left", "timedelta64", "sum"])
def test_operators_compose_aliases(make, text):
    result = make()
    assert type(result) is Timedelta
    assert str(result) == text
    assert repr(result) == text


def test_operator_without_alias_leaves_none():
    result = Timedelta(1) + 1
    assert "_alias" not in vars(result)
    assert result == PTD(seconds=2)


@pytest.mark.parametrize("make, kind, text", [
    (lambda: Timedelta(2, alias="x") * 2, PTD, "4s"),
    (lambda: 2 * Timedelta(2, alias="x"), PTD, "4s"),
    (lambda: Timedelta(3, alias="x") / 2, PTD, "1s 500ms"),
    (lambda: -Timedelta(1, alias="x"), PTD, "-1s"),
    (lambda: abs(Timedelta(-1, alias="x")), PTD, "1s"),
    (lambda: Timedelta(3) / Timedelta(1), float, "3.0"),
    (lambda: Timedelta(7) // Timedelta(2), int, "3"),
], ids=["mul", "rmul", "div", "neg", "abs", "ratio", "floordiv"])
def test_unwrapped_operators_are_pandas(make, kind, text):
    result = make()
    assert type(result) is kind
    assert str(result) == text


def test_operands_that_do_not_convert_fall_through():
    result = Timedelta(1) + td_series([1, 2])
    assert isinstance(result, pandas.Series)
    assert series_text(result) == ["2s", "3s"]
    result = Timedelta(1, alias="x") - td_series([1, 2])
    assert series_text(result) == ["0s", "-1s"]
    stamp = Timedelta(1, alias="t") + pandas.Timestamp("2020-01-01")
    assert stamp == pandas.Timestamp("2020-01-01 00:00:01")
    stamp = pandas.Timestamp("2020-01-01") + Timedelta(1, alias="t")
    assert stamp == pandas.Timestamp("2020-01-01 00:00:01")
    with pytest.raises(TypeError, match=r"^unsupported operand type\(s\) for \+: 'Timedelta' "
                                        r"and 'object'$"):
        Timedelta(1) + object()


# --------------------------------------------------------- accept_castable

def test_accept_castable_converts_and_composes():
    calls = []

    def op(a, b):
        calls.append((a, b))
        return PTD(seconds=3)

    new = accept_castable(op, "<{1}|{0}>")
    assert new.__name__ == "new_func"
    left = Timedelta(1, alias="L")
    result = new(left, 0.5)
    assert calls[0][0] is left
    assert type(calls[0][1]) is Timedelta and calls[0][1] == PTD(seconds=0.5)
    assert type(result) is Timedelta
    assert str(result) == "<500ms|L> [3s]"
    assert new(left, object()) is NotImplemented
    assert len(calls) == 1


def test_accept_castable_without_format_returns_result_unchanged():
    calls = []
    sentinel = object()

    def op(a, b):
        calls.append(b)
        return sentinel

    new = accept_castable(op)
    assert new(PTD("1s"), "2s") is sentinel
    assert type(calls[0]) is PTD and calls[0] == PTD(seconds=2)
    # a bare number is converted with pandas' own default unit (nanoseconds)
    assert new(PTD("1s"), 7) is sentinel
    assert type(calls[1]) is PTD and calls[1] == PTD(nanoseconds=7)
    aliased = Timedelta(1, alias="a")
    assert new(PTD("1s"), aliased) is sentinel
    assert calls[2] is aliased
    assert new(PTD("1s"), object()) is NotImplemented


def test_accept_castable_passes_dates_and_arrays_on_and_returns_other_results_as_they_are():
    calls = []

    def op(a, b):
        calls.append(b)
        return "not a time span"

    new = accept_castable(op, "{0}+{1}")
    operands = [pandas.Timestamp("2020-01-01"), datetime.date(2020, 1, 1), pandas.NaT,
                np.datetime64("2020-01-01"), np.array(1.5), np.array([1, 2], "m8[s]"),
                pandas.Index([1]), td_series([1]), pandas.DataFrame({"a": [1]}), pandas.array([1])]
    for operand in operands:
        assert new(Timedelta(1, alias="t"), operand) == "not a time span"
    assert all(passed is operand for passed, operand in zip(calls, operands))


def test_alias_on_non_alias_type_warns():
    new = accept_castable(PTD.__add__, "{0}+{1}")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = new(PTD("1s"), Timedelta("1ms", alias="x"))
    assert [w.category for w in caught] == [UserWarning]
    assert str(caught[0].message) == ("Trying to attribute alias to non-alias type "
                                      "'Timedelta' object has no attribute 'has_custom_alias'")
    assert type(result) is Timedelta
    assert str(result) == "1s 1ms"
    assert "_alias" not in vars(result)


# ------------------------------------------------------ pandas-wide changes

@pytest.mark.parametrize("value, text", [
    (PTD(seconds=1.5), "1s 500ms"),
    (PTD(0), "0s"),
    (PTD("-90s"), "-1min 30s"),
    (PTD.max, "+inf"),
], ids=str)
def test_pandas_timedelta_prints_compact(value, text):
    assert str(value) == text
    assert repr(value) == text
    assert "{}".format(value) == text
    assert str([value]) == "[{}]".format(text)


@pytest.mark.parametrize("make, kind, text", [
    (lambda: PTD("1s") + "500ms", PTD, "1s 500ms"),
    (lambda: "500ms" + PTD("1s"), PTD, "1s 500ms"),
    (lambda: PTD("1s") - "500ms", PTD, "500ms"),
    (lambda: "2s" - PTD("500ms"), PTD, "1s 500ms"),
    (lambda: PTD("1s") + 1, PTD, "1s 1ns"),
    (lambda: 1 + PTD("1s"), PTD, "1s 1ns"),
    (lambda: PTD("1s") - 1, PTD, "999ms 999us 999ns"),
    (lambda: PTD("1s") + datetime.timedelta(seconds=1), PTD, "2s"),
    (lambda: PTD("1s") + np.timedelta64(1, "ms"), PTD, "1s 1ms"),
    (lambda: PTD("1s") + PTD("1s"), PTD, "2s"),
], ids=["add-str", "radd-str", "sub-str", "rsub-str", "add-int", "radd-int",
        "sub-int", "datetime", "timedelta64", "pandas"])
def test_pandas_timedelta_converts_operands(make, kind, text):
    result = make()
    assert type(result) is kind
    assert str(result) == text


def test_pandas_timedelta_unconvertible_operands():
    with pytest.raises(TypeError, match=r"^unsupported operand type\(s\) for \+: 'Timedelta' "
                                        r"and 'object'$"):
        PTD("1s") + object()
    with pytest.raises(TypeError, match=r"^unsupported operand type\(s\) for -: 'object' "
                                        r"and 'Timedelta'$"):
        object() - PTD("1s")
    assert series_text(PTD("1s") + td_series([1, 2])) == ["2s", "3s"]
    assert series_text(PTD("1s") - td_series([1, 2])) == ["0s", "-1s"]
    assert series_text(td_series([1, 2]) + PTD("1s")) == ["2s", "3s"]
    assert PTD("1s") + pandas.Timestamp("2020-01-01") == pandas.Timestamp("2020-01-01 00:00:01")


STAMP = pandas.Timestamp


@pytest.mark.parametrize("make, expected", [
    (lambda: PTD("1s") + np.datetime64("2016-01-01T00:00:00.5", "ns"), STAMP("2016-01-01 00:00:01.5")),
    (lambda: PTD("1s") + np.datetime64("2016-01-01"), STAMP("2016-01-01 00:00:01")),
    (lambda: PTD("1ns") + datetime.datetime(2016, 1, 1), STAMP("2016-01-01 00:00:00.000000001")),
    (lambda: np.datetime64("2016-01-01", "s") - PTD("1s"), STAMP("2015-12-31 23:59:59")),
    (lambda: STAMP(4) + pandas.DateOffset(minutes=2, nanoseconds=9, hour=1),
     STAMP("1970-01-01 01:02:00.000000013")),
    (lambda: PTD("1s") + np.array([1, 2], "m8[s]"), np.array([2, 3], "m8[s]")),
    (lambda: np.array([1, 2], "m8[s]") - PTD("1s"), np.array([0, 1], "m8[s]")),
    (lambda: PTD("1s") + np.array(np.timedelta64(1, "s")), PTD("2s")),
    (lambda: pandas.date_range("2010-02-01", periods=2, freq="12h")
     + pandas.offsets.BDay(offset=PTD(3, unit="h")),
     pandas.DatetimeIndex(["2010-02-02 03:00", "2010-02-02 15:00"])),
    (lambda: PTD("1s") + pandas.NaT, pandas.NaT),
    (lambda: PTD("1s") + pandas.DataFrame({"a": pandas.to_timedelta([1], unit="s")}),
     pandas.DataFrame({"a": pandas.to_timedelta([2], unit="s")})),
    (lambda: Timedelta(1, alias="t") + np.datetime64("2016-01-01"), STAMP("2016-01-01 00:00:01")),
    (lambda: np.datetime64("2016-01-01") - Timedelta(1, alias="t"), STAMP("2015-12-31 23:59:59")),
    (lambda: Timedelta(1, alias="t") + np.array([1], "m8[s]"), np.array([2], "m8[s]")),
    (lambda: Timedelta(1, alias="t") + pandas.NaT, pandas.NaT),
    (lambda: Timedelta(1, alias="t") + float("nan"), pandas.NaT),
], ids=["dt64-ns", "dt64-day", "datetime-ns", "dt64-rsub", "dateoffset-ns", "td64-array",
        "td64-array-rsub", "td64-0d", "bday-offset", "nat", "frame", "alias-dt64",
        "alias-dt64-rsub", "alias-td64-array", "alias-nat", "alias-nan"])
def test_dates_arrays_and_frames_get_pandas_own_answers(make, expected):
    result = make()
    if expected is pandas.NaT:
        assert result is pandas.NaT
        return
    assert type(result) is type(expected)
    if isinstance(expected, pandas.DataFrame):
        assert result.equals(expected)
    elif isinstance(expected, (np.ndarray, pandas.Index)):
        assert list(result) == list(expected)
    else:
        assert result == expected


def _time_series():
    index = pandas.to_timedelta([0, 1, 2, 2.5, 3], unit="s")
    return pandas.Series([10, 11, 12, 13, 14], index=index)


@pytest.mark.parametrize("get, values", [
    (lambda s: s["1s":"2s"], [11, 12]),
    (lambda s: s.loc["1s":"2s"], [11, 12]),
    (lambda s: s[:"2s"], [10, 11, 12]),
    (lambda s: s["2s":], [12, 13, 14]),
    (lambda s: s["500ms":"2500ms"], [11, 12, 13]),
    (lambda s: s["1.5s":"2s"], [12]),
    (lambda s: s[PTD("1s"):PTD("2s")], [11, 12]),
], ids=["str", "loc", "upper-only", "lower-only", "ms", "fraction", "timedelta"])
def test_string_slice_uses_exact_times(get, values):
    assert list(get(_time_series())) == values


@pytest.mark.parametrize("get, bound", [
    (lambda s: s.loc[1:2], "1"),
    (lambda s: s.loc[1.0:2.0], "1.0"),
    (lambda s: s.loc["1s":2], "2"),
    (lambda s: s["foo":], "foo"),
    (lambda s: s.loc[:"1 parsec"], "1 parsec"),
], ids=["int", "float", "mixed", "str", "str-upper"])
def test_bounds_that_are_not_times_raise_pandas_type_error(get, bound):
    with pytest.raises(TypeError, match=r"^cannot do slice indexing on TimedeltaIndex with these "
                                        r"indexers \[{}\] of type ".format(bound)):
        get(_time_series())


def test_maybe_cast_slice_bound():
    index = _time_series().index
    assert index._maybe_cast_slice_bound("2s", "right") == PTD(seconds=2)
    assert index._maybe_cast_slice_bound("2s", "left") == PTD(seconds=2)
    assert index._maybe_cast_slice_bound("2s", "right", "loc") == PTD(seconds=2)
    assert index._maybe_cast_slice_bound("2s", "right", None) == PTD(seconds=2)
    label = PTD(seconds=7)
    assert index._maybe_cast_slice_bound(label, "right") is label
    with pytest.raises(AssertionError):
        index._maybe_cast_slice_bound("2s", "right", "bogus")
    with pytest.raises(TypeError):
        index._maybe_cast_slice_bound(3, "left")
    with pytest.raises(TypeError) as raised:
        index._maybe_cast_slice_bound("not a time", "left")
    assert type(raised.value.__cause__) is ValueError
    assert "13929" in tdmod._maybe_cast_slice_bound.__doc__


def test_repeated_patch_changes_nothing():
    patched = {name: PTD.__dict__[name] for name in ("__add__", "__radd__", "__sub__", "__rsub__", "__str__")}
    for _ in range(2000):
        assert patch_pandas() is None
    assert all(PTD.__dict__[name] is patched[name] for name in patched)
    assert str(PTD(seconds=1.5)) == repr(PTD(seconds=1.5)) == "1s 500ms"
    result = PTD("1s") + "500ms"
    assert type(result) is PTD and str(result) == "1s 500ms"
    assert str(PTD("1s") + 1) == "1s 1ns"
    with pytest.raises(TypeError):
        PTD("1s") + object()
    assert list(_time_series()["1s":"2s"]) == [11, 12]
    assert str(Timedelta(1, alias="t0") + 0.5) == "t0+500ms [1s 500ms]"
    assert str(PTD("1s") + Timedelta("1ms", alias="x")) == "1s+x [1s 1ms]"


@pytest.mark.parametrize("args, kwargs, expected", [
    (("1ms",), {}, PTD(milliseconds=1)),
    ((1, "s"), {}, PTD(seconds=1)),
    ((5,), {"unit": "ms"}, PTD(milliseconds=5)),
], ids=["str", "unit-positional", "unit-kw"])
def test_to_timedelta_is_deprecated_forwarder(args, kwargs, expected):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = tdmod.to_timedelta(*args, **kwargs)
    assert [w.category for w in caught] == [UserWarning]
    assert str(caught[0].message) == DEPRECATION_TEXT
    assert type(result) is PTD
    assert result == expected


def test_to_timedelta_list_and_error():
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = tdmod.to_timedelta(["1s", "2s"])
        with pytest.raises(ValueError):
            tdmod.to_timedelta("not a time")
    assert [str(w.message) for w in caught] == [DEPRECATION_TEXT] * 2
    assert isinstance(result, pandas.TimedeltaIndex)
    assert list(result) == [PTD(seconds=1), PTD(seconds=2)]
