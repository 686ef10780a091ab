# -*- coding: utf-8 -*-
"""Tests of vexal.types.alias: engineering-notation text, aliased values and
alias composition."""
import abc
import inspect
import logging
import random
from decimal import Decimal

import numpy as np
import pytest

from vexal.types.alias import AliasFloat, AliasTuple, HasAlias, sizeof_fmt


def af(value, alias=None):
    return AliasFloat(value, alias=alias)


class Boom(Exception):
    pass


# ---------------------------------------------------------------- sizeof_fmt

@pytest.mark.parametrize("value, text", [
    (0, "0.00"),
    (5, "5.00"),
    (0.01, "0.01"),
    (1000, "1.00k"),
    (1500, "1.50k"),
    (-2.5e6, "-2.50M"),
    (1e9, "1.00G"),
    (1e12, "1000.00G"),
    (999.996, "1000.00"),
    (0.005, "5.00m"),
    (-0.0099999, "-10.00m"),
    (2e-6, "2.00u"),
    (3e-9, "3.00n"),
    (1e-13, "0.00n"),
    # boundaries: >= 0.01 going up, strictly > 0.01 going down
    (0.0100001, "0.01"),
    (0.00999, "9.99m"),
    (1e-5, "10.00u"),
    (1e-8, "10.00n"),
    (999999, "1000.00k"),
    # no sign on negative zero
    (-0.0, "0.00"),
    # non-finite
    (float("inf"), "infG"),
    (float("-inf"), "-infG"),
    (float("nan"), "nann"),
    # numbers that are not floats
    (True, "1.00"),
    (False, "0.00"),
    (10 ** 20, "100000000000.00G"),
    (-(10 ** 15), "-1000000.00G"),
    (np.float64(0.002), "2.00m"),
    (np.float32(1500), "1.50k"),
    (np.float32(0.5), "0.50"),
    (np.int64(-2500000), "-2.50M"),
    (np.int32(7), "7.00"),
    (Decimal("1.5"), "1.50"),
], ids=repr)
def test_sizeof_fmt(value, text):
    result = sizeof_fmt(value)
    assert type(result) is str
    assert result == text


def _sizeof_fmt_reference(num):
    """The same steps in Python, through format(x, ".2f")."""
    sign, num = ("-" if num < 0 else ""), abs(num)
    if num == 0:
        return "0.00"
    if num >= 0.01:
        for prefix in ["", "k", "M"]:
            if num < 1000.0:
                return "{}{:.2f}{}".format(sign, num, prefix)
            num /= 1000.0
        return "{}{:.2f}G".format(sign, num)
    num *= 1000.0
    for prefix in ["m", "u"]:
        if num > 0.01:
            return "{}{:.2f}{}".format(sign, num, prefix)
        num *= 1000.0
    return "{}{:.2f}n".format(sign, num)


def test_sizeof_fmt_rounds_like_format():
    rng = random.Random(7)
    ties = [k / 1000 for k in range(5, 100000, 10)]  # x.xx5: the binary value decides the rounding
    values = ties + [rng.uniform(0, 2000) for _ in range(20000)] + [10 ** rng.uniform(-12, 12) for _ in range(20000)]
    for value in values:
        assert sizeof_fmt(value) == _sizeof_fmt_reference(value), value


@pytest.mark.parametrize("value, exc", [
    (10 ** 400, OverflowError),   # int too large for the division by 1000.0
    ("5", TypeError),
    (None, TypeError),
    (1j, TypeError),
    (Decimal(1500), TypeError),   # Decimal / float
], ids=repr)
def test_sizeof_fmt_rejects(value, exc):
    with pytest.raises(exc):
        sizeof_fmt(value)


def test_sizeof_fmt_string_error_is_the_comparison_error():
    with pytest.raises(TypeError, match="^'<' not supported between instances of 'str' and 'int'$"):
        sizeof_fmt("1.5")


# ----------------------------------------------------------------- HasAlias

def test_has_alias_class_shape():
    assert type(HasAlias) is abc.ABCMeta
    assert HasAlias.__mro__ == (HasAlias, object)
    assert AliasFloat.__mro__[:3] == (AliasFloat, HasAlias, float)
    assert AliasTuple.__mro__[:3] == (AliasTuple, HasAlias, tuple)
    assert HasAlias.logger is logging.getLogger("vexal.types.alias")
    assert (inspect.getdoc(HasAlias._str_representation)
            == "Typically should be object original __str__ or __repr__")


@pytest.mark.parametrize("make, text, alias, custom", [
    (lambda: HasAlias("own", None), "own", "own", False),
    (lambda: HasAlias("own", "nick"), "nick [own]", "nick", True),
    (lambda: HasAlias(original_str_repr="own", alias="nick"), "nick [own]", "nick", True),
    (lambda: HasAlias("own", "own"), "own", "own", False),
    (lambda: HasAlias("", None), "", "", False),
], ids=["plain", "alias", "keywords", "alias-equals-own", "empty"])
def test_has_alias_direct(make, text, alias, custom):
    h = make()
    assert str(h) == text
    assert repr(h) == text
    assert h.alias == alias
    assert h.has_custom_alias() is custom
    assert h.original_str_repr == vars(h)["original_str_repr"]


def test_has_alias_none_means_no_alias_attribute():
    h = HasAlias("own", None)
    assert "_alias" not in vars(h)
    h.alias = "x"
    assert vars(h)["_alias"] == "x"


def test_has_alias_missing_argument():
    with pytest.raises(TypeError):
        HasAlias("own")


def test_setter_accepts_none_and_any_object():
    a = af(1500)
    a.alias = None
    assert a.alias is None
    assert a.has_custom_alias() is True
    assert str(a) == repr(a) == "None [1.50k]"
    a.alias = 7
    assert str(a) == "7 [1.50k]"


def test_alias_not_part_of_equality_or_hash():
    a = af(1.5, alias="x")
    assert a == 1.5 == af(1.5, alias="y")
    assert hash(a) == hash(1.5)


class _Ne(object):
    """Alias object whose != answers with a chosen object."""

    def __init__(self, answer, text="W"):
        self.answer = answer
        self.text = text

    def __ne__(self, other):
        return self.answer

    __hash__ = object.__hash__

    def __str__(self):
        return self.text


class _BoolBoom(object):
    def __bool__(self):
        raise Boom("bool")


class _FormatBoom(object):
    def __format__(self, fmt):
        raise Boom("format")


class _NeBoom(object):
    def __eq__(self, other):
        raise Boom("eq")

    __ne__ = __eq__
    __hash__ = object.__hash__


def test_has_custom_alias_returns_the_comparison_result_unchanged():
    answer = ["truthy", "list"]
    h = HasAlias("own", _Ne(answer))
    assert h.has_custom_alias() is answer
    assert str(h) == "W [own]"
    h = HasAlias("own", _Ne(0))
    assert h.has_custom_alias() == 0
    assert str(h) == "own"


@pytest.mark.parametrize("alias, message", [
    (_Ne(_BoolBoom()), "bool"),
    (_FormatBoom(), "format"),
    (_NeBoom(), "eq"),
], ids=["bool-raises", "format-raises", "ne-raises"])
def test_alias_object_errors_propagate(alias, message):
    for target in (HasAlias("own", alias), af(1, alias=alias)):
        with pytest.raises(Boom, match=message):
            str(target)
        with pytest.raises(Boom, match=message):
            repr(target)


def test_missing_own_text_propagates_attribute_error():
    h = HasAlias("own", None)
    del h.original_str_repr
    with pytest.raises(AttributeError):
        h.alias
    with pytest.raises(AttributeError):
        str(h)


def test_non_str_own_text_makes_str_fail():
    with pytest.raises(TypeError, match="__str__ returned non-string"):
        str(HasAlias(5, None))


# -------------------------------------------------------------- subclasses

class _Volt(AliasFloat):
    def _str_representation(self):
        return "{}V".format(float(self))


class _Always(AliasFloat):
    def has_custom_alias(self):
        return True


class _Never(AliasFloat):
    def has_custom_alias(self):
        return False


class _Thing(HasAlias):
    def __init__(self, value, alias=None):
        self.value = value
        HasAlias.__init__(self, "unused", alias)

    def _str_representation(self):
        return "T{}".format(self.value)


@pytest.mark.parametrize("make, text", [
    (lambda: _Volt(2), "2.0V"),
    (lambda: _Volt(2, alias="u"), "u [2.0V]"),
    (lambda: _Volt(2, alias="2.0V"), "2.0V"),
    (lambda: _Always(1), "1.00 [1.00]"),
    (lambda: _Never(1, alias="x"), "1.00"),
    (lambda: _Thing(1), "T1"),
    (lambda: _Thing(1, alias="n"), "n [T1]"),
    (lambda: AliasTuple((_Thing(3), _Volt(1)), child_original_str=True), "(T3, 1.0V)"),
    # composition reads aliases through the overridden own text
    (lambda: _Volt(2) + af(1, alias="b"), "2.0V+b [3.00]"),
    (lambda: _Volt(2, alias="u") + 1, "u+1.00 [3.00]"),
    (lambda: _Volt(2) + 1, "3.00"),
], ids=["volt", "volt-alias", "volt-alias-own", "always", "never", "thing",
        "thing-alias", "tuple-children", "volt-op-other", "volt-op-self", "volt-op-plain"])
def test_python_subclasses_are_honoured(make, text):
    value = make()
    assert str(value) == text
    assert repr(value) == text


def test_subclass_own_text_is_computed_on_each_call():
    t = _Thing(1, alias="n")
    t.value = 2
    assert str(t) == "n [T2]"
    assert _Thing(1).alias == "T1"


def test_subclass_operator_result_is_alias_float():
    assert type(_Volt(2) + 1) is AliasFloat


# --------------------------------------------------------------- AliasFloat

@pytest.mark.parametrize("make, text", [
    (lambda: af(1500), "1.50k"),
    (lambda: af(1500, alias="Pnom"), "Pnom [1.50k]"),
    (lambda: af(1500, alias="1.50k"), "1.50k"),
    (lambda: af(0.0), "0.00"),
    (lambda: af(-0.0), "0.00"),
    (lambda: af(float("inf")), "infG"),
    (lambda: af(float("-inf")), "-infG"),
    (lambda: af(float("nan")), "nann"),
    (lambda: af(True), "1.00"),
    (lambda: af(10 ** 20), "100000000000.00G"),
    (lambda: af(np.float64(0.002)), "2.00m"),
    (lambda: af(np.int64(-1500)), "-1.50k"),
    (lambda: af(Decimal("0.5")), "0.50"),
    (lambda: AliasFloat(3, "pos"), "pos [3.00]"),
], ids=["1500", "Pnom", "alias-equals-own", "zero", "neg-zero", "inf", "-inf",
        "nan", "bool", "big-int", "np-float", "np-int", "decimal", "positional-alias"])
def test_alias_float_text(make, text):
    value = make()
    assert type(value) is AliasFloat
    assert str(value) == text
    assert repr(value) == text


def test_alias_float_alias_property():
    a = af(1500, alias="Pnom")
    assert a.alias == "Pnom"
    assert a.has_custom_alias() is True
    b = af(1500)
    assert b.alias == "1.50k"
    assert b.has_custom_alias() is False
    assert "_alias" not in vars(b)
    assert vars(b)["original_str_repr"] == "1.50k"
    assert a == b == 1500.0


class _Tagged(float):
    """A float whose formatting shows it went through sizeof_fmt untouched."""

    def __abs__(self):
        return _Tagged(float.__abs__(self))

    def __format__(self, fmt):
        return "T" + float.__format__(self, fmt)


def test_own_text_comes_from_the_argument_not_the_float():
    assert str(af(_Tagged(5))) == "T5.00"
    # Decimal(1500) converts to float but cannot be divided by 1000.0
    with pytest.raises(TypeError):
        af(Decimal(1500))


def test_constructing_from_alias_float_returns_it():
    a = af(2, alias="a")
    assert AliasFloat(a) is a
    assert a.alias == "a"
    assert AliasFloat(a, alias=None) is a
    assert a.alias == "a"
    assert AliasFloat(a, alias="new") is a
    assert str(a) == "new [2.00]"
    b = af(3)
    assert AliasFloat(b, alias="late") is b
    assert str(b) == "late [3.00]"


@pytest.mark.parametrize("make, text, value", [
    (lambda: af(1, "a") + af(2, "b"), "a+b [3.00]", 3.0),
    (lambda: af(1, "a") + 2, "a+2.00 [3.00]", 3.0),
    (lambda: 2 + af(1, "a"), "2.00+a [3.00]", 3.0),
    (lambda: 2.5 + af(1, "a"), "2.50+a [3.50]", 3.5),
    (lambda: af(1, "a") - 2, "a-2.00 [-1.00]", -1.0),
    (lambda: 2 - af(1, "a"), "2.00-a [1.00]", 1.0),
    (lambda: 2.0 - af(1, "a"), "2.00-a [1.00]", 1.0),
    (lambda: af(2, "gain") * 1000, "gain*1.00k [2.00k]", 2000.0),
    (lambda: 1000 * af(2, "gain"), "1.00k*gain [2.00k]", 2000.0),
    (lambda: af(3) + af(2, "b"), "3.00+b [5.00]", 5.0),
    (lambda: af(3, "a") - af(2), "a-2.00 [1.00]", 1.0),
    (lambda: af(3) + af(2), "5.00", 5.0),
    (lambda: af(3) * 2, "6.00", 6.0),
    (lambda: 2 - af(3), "-1.00", -1.0),
    (lambda: sum([af(1, "a"), af(2, "b")]), "0.00+a+b [3.00]", 3.0),
    (lambda: (af(1, "a") + af(2, "b")) * af(3, "c"), "a+b*c [9.00]", 9.0),
    (lambda: af(1, "a") + af(2, "b") * af(3, "c"), "a+b*c [7.00]", 7.0),
    (lambda: af(5, "a") - af(2, "b") - af(1, "c"), "a-b-c [2.00]", 2.0),
    (lambda: af(1, "a") - 0.5 + 0.25, "a-0.50+0.25 [0.75]", 0.75),
    (lambda: af(0.001, "a") + 0.002, "a+2.00m [3.00m]", 0.003),
    (lambda: af(1, "a") + True, "a+1.00 [2.00]", 2.0),
    (lambda: af(1, "a") + np.int64(1500), "a+1.50k [1.50k]", 1501.0),
], ids=["a+b", "a+2", "2+a", "2.5+a", "a-2", "2-a", "2.0-a", "gain*k", "k*gain",
        "3+b", "a-2plain", "plain+plain", "plain*2", "2-plain", "sum", "(a+b)*c",
        "a+b*c", "a-b-c", "chain-numbers", "milli", "bool", "numpy-operand"])
def test_alias_composition(make, text, value):
    result = make()
    assert type(result) is AliasFloat
    assert result == value
    assert str(result) == text
    assert repr(result) == text


def test_composition_without_alias_sets_none():
    result = af(3) + af(2)
    assert "_alias" not in vars(result)
    assert result.has_custom_alias() is False


def test_composed_alias_is_stored_directly():
    result = af(1, "a") * 2
    assert vars(result)["_alias"] == "a*2.00"
    assert result.alias == "a*2.00"


@pytest.mark.parametrize("make, kind, value", [
    (lambda a: a / 2, float, 1.0),
    (lambda a: 2 / a, float, 1.0),
    (lambda a: a // 3, float, 0.0),
    (lambda a: a % 3, float, 2.0),
    (lambda a: a ** 2, float, 4.0),
    (lambda a: 2 ** a, float, 4.0),
    (lambda a: -a, float, -2.0),
    (lambda a: +a, float, 2.0),
    (lambda a: abs(a), float, 2.0),
    (lambda a: round(a), int, 2),
    (lambda a: round(a, 1), float, 2.0),
    (lambda a: int(a), int, 2),
    (lambda a: a > 1, bool, True),
    (lambda a: a == 2, bool, True),
], ids=["truediv", "rtruediv", "floordiv", "mod", "pow", "rpow", "neg", "pos",
        "abs", "round", "round1", "int", "gt", "eq"])
def test_other_operations_are_plain(make, kind, value):
    result = make(af(2, alias="a"))
    assert type(result) is kind
    assert result == value


class _Reflecting(object):
    def __radd__(self, other):
        return "fallback"

    __rsub__ = __rmul__ = __radd__


@pytest.mark.parametrize("make, exc, message", [
    (lambda: AliasFloat("1.5"), TypeError,
     "'<' not supported between instances of 'str' and 'int'"),
    (lambda: AliasFloat("x"), ValueError, "could not convert string to float: 'x'"),
    (lambda: AliasFloat(None), TypeError, None),
    (lambda: AliasFloat(10 ** 400), OverflowError, None),
    (lambda: AliasFloat(), TypeError, None),
    (lambda: AliasFloat(1, "a", "b"), TypeError, None),
    (lambda: AliasFloat(1, unknown=1), TypeError, None),
    # the six operators convert the other operand and never give up to it
    (lambda: af(1) + "x", ValueError, "could not convert string to float: 'x'"),
    (lambda: af(1) + "2", TypeError, None),
    (lambda: "2" + af(1), TypeError, None),
    (lambda: af(1) + None, TypeError, None),
    (lambda: af(1) + _Reflecting(), TypeError, None),
    (lambda: af(1) - _Reflecting(), TypeError, None),
    (lambda: af(1) * _Reflecting(), TypeError, None),
    (lambda: "ab" * af(2), ValueError, None),
    (lambda: af(1) * [1], TypeError, None),
    (lambda: af(1) + 10 ** 400, OverflowError, None),
], ids=["numeric-str", "str", "none", "huge-int", "no-arg", "too-many",
        "unknown-kw", "add-str", "add-numeric-str", "radd-numeric-str", "add-none",
        "no-fallback-add", "no-fallback-sub", "no-fallback-mul", "str-times",
        "times-list", "add-huge"])
def test_alias_float_errors(make, exc, message):
    with pytest.raises(exc) as info:
        make()
    assert type(info.value) is exc
    if message is not None:
        assert str(info.value) == message


def test_alias_op_direct():
    a = af(2, alias="a")
    result = a.alias_op(3, a.__float__().__mul__, "<{1}|{0}>")
    assert type(result) is AliasFloat
    assert str(result) == "<3.00|a> [6.00]"
    with pytest.raises(TypeError):
        a.alias_op(3, None, "{0}")
    with pytest.raises(TypeError):
        a.alias_op(3)
    with pytest.raises(ValueError):
        a.alias_op(3, lambda other: "not a number", "{0}")


# --------------------------------------------------------------- AliasTuple

@pytest.mark.parametrize("make, text, items", [
    (lambda: AliasTuple([1, 2]), "[1, 2]", (1, 2)),
    (lambda: AliasTuple((1, 2)), "(1, 2)", (1, 2)),
    (lambda: AliasTuple((1,)), "(1,)", (1,)),
    (lambda: AliasTuple(()), "()", ()),
    (lambda: AliasTuple("ab"), "ab", ("a", "b")),
    (lambda: AliasTuple([1, 2], alias="x"), "x [[1, 2]]", (1, 2)),
    (lambda: AliasTuple((af(1000, "lo"), 2000.0), alias="band", child_original_str=True),
     "band [(1.00k, 2000.0)]", (1000.0, 2000.0)),
    (lambda: AliasTuple((), child_original_str=True), "()", ()),
    (lambda: AliasTuple((af(5),), child_original_str=True), "(5.00)", (5.0,)),
    (lambda: AliasTuple([1, 2], child_original_str=True), "(1, 2)", (1, 2)),
    (lambda: AliasTuple("ab", child_original_str=True), "(a, b)", ("a", "b")),
    (lambda: AliasTuple((HasAlias("own", "nick"), 3), child_original_str=1), "(own, 3)", None),
    (lambda: AliasTuple((1, 2), child_original_str=0), "(1, 2)", (1, 2)),
    # leading blanks and commas of the joined text are stripped
    (lambda: AliasTuple(("", "x"), child_original_str=True), "(x)", ("", "x")),
    (lambda: AliasTuple((" ,y", 1), child_original_str=True), "(y, 1)", (" ,y", 1)),
], ids=["list", "tuple", "one", "empty", "str", "alias", "band", "child-empty",
        "child-one", "child-list", "child-str", "child-hasalias", "child-falsy",
        "strip-empty-first", "strip-blank-comma"])
def test_alias_tuple_text(make, text, items):
    t = make()
    assert type(t) is AliasTuple
    assert str(t) == text
    assert repr(t) == text
    if items is not None:
        assert t == items


class _NoOwnText(object):
    def _str_representation(self):
        raise AttributeError("no own text")

    def __str__(self):
        return "fallback"


class _OwnTextFails(object):
    def _str_representation(self):
        raise Boom("own text")


class _OwnTextNotCallable(object):
    _str_representation = 5


def test_child_text_falls_back_only_on_attribute_error():
    t = AliasTuple((_NoOwnText(), 1), child_original_str=True)
    assert str(t) == "(fallback, 1)"
    with pytest.raises(Boom):
        AliasTuple((_OwnTextFails(),), child_original_str=True)
    with pytest.raises(TypeError):
        AliasTuple((_OwnTextNotCallable(),), child_original_str=True)


def test_create_original_child_str_direct():
    t = AliasTuple(())
    assert t.create_original_child_str([af(1e-3), "s"]) == "(1.00m, s)"
    assert t.create_original_child_str([7]) == "(7)"
    with pytest.raises(TypeError):
        t.create_original_child_str(None)


def test_alias_tuple_is_a_tuple():
    t = AliasTuple((1, 2, 3), alias="x")
    assert t.alias == "x"
    assert len(t) == 3 and t[1] == 2 and list(t) == [1, 2, 3]
    a, b, c = t
    assert (a, b, c) == (1, 2, 3)
    assert hash(t) == hash((1, 2, 3))
    assert type(t[:2]) is tuple
    assert type(t + (4,)) is tuple


@pytest.mark.parametrize("make", [
    lambda: AliasTuple((1, 2), "x"),
    lambda: AliasTuple((1, 2), "x", True),
    lambda: AliasTuple(),
    lambda: AliasTuple((1,), unknown=1),
    lambda: AliasTuple(5),
    lambda: AliasTuple(None),
], ids=["alias-by-position", "all-by-position", "no-arg", "unknown-kw", "int", "none"])
def test_alias_tuple_errors(make):
    with pytest.raises(TypeError):
        make()
