"""pandas' own tests with vexal's patch: python -m tests.pandas_suite [-n N] [--write FILE] [pytest args]

Runs the part of pandas' test suite (shipped inside the pandas wheel) that covers
time spans, date arithmetic, time indexes, slicing and offsets, with
`vexal.types.timedelta` imported first (patch_plugin.py), and compares the failures
with the intended differences listed for the installed pandas in
differences/pandas-<major>.<minor>.txt. Exits with 1 on a failure that is not
listed, and on a listed test that no longer fails, so the list stays true.
--write FILE writes the failures in the list's format instead of comparing.
"""

import argparse
import os
import pathlib
import sys

import pandas
import pytest

HERE = pathlib.Path(__file__).resolve().parent
SUBSET = [
    "scalar/timedelta",
    "arithmetic/test_timedelta64.py",
    "arithmetic/test_datetime64.py",
    "indexes/timedeltas",
    "indexes/datetimes/test_partial_slicing.py",
    "indexing/test_datetime.py",
    "indexing/test_loc.py",
    "indexing/test_partial.py",
    "series/indexing",
    "tseries/offsets",
    "tslibs/test_timedeltas.py",
    "tools/test_to_timedelta.py",
    "resample/test_timedelta.py",
    "arithmetic/test_object.py",
    "arithmetic/test_period.py",
]


class Recorder:
    """Collects the node ids that failed in any phase, or failed to collect."""

    def __init__(self):
        self.failed, self.ran = {}, set()

    def pytest_runtest_logreport(self, report):
        self.ran.add(report.nodeid)
        if report.failed:
            self.failed.setdefault(report.nodeid, _crash_message(report))

    def pytest_collectreport(self, report):
        if report.failed:
            self.failed.setdefault(report.nodeid, _crash_message(report))


def _crash_message(report):
    crash = getattr(report.longrepr, "reprcrash", None)
    text = crash.message if crash else str(report.longrepr)
    return text.splitlines()[0] if text else ""


def list_path():
    version = ".".join(pandas.__version__.split(".")[:2])
    return HERE / "differences" / f"pandas-{version}.txt"


def read_list(path):
    """{node id: reason}, the reason being the '## ' header above it; text after
    '  # ' on a line is a comment."""
    listed, reason = {}, None
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith("## "):
            reason = line[3:].strip()
        elif line.strip() and not line.startswith("#"):
            listed[line.split("  # ")[0].strip()] = reason
    return listed


def run(workers, extra):
    tests = pathlib.Path(pandas.__file__).parent / "tests"
    # Tracebacks stay out of the output: compare() names every failure that counts.
    args = ["-c", str(HERE / "pytest.ini"), "--rootdir", str(tests.parent.parent), "-q", "--tb=no", "-rN",
            "-p", "no:randomly", "-p", "tests.pandas_suite.patch_plugin", *(["-n", str(workers)] if workers else []),
            *extra, *(str(tests / part) for part in SUBSET)]
    recorder = Recorder()
    status = pytest.main(args, plugins=[recorder])
    if status not in (pytest.ExitCode.OK, pytest.ExitCode.TESTS_FAILED):
        sys.exit(f"error: pytest stopped with {status!r}")
    return recorder


def compare(recorder, listed):
    unlisted = {node: text for node, text in recorder.failed.items() if node not in listed}
    passing = [node for node in listed if node not in recorder.failed]
    for node, text in sorted(unlisted.items()):
        print(f"UNLISTED FAILURE {node}: {text}")
    for node in passing:
        state = "passes" if node in recorder.ran else "did not run"
        print(f"LISTED BUT {state.upper()} {node} ({listed[node]})")
    counts = {}
    for node in listed:
        counts[listed[node]] = counts.get(listed[node], 0) + (node in recorder.failed)
    print(f"\npandas {pandas.__version__}: {len(recorder.failed)} failures, "
          f"{len(recorder.failed) - len(unlisted)} of them intended:")
    for reason, count in counts.items():
        print(f"  {count:5}  {reason}")
    return not unlisted and not passing


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", "--workers", type=int, default=2, help="pytest-xdist workers (0: none)")
    parser.add_argument("--write", metavar="FILE", help="write the failures as a list instead of comparing")
    options, extra = parser.parse_known_args()
    path = list_path()
    if not options.write and not path.exists():
        sys.exit(f"error: no list of intended differences for pandas {pandas.__version__} ({path})")
    # The workers import the patch plugin by its dotted name from the checkout.
    root = str(HERE.parents[1])
    sys.path.insert(0, root)
    os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [root, os.environ.get("PYTHONPATH")]))
    recorder = run(options.workers, extra)
    if options.write:
        lines = (f"{node}  # {recorder.failed[node]}\n" for node in sorted(recorder.failed))
        pathlib.Path(options.write).write_text("".join(lines), encoding="utf-8")
        return 0
    return 0 if compare(recorder, read_list(path)) else 1


if __name__ == "__main__":
    sys.exit(main())
