"""The built package as installed: what its modules export and where it can live."""

import importlib.util
import os
import pathlib
import shutil
import struct
import subprocess
import sys

import pytest

import vexal

PACKAGE_DIR = pathlib.Path(vexal.__file__).parent
MODULE_FILES = sorted(PACKAGE_DIR.rglob("*.so"))


def dynamic_exports(path):
    """Names of the defined global, weak and GNU-unique symbols in an ELF64 file's dynamic table."""
    data = path.read_bytes()
    assert data[:6] == b"\x7fELF\x02\x01", f"{path.name}: not a little-endian ELF64 file"
    shoff, = struct.unpack_from("<Q", data, 0x28)
    shentsize, shnum = struct.unpack_from("<HH", data, 0x3A)
    sections = [struct.unpack_from("<IIQQQQIIQQ", data, shoff + i * shentsize) for i in range(shnum)]
    dynsym = next(s for s in sections if s[1] == 11)  # SHT_DYNSYM
    strtab_offset = sections[dynsym[6]][4]
    names = set()
    for offset in range(dynsym[4], dynsym[4] + dynsym[5], 24):
        name, info, _, shndx = struct.unpack_from("<IBBH", data, offset)
        if shndx != 0 and info >> 4 != 0:  # defined, not local
            names.add(data[strtab_offset + name:data.index(b"\0", strtab_offset + name)].decode())
    return names


def test_every_module_exports_only_its_init_function():
    assert len(MODULE_FILES) >= 8
    exports = {path.name: dynamic_exports(path) for path in MODULE_FILES}
    assert exports == {path.name: {"PyInit_" + path.name.split(".")[0]} for path in MODULE_FILES}


def run_under(root, code):
    env = {**os.environ, "PYTHONPATH": str(root)}
    return subprocess.run([sys.executable, "-c", code], env=env, capture_output=True)


# Each module's namespace as its imports and then its definitions bind it: an
# import made only for the module's own use binds nothing.
@pytest.mark.parametrize("module, first_names", [
    ("vexal.types.timedelta", ["new_td_repr", "accept_castable", "_maybe_cast_slice_bound", "patch_pandas"]),
    ("vexal.utils.runshim", ["sys", "os", "pytest", "allure", "hil", "model", "importlib", "get_module"]),
    ("vexal.pytest_vexal.benchcast", ["io", "json", "os", "uuid", "List", "Dict", "zmq", "Enum", "unique",
                                      "JSONEncoder", "pytest", "MSG_SEP"]),
    ("vexal.allure_commons.stepline", ["str", "range", "logging", "PY2", "testlogger", "IndentationFilter"]),
    ("vexal.allure_realtime.listener", ["pytest", "allure_commons", "AllureCatchLogs", "stepline",
                                        "AllurePytestLoggerListener"]),
    ("vexal.allure_realtime.plugin", ["allure_commons", "AllurePytestLoggerListener", "cleanup_factory"]),
])
def test_module_namespaces_in_import_order(module, first_names):
    names = [name for name in vars(importlib.import_module(module)) if not name.startswith("__")]
    assert names[:len(first_names)] == first_names


def test_every_module_imports_from_a_directory_whose_name_is_not_utf8(tmp_path):
    root = tmp_path / os.fsdecode(b"grid-\xff-tests")
    shutil.copytree(PACKAGE_DIR, root / "vexal")
    # CPython 3.12 and 3.13 load no extension module at all from such a path.
    shutil.copy(importlib.util.find_spec("_csv").origin, root)
    if b"UnicodeEncodeError" in run_under(root, "import _csv").stderr:
        pytest.skip(f"CPython {sys.version.split()[0]} loads no extension module from a path that is not UTF-8")
    names = sorted(
        ".".join(("vexal",) + path.relative_to(PACKAGE_DIR).with_suffix("").parts).split(".cpython")[0]
        for path in MODULE_FILES + sorted(PACKAGE_DIR.rglob("*.py"))
    )
    child = run_under(root, f"""
import importlib, os
for name in {names!r}:
    module = importlib.import_module(name.removesuffix(".__init__"))
    assert os.fsencode(module.__file__).startswith({bytes(root)!r}), module.__file__
from vexal.test.ranges import around
assert os.fsencode(around.__code__.co_filename).startswith({bytes(root)!r})
assert str(around(1.0)).startswith("1.0")
""")
    assert child.returncode == 0, f"exit {child.returncode}: {child.stderr.decode(errors='replace')}"


README = pathlib.Path(__file__).parent.parent / "README.md"


@pytest.mark.skipif(not README.exists(), reason="no README.md beside the tests (not a checkout)")
def test_readme_jobs_keep_their_allure_results_apart_and_capture_output():
    # Each run of the examples in the main job starts from an empty results
    # directory of its own, and captures what the examples print, so that
    # allure-pytest attaches it to each test.
    main_job = README.read_text().split("\n# main job: ")[1].split("\n# tests: ")[0]
    jobs = [line.split() for line in main_job.splitlines() if "pytest examples" in line]
    result_dirs = {word for job in jobs for word in job if word.startswith("--alluredir=")}
    assert len(jobs) == len(result_dirs) == 2
    assert all("--clean-alluredir" in job and "-s" not in job for job in jobs)
