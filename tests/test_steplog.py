"""The step logger: lines, depth, parameter icons, the filter and bad input."""

import importlib
import logging
import sys

import pytest

from vexal.allure_commons import stepline


class Lines(logging.Handler):
    """Keeps each record as (indentation, message)."""

    def __init__(self):
        super().__init__()
        self.lines = []

    def emit(self, record):
        self.lines.append((record.indentation, record.getMessage()))


@pytest.fixture
def lines():
    logger = stepline.testlogger
    handler = Lines()
    saved_level, saved_depth = logger.level, logger.indentation
    logger.setLevel(logging.INFO)
    logger.addHandler(handler)
    logger.indentation = 0
    try:
        yield handler.lines
    finally:
        logger.removeHandler(handler)
        logger.setLevel(saved_level)
        logger.indentation = saved_depth


def depth():
    return stepline.testlogger.indentation


class Mapping(object):
    """A mapping-like object whose items() gives what it was made with."""

    def __init__(self, items):
        self._items = items

    def __bool__(self):
        return True

    def items(self):
        return self._items


class BadFormat(object):
    def __format__(self, spec):
        raise KeyError("no text")


def test_module_surface():
    logger = logging.getLogger("alluretestlogger")
    assert stepline.testlogger is logger and logger.propagate is False
    filters = [f for f in logger.filters if isinstance(f, stepline.IndentationFilter)]
    assert len(filters) == 1 and isinstance(filters[0], logging.Filter)
    assert stepline.IndentationFilter.__mro__[1] is logging.Filter
    assert stepline._format_argval.__doc__ == "Remove newlines and limit max length"
    assert "alluretestlogger" in stepline.__doc__ and "testlogger" in stepline.__doc__
    assert stepline.str is str and stepline.range is range and stepline.PY2 is False


def test_second_import_keeps_the_counter(lines):
    stepline.start_step("open", None)
    del sys.modules["vexal.allure_commons.stepline"]
    try:
        again = importlib.import_module("vexal.allure_commons.stepline")
    finally:
        sys.modules["vexal.allure_commons.stepline"] = stepline
    assert again is stepline and depth() == 4
    assert len([f for f in stepline.testlogger.filters if isinstance(f, stepline.IndentationFilter)]) == 1


@pytest.mark.parametrize("params, expected", [
    (None, []),
    ({}, []),
    ({"amplitude": 230}, ["    \u2514- amplitude = 230"]),
    ({"amplitude": 230, "phase": 0}, ["    \u251c- amplitude = 230", "    \u2514- phase = 0"]),
    ({"a": "x", "b": 1.5, "c": None}, ["    \u251c- a = x", "    \u251c- b = 1.5", "    \u2514- c = None"]),
    ({"text": "two\nlines"}, ["    \u2514- text = two\nlines"]),
    # Icons compare names with ==: a repeated name marks every one of them.
    (Mapping([("n", 1), ("m", 2), ("n", 3)]), ["    \u2514- n = 1", "    \u251c- m = 2", "    \u2514- n = 3"]),
    (Mapping([("n", 1), ["m", 2]]), ["    \u251c- n = 1", "    \u2514- m = 2"]),
])
def test_step_lines(lines, params, expected):
    stepline.start_step("Set source", params)
    assert lines == [("", "> Set source")] + [("", line) for line in expected]
    assert depth() == 4
    stepline.stop_step()
    assert depth() == 0


def test_nesting_indents_by_four_per_level(lines):
    stepline.start_fixture("grid")
    stepline.start_step(42, {"x": 1})
    stepline.start_fixture("source")
    stepline.log("free line")
    stepline.stop_fixture()
    stepline.stop_step()
    stepline.log("back in the fixture")
    stepline.stop_fixture()
    assert lines == [("", "[Fixture] grid"), ("    ", "> 42"), ("    ", "    \u2514- x = 1"),
                     ("        ", "[Fixture] source"), ("            ", "free line"),
                     ("    ", "back in the fixture")]
    assert depth() == 0


def test_negative_depth_gives_no_indentation_and_recovers_towards_zero(lines):
    stepline.stop_step()
    stepline.stop_fixture()
    assert depth() == -8
    stepline.log("line")
    stepline.start_step("t", None)
    assert lines == [("", "line"), ("", "> t")] and depth() == -4


def test_depth_set_from_outside_is_used(lines):
    stepline.testlogger.indentation = 2
    stepline.log("two")
    stepline.start_fixture("f")
    assert lines == [("  ", "two"), ("  ", "[Fixture] f")] and depth() == 6


@pytest.mark.parametrize("depth_value", [-5, 0, 3, 4, 1000, True])
def test_filter_keeps_every_record(depth_value, monkeypatch):
    monkeypatch.setattr(stepline.testlogger, "indentation", depth_value)
    record = logging.LogRecord("x", logging.INFO, __file__, 1, "m", (), None)
    assert stepline.IndentationFilter().filter(record) is True
    assert record.indentation == " " * max(int(depth_value), 0)


def test_filter_refuses_a_depth_that_is_not_an_integer(monkeypatch):
    monkeypatch.setattr(stepline.testlogger, "indentation", 2.5)
    record = logging.LogRecord("x", logging.INFO, __file__, 1, "m", (), None)
    with pytest.raises(TypeError, match="'float' object cannot be interpreted as an integer"):
        stepline.IndentationFilter().filter(record)


def test_decoding_when_the_flag_says_python_2(lines, monkeypatch):
    monkeypatch.setattr(stepline, "PY2", True)
    stepline.start_step("t", {"v": "\u00e9".encode("utf-8")})
    assert lines[-1] == ("", "    \u2514- v = \u00e9")
    stepline.stop_step()
    with pytest.raises(TypeError, match="decoding to str: need a bytes-like object, int found"):
        stepline.start_step("t", {"v": 1})
    assert depth() == 0


@pytest.mark.parametrize("argval, expected", [
    ("a" * 100, "a" * 100),
    ("abc" + "x" * 97 + "Z", "abc ... bc" + "x" * 97 + "Z"),
    ("a\nb", "a b"),
    ("a\r\nb", "a\r b"),
    ("\n" * 101, "    ... " + " " * 100),
])
def test_format_argval(argval, expected):
    assert stepline._format_argval(argval) == expected
    assert len(stepline._format_argval("q" * 101)) == 108


@pytest.mark.parametrize("argval, error", [(b"bytes", TypeError), (5, AttributeError), (None, AttributeError)])
def test_format_argval_needs_text(argval, error):
    with pytest.raises(error):
        stepline._format_argval(argval)


@pytest.mark.parametrize("title, params, error, text, logged", [
    ("t", [("a", 1)], AttributeError, "'list' object has no attribute 'items'", 1),
    ("t", 5, AttributeError, "'int' object has no attribute 'items'", 1),
    ("t", Mapping(5), TypeError, "'int' object is not iterable", 1),
    ("t", Mapping([("a", 1), ("b", 2, 3)]), ValueError, r"too many values to unpack \(expected 2\)", 2),
    ("t", Mapping([("a",)]), ValueError, r"not enough values to unpack \(expected 2, got 1\)", 1),
    ("t", Mapping([7, ("a", 1)]), TypeError, "cannot unpack non-iterable int object", 1),
    # The last entry's name is read by indexing it for the icon of each line.
    ("t", Mapping([("a", 1), 7]), TypeError, "'int' object is not subscriptable", 1),
    ("t", Mapping(["abc"]), ValueError, r"too many values to unpack \(expected 2\)", 1),
    ("t", {"a": 1, "b": BadFormat()}, KeyError, "no text", 2),
    (BadFormat(), {"a": 1}, KeyError, "no text", 0),
])
@pytest.mark.parametrize("level", [logging.INFO, logging.WARNING])
def test_bad_input_keeps_logged_lines_and_depth(lines, title, params, error, text, logged, level):
    stepline.testlogger.setLevel(level)  # dropped records do not spare the checks
    with pytest.raises(error, match=text):
        stepline.start_step(title, params)
    assert len(lines) == (logged if level == logging.INFO else 0) and depth() == 0


class Formats(object):
    """Counts how often its text is made."""
    made = 0

    def __format__(self, spec):
        Formats.made += 1
        return "formatted"


@pytest.mark.parametrize("patch", [
    lambda monkeypatch, calls: monkeypatch.setitem(vars(stepline.testlogger), "info", calls.append),
    lambda monkeypatch, calls: monkeypatch.setattr(logging.Logger, "info", lambda self, msg: calls.append(msg)),
    lambda monkeypatch, calls: monkeypatch.setattr(logging.Logger, "isEnabledFor", lambda self, level: True),
    lambda monkeypatch, calls: monkeypatch.setattr(stepline, "testlogger", logging.getLoggerClass()("other")),
], ids=["instance info", "class info", "class isEnabledFor", "other logger"])
def test_info_is_called_however_logging_is_changed(lines, monkeypatch, patch):
    calls = []
    stepline.testlogger.setLevel(logging.WARNING)
    stepline.testlogger.isEnabledFor(logging.INFO)  # fills the level cache
    patch(monkeypatch, calls)
    stepline.testlogger.indentation = 0
    stepline.start_step("t", {"a": 1})
    stepline.log("free")
    if lines:  # isEnabledFor patched: the records pass to the handler
        calls = [message for _, message in lines]
    if calls:
        assert calls == ["> t", "    \u2514- a = 1", "free"]
    else:  # a separate logger without handlers: only its counter moves
        assert stepline.testlogger.name == "other" and stepline.testlogger.indentation == 4


@pytest.mark.parametrize("level, disabled, shown", [
    (logging.WARNING, False, 0), (logging.INFO, False, 2), (logging.INFO, True, 0), (logging.NOTSET, False, 2)])
def test_dropped_lines_still_make_their_texts(lines, level, disabled, shown, monkeypatch):
    monkeypatch.setattr(stepline.testlogger, "disabled", disabled)
    stepline.testlogger.setLevel(level)
    monkeypatch.setattr(logging.getLogger(), "level", logging.INFO)
    made = Formats.made
    stepline.start_step(Formats(), {"x": Formats()})
    assert Formats.made - made == 2 and len(lines) == shown and depth() == 4
