"""Hostile-input fuzzer: python -m tests.fuzz [--seed N] [--calls-per-module K] [module ...]

Calls every public callable and operator of every module (tests/fuzz/targets.py)
with hostile values and callbacks in child processes, and counts crashes
(a child killed by a signal), SystemErrors and hangs. The children run with
PYTHONMALLOC=debug unless it is set, so that a read of freed memory crashes. The run is reproducible
from the seed; --show prints the calls that failed. Exits with 1 if anything failed.
"""

import argparse
import os
import pathlib
import selectors
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

from tests.fuzz.targets import MODULES

ROOT = pathlib.Path(__file__).resolve().parents[2]
CRASH_MARKERS = ("SUMMARY:", "runtime error:", "Fatal Python error", "double free", "free():", "malloc():")


class Tally:
    def __init__(self, module):
        self.module, self.calls, self.failures, self.counts = module, 0, [], {"crash": 0, "SystemError": 0, "hang": 0}

    def fail(self, kind, index, text):
        self.counts[kind] += 1
        self.failures.append(f"{self.module} #{index} {kind}: {text}")


def run_child(tally, seed, start, stop, timeout):
    """Runs calls start..stop in one child; returns where the next child starts."""
    read_fd, write_fd = os.pipe()
    with tempfile.TemporaryFile() as output:
        child = subprocess.Popen(
            [sys.executable, "-X", "faulthandler", "-m", "tests.fuzz.worker", tally.module, f"--seed={seed}", f"--start={start}",
             f"--stop={stop}", f"--report-fd={write_fd}"],
            cwd=ROOT, env={**os.environ, "PYTHONMALLOC": os.environ.get("PYTHONMALLOC", "debug")}, pass_fds=[write_fd], stdin=subprocess.DEVNULL, stdout=output, stderr=output)
        os.close(write_fd)
        index, description, buffer, finished, hung = start - 1, "", b"", False, False
        with open(read_fd, "rb", buffering=0) as report, selectors.DefaultSelector() as selector:
            selector.register(report, selectors.EVENT_READ)
            while True:
                if not selector.select(timeout):
                    child.kill()
                    tally.fail("hang", index, description)
                    hung = True
                    break
                chunk = report.read(65536)
                if not chunk:
                    break
                *lines, buffer = (buffer + chunk).split(b"\n")
                for line in lines:
                    text = line.decode(errors="replace")
                    if text.startswith("> "):
                        index, description = int(text[2:]), ""
                    elif text.startswith(": "):
                        description = text[2:]
                    elif text.startswith("S "):
                        tally.fail("SystemError", index, f"{description} {text.partition(' :: ')[2]}")
                    elif text == "E":
                        finished = True
        code = child.wait()
        tally.calls += index + 1 - start
        if not finished and not hung:
            output.seek(0)
            lines = output.read().decode(errors="replace").strip().splitlines() or [""]
            cause = next((line for line in lines if any(marker in line for marker in CRASH_MARKERS)), lines[-1])
            tally.fail("crash", index, f"{description} (exit {code}; {cause[:300]})")
    return index + 1


def fuzz_module(module, seed, calls, timeout):
    tally = Tally(module)
    start = 0
    while start < calls:
        start = max(run_child(tally, seed, start, calls, timeout), start + 1)
    tally.calls = calls
    return tally


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python -m tests.fuzz", description=__doc__.splitlines()[0])
    parser.add_argument("modules", nargs="*", default=list(MODULES), help="modules to fuzz (default: all)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--calls-per-module", type=int, default=3000)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--timeout", type=float, default=30.0, help="seconds a call may take")
    parser.add_argument("--show", type=int, default=10, help="failed calls to print")
    options = parser.parse_args(argv)
    began = time.monotonic()
    with ThreadPoolExecutor(options.jobs) as pool:
        tallies = list(pool.map(lambda module: fuzz_module(module, options.seed, options.calls_per_module,
                                                            options.timeout), options.modules))
    print(f"{'module':34} {'calls':>7} {'crashes':>8} {'SystemError':>12} {'hangs':>6}")
    for tally in tallies:
        counts = tally.counts
        print(f"{tally.module:34} {tally.calls:7} {counts['crash']:8} {counts['SystemError']:12} {counts['hang']:6}")
    failures = [failure for tally in tallies for failure in tally.failures]
    for failure in failures[:options.show]:
        print(failure)
    if failures:
        print(f"one call again: PYTHONMALLOC=debug python -X faulthandler -m tests.fuzz.worker MODULE "
              f"--seed {options.seed} --start N --stop N+1 --report-fd 1")
    print(f"seed {options.seed}: {sum(t.calls for t in tallies)} calls, {len(failures)} failed, "
          f"{time.monotonic() - began:.0f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
