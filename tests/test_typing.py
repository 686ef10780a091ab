"""What editors and type checkers see: stubs, signatures and docstrings."""

import importlib
import inspect
import os
import pathlib
import subprocess
import sys

import pytest

from vexal.types.timedelta import Timedelta

EXAMPLES = pathlib.Path(__file__).resolve().parent.parent / "examples"
TYPECHECK = pathlib.Path(__file__).resolve().parent / "typecheck"
TYPECHECK_FILES = [TYPECHECK / "usage.py", TYPECHECK / "typos.py"]
MODULES = ["vexal.types.alias", "vexal.types.timedelta", "vexal.test.ranges", "vexal.allure_commons.stepline",
           "vexal.allure_realtime.listener", "vexal.allure_realtime.plugin", "vexal.pytest_vexal.benchcast",
           "vexal.utils.runshim", "vexal.allure_commons", "vexal.allure_commons.explain", "vexal.allure_step",
           "vexal.utils", "vexal.api.hil", "vexal.api.schematic_editor"]


def test_mypy_strict_passes_on_the_examples(tmp_path):
    # Also on the typed test module and on the typos, each of which must be
    # reported where its ignore comment says (--strict warns of unused ones).
    pytest.importorskip("mypy")
    # pandas itself ships no stubs; pandas-stubs is the user's choice.
    config = tmp_path / "mypy.ini"
    config.write_text("[mypy]\n[mypy-pandas.*]\nignore_missing_imports = True\n")
    result = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--config-file", str(config),
                             "--cache-dir", str(tmp_path / "cache"), str(EXAMPLES), *map(str, TYPECHECK_FILES)],
                            capture_output=True, text=True, cwd=tmp_path, timeout=300)
    assert result.returncode == 0, result.stdout + result.stderr


def test_pyright_agrees_on_the_typed_module_and_the_typos(tmp_path):
    pytest.importorskip("pyright")
    # The bundled pyright runs offline; the warnings would ask PyPI for a newer one.
    environment = dict(os.environ, PYRIGHT_PYTHON_IGNORE_WARNINGS="1")
    result = subprocess.run([sys.executable, "-m", "pyright", "--project", str(TYPECHECK / "pyrightconfig.json"),
                             "--pythonpath", sys.executable, *map(str, TYPECHECK_FILES)],
                            capture_output=True, text=True, cwd=tmp_path, env=environment, timeout=300)
    assert result.returncode == 0, result.stdout + result.stderr


@pytest.mark.parametrize("name", MODULES)
def test_every_module_ships_a_stub_and_documents_its_public_names(name):
    module = importlib.import_module(name)
    path = pathlib.Path(module.__file__)
    assert path.with_name(path.name.split(".")[0] + ".pyi").is_file()
    assert pathlib.Path(importlib.import_module("vexal").__file__).parent.joinpath("py.typed").is_file()
    undocumented = [name] if not module.__doc__ else []
    for attr, obj in vars(module).items():
        if attr.startswith("_") or getattr(obj, "__module__", None) != name or not callable(obj):
            continue
        members = [(attr, obj)] + [(f"{attr}.{key}", value) for key, value in vars(obj).items()
                                   if isinstance(obj, type) and not key.startswith("_")
                                   and (callable(value) or isinstance(value, property))]
        undocumented += [label for label, value in members if not value.__doc__]
    assert undocumented == []


def test_timedelta_shows_its_parameters():
    parameters = inspect.signature(Timedelta).parameters
    assert list(parameters)[:2] == ["value", "unit"] and parameters["alias"].kind is inspect.Parameter.KEYWORD_ONLY
