"""Tests of the pure-Python host layer of vexal.

Run before the package is installed with
``PYTHONPATH=src python3 -m pytest tests/test_host.py -q -p no:cacheprovider``.
"""

pytest_plugins = ["pytester"]

import importlib.metadata
import logging
import os
import types

import allure_commons
import numpy as np
import pytest

import vexal
import vexal.allure_commons
from vexal.allure_commons import AllureCatchLogs, empty_step
from vexal.allure_step import step
from vexal.api import hil
from vexal.api.schematic_editor import model
from vexal.utils import PY2, generic_op, recursive_map

SRC_DIR = os.path.dirname(os.path.dirname(os.path.abspath(vexal.__file__)))


# --------------------------------------------------------------------------
# Package layout


def test_package_version_and_subpackages():
    import vexal.api
    import vexal.test
    import vexal.types
    import vexal.utils

    assert vexal.__version__ == "0.1.0"
    for package in (vexal.utils, vexal.allure_commons, vexal.api,
                    vexal.types, vexal.test):
        assert hasattr(package, "__path__"), package.__name__


def test_py2_is_false():
    assert PY2 is False


# --------------------------------------------------------------------------
# generic_op, with a test-only stand-in for Phasor


class AliasComplex(complex):
    """Complex number with the HasAlias methods and Phasor's nine operators."""

    def __new__(cls, value=0, alias=None):
        return complex.__new__(cls, value)

    def __init__(self, value=0, alias=None):
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
        return "<{}>".format(complex(self))

    def has_custom_alias(self):
        return self.alias != self._str_representation()


PHASOR_PATTERNS = {
    "__add__": "{0}+{1}", "__radd__": "{1}+{0}",
    "__sub__": "{0}-{1}", "__rsub__": "{1}-{0}",
    "__mul__": "({0})*({1})", "__rmul__": "({1})*({0})",
    "__truediv__": "({0})/({1})", "__rtruediv__": "({1})/({0})",
    "__pow__": "({0})^({1})",
}


def _operator(name, pattern):
    def method(self, other):
        op = getattr(super(AliasComplex, self), name)
        return generic_op(self, other, op, format_alias=pattern)
    method.__name__ = name
    return method


for _name, _pattern in PHASOR_PATTERNS.items():
    setattr(AliasComplex, _name, _operator(_name, _pattern))

A_VAL, B_VAL, C_VAL = 1 + 2j, 3 - 1j, 2 + 1j


@pytest.mark.parametrize("expression, value, alias", [
    (lambda a, b, c: a + b, A_VAL + B_VAL, "a+b"),
    (lambda a, b, c: a - b, A_VAL - B_VAL, "a-b"),
    (lambda a, b, c: a * b, A_VAL * B_VAL, "(a)*(b)"),
    (lambda a, b, c: a / b, A_VAL / B_VAL, "(a)/(b)"),
    (lambda a, b, c: a ** b, A_VAL ** B_VAL, "(a)^(b)"),
    # A plain complex on the left runs the reflected operator of a: the
    # pattern puts the other operand first, in the written order.
    (lambda a, b, c: c + a, C_VAL + A_VAL, "(2+1j)+a"),
    (lambda a, b, c: c - a, C_VAL - A_VAL, "(2+1j)-a"),
    (lambda a, b, c: c * a, C_VAL * A_VAL, "((2+1j))*(a)"),
    (lambda a, b, c: c / a, C_VAL / A_VAL, "((2+1j))/(a)"),
    (lambda a, b, c: a - c, A_VAL - C_VAL, "a-(2+1j)"),
    (lambda a, b, c: a.__radd__(b), B_VAL + A_VAL, "b+a"),
    (lambda a, b, c: a.__rsub__(b), B_VAL - A_VAL, "b-a"),
    (lambda a, b, c: a.__rmul__(b), B_VAL * A_VAL, "(b)*(a)"),
    (lambda a, b, c: a.__rtruediv__(b), B_VAL / A_VAL, "(b)/(a)"),
    (lambda a, b, c: generic_op(a, b, complex(a).__add__), A_VAL + B_VAL, "a+b"),  # the default pattern
    # An operand without a custom alias gives its own text; with neither
    # aliased, the result has no alias of its own (and a real number needs
    # no text, so no alias module).
    (lambda a, b, c: a + AliasComplex(B_VAL), A_VAL + B_VAL, "a+<(3-1j)>"),
    (lambda a, b, c: AliasComplex(B_VAL) * a, B_VAL * A_VAL, "(<(3-1j)>)*(a)"),
    (lambda a, b, c: AliasComplex(A_VAL) + AliasComplex(B_VAL), A_VAL + B_VAL, "<(4+1j)>"),
    (lambda a, b, c: AliasComplex(A_VAL) * 2, 2 * A_VAL, "<(2+4j)>"),
])
def test_generic_op_patterns_follow_written_order(expression, value, alias):
    a, b = AliasComplex(A_VAL, alias="a"), AliasComplex(B_VAL, alias="b")
    result = expression(a, b, C_VAL)
    assert type(result) is AliasComplex
    assert result == pytest.approx(value)
    assert result.alias == alias
    assert ("_alias" in vars(result)) is result.has_custom_alias()


def test_generic_op_real_number_contributes_sizeof_fmt_text():
    alias_module = pytest.importorskip("vexal.types.alias")
    sizeof_fmt = getattr(alias_module, "sizeof_fmt", None)
    if sizeof_fmt is None:  # only the source directory, imported as namespace
        pytest.skip("the extension module vexal.types.alias is not built")
    a = AliasComplex(A_VAL, alias="a")
    assert (a * 1500).alias == "(a)*({})".format(sizeof_fmt(1500))
    assert (2 - a).alias == "{}-a".format(sizeof_fmt(2))
    assert (2 - a) == pytest.approx(2 - A_VAL)


def test_generic_op_passes_not_implemented_through():
    a = AliasComplex(A_VAL, alias="a")
    assert generic_op(a, "x", lambda other: NotImplemented) is NotImplemented
    assert a.__add__("x") is NotImplemented
    with pytest.raises(TypeError):
        a + "x"


def test_generic_op_calls_op_with_other_and_propagates_errors():
    a = AliasComplex(A_VAL, alias="a")
    seen = []

    def op(other):
        seen.append(other)
        raise ZeroDivisionError("boom")

    with pytest.raises(ZeroDivisionError, match="boom"):
        generic_op(a, 42, op, format_alias="{0}+{1}")
    assert seen == [42]
    with pytest.raises(ZeroDivisionError):
        a / 0


def test_generic_op_times_numpy_array_gives_element_products_in_order():
    a = AliasComplex(A_VAL, alias="a")
    factors = np.array([1, 2, 3])
    for product in (a * factors, factors * a):
        assert len(product) == 3
        assert list(product) == pytest.approx([A_VAL, 2 * A_VAL, 3 * A_VAL])
    # What the symmetrical-component code does with such a product.
    va, vb, vc = recursive_map(list(a * factors), AliasComplex)
    assert [type(v) for v in (va, vb, vc)] == [AliasComplex] * 3
    assert vc == pytest.approx(3 * A_VAL)


def test_generic_op_returns_numpy_array_result_of_op_unchanged():
    a = AliasComplex(A_VAL, alias="a")
    array = np.array([1j, 2j, 3j])
    assert generic_op(a, None, lambda other: array,
                      format_alias="({0})*({1})") is array


# --------------------------------------------------------------------------
# recursive_map


def test_recursive_map_keeps_order_and_returns_list():
    assert recursive_map([3, 1, 2], float) == [3.0, 1.0, 2.0]
    assert recursive_map((1, 2, 3), str) == ["1", "2", "3"]
    assert recursive_map([], float) == []


def test_recursive_map_recurses_into_lists_and_tuples():
    result = recursive_map([1, (2, [3, 4]), [5, (6,)]], float)
    assert result == [1.0, (2.0, [3.0, 4.0]), [5.0, (6.0,)]]
    assert type(result[1]) is tuple and type(result[1][1]) is list
    assert type(result[2]) is list and type(result[2][1]) is tuple
    assert all(type(x) is float for x in (result[0], result[1][0], result[2][0]))


def test_recursive_map_elements_are_the_converted_objects():
    made = []

    def convert(value):
        obj = AliasComplex(value)
        made.append(obj)
        return obj

    result = recursive_map([1j, 2j, 3j], convert)
    assert all(r is m for r, m in zip(result, made))
    va, vb, vc = result
    for value, name in zip(result, "ABC"):
        value.alias = name
    assert [v.alias for v in (va, vb, vc)] == ["A", "B", "C"]
    assert result[0] is va


# --------------------------------------------------------------------------
# step and empty_step reach Allure's plugins


class StepRecorder(object):
    def __init__(self):
        self.calls = []

    @allure_commons.hookimpl
    def start_step(self, uuid, title, params):
        self.calls.append(("start", uuid, title, params))

    @allure_commons.hookimpl
    def stop_step(self, uuid, exc_type, exc_val, exc_tb):
        self.calls.append(("stop", uuid, exc_type, exc_val, exc_tb))


@pytest.fixture
def recorder():
    rec = StepRecorder()
    allure_commons.plugin_manager.register(rec)
    try:
        yield rec
    finally:
        allure_commons.plugin_manager.unregister(rec)


def test_step_records_one_step_around_each_call(recorder):
    @step("Set Source Value", flatten=True)
    def set_source_value(amplitude, phase=0):
        """Set the source."""
        recorder.calls.append(("body", amplitude, phase))
        return amplitude * 2

    assert set_source_value.__name__ == "set_source_value"
    assert set_source_value.__doc__ == "Set the source."
    assert set_source_value(230, phase=90) == 460
    start, body, stop = recorder.calls
    assert start[0] == "start" and start[2] == "Set Source Value"
    assert start[3] == {}
    assert body == ("body", 230, 90)
    assert stop == ("stop", start[1], None, None, None)

    set_source_value(1)
    assert len(recorder.calls) == 6
    assert recorder.calls[3][1] != start[1]  # a new uuid per call


def test_step_without_flatten_and_nested(recorder):
    @step("Outer")
    def outer():
        return inner()

    @step("Inner", flatten=False)
    def inner():
        return "done"

    assert outer() == "done"
    kinds = [(c[0], c[2] if c[0] == "start" else None) for c in recorder.calls]
    assert kinds == [("start", "Outer"), ("start", "Inner"),
                     ("stop", None), ("stop", None)]
    assert recorder.calls[2][1] == recorder.calls[1][1]
    assert recorder.calls[3][1] == recorder.calls[0][1]


def test_step_passes_exception_info_and_reraises(recorder):
    @step("Fails")
    def fails():
        raise ValueError("bad value")

    with pytest.raises(ValueError, match="bad value") as excinfo:
        fails()
    start, stop = recorder.calls
    assert stop[0] == "stop" and stop[1] == start[1]
    assert stop[2] is ValueError
    assert stop[3] is excinfo.value
    assert stop[4] is not None


def test_step_is_also_a_context_manager(recorder):
    checking = step("Check voltage")
    with checking as bound:
        with checking:  # one object, nested blocks
            pass
    with pytest.raises(KeyError) as excinfo:
        with step("Fails"):
            raise KeyError("k")
    outer, inner, inner_stop, outer_stop, failing, failing_stop = recorder.calls
    assert bound is None and [outer[2], inner[2], failing[2]] == ["Check voltage", "Check voltage", "Fails"]
    assert inner_stop == ("stop", inner[1], None, None, None) and outer_stop[1] == outer[1] != inner[1]
    assert failing_stop[1:4] == (failing[1], KeyError, excinfo.value) and failing_stop[4] is not None


def test_step_title_with_braces_is_used_unchanged(recorder):
    step("Check {x}")(lambda x: x)(5)
    assert recorder.calls[0][2] == "Check {x}"


def test_empty_step_opens_and_closes_one_step(recorder):
    assert empty_step("[Alias] Pnom [1.50k]") is None
    start, stop = recorder.calls
    assert start[0] == "start" and start[2] == "[Alias] Pnom [1.50k]"
    assert start[3] == {}
    assert stop == ("stop", start[1], None, None, None)


def test_step_and_empty_step_without_listener_do_nothing_visible():
    assert step("Nobody listens")(lambda: 7)() == 7
    assert empty_step("nobody") is None


# --------------------------------------------------------------------------
# AllureCatchLogs


@pytest.fixture
def steplogger(monkeypatch):
    """The step logger as the stepline module sets it up, restored afterwards; no pytest
    configuration is remembered, so AllureCatchLogs writes to stderr. The filters are
    set aside: these tests give each record its indentation themselves."""
    logger = logging.getLogger("alluretestlogger")
    monkeypatch.setattr(logger, "propagate", False)
    monkeypatch.setattr(logger, "filters", [])
    monkeypatch.setattr(vexal.allure_commons, "_configs", [])
    monkeypatch.setattr(vexal.allure_commons, "_display", vexal.allure_commons._LiveDisplay())
    level, handlers = logger.level, list(logger.handlers)
    try:
        yield logger
    finally:
        logger.setLevel(level)
        logger.handlers[:] = handlers


def test_catchlogs_shows_indented_lines_on_stderr(steplogger, capsys):
    with AllureCatchLogs() as catchlogs:
        assert isinstance(catchlogs, AllureCatchLogs)
        steplogger.info("> Set source", extra={"indentation": ""})
        steplogger.info("    \u251c- amplitude = 230", extra={"indentation": ""})
        steplogger.info("> Inner", extra={"indentation": "    "})
        steplogger.info("no indentation attribute")
    captured = capsys.readouterr()
    assert captured.err == ("> Set source\n"
                            "    \u251c- amplitude = 230\n"
                            "    > Inner\n"
                            "no indentation attribute\n")
    assert captured.out == ""


def test_catchlogs_works_with_an_indentation_filter(steplogger, capsys):
    class IndentationFilter(logging.Filter):
        depth = 4

        def filter(self, record):
            record.indentation = " " * self.depth
            return True

    indentation_filter = IndentationFilter()
    steplogger.addFilter(indentation_filter)
    try:
        with AllureCatchLogs():
            steplogger.info("> title")
    finally:
        steplogger.removeFilter(indentation_filter)
    assert capsys.readouterr().err == "    > title\n"


def test_catchlogs_is_reusable_and_shows_nothing_outside(steplogger, capsys):
    catchlogs = AllureCatchLogs()
    handlers = list(steplogger.handlers)
    for phase in ("setup", "call", "teardown"):
        with catchlogs:
            assert len(steplogger.handlers) == len(handlers) + 1
            steplogger.info(phase)
        assert steplogger.handlers == handlers
        steplogger.info("outside " + phase)
    assert capsys.readouterr().err == "setup\ncall\nteardown\n"


@pytest.mark.parametrize("before, inside", [
    (logging.WARNING, logging.INFO),
    (logging.ERROR, logging.INFO),
    (logging.INFO, logging.INFO),
    (logging.DEBUG, logging.DEBUG),
])
def test_catchlogs_makes_info_pass_and_restores_level(steplogger, capsys,
                                                      before, inside):
    steplogger.setLevel(before)
    with AllureCatchLogs():
        assert steplogger.level == inside
        steplogger.info("info line")
        steplogger.debug("debug line")
    assert steplogger.level == before
    expected = "info line\n" + ("debug line\n" if before == logging.DEBUG else "")
    assert capsys.readouterr().err == expected


def test_catchlogs_restores_unset_level(steplogger, monkeypatch):
    monkeypatch.setattr(logging.getLogger(), "level", logging.WARNING)
    steplogger.setLevel(logging.NOTSET)
    with AllureCatchLogs():
        assert steplogger.isEnabledFor(logging.INFO)
    assert steplogger.level == logging.NOTSET


def test_catchlogs_cleans_up_when_the_block_raises(steplogger, capsys):
    steplogger.setLevel(logging.WARNING)
    handlers = list(steplogger.handlers)
    catchlogs = AllureCatchLogs()
    with pytest.raises(ZeroDivisionError):
        with catchlogs:
            steplogger.info("before the error")
            1 / 0
    assert steplogger.handlers == handlers
    assert steplogger.level == logging.WARNING
    with catchlogs:  # still usable
        steplogger.info("again")
    assert capsys.readouterr().err == "before the error\nagain\n"


def test_catchlogs_refuses_nested_entry(steplogger, capsys):
    handlers = list(steplogger.handlers)
    catchlogs = AllureCatchLogs()
    with catchlogs:
        with pytest.raises(RuntimeError, match="already entered"):
            catchlogs.__enter__()
        steplogger.info("once")
    assert steplogger.handlers == handlers
    assert capsys.readouterr().err == "once\n"  # one handler, one line


def test_two_catchlogs_objects_do_not_interfere(steplogger, capsys):
    first, second = AllureCatchLogs(), AllureCatchLogs()
    with first:
        pass
    with second:
        steplogger.info("line")
    assert capsys.readouterr().err == "line\n"


def test_blocks_open_at_once_show_each_line_once(steplogger, capsys):
    outer, inner = AllureCatchLogs(), AllureCatchLogs()
    handlers = list(steplogger.handlers)
    with outer:
        with inner:
            steplogger.info("both open")
        steplogger.info("outer open")
        inner.__enter__()
    steplogger.info("inner open")
    inner.__exit__(None, None, None)
    steplogger.info("none open")
    assert steplogger.handlers == handlers
    assert capsys.readouterr().err == "both open\nouter open\ninner open\n"


def test_silent_fixtures_are_hidden_and_held_lines_shown_in_order(steplogger, capsys):
    brackets = vexal.allure_commons._FixtureBrackets()

    def fixture(name, depth, body=lambda: None):
        setup = brackets.pytest_fixture_setup(types.SimpleNamespace(argname=name))
        next(setup)
        steplogger.info("[Fixture] " + name, extra={"indentation": " " * depth})
        body()
        with pytest.raises(StopIteration):
            setup.send(None)

    def log(line, depth):
        return lambda: steplogger.info(line, extra={"indentation": " " * depth})

    with AllureCatchLogs():
        fixture("silent", 0)
        fixture("outer", 0, lambda: fixture("inner", 4, log("> step", 8)))
        fixture("quiet outer", 0, lambda: fixture("quiet inner", 4))
        log("> body", 0)()
    assert capsys.readouterr().err == "[Fixture] outer\n    [Fixture] inner\n        > step\n> body\n"
    assert vexal.allure_commons._display.fixtures == []


class FakeTerminal(object):
    """Terminal reporter, terminal writer and capture manager in one."""

    def __init__(self, current_line=""):
        self.current_line = current_line
        self.capturing = True
        self.written = []

    # capture manager
    def global_and_fixture_disabled(self):
        terminal = self

        class Suspended(object):
            def __enter__(self):
                terminal.capturing = False

            def __exit__(self, *exc_info):
                terminal.capturing = True
        return Suspended()

    # terminal reporter
    def write(self, content, flush=False, **markup):
        assert not self.capturing, "written while output capture was active"
        self.written.append(content)
        self.current_line = (self.current_line + content).rsplit("\n", 1)[-1]

    # terminal writer
    @property
    def width_of_current_line(self):
        return len(self.current_line)


class FakeConfig(object):
    def __init__(self, terminal, with_capture_manager=True):
        self.terminal = terminal
        plugins = {"terminalreporter": terminal,
                   "capturemanager": terminal if with_capture_manager else None}

        class PluginManager(object):
            def get_plugin(self, name):
                return plugins.get(name)
        self.pluginmanager = PluginManager()

    def get_terminal_writer(self):
        return self.terminal


def test_catchlogs_writes_through_pytest_terminal_with_capture_off(steplogger,
                                                                   capsys):
    terminal = FakeTerminal(current_line="test_x.py::test_a ")
    config = FakeConfig(terminal)
    vexal.allure_commons.pytest_configure(config)
    with AllureCatchLogs():
        steplogger.info("[Fixture] f", extra={"indentation": ""})
        steplogger.info("> step", extra={"indentation": "    "})
    assert "".join(terminal.written) == "\n[Fixture] f\n    > step\n"
    assert terminal.capturing
    vexal.allure_commons.pytest_unconfigure(config)
    assert capsys.readouterr().err == ""


def test_display_stays_armed_between_the_blocks_of_a_pytest_run(steplogger):
    terminal = FakeTerminal()
    config = FakeConfig(terminal)
    steplogger.setLevel(logging.WARNING)
    handlers = list(steplogger.handlers)
    vexal.allure_commons.pytest_configure(config)
    catchlogs = AllureCatchLogs()
    for phase in ("setup", "call"):
        with catchlogs:
            steplogger.info(phase)
        steplogger.info("between blocks")
        assert len(steplogger.handlers) == len(handlers) + 1 and steplogger.level == logging.INFO
    vexal.allure_commons.pytest_unconfigure(config)
    assert steplogger.handlers == handlers and steplogger.level == logging.WARNING
    assert terminal.written == ["setup\n", "call\n"]


def test_lines_go_to_the_terminal_of_the_innermost_run(steplogger):
    outer, inner = FakeTerminal(), FakeTerminal()
    outer_config, inner_config = FakeConfig(outer), FakeConfig(inner)
    vexal.allure_commons.pytest_configure(outer_config)
    with AllureCatchLogs():
        steplogger.info("outer 1")
        vexal.allure_commons.pytest_configure(inner_config)  # a pytester run inside the run
        steplogger.info("inner")
        vexal.allure_commons.pytest_unconfigure(inner_config)
        steplogger.info("outer 2")
    vexal.allure_commons.pytest_unconfigure(outer_config)
    assert (outer.written, inner.written) == (["outer 1\n", "outer 2\n"], ["inner\n"])


def test_catchlogs_pytest_branch_without_capture_manager(steplogger):
    terminal = FakeTerminal()
    terminal.capturing = False
    vexal.allure_commons._configs.append(FakeConfig(terminal, False))
    with AllureCatchLogs():
        steplogger.info("line")
    assert terminal.written == ["line\n"]  # already at a line start


def test_plugin_remembers_innermost_configuration(monkeypatch):
    monkeypatch.setattr(vexal.allure_commons, "_configs", [])
    outer, inner = object(), object()
    vexal.allure_commons.pytest_configure(outer)
    vexal.allure_commons.pytest_configure(inner)
    assert vexal.allure_commons._configs[-1] is inner
    vexal.allure_commons.pytest_unconfigure(inner)
    assert vexal.allure_commons._configs == [outer]
    vexal.allure_commons.pytest_unconfigure(outer)
    assert vexal.allure_commons._configs == []


# --------------------------------------------------------------------------
# End to end: a pytest run shows the step log live

LIVE_TEST = """
    import logging
    from vexal.allure_commons import AllureCatchLogs

    logger = logging.getLogger("alluretestlogger")
    logger.propagate = False
    catchlogs = AllureCatchLogs()

    def test_one():
        with catchlogs:
            logger.info("> Set source", extra={"indentation": ""})
            logger.info("> Inner step", extra={"indentation": "    "})
        print("this is captured")

    def test_two():
        with catchlogs:
            logger.info("> Second test", extra={"indentation": ""})
"""


@pytest.fixture
def live_pytester(pytester, monkeypatch):
    monkeypatch.setenv("PYTHONPATH", os.pathsep.join(
        p for p in (SRC_DIR, os.environ.get("PYTHONPATH")) if p))
    pytester.makepyfile(test_live=LIVE_TEST)
    return pytester


@pytest.mark.parametrize("verbosity", [[], ["-v"]])
def test_pytest_run_shows_live_lines(live_pytester, monkeypatch, verbosity):
    # No entry points: the plugin comes only from -p (an installed entry point
    # would register the same module a second time under another name).
    monkeypatch.setenv("PYTEST_DISABLE_PLUGIN_AUTOLOAD", "1")
    result = live_pytester.runpytest_subprocess(
        "-p", "vexal.allure_commons", "-p", "no:cacheprovider", *verbosity)
    result.assert_outcomes(passed=2)
    result.stdout.fnmatch_lines(["test_live.py*", "> Set source",
                                 "    > Inner step", "*", "> Second test"])
    result.stdout.no_fnmatch_line("*this is captured*")


def test_pytest_run_without_plugin_keeps_lines_captured(live_pytester,
                                                        monkeypatch):
    monkeypatch.setenv("PYTEST_DISABLE_PLUGIN_AUTOLOAD", "1")
    result = live_pytester.runpytest_subprocess("-p", "no:cacheprovider")
    result.assert_outcomes(passed=2)
    result.stdout.no_fnmatch_line("*> Set source*")


def _entry_point_installed():
    eps = importlib.metadata.entry_points()
    group = (eps.select(group="pytest11") if hasattr(eps, "select")
             else eps.get("pytest11", []))
    return any(ep.name == "vexal_allure_commons" for ep in group)


@pytest.mark.skipif(not _entry_point_installed(),
                    reason="vexal is not installed with its pytest11 entry point")
def test_installed_entry_point_shows_live_lines(live_pytester):
    # Without the live step log plugin, whose own block would show these lines too.
    result = live_pytester.runpytest_subprocess("-p", "no:cacheprovider", "-p", "no:vexal_allure_realtime")
    result.assert_outcomes(passed=2)
    result.stdout.fnmatch_lines(["> Set source", "    > Inner step"])


# --------------------------------------------------------------------------
# Simulator interface stand-ins


@pytest.mark.parametrize("interface", [hil, model], ids=["hil", "schematic editor model"])
def test_simulator_interface_stand_ins_remember_the_last_flag(monkeypatch, interface):
    monkeypatch.setattr(interface, "last_raise_exceptions", None)
    for flag in (False, True):
        interface.raise_exceptions(flag)
        assert interface.last_raise_exceptions is flag
