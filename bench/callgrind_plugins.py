"""Instructions the two pytest plugins add per test, counted by callgrind
(wall time is too noisy on a shared machine for differences this small).

Run `python bench/callgrind_plugins.py [variant ...]` after `pip install .`
with valgrind installed. Each variant is a pytest run of one-step tests with
a fixture, with some of the plugins disabled; every run is counted at two
sizes, so that

- "per test" is the slope (what one more test costs) above the run without
  either plugin, and
- "amortized" is the whole difference at the larger size divided by its
  tests (start-up included).

Variants: both, ide, steplog, ide-proxy (the IDE plugin publishing to a
live proxy, which runs outside valgrind). Without arguments: all of them.
The verdicts are informational: the exit status is 0 unless a run fails.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SIZES = (100, 300)
TARGET = 400_000  # both plugins together, per test
IDE_OFF, STEPLOG_OFF = ["-p", "no:vexal_benchcast"], ["-p", "no:vexal_allure_realtime"]
VARIANTS = {
    "both": [],
    "ide": STEPLOG_OFF,
    "steplog": IDE_OFF,
    "ide-proxy": STEPLOG_OFF + ["--msg_proxy_path={proxy}"],
}

TEST_MODULE = """
import allure
import pytest

@pytest.fixture
def grid():
    return 230.0

@pytest.mark.parametrize("i", range({size}))
def test_one_step(grid, i):
    with allure.step("Set source"):
        pass
"""


def instructions(root, size, extra):
    directory = os.path.join(root, f"tests{size}")
    if not os.path.isdir(directory):
        os.makedirs(directory)
        with open(os.path.join(directory, "test_steps.py"), "w") as module:
            module.write(TEST_MODULE.format(size=size))
    out = os.path.join(root, "callgrind.out")
    command = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", sys.executable, "-m", "pytest",
               "-q", "-p", "no:cacheprovider", directory, *extra]
    # One hash seed for every run: with random ones the same run differs by
    # hundreds of thousands of instructions (set orders, collector timing).
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=root,
                   env=dict(os.environ, PYTHONHASHSEED="0"))
    with open(out) as counts:
        summary = re.search(r"^summary: (\d+)", counts.read(), re.M)
    os.remove(out)
    return int(summary.group(1))


def start_proxy(directory):
    process = subprocess.Popen([sys.executable, "-m", "vexal.tools.msgproxy", directory], stdout=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while not os.path.exists(os.path.join(directory, "msgproxy.json")):
        if time.monotonic() > deadline or process.poll() is not None:
            process.kill()
            raise SystemExit("the message proxy did not start")
        time.sleep(0.02)
    return process


def main(names):
    if not shutil.which("valgrind"):
        raise SystemExit("valgrind is not installed (apt-get install valgrind)")
    unknown = set(names) - set(VARIANTS)
    if unknown:
        raise SystemExit(f"unknown variants {sorted(unknown)}; choose from {sorted(VARIANTS)}")
    with tempfile.TemporaryDirectory() as root:
        proxy_dir = os.path.join(root, "proxy")
        os.makedirs(proxy_dir)
        proxy = start_proxy(proxy_dir)
        try:
            def count(extra):
                extra = [arg.format(proxy=proxy_dir) for arg in extra]
                return [instructions(root, size, extra) for size in SIZES]

            small, large = SIZES
            base = count(IDE_OFF + STEPLOG_OFF)
            for name in names or VARIANTS:
                counts = count(VARIANTS[name])
                slope = ((counts[1] - counts[0]) - (base[1] - base[0])) / (large - small)
                amortized = (counts[1] - base[1]) / large
                verdict = f" (target <= {TARGET / 1e6:.1f} M: {'PASS' if slope <= TARGET else 'MISS'})" \
                    if name == "both" else ""
                print(f"{name:>9}: {slope / 1e6:.3f} M instructions per test{verdict}, "
                      f"{amortized / 1e6:.3f} M amortized over {large} tests with start-up")
        finally:
            proxy.terminate()
            proxy.wait()


if __name__ == "__main__":
    main(sys.argv[1:])
