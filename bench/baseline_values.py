"""Benchmark baseline: pure-Python versions of the alias values, the time
span type and the test ranges, written step by step the way the extension
modules `vexal.types.alias`, `vexal.types.timedelta` and `vexal.test.ranges`
behave.

The benchmark times the extension modules against this module. It is never
imported by the package. Unlike `vexal.types.timedelta` it leaves pandas
untouched: its `Timedelta` takes its own text from `new_td_repr` directly and
its operators wrap pandas' own operators as found when this module is
imported.
"""
import abc
import warnings

import pandas

MIN_DECIMAL = 0.01
LARGE_PREFIXES = ("", "k", "M")
SMALL_PREFIXES = ("m", "u")
TD_COMPONENT_FORMATS = (" {}d", " {}h", " {}min", " {}s", " {}ms", " {}us", " {}ns")


def sizeof_fmt(num):
    sign = "-" if num < 0 else ""
    num = abs(num)
    if num == 0:
        return "0.00"
    if num >= MIN_DECIMAL:
        for prefix in LARGE_PREFIXES:
            if abs(num) < 1000.0:
                return sign + format(num, ".2f") + prefix
            num /= 1000.0
        return sign + format(num, ".2f") + "G"
    num *= 1000.0
    for prefix in SMALL_PREFIXES:
        if abs(num) > MIN_DECIMAL:
            return sign + format(num, ".2f") + prefix
        num *= 1000.0
    return sign + format(num, ".2f") + "n"


class HasAlias(metaclass=abc.ABCMeta):
    def __init__(self, original_str_repr, alias):
        self.original_str_repr = original_str_repr
        if alias is not None:
            self.alias = alias

    @property
    def alias(self):
        try:
            return self._alias
        except AttributeError:
            return self._str_representation()

    @alias.setter
    def alias(self, value):
        self._alias = value

    def _str_representation(self):
        """Typically should be object original __str__ or __repr__"""
        return self.original_str_repr

    def has_custom_alias(self):
        return self.alias != self._str_representation()

    def __str__(self):
        if self.has_custom_alias():
            return "{} [{}]".format(self.alias, self._str_representation())
        return self._str_representation()

    def __repr__(self):
        return self.__str__()


class AliasFloat(HasAlias, float):
    def __new__(cls, value, alias=None):
        if isinstance(value, AliasFloat):
            return value
        return float.__new__(cls, value)

    def __init__(self, value, alias=None):
        HasAlias.__init__(self, sizeof_fmt(value), alias)

    def alias_op(self, other, func, format_alias):
        if not isinstance(other, AliasFloat):
            other = AliasFloat(other)
        result = func(other)
        result = AliasFloat(result)
        if self.has_custom_alias() or other.has_custom_alias():
            result._alias = format_alias.format(self.alias, other.alias)
        return result

    def __add__(self, other):
        return self.alias_op(other, super(AliasFloat, self).__add__, "{0}+{1}")

    def __radd__(self, other):
        return self.alias_op(other, super(AliasFloat, self).__radd__, "{1}+{0}")

    def __sub__(self, other):
        return self.alias_op(other, super(AliasFloat, self).__sub__, "{0}-{1}")

    def __rsub__(self, other):
        return self.alias_op(other, super(AliasFloat, self).__rsub__, "{1}-{0}")

    def __mul__(self, other):
        return self.alias_op(other, super(AliasFloat, self).__mul__, "{0}*{1}")

    def __rmul__(self, other):
        return self.alias_op(other, super(AliasFloat, self).__rmul__, "{1}*{0}")


class AliasTuple(HasAlias, tuple):
    def __new__(cls, value, **kwargs):
        return tuple.__new__(cls, value)

    def __init__(self, value, alias=None, child_original_str=False):
        if child_original_str:
            original_str_repr = self.create_original_child_str(value)
        else:
            original_str_repr = str(value)
        HasAlias.__init__(self, original_str_repr, alias)

    def create_original_child_str(self, input_tuple):
        strings = []
        for item in input_tuple:
            try:
                strings.append(item._str_representation())
            except AttributeError:
                strings.append(str(item))
        tuplestr = ", ".join(strings)
        tuplestr += ")"
        tuplestr = tuplestr.lstrip(" ,")
        return "(" + tuplestr


def new_td_repr(self, *args, **kwargs):
    if self == pandas.Timedelta.max:
        return "+inf"
    if self == pandas.Timedelta.min:
        return "-inf"
    negative = self < pandas.Timedelta(0)
    components = abs(self).components
    text = ""
    for value, component_format in zip(components, TD_COMPONENT_FORMATS):
        if value > 0:
            text += component_format.format(value)
    if text == "":
        text = "0s"
    text = text.strip()
    if negative:
        text = "-" + text
    return text


def accept_castable(op_func, format_alias=None):
    def new_func(self, other):
        cls = pandas.Timedelta if format_alias is None else Timedelta
        if not isinstance(other, cls):
            try:
                other = cls(other)
            except (TypeError, ValueError):
                return NotImplemented
        result = op_func(self, other)
        if format_alias is None:
            return result
        assert isinstance(result, pandas.Timedelta)
        result = Timedelta(result)
        try:
            if self.has_custom_alias() or other.has_custom_alias():
                result.alias = format_alias.format(self.alias, other.alias)
        except AttributeError as e:
            warnings.warn("Trying to attribute alias to non-alias type {}".format(e))
        return result

    return new_func


class Timedelta(HasAlias, pandas.Timedelta):
    def __new__(cls, *args, **kwargs):
        try:
            if isinstance(args[0], cls):
                return args[0]
        except Exception:
            pass
        # pandas refuses `unit` for anything but a bare number.
        if len(args) == 1 and isinstance(args[0], (int, float)) and "unit" not in kwargs:
            kwargs["unit"] = "s"
        kwargs.pop("alias", None)
        # pandas hands a pandas.Timedelta back unchanged instead of building cls.
        if args and isinstance(args[0], pandas.Timedelta):
            args = (args[0].to_timedelta64(),) + args[1:]
        return pandas.Timedelta.__new__(cls, *args, **kwargs)

    def __init__(self, *args, **kwargs):
        alias = kwargs.get("alias")
        HasAlias.__init__(self, new_td_repr(self), alias)

    __add__ = accept_castable(pandas.Timedelta.__add__, "{0}+{1}")
    __radd__ = accept_castable(pandas.Timedelta.__radd__, "{1}+{0}")
    __sub__ = accept_castable(pandas.Timedelta.__sub__, "{0}-{1}")
    __rsub__ = accept_castable(pandas.Timedelta.__rsub__, "{1}-{0}")


def around(val, tol=None, tol_p=0.05):
    if tol is None:
        tol = abs(val * tol_p)
        if not isinstance(val, (float, int)):
            tol = type(val)(tol)
        alias = "{} ± {:g}% [{}]".format(val, tol_p * 100, tol)
    else:
        try:
            tol_alias = tol.alias
        except AttributeError:
            tol_alias = None
        tol = abs(tol)
        if not isinstance(val, (float, int)):
            tol = type(val)(tol)
        tol = abs(tol)
        if tol_alias is not None:
            alias = "{} ± {}".format(val, tol_alias)
        else:
            alias = "{} ± {}".format(val, tol)
    return AliasTuple((val - tol, val + tol), alias=alias, child_original_str=True)


def before(t, /):
    return (Timedelta.min, Timedelta(t))


def after(t, /):
    return (Timedelta(t), Timedelta.max)
