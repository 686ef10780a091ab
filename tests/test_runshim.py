"""The script runner: verdicts, report entries, directories and the simulator
interfaces' settings, end to end with allure-pytest and driven directly."""

import inspect
import json
import os
import sys

import pytest

from vexal.api import hil
from vexal.api.schematic_editor import model
from vexal.utils import runshim
from vexal.utils.runshim import ContextTestExecutor, get_module, run_test

pytest_plugins = ["pytester"]

VERDICTS_SCRIPT = """
    import os, sys

    def test(value):
        print("cwd", os.getcwd())
        print("to stderr", file=sys.stderr)
        if value == "raise":
            raise RuntimeError("script broke")
        return value
"""

RUNNER_TESTS = """
    import pytest
    from vexal.utils.runshim import run_test

    VALUES = [True, "done", "Skipped", "SKIPPED", "failed", "FaILed", None, 0, "", [], "raise"]

    @pytest.mark.parametrize("value", VALUES, ids=[repr(v) for v in VALUES])
    def test_script(value, request, capsys):
        run_test(["scripts/verdicts.py", value], request, capsys)

    def test_no_function(request, capsys):
        run_test(("scripts/no_test.py",), request, capsys)
"""

# name -> (Allure status, message part); every run but the last has the step
# and both attachments.
EXPECTED = {
    "test_script[True]": ("passed", None),
    "test_script['done']": ("passed", None),
    "test_script['Skipped']": ("skipped", "Test code skipped the test."),
    "test_script['SKIPPED']": ("skipped", "Test code skipped the test."),
    "test_script['failed']": ("failed", "Test returned Failed status."),
    "test_script['FaILed']": ("failed", "Test returned Failed status."),
    "test_script[None]": ("failed", "Test returned Failed status."),
    "test_script[0]": ("failed", "Test returned Failed status."),
    "test_script['']": ("failed", "Test returned Failed status."),
    "test_script[[]]": ("failed", "Test returned Failed status."),
    "test_script['raise']": ("broken", "RuntimeError: script broke"),
    "test_no_function": ("skipped", "Test file doesn't have correct main test function"),
}


@pytest.mark.parametrize("optimise", [[], ["-O"]], ids=["asserts", "optimised"])
def test_verdicts_steps_and_attachments_end_to_end(pytester, optimise):
    pytester.mkdir("scripts")
    pytester.path.joinpath("scripts", "verdicts.py").write_text(inspect.cleandoc(VERDICTS_SCRIPT))
    pytester.path.joinpath("scripts", "no_test.py").write_text("test_ = None\n")
    pytester.makepyfile(test_runner=RUNNER_TESTS)
    result = pytester.run(sys.executable, *optimise, "-m", "pytest", "-p", "no:cacheprovider",
                          "--alluredir", "allure-results")
    result.assert_outcomes(passed=2, skipped=3, failed=7)
    # Each failure report shows the script's output, handed back to pytest's capture.
    assert result.stdout.str().count("Captured stdout call") == 7
    result.stdout.fnmatch_lines(["*Captured stdout call*", f"cwd {pytester.path / 'scripts'}",
                                 "*Captured stderr call*", "to stderr"])
    results_dir = pytester.path / "allure-results"
    reports = {}
    for path in results_dir.glob("*-result.json"):
        report = json.loads(path.read_text())
        reports[report["name"]] = report
    assert set(reports) == set(EXPECTED)
    scripts_dir = str(pytester.path / "scripts")
    for name, (status, message) in EXPECTED.items():
        report = reports[name]
        assert report["status"] == status, name
        if message:
            assert message in report["statusDetails"]["message"], name
        if name == "test_no_function":
            assert "steps" not in report
            assert [a["name"] for a in report.get("attachments", [])] in ([], ["log"])
            continue
        (step,) = report["steps"]  # the step carries the verdict
        assert (step["name"], step["status"]) == ("Test run", status)
        if message:
            assert message in step["statusDetails"]["message"], name
        attachments = report["attachments"][:2]  # allure-pytest adds captured logs of failures after them
        assert [(a["name"], a["type"]) for a in attachments] == [("Output (stdout)", "text/plain"),
                                                                 ("Errors (stderr)", "text/plain")]
        out, err = ((results_dir / a["source"]).read_text() for a in attachments)
        assert (out, err) == (f"cwd {scripts_dir}\n", "to stderr\n")


# --- driven directly --------------------------------------------------------------------------

@pytest.fixture
def interfaces(monkeypatch):
    """Records each raise_exceptions call with the directory it was made in."""
    calls = []
    monkeypatch.setattr(hil, "raise_exceptions", lambda flag: calls.append(("hil", flag, os.getcwd())))
    monkeypatch.setattr(model, "raise_exceptions", lambda flag: calls.append(("model", flag, os.getcwd())))
    return calls


def write_script(directory, body):
    directory.mkdir(exist_ok=True)
    path = directory / "script.py"
    path.write_text(inspect.cleandoc(body) + "\n")
    return str(path)


@pytest.mark.parametrize("body, outcome", [
    ("def test(*args):\n    return list(args) == [1, 'a'] and os.getcwd() == HERE", None),
    ("def test(*args):\n    raise RuntimeError('broke')", RuntimeError),
    ("def test(*args):\n    raise KeyboardInterrupt", KeyboardInterrupt),
    ("def test(*args):\n    pytest.skip('inside')", pytest.skip.Exception),
    ("def test(*args):\n    return 'Failed'", AssertionError),
], ids=["passes", "raises", "interrupted", "skips inside", "failed"])
def test_directory_and_settings_restored_on_every_path(tmp_path, request, capsys, interfaces, body, outcome):
    script_dir = tmp_path / "sub dir"
    header = f"import os, pytest\nHERE = {str(script_dir)!r}\nLOADED_IN = os.getcwd()\n"
    script = write_script(script_dir, header + body)
    start = os.getcwd()
    if outcome is None:
        assert run_test((script, 1, "a"), request, capsys) is None
    else:
        with pytest.raises(outcome):
            run_test([script, 1, "a"], request, capsys)
    assert os.getcwd() == start
    here = str(script_dir)
    assert interfaces == [("hil", False, here), ("model", False, here), ("model", True, here), ("hil", True, here)]


@pytest.mark.parametrize("fixture, encode", [("capsys", str), ("capsysbinary", str.encode)])
def test_output_is_handed_back_to_pytest_capture(tmp_path, request, interfaces, fixture, encode):
    capture = request.getfixturevalue(fixture)
    script = write_script(tmp_path / "sub", "import sys\ndef test():\n    print('out')\n"
                                            "    print('err', file=sys.stderr)\n    return True")
    run_test([script], request, capture)
    assert tuple(capture.readouterr()) == (encode("out\n"), encode("err\n"))


def test_a_failing_interface_still_restores_directory_and_settings(tmp_path, capsys, interfaces, monkeypatch):
    def refuse(flag):
        interfaces.append(("hil", flag, os.getcwd()))
        raise OSError("simulator gone")

    monkeypatch.setattr(hil, "raise_exceptions", refuse)
    start = os.getcwd()
    executor = ContextTestExecutor(str(tmp_path), capsys)
    assert (executor.tmp_cwd, executor.orig_cwd, executor.capsys) == (str(tmp_path), start, capsys)
    with pytest.raises(OSError, match="simulator gone"):
        executor.__enter__()
    assert os.getcwd() == start
    with pytest.raises(OSError, match="simulator gone"):
        with ContextTestExecutor(str(tmp_path), capsys):
            pass
    assert os.getcwd() == start and interfaces[-2:] == [("model", True, str(tmp_path)),
                                                        ("hil", True, str(tmp_path))]


def test_an_error_suppressed_by_the_executor_fails_the_test(tmp_path, request, capsys, interfaces, monkeypatch):
    handled = []

    class Suppressing(ContextTestExecutor):
        def __exit__(self, kind, error, traceback):
            handled.append(sys.exc_info()[1] is error and isinstance(error, RuntimeError))
            super().__exit__(kind, error, traceback)
            return True

    monkeypatch.setattr(runshim, "ContextTestExecutor", Suppressing)
    script = write_script(tmp_path / "sub", "def test(): raise RuntimeError('swallowed')")
    with pytest.raises(AssertionError, match="Test returned Failed status."):
        run_test([script], request, capsys)
    assert handled == [True]


@pytest.mark.parametrize("name, content, error", [
    ("missing.py", None, FileNotFoundError),
    ("broken.py", "def test(:\n", SyntaxError),
    ("top_level.py", "raise KeyError('top')\n", KeyError),
    ("script.txt", "def test(): return True\n", ImportError),
])
def test_a_script_that_fails_to_load_changes_nothing(tmp_path, request, capsys, interfaces, name, content, error):
    (tmp_path / "sub").mkdir()
    if content is not None:
        (tmp_path / "sub" / name).write_text(content)
    start = os.getcwd()
    with pytest.raises(error):
        run_test([str(tmp_path / "sub" / name)], request, capsys)
    assert os.getcwd() == start and interfaces == []


def test_get_module_loads_afresh_in_the_callers_directory(tmp_path):
    path = write_script(tmp_path, "import os\nLOADED_IN = os.getcwd()\nCOUNT = [0]\n")
    first, second = get_module(path), get_module(path)
    assert first is not second and first.COUNT is not second.COUNT
    assert first.__name__ == "module.name" and "module.name" not in sys.modules
    assert first.LOADED_IN == os.getcwd()


def test_module_surface():
    assert [name for name in vars(runshim) if not name.startswith("__")] == [
        "sys", "os", "pytest", "allure", "hil", "model", "importlib", "get_module", "ContextTestExecutor",
        "run_test"]
    assert runshim.hil is hil and runshim.model is model
    assert str(inspect.signature(run_test)) == "(test_spec, request, capsys)"
    assert str(inspect.signature(ContextTestExecutor.__exit__)) == "(self, exc_type, exc_value, exc_traceback)"
    assert all(obj.__doc__ for obj in (runshim, get_module, run_test, ContextTestExecutor))


def test_a_str_for_the_spec_is_refused_with_the_right_call(request, capsys, interfaces):
    with pytest.raises(TypeError, match=r"not a str: run_test\(\['scripts/x.py'\], request, capsys\)"):
        run_test("scripts/x.py", request, capsys)
    assert interfaces == []
