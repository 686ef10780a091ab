"""Allure helpers of vexal: live display of the step log and empty steps.

- ``AllureCatchLogs``: a reusable context manager that, while entered, shows
  the records of the step logger "alluretestlogger" (module
  ``vexal.allure_commons.stepline``) live on the terminal, one line each:
  the record's ``indentation`` followed by its message.
- ``empty_step(text)``: records one Allure step titled ``text`` that opens and
  closes at once.

This package is also a tiny pytest plugin (entry point "vexal_allure_commons",
or ``-p vexal.allure_commons``): it remembers the running pytest
configuration, so that ``AllureCatchLogs`` can write through pytest's terminal
reporter with output capturing suspended, as pytest's own live logging does.
Without a remembered configuration the lines go to ``sys.stderr``. Under
pytest-xdist a worker hands each test's lines to the controller with the
test's reports, and the controller shows them as one block per test, each line
marked with its worker ("[gw0] "). The step log's records stay out of pytest's
own log handlers (captured log, ``caplog``, report sections, live log, log
file), which from pytest 9.2 on are attached to non-propagating loggers too.
The option "--allure-cli-hide-silent-fixtures" (ini
``allure_cli_hide_silent_fixtures``) shows a fixture's "[Fixture] name" line
only once something is logged under it. Failed assertions on ranges and
phasors are explained through ``pytest_assertrepr_compare`` (module
``explain``).
"""

import logging
import sys

import allure_commons
import pytest
from allure_commons.utils import uuid4

from vexal.allure_commons.explain import pytest_assertrepr_compare  # noqa: F401 (a hook of this plugin)

STEP_LOGGER_NAME = "alluretestlogger"
_REPORT_ATTRIBUTE = "vexal_step_lines"
_HIDE_SILENT_FIXTURES = "allure_cli_hide_silent_fixtures"

# Configurations of the running pytest sessions, innermost last (pytester can
# run a session inside a session).
_configs = []


def pytest_addoption(parser):
    """Add "--allure-cli-hide-silent-fixtures" to the group "reporting", and
    its ini setting."""
    help_text = ('Show a fixture\'s "[Fixture] name" line in the Allure real time command line log only once '
                 'something is logged under it')
    parser.getgroup("reporting").addoption(
        "--allure-cli-hide-silent-fixtures", action="store_true", default=None, dest=_HIDE_SILENT_FIXTURES,
        help="{} (ini: {})".format(help_text, _HIDE_SILENT_FIXTURES))
    parser.addini(_HIDE_SILENT_FIXTURES, help_text, type="bool", default=False)


def pytest_configure(config):
    """Remember the run's configuration; under xdist, carry the step lines
    between worker and controller; with the option, hold back the lines of
    fixtures that log nothing."""
    _configs.append(config)
    if _is_worker(config):
        config.pluginmanager.register(_WorkerLines())
    elif getattr(getattr(config, "option", None), "dist", "no") != "no":  # xdist's controller
        config.pluginmanager.register(_ControllerBlocks())
    if _hides_silent_fixtures(config):
        config.pluginmanager.register(_FixtureBrackets())


def _hides_silent_fixtures(config):
    given = getattr(getattr(config, "option", None), _HIDE_SILENT_FIXTURES, None)
    if given is None and hasattr(config, "getini"):
        return config.getini(_HIDE_SILENT_FIXTURES)
    return bool(given)


def pytest_unconfigure(config):
    """Forget the run's configuration and disarm the display (a run still
    going on, outside a nested one, arms it again at its next block)."""
    if config in _configs:
        _configs.remove(config)
    if _terminal[0] is config:
        _terminal[:] = [None, False, None, None, None]
    _display.disarm()
    if not _configs:
        del _worker_lines[:]


def pytest_sessionstart(session):
    """Keep the step log's records out of pytest's log handlers: pytest 9.2
    attaches them to every non-propagating logger, so they would repeat the
    step log in captured logs, ``caplog`` and the live log."""
    logging_plugin = session.config.pluginmanager.get_plugin("logging-plugin")
    for name in ("log_cli_handler", "report_handler", "caplog_handler", "log_file_handler"):
        handler = getattr(logging_plugin, name, None)
        if handler is not None and _not_a_step_record not in handler.filters:
            handler.addFilter(_not_a_step_record)


def _not_a_step_record(record):
    return record.name != STEP_LOGGER_NAME


# --- pytest-xdist: a worker's lines travel with its reports -------------------------------

_worker_lines = []  # a worker's lines of the running phase


def _is_worker(config):
    return hasattr(config, "workerinput")


class _WorkerLines(object):
    """On an xdist worker: hands the lines of each phase to the controller
    with the phase's report."""

    @pytest.hookimpl(wrapper=True)
    def pytest_runtest_makereport(self, item, call):
        report = yield
        if _worker_lines:
            setattr(report, _REPORT_ATTRIBUTE, list(_worker_lines))
            del _worker_lines[:]
        return report


class _ControllerBlocks(object):
    """On the xdist controller: shows each test's lines as one block when
    its last report arrives, each line marked with its worker."""

    def __init__(self):
        self.blocks = {}  # node id -> (worker id, lines)

    def pytest_runtest_logreport(self, report):
        lines = getattr(report, _REPORT_ATTRIBUTE, None)
        if lines:
            self.blocks.setdefault(report.nodeid, (getattr(report, "worker_id", None), []))[1].extend(lines)
        if report.when == "teardown":
            self.show(report.nodeid)

    def pytest_sessionfinish(self):
        for nodeid in list(self.blocks):  # tests a crashed worker left unfinished
            self.show(nodeid)

    def show(self, nodeid):
        worker_id, lines = self.blocks.pop(nodeid, (None, ()))
        prefix = "[{}] ".format(worker_id) if worker_id else ""
        for line in lines:
            _write_line(prefix + line)


def empty_step(text):
    """Record one Allure step titled ``text``, opened and closed at once."""
    uuid = uuid4()
    hook = allure_commons.plugin_manager.hook
    hook.start_step(uuid=uuid, title=text, params={})
    hook.stop_step(uuid=uuid, exc_type=None, exc_val=None, exc_tb=None)


def _write_line(line):
    """Write one line to pytest's terminal (capture suspended) or stderr; an
    xdist worker keeps it for the phase's report."""
    if not _configs:
        _write_stderr(line)
        return
    config = _configs[-1]
    terminal = _terminal if _terminal[0] is config else _find_terminal(config)
    _, worker, reporter, capture_manager, writer = terminal
    if worker:
        _worker_lines.append(line)
    elif reporter is None:
        _write_stderr(line)
    elif capture_manager is None:
        _write_fresh_line(line, reporter, writer)
    else:
        with capture_manager.global_and_fixture_disabled():
            _write_fresh_line(line, reporter, writer)


def _write_fresh_line(line, reporter, writer):
    # Start on a fresh line, not glued onto pytest's progress line.
    if writer.width_of_current_line:
        line = "\n" + line
    reporter.write(line + "\n", flush=True)


def _write_stderr(line):
    sys.stderr.write(line + "\n")
    sys.stderr.flush()


# Where the lines of the configuration last asked about go: [config, whether
# it is an xdist worker, its terminal reporter, capture manager and terminal
# writer]. Kept for the run, as pytest's own live logging keeps them: looked
# up for every line, they were a good part of the cost of a line.
_terminal = [None, False, None, None, None]


def _find_terminal(config):
    plugins = config.pluginmanager
    worker = _is_worker(config)
    reporter = None if worker else plugins.get_plugin("terminalreporter")
    terminal = [config, worker, reporter, None, None]
    if reporter is not None:
        terminal[3:] = [plugins.get_plugin("capturemanager"), config.get_terminal_writer()]
    if worker or reporter is not None:  # registered by now: it stays for the run
        _terminal[:] = terminal
    return terminal


def _continuation_indent(first_line):
    """Where the text of a record's first line starts: after a parameter's
    tree icon or a step's "> ", else after its leading spaces."""
    text = first_line.lstrip(" ")
    lead = len(first_line) - len(text)
    for marker in ("\u251c- ", "\u2514- ", "> "):
        if text.startswith(marker):
            return lead + len(marker)
    return lead


def _display_lines(record):
    """A record's lines as shown live: its indentation in front, and the
    continuation lines of a multi-line value aligned under its text."""
    indentation = getattr(record, "indentation", "")
    message = record.getMessage()
    if "\n" not in message:
        return [indentation + message]
    first, *rest = message.split("\n")
    continuation = indentation + " " * _continuation_indent(first)
    return [indentation + first] + [continuation + line for line in rest]


class _LiveLineHandler(logging.Handler):
    """Shows each record as its ``indentation`` followed by its message."""

    def handle(self, record):
        # Handler.handle and emit in one for the common record, a one-line
        # message with no fixture lines held: a trivial test logs three, and
        # the calls of the general path were a good part of their cost.
        if self.filters or _display.fixtures:
            return super().handle(record)
        if _display.open_blocks:  # armed between the blocks of a pytest run
            with self.lock:
                try:
                    message = record.getMessage()
                    if "\n" in message:
                        _display.show(record)
                    else:
                        _write_line(getattr(record, "indentation", "") + message)
                except Exception:
                    self.handleError(record)
        return record

    def emit(self, record):
        if not _display.open_blocks:  # armed between the blocks of a pytest run
            return
        try:
            _display.show(record)
        except Exception:
            self.handleError(record)


class _FixtureBrackets(object):
    """Tells the display where each fixture's setup begins and ends, so that
    it holds back the "[Fixture] name" line of a fixture that logs nothing.
    Outermost, so the fixture's line is logged inside the bracket."""

    @pytest.hookimpl(wrapper=True, tryfirst=True)
    def pytest_fixture_setup(self, fixturedef):
        _display.fixtures.append(_HeldFixture("[Fixture] {}".format(fixturedef.argname)))
        try:
            return (yield)
        finally:
            _display.fixtures.pop()


class _HeldFixture(object):
    """A fixture whose setup runs: its line once logged, until something is
    logged under it (then it is shown) or its setup ends (then it is not)."""

    __slots__ = ("header", "lines")

    def __init__(self, header):
        self.header = header
        self.lines = None


class _LiveDisplay(object):
    """The one handler that shows the step log while any block is open.

    Blocks of several ``AllureCatchLogs`` objects may be open at once (a test
    can open its own inside the one the live log listener holds around each
    run phase): they share the handler, so no line is shown twice.

    Attaching the handler and setting the logger's level costs more than the
    rest of a trivial test's share of the live log (a level change clears
    the level caches of every logger), and the listener opens three blocks per
    test. So while a pytest run is remembered the display stays armed between
    blocks, showing nothing there, and is disarmed when the run ends; outside
    a pytest run it is disarmed as soon as the last block closes.
    """

    def __init__(self):
        self.open_blocks = 0
        self.fixtures = []  # with --allure-cli-hide-silent-fixtures: the fixtures being set up, innermost last
        self.handler = _LiveLineHandler()
        self.armed = False
        self.saved_level = None
        self.logger = logging.getLogger(STEP_LOGGER_NAME)

    def show(self, record):
        lines = _display_lines(record)
        fixtures = self.fixtures
        if fixtures:
            innermost = fixtures[-1]
            if innermost.header is not None and record.getMessage() == innermost.header:
                innermost.header, innermost.lines = None, lines
                return
            for fixture in fixtures:  # something is logged under them: show their held lines first
                if fixture.lines is not None:
                    held, fixture.lines = fixture.lines, None
                    for line in held:
                        _write_line(line)
        for line in lines:
            _write_line(line)

    def open(self):
        logger = self.logger
        if not self.armed:
            logger.addHandler(self.handler)
            self.armed = True
        if logger.getEffectiveLevel() > logging.INFO:
            if self.saved_level is None:
                self.saved_level = logger.level
            logger.setLevel(logging.INFO)
        self.open_blocks += 1

    def close(self):
        self.open_blocks -= 1
        if not self.open_blocks and not _configs:
            self.disarm()

    def disarm(self):
        if self.open_blocks or not self.armed:
            return
        logger = self.logger
        logger.removeHandler(self.handler)
        self.armed = False
        if self.saved_level is not None:
            logger.setLevel(self.saved_level)
            self.saved_level = None


_display = _LiveDisplay()


class AllureCatchLogs(object):
    """Show the step log live while entered.

    Reusable: it can be entered and left any number of times, one block at a
    time (entering it while already entered raises ``RuntimeError``). While
    any such block is open, one handler is attached to the logger
    "alluretestlogger" and, if the logger's effective level would drop INFO
    records, its level is set to INFO. Leaving the last open block (also by an
    exception, which is not suppressed) removes the handler and restores the
    level; during a pytest run that is done when the run ends, and lines
    logged between blocks are not shown.
    """

    def __init__(self):
        self._entered = False

    def __enter__(self):
        if self._entered:
            raise RuntimeError("AllureCatchLogs is already entered; "
                               "leave the current block before entering again")
        _display.open()
        self._entered = True
        return self

    def __exit__(self, exc_type, exc_val, exc_tb):
        if self._entered:
            self._entered = False
            _display.close()
        return False
