"""The live step log end to end: real pytest runs with allure-pytest and the
installed plugin (entry point), each in its own process."""

import importlib.util
import inspect
import json
import re

import allure_commons
import pytest

from vexal.allure_commons import AllureCatchLogs
from vexal.allure_realtime import listener as listener_module
from vexal.allure_realtime import plugin
from vexal.allure_realtime.listener import AllurePytestLoggerListener

pytest_plugins = ["pytester"]

needs_xdist = pytest.mark.skipif(importlib.util.find_spec("xdist") is None, reason="pytest-xdist is not installed")

# Records what the run did, in a file next to the tests, for the checks below.
RECORDING_CONFTEST = """
    import atexit, json
    import allure_commons, pytest
    from vexal.allure_realtime import listener as listener_module

    def listeners(manager):
        return [p for p in manager.get_plugins()
                if isinstance(p, listener_module.AllurePytestLoggerListener)]

    record = {}

    @pytest.hookimpl(trylast=True)
    def pytest_configure(config):
        record["pytest"] = len(listeners(config.pluginmanager))
        record["allure_while_running"] = len(listeners(allure_commons.plugin_manager))

    def write_record():
        record["allure_after_run"] = len(listeners(allure_commons.plugin_manager))
        with open("record.json", "w") as f:
            json.dump(record, f)

    atexit.register(write_record)
"""

SCENARIO = """
    import allure, pytest
    from vexal.allure_commons import stepline

    @pytest.fixture(scope="module")
    def grid():
        with allure.step("Build grid"):
            pass
        return "grid"

    @pytest.fixture
    def source(grid):
        return "source"

    @pytest.fixture
    def meter(request):
        with allure.step("Connect meter"):
            request.getfixturevalue("probe")

    @pytest.fixture
    def probe():
        with allure.step("Calibrate probe"):
            pass

    @allure.step("Set source")
    def set_source(amplitude, phase):
        pass

    class Table(object):
        def __repr__(self):
            return "row 1\\nrow 2"

    @allure.step("Show table")
    def show_table(table):
        pass

    @allure.step("Set failing source")
    def set_failing_source(amplitude, phase):
        raise RuntimeError("no source")

    def test_step_passes(source):
        depth = stepline.testlogger.indentation
        set_source(230, 0)
        show_table(Table())
        assert stepline.testlogger.indentation == depth

    def test_step_raises(grid):
        depth = stepline.testlogger.indentation
        with pytest.raises(RuntimeError):
            set_failing_source(230, 0)
        assert stepline.testlogger.indentation == depth

    def test_nested(meter):
        with allure.step("Outer"):
            with allure.step("Inner"):
                allure.attach("body", name=None)

    def test_fails():
        print("printed by the test")
        with allure.step("Step of a failing test"):
            with allure.step("Nested step"):
                pass
        assert False
"""

EXPECTED_BLOCKS = [
    ["[Fixture] grid", "    > Build grid", "[Fixture] source", "> Set source", "    ├- amplitude = 230",
     "    └- phase = 0", "> Show table", "    └- table = row 1", "       row 2"],
    ["> Set failing source", "    ├- amplitude = 230", "    └- phase = 0"],
    ["[Fixture] meter", "    > Connect meter", "        [Fixture] probe", "            > Calibrate probe",
     "> Outer", "    > Inner", "        [Attachment] None"],
    ["> Step of a failing test", "    > Nested step"],
]
LOG_LINES = [line for block in EXPECTED_BLOCKS for line in block]


@pytest.fixture
def scenario(pytester):
    pytester.makeconftest(RECORDING_CONFTEST)
    pytester.makepyfile(test_scenario=SCENARIO)

    def run(*args):
        result = pytester.runpytest_subprocess("-p", "no:cacheprovider", "--alluredir", "allure-results", *args)
        result.assert_outcomes(passed=3, failed=1)
        result.record = json.loads((pytester.path / "record.json").read_text())
        return result

    return run


def captured_section(result):
    """The text of the failing test's captured stdout section."""
    text = result.stdout.str()
    start = text.index("Captured stdout call")
    return text[start:text.index("short test summary info", start)]


def without_worker(line):
    return re.sub(r"^\[gw\d+\] ", "", line)


MODES = {
    "default": [], "verbose": ["-v"], "quiet": ["-q"], "no-capture": ["-s"],
    "log_cli": ["-o", "log_cli=true"], "log-cli-level": ["--log-cli-level=INFO"],
    "xdist": ["-n", "2"], "xdist-verbose": ["-n", "2", "-v"],
}


@pytest.mark.parametrize("mode", [pytest.param(mode, id=name, marks=[needs_xdist] if "-n" in mode else [])
                                  for name, mode in MODES.items()])
def test_plain_run_shows_each_line_live_and_once(scenario, mode):
    result = scenario(*mode)
    lines = result.stdout.lines
    if "-n" in mode:  # each test's block whole, every line marked with its worker
        shown = [without_worker(line) for line in lines]
        for block in EXPECTED_BLOCKS:
            start = shown.index(block[0])
            assert shown[start:start + len(block)] == block
            workers = {line[:line.index("]") + 1] for line in lines[start:start + len(block)]}
            assert len(workers) == 1 and workers <= {"[gw0]", "[gw1]"}
        lines = [without_worker(line) for line in lines if line != without_worker(line)]
    else:
        for block in EXPECTED_BLOCKS:
            result.stdout.fnmatch_lines(block, consecutive=True)
    for line in LOG_LINES:
        assert lines.count(line) == LOG_LINES.count(line), line
    if "-s" not in mode:
        assert "printed by the test" in captured_section(result)
        assert not any(line in captured_section(result) for line in LOG_LINES)
    # The lines never glue onto pytest's progress output, and pytest's log
    # capture and live log never show them again.
    assert not any(line.endswith(log) for log in LOG_LINES for line in result.stdout.lines
                   if line != log and line != "[gw0] " + log and line != "[gw1] " + log)
    assert "alluretestlogger" not in result.stdout.str()
    if mode == ["-v"]:  # each result word follows the lines of its test
        result.stdout.fnmatch_lines(["test_scenario.py::test_step_passes ", "[Fixture] grid", "*",
                                     "    └- phase = 0", "PASSED*", "test_scenario.py::test_step_raises "])
    assert result.record == {"pytest": 1, "allure_while_running": 1, "allure_after_run": 0}


@pytest.mark.parametrize("xdist", [[], pytest.param(["-n", "2"], marks=needs_xdist)], ids=["plain", "xdist"])
def test_switch_turns_the_log_off(scenario, pytester, xdist):
    result = scenario("--no-allure-cli-logs", *xdist)
    for line in LOG_LINES:
        result.stdout.no_fnmatch_line(line)
        result.stdout.no_fnmatch_line("[[]gw?[]] " + line)
    assert result.record == {"pytest": 0, "allure_while_running": 0, "allure_after_run": 0}
    assert list((pytester.path / "allure-results").glob("*-result.json"))  # Allure still reports


def test_switches_are_listed_under_reporting(pytester):
    result = pytester.runpytest_subprocess("--help")
    text = result.stdout.str()
    reporting = text.index("\nreporting:\n")
    section = " ".join(text[reporting:text.index("\n\n", reporting + 1)].split())
    assert "--no-allure-cli-logs Disable Allure real time command line interface logging" in section
    assert ("--allure-cli-hide-silent-fixtures Show a fixture's \"[Fixture] name\" line in the Allure real time "
            "command line log only once something is logged under it (ini: allure_cli_hide_silent_fixtures)"
            in section)
    assert "allure_cli_hide_silent_fixtures (bool):" in text


# Blocks of the scenario with only the fixtures under which something is logged.
EXPECTED_WITHOUT_SILENT_FIXTURES = [[line for line in block if line != "[Fixture] source"]
                                    for block in EXPECTED_BLOCKS]


@pytest.mark.parametrize("option", [
    ["--allure-cli-hide-silent-fixtures"], ["-o", "allure_cli_hide_silent_fixtures=true"],
    pytest.param(["--allure-cli-hide-silent-fixtures", "-n", "2"], marks=needs_xdist)],
    ids=["option", "ini", "xdist"])
def test_silent_fixtures_can_be_hidden(scenario, option):
    result = scenario(*option)
    lines = [without_worker(line) for line in result.stdout.lines]
    for block in EXPECTED_WITHOUT_SILENT_FIXTURES:
        start = lines.index(block[0])
        assert lines[start:start + len(block)] == block
    assert "[Fixture] source" not in lines
    assert sum(len(block) for block in EXPECTED_WITHOUT_SILENT_FIXTURES) == sum(
        line in LOG_LINES for line in lines)


# Another project's tests, exact about what they log; vexal must not add to it.
FOREIGN_LOGGING_TESTS = """
    import logging
    import allure, pytest

    @pytest.fixture
    def ready():
        logging.getLogger("app").info("fixture ready")

    def test_setup_records(caplog, ready):
        assert [r.getMessage() for r in caplog.get_records("setup")] == ["fixture ready"]

    def test_call_records(caplog):
        with allure.step("Step with a parameter"):
            logging.getLogger("app").warning("in the step")
        assert caplog.messages == ["in the step"]
        assert caplog.text.count("\\n") == 1

    def test_fails():
        with allure.step("Failing step"):
            logging.getLogger("app").warning("before failing")
        assert False
"""


@pytest.mark.parametrize("options", [
    [], ["-o", "log_cli=true"], ["--log-cli-level=INFO", "--log-file=run.log", "--log-file-level=INFO"],
    ["--no-allure-cli-logs", "-o", "log_cli=true"], pytest.param(["-n", "2"], marks=needs_xdist)],
    ids=["plain", "log_cli", "log-cli-level+file", "display-off+log_cli", "xdist"])
def test_step_records_stay_out_of_pytest_log_capture(pytester, options):
    pytester.makepyfile(test_foreign=FOREIGN_LOGGING_TESTS)
    result = pytester.runpytest_subprocess("-p", "no:cacheprovider", "--alluredir", "allure-results", "-rA",
                                           "--log-level=INFO", *options)
    result.assert_outcomes(passed=2, failed=1)
    text = result.stdout.str()
    shown_live = "--no-allure-cli-logs" not in options
    assert ("> Failing step" in text) == shown_live  # the display's own line, once
    assert text.count("> Failing step") == shown_live
    for line in result.stdout.lines:  # no step record in a captured log or pytest's live log
        assert "alluretestlogger" not in line and not re.search(r"(INFO|WARNING).*> \w", line), line
    result.stdout.fnmatch_lines(["*Captured log call*", "WARNING *app:test_foreign.py:* before failing"])
    if "--log-file=run.log" in options:
        assert "alluretestlogger" not in (pytester.path / "run.log").read_text()
        assert "fixture ready" in (pytester.path / "run.log").read_text()
    # allure-pytest's "log" attachment holds only the tests' own records.
    for result_file in (pytester.path / "allure-results").glob("*-result.json"):
        for attachment in json.loads(result_file.read_text()).get("attachments", []):
            if attachment["name"] == "log":
                body = (pytester.path / "allure-results" / attachment["source"]).read_text()
                assert "alluretestlogger" not in body and "app" in body


def test_stepline_none_silences_fixtures_and_breaks_steps(pytester):
    pytester.makeconftest("from vexal.allure_realtime import listener\nlistener.stepline = None\n")
    pytester.makepyfile(
        """
        import allure, pytest

        @pytest.fixture
        def source():
            return "ready"

        def test_fixture_runs(source):
            assert source == "ready"

        @pytest.mark.parametrize("use", [lambda: allure.step("x").__enter__(),
                                         lambda: allure.attach("b", name="n")])
        def test_allure_hooks_raise(use):
            with pytest.raises(AttributeError, match="'NoneType' object has no attribute"):
                use()
        """
    )
    result = pytester.runpytest_subprocess("-p", "no:cacheprovider", "--alluredir", "allure-results")
    result.assert_outcomes(passed=3)
    result.stdout.no_fnmatch_line("*[[]Fixture[]]*")


CATCHLOGS_CONFTEST = """
    import json
    import pytest
    from vexal.allure_commons import AllureCatchLogs
    from vexal.allure_realtime import listener

    events = []

    class RecordingCatchLogs(AllureCatchLogs):
        def __enter__(self):
            events.append(["enter", id(self)])
            return super().__enter__()

        def __exit__(self, *exc_info):
            events.append(["exit", id(self), [repr(x) for x in exc_info]])
            return super().__exit__(*exc_info)

    listener.AllureCatchLogs = RecordingCatchLogs

    def pytest_unconfigure(config):
        with open("events.json", "w") as f:
            json.dump(events, f)
"""

CATCHLOGS_TESTS = """
    import pytest

    @pytest.fixture
    def broken_setup():
        raise RuntimeError("setup")

    @pytest.fixture
    def broken_teardown():
        yield
        raise RuntimeError("teardown")

    def test_passes():
        pass

    def test_fails():
        assert False

    def test_setup_fails(broken_setup):
        pass

    def test_teardown_fails(broken_teardown):
        pass
"""


def test_catchlogs_entered_and_left_once_per_phase(pytester):
    pytester.makeconftest(CATCHLOGS_CONFTEST)
    pytester.makepyfile(CATCHLOGS_TESTS)
    result = pytester.runpytest_subprocess("-p", "no:cacheprovider", "--alluredir", "allure-results")
    result.assert_outcomes(passed=2, failed=1, errors=2)
    events = json.loads((pytester.path / "events.json").read_text())
    # setup, call, teardown for three tests; no call when the setup failed.
    phases = 3 + 3 + 2 + 3
    assert [e[0] for e in events] == ["enter", "exit"] * phases
    assert len({e[1] for e in events}) == 1  # one object, reused
    assert all(e[2] == ["None", "None", "None"] for e in events if e[0] == "exit")


# --- the listener and the plugin, driven directly ---------------------------------------------

def test_listener_hooks_carry_their_markers():
    cls = AllurePytestLoggerListener
    for name in ("start_step", "stop_step", "attach_data"):
        assert getattr(cls, name).allure_impl == allure_commons.hookimpl(lambda: None).allure_impl
    for name in ("pytest_runtest_setup", "pytest_runtest_call", "pytest_runtest_teardown", "pytest_fixture_setup"):
        wrapper = getattr(cls, name)
        assert inspect.isgeneratorfunction(wrapper) and wrapper.pytest_impl["hookwrapper"] is True
        assert wrapper.pytest_impl["trylast"] is (name != "pytest_fixture_setup")
    assert str(inspect.signature(cls.pytest_runtest_call)) == "(self)"
    assert str(inspect.signature(cls.pytest_fixture_setup)) == "(self, fixturedef, request)"
    assert str(inspect.signature(cls.attach_data)) == "(self, body, name, attachment_type, extension)"
    assert "dispatches to the `stepline` module" in cls.__doc__
    assert all(obj.__doc__ for obj in (listener_module, plugin, plugin.cleanup_factory, cls.start_step,
                                        cls.pytest_fixture_setup))
    assert isinstance(AllurePytestLoggerListener().catchlogs, AllureCatchLogs)


class Manager(object):
    def __init__(self, exit_result=False, fail_enter=False):
        self.calls, self.exit_result, self.fail_enter = [], exit_result, fail_enter

    def __enter__(self):
        self.calls.append("enter")
        if self.fail_enter:
            raise OSError("no terminal")

    def __exit__(self, *exc_info):
        self.calls.append(("exit", exc_info[0]))
        return self.exit_result


@pytest.mark.parametrize("exit_result, drive, outcome, calls", [
    (False, lambda gen: gen.send("outcome"), StopIteration, ["enter", ("exit", None)]),
    (False, lambda gen: gen.throw(KeyError("k")), KeyError, ["enter", ("exit", KeyError)]),
    (True, lambda gen: gen.throw(KeyError("k")), StopIteration, ["enter", ("exit", KeyError)]),
])
def test_phase_wrapper_is_a_with_block(exit_result, drive, outcome, calls):
    listener = AllurePytestLoggerListener()
    listener.catchlogs = Manager(exit_result)
    gen = listener.pytest_runtest_call()
    assert next(gen) is None
    with pytest.raises(outcome):
        drive(gen)
    assert listener.catchlogs.calls == calls


@pytest.mark.parametrize("catchlogs, error, text", [
    (object(), TypeError, "'object' object does not support the context manager protocol"),
    (Manager(fail_enter=True), OSError, "no terminal"),
])
def test_phase_wrapper_errors_on_entry(catchlogs, error, text):
    listener = AllurePytestLoggerListener()
    listener.catchlogs = catchlogs
    with pytest.raises(error, match=text):
        next(listener.pytest_runtest_setup())


class FakeStepline(object):
    def __init__(self):
        self.calls = []

    def __getattr__(self, name):
        return lambda *args: self.calls.append((name,) + args)


class FixtureDef(object):
    argname = "grid"


@pytest.mark.parametrize("resume, calls", [
    (lambda gen: gen.send(None), [("start_fixture", "grid"), ("stop_fixture",)]),
    (lambda gen: gen.throw(KeyError("k")), [("start_fixture", "grid")]),
])
def test_fixture_wrapper_reads_stepline_at_call_time(monkeypatch, resume, calls):
    fake = FakeStepline()
    monkeypatch.setattr(listener_module, "stepline", fake)
    gen = AllurePytestLoggerListener().pytest_fixture_setup(FixtureDef(), None)
    next(gen)
    with pytest.raises((StopIteration, KeyError)):
        resume(gen)
    assert fake.calls == calls


class FakeConfig(object):
    def __init__(self, no_cli_logs=False):
        self.option = type("Options", (), {"no_allure_cli_logs": no_cli_logs})()
        self.cleanups, self.registered = [], []
        self.pluginmanager = self

    def register(self, plugin):
        self.registered.append(plugin)

    def add_cleanup(self, func):
        self.cleanups.append(func)


def test_configure_registers_with_both_managers_then_adds_the_cleanup():
    config = FakeConfig()
    plugin.pytest_configure(config)
    (listener,) = config.registered
    try:
        name = allure_commons.plugin_manager.get_name(listener)
        assert name is not None and len(config.cleanups) == 1
        assert config.cleanups[0].__qualname__ == "cleanup_factory.<locals>.clean_up"
    finally:
        config.cleanups[0]()
    assert allure_commons.plugin_manager.get_name(listener) is None
    assert config.registered == [listener]  # pytest's registration stays


def test_failed_allure_registration_adds_no_cleanup(monkeypatch):
    def refuse(plugin_object):
        raise ValueError("refused")

    monkeypatch.setattr(allure_commons.plugin_manager, "register", refuse)
    config = FakeConfig()
    with pytest.raises(ValueError, match="refused"):
        plugin.pytest_configure(config)
    assert len(config.registered) == 1 and config.cleanups == []


def test_cleanup_of_a_listener_removed_by_other_code_does_nothing():
    listener = AllurePytestLoggerListener()
    allure_commons.plugin_manager.register(listener)
    clean_up = plugin.cleanup_factory(listener)
    allure_commons.plugin_manager.unregister(listener)
    assert clean_up() is None
    assert clean_up() is None
