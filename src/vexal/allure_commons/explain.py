"""Why an assertion on vexal values failed, told by pytest's
``pytest_assertrepr_compare`` hook (the plugin ``vexal.allure_commons``
takes it from here).

- ``value in around(...)``, ``before(...)``, ``after(...)``: which limit the
  value missed and by how much, in the value's own unit; for ``around`` also
  in percent of the nominal value and in multiples of the tolerance. A range
  is a tuple of its two limits, so ``in`` only compares the value with them:
  a value inside the range fails ``in`` too, and the explanation says so.
- ``value not in range``: which limit the value equals.
- ``==`` between phasors, or between three-phase sets: how magnitude and
  angle differ (for a set, per phase), and whether that is rounding only.

The first line is the comparison as pytest prints it without this hook; the
explanation follows it. Nothing else is touched: operands that are not vexal
values, or that fail while being explained, leave pytest's own text.
"""

import cmath
import math
import numbers
import sys

# pytest's own limit for an operand's text at normal verbosity (ten times it
# with -v, none with -vv).
_REPR_MAX_SIZE = 240
# Phasors closer than this (relative to the larger magnitude) differ by rounding.
_ROUNDING = 1e-9
# No apostrophes in these texts: pytest recognises a rewritten assertion by the
# repr of its message, which an apostrophe turns into double quotes.
_INSIDE = ["{value} lies inside the range, but `in` compares a value with the two limits",
           "only (a range is a tuple of them): write `low <= value <= high`, `low, high = <range>`"]


def pytest_assertrepr_compare(config, op, left, right):
    """Explain a failed ``in``/``not in`` on a vexal range and a failed ``==``
    between phasors or phasor sets; ``None`` for everything else."""
    explain = _EXPLAINERS.get(op)
    if explain is None or "vexal.types.alias" not in sys.modules:
        return None  # no vexal value can exist before the alias module is imported
    try:
        lines = explain(left, right)
        if not lines:
            return None
        return [_summary(config, op, left, right)] + lines
    except Exception:
        return None  # a value that fails to explain itself keeps pytest's own text


def _summary(config, op, left, right):
    """The comparison as pytest writes it when no plugin explains it."""
    get_verbosity = getattr(config, "get_verbosity", None)
    verbosity = (get_verbosity(config.VERBOSITY_ASSERTIONS) if get_verbosity
                 else config.getoption("verbose"))
    maxsize = None if verbosity >= 2 else _REPR_MAX_SIZE * (10 if verbosity >= 1 else 1)
    return "{} {} {}".format(_shortened(left, maxsize), op, _shortened(right, maxsize))


def _shortened(value, maxsize):
    text = repr(value).replace("\n", "\\n")
    if maxsize is None or len(text) <= maxsize:
        return text
    head = max(0, (maxsize - 3) // 2)
    tail = max(0, maxsize - 3 - head)
    return text[:head] + "..." + text[len(text) - tail:]


# --- ranges ----------------------------------------------------------------------------------

class _Range(object):
    """A range's two limits on one numeric scale (numbers, or nanoseconds
    for time spans), with how to write the value and its differences."""

    def __init__(self, kind, low, high, limit_texts, scale, difference_text, nominal_text=None):
        self.kind = kind  # "around", "before" or "after"
        self.low, self.high = low, high
        self.limit_texts = limit_texts
        self.scale = scale  # value -> number on the limits' scale
        self.difference_text = difference_text
        self.nominal_text = nominal_text


def _range_of(span):
    """The ``_Range`` of an ``around``, ``before`` or ``after`` range, or ``None``."""
    alias_module = sys.modules["vexal.types.alias"]
    if not isinstance(span, tuple) or len(span) != 2:
        return None
    low, high = span[0], span[1]
    pandas = sys.modules.get("pandas")
    is_time = pandas is not None and all(isinstance(limit, pandas.Timedelta) for limit in (low, high))
    if isinstance(span, alias_module.AliasTuple):
        alias = span.alias
        if not isinstance(alias, str) or " ± " not in alias:
            return None
        kind, nominal_text = "around", alias.split(" ± ", 1)[0]
    elif is_time and low == pandas.Timedelta.min:
        kind, nominal_text = "before", None
    elif is_time and high == pandas.Timedelta.max:
        kind, nominal_text = "after", None
    else:
        return None
    texts = (_own_text(low), _own_text(high))
    if is_time:
        return _Range(kind, low.value, high.value, texts, _nanoseconds, _time_text, nominal_text)
    if not all(isinstance(limit, numbers.Real) for limit in (low, high)):
        return None
    # Aliased limits write numbers in engineering notation, plain ones plainly.
    difference_text = alias_module.sizeof_fmt if isinstance(high, alias_module.HasAlias) else "{:.6g}".format
    return _Range(kind, float(low), float(high), texts, _real, difference_text, nominal_text)


def _own_text(limit):
    """A limit as the range's own text writes it."""
    own_text = getattr(limit, "_str_representation", None)
    return own_text() if callable(own_text) else str(limit)


def _real(value):
    if not isinstance(value, numbers.Real):
        raise TypeError("not a real number")
    return float(value)


def _nanoseconds(value):
    timedelta = sys.modules["vexal.types.timedelta"].Timedelta(value)
    if timedelta is sys.modules["pandas"].NaT:
        raise ValueError("not a time")
    return timedelta.value


def _time_text(nanoseconds):
    return str(sys.modules["vexal.types.timedelta"].Timedelta(int(round(nanoseconds)), unit="ns"))


def _value_text(value, span):
    """The value as pytest shows it; a time given otherwise also as a time."""
    text = repr(value)
    pandas = sys.modules.get("pandas")
    if span.scale is _nanoseconds and not isinstance(value, pandas.Timedelta):
        text += " ({})".format(_time_text(_nanoseconds(value)))
    return text


def _explain_in(value, span):
    span = _range_of(span)
    if span is None:
        return None
    where = span.scale(value)
    text = _value_text(value, span)
    if span.low <= where <= span.high:
        return [_INSIDE[0].format(value=text), _INSIDE[1]]
    if where > span.high:
        by = where - span.high
        if span.kind == "before":
            return ["{} is not before {}: {} too late".format(text, span.limit_texts[1], span.difference_text(by))]
        line = "{} is above the upper limit {} by {}".format(text, span.limit_texts[1], span.difference_text(by))
    elif where < span.low:
        by = span.low - where
        if span.kind == "after":
            return ["{} is not after {}: {} too early".format(text, span.limit_texts[0], span.difference_text(by))]
        line = "{} is below the lower limit {} by {}".format(text, span.limit_texts[0], span.difference_text(by))
    else:
        return None  # not a number: neither inside nor outside
    return [line] + _against_nominal(span, where, by)


def _against_nominal(span, where, by):
    """How far off an ``around`` range's value is, against its nominal value
    (the middle of the limits) and its tolerance."""
    nominal = (span.low + span.high) / 2.0
    tolerance = (span.high - span.low) / 2.0
    parts = []
    if nominal:
        parts.append("{:.3g} % of the nominal {}".format(by / abs(nominal) * 100.0, span.nominal_text))
    if tolerance:
        parts.append("{:.3g} × the tolerance {} away from it".format(
            abs(where - nominal) / tolerance, span.difference_text(tolerance)))
    return ["that is " + ", and ".join(parts)] if parts else []


def _explain_not_in(value, span):
    span = _range_of(span)
    if span is None:
        return None
    where = span.scale(value)
    for name, limit, limit_text in (("lower", span.low, span.limit_texts[0]),
                                    ("upper", span.high, span.limit_texts[1])):
        if where == limit:
            return ["{} equals the {} limit {} of the range (`not in` compares a value with the "
                    "two limits only)".format(_value_text(value, span), name, limit_text)]
    return None


# --- phasors -----------------------------------------------------------------------------------

def _explain_eq(left, right):
    phasors = sys.modules.get("vexal.types.phasors")
    if phasors is None:
        return None
    if isinstance(left, phasors.Phasors3ph) or isinstance(right, phasors.Phasors3ph):
        return _explain_sets(left, right, phasors.Phasor)
    if isinstance(left, phasors.Phasor) or isinstance(right, phasors.Phasor):
        return _explain_phasors(left, right)
    return None


def _explain_phasors(left, right):
    if not (isinstance(left, numbers.Complex) and isinstance(right, numbers.Complex)):
        return None
    ours, theirs = complex(left), complex(right)
    if ours == theirs:
        return None
    if _rounding_only([(ours, theirs)]):
        return _rounding_note([(ours, theirs)])
    magnitude, percent, angle = _difference(ours, theirs)
    return ["magnitudes differ by {}{}: {} against {}".format(magnitude, percent, _fmt(abs(ours)), _fmt(abs(theirs))),
            "angles differ by {}: {}° against {}°".format(angle, _fmt(_degrees(ours)), _fmt(_degrees(theirs)))]


def _explain_sets(left, right, phasor_type):
    if not all(isinstance(side, (tuple, list)) and len(side) == 3 for side in (left, right)):
        return None
    pairs = [(left[index], right[index], index) for index in range(3)]
    if not all(isinstance(value, numbers.Complex) for pair in pairs for value in pair[:2]):
        return None
    lines, differing = [], []
    for ours, theirs, index in pairs:
        if ours == theirs:
            continue
        label = next((value.alias for value in (ours, theirs) if isinstance(value, phasor_type)
                      and value.has_custom_alias() and isinstance(value.alias, str)), "abc"[index])
        ours, theirs = complex(ours), complex(theirs)
        magnitude, percent, angle = _difference(ours, theirs)
        lines.append("{} differs: magnitude by {}{}, angle by {}".format(label, magnitude, percent, angle))
        differing.append((ours, theirs))
    if not differing:
        return None
    return _rounding_note(differing) if _rounding_only(differing) else lines


def _difference(ours, theirs):
    """Magnitude difference, its percent of the expected magnitude, and angle
    difference in degrees within (-180, 180]."""
    magnitude = abs(ours) - abs(theirs)
    percent = " ({:+.3g} %)".format(magnitude / abs(theirs) * 100.0) if abs(theirs) else ""
    angle = -((_degrees(theirs) - _degrees(ours) + 180.0) % 360.0 - 180.0)
    return _signed(magnitude), percent, "{:+.2f}°".format(round(angle, 2) + 0.0)


def _rounding_only(pairs):
    return all(abs(ours - theirs) <= _ROUNDING * max(abs(ours), abs(theirs)) for ours, theirs in pairs)


def _rounding_note(pairs):
    largest = max(abs(ours - theirs) for ours, theirs in pairs)
    return ["they differ by {:.3g} only, a rounding residue: compare computed phasors "
            "with pytest.approx".format(largest)]


def _degrees(value):
    return math.degrees(cmath.phase(value))


def _fmt(number):
    return sys.modules["vexal.types.alias"].sizeof_fmt(number)


def _signed(number):
    text = _fmt(number)
    return text if text.startswith("-") else "+" + text


_EXPLAINERS = {"in": _explain_in, "not in": _explain_not_in, "==": _explain_eq}
