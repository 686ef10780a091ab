"""Speed of the live step log: the C++ step logger and listener against a
straight Python transcription (`baseline_steplog.py`) measured in the same
run, and the cost of the plugin in a pytest run of 2,000 trivial tests.

Run `python bench/bench_steplog.py` after `pip install .`. The verdicts are
informational: the exit status is always 0.
"""
import logging
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time
import timeit

import baseline_steplog
from vexal.allure_commons import stepline
from vexal.allure_realtime.listener import AllurePytestLoggerListener

SPEED_UP_TARGET = 3.0
PLUGIN_OVERHEAD_TARGET = 0.10
REPEATS = 5
TESTS_IN_RUN = 2000
RUNS = 5

PARAMS = {"amplitude": 230, "phase": 0, "frequency": 50.0}


class FixtureDef(object):
    argname = "grid"


def step_cases(module, listener):
    fixturedef = FixtureDef()

    def step():
        module.start_step("Set source", PARAMS)
        module.stop_step()

    def hooks():
        listener.start_step("uuid", "Set source", PARAMS)
        listener.stop_step("uuid", None, None, None)

    def fixture_wrapper():
        wrapper = listener.pytest_fixture_setup(fixturedef, None)
        next(wrapper)
        next(wrapper, None)

    return [("start_step+stop_step, 3 parameters", step),
            ("listener start_step+stop_step hooks, 3 parameters", hooks),
            ("listener fixture wrapper", fixture_wrapper)]


def per_call(func):
    timer = timeit.Timer(func)
    number, _ = timer.autorange()
    return min(timer.repeat(REPEATS, number)) / number


# How the loggers are set up for a row: (label, level, info replaced by a
# builtin that does nothing). With info replaced, the rows show the work of
# the step logger itself: the texts are made and handed over, but logging
# makes no record.
LOGGER_SETUPS = [
    ("records to a do-nothing handler", logging.INFO, False),
    ("texts to a do-nothing info", logging.INFO, True),
    ("INFO filtered out by level", logging.WARNING, False),
]


def configure(logger, level, replace_info):
    logger.handlers[:] = [logging.NullHandler()]
    logger.setLevel(level)
    if replace_info:
        logger.info = id
    else:
        vars(logger).pop("info", None)


def bench_calls():
    rows = []
    cpp_cases = step_cases(stepline, AllurePytestLoggerListener())
    base_cases = step_cases(baseline_steplog, baseline_steplog.AllurePytestLoggerListener())
    for when, level, replace_info in LOGGER_SETUPS:
        configure(stepline.testlogger, level, replace_info)
        configure(baseline_steplog.testlogger, level, replace_info)
        for (label, cpp), (_, base) in zip(cpp_cases, base_cases):
            rows.append(("{} ({})".format(label, when), per_call(cpp), per_call(base)))
    for logger in (stepline.testlogger, baseline_steplog.testlogger):
        configure(logger, logging.NOTSET, False)
    return rows


TRIVIAL_TESTS = """
import allure

def make(i):
    def test():
        with allure.step("step"):
            pass
    return test

for i in range({count}):
    globals()["test_%d" % i] = make(i)
"""


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run_pytest(directory, *options):
    """Wall time and CPU time of one pytest run, and its output."""
    command = [sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", "-p", "no:benchmark",
               "-p", "no:hypothesispytest", directory, *options]
    cpu, start = children_cpu(), time.perf_counter()
    result = subprocess.run(command, cwd=directory, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    elapsed, cpu = time.perf_counter() - start, children_cpu() - cpu
    if result.returncode != 0:
        raise RuntimeError("pytest failed:\n" + result.stdout[-2000:])
    return (elapsed, cpu), result.stdout


def bench_run():
    with tempfile.TemporaryDirectory() as directory:
        with open(os.path.join(directory, "test_trivial.py"), "w") as f:
            f.write(TRIVIAL_TESTS.format(count=TESTS_IN_RUN))
        rows = []
        for extra, label in (((), "without --alluredir"), (("--alluredir", os.path.join(directory, "results")),
                                                           "with --alluredir")):
            on, off = [], []
            for _ in range(RUNS):  # interleaved, so drifts in machine load hit both
                times, output = run_pytest(directory, *extra)
                assert output.count("> step") == TESTS_IN_RUN, "the live log is missing"
                on.append(times)
                times, output = run_pytest(directory, "-p", "no:vexal_allure_realtime", *extra)
                assert "> step" not in output
                off.append(times)
            for index, kind in ((0, "wall"), (1, "CPU")):
                # The median ratio of the paired runs resists load that comes
                # and goes on a shared machine better than a ratio of minima.
                ratio = statistics.median(a[index] / b[index] for a, b in zip(on, off))
                rows.append(("{}, {}".format(label, kind), min(t[index] for t in on), min(t[index] for t in off),
                             ratio))
        return rows


def main():
    print("step log calls: C++ modules against the Python transcription, best of {}".format(REPEATS))
    for label, cpp, base in bench_calls():
        ratio = base / cpp
        verdict = "ok" if ratio >= SPEED_UP_TARGET else "below target"
        print("  {:<88} C++ {:8.2f} us  Python {:8.2f} us  speed-up {:5.2f}x  {}".format(
            label, cpp * 1e6, base * 1e6, ratio, verdict))
    print("pytest run of {} tests each opening one Allure step, with and without the plugin, {} interleaved "
          "pairs of runs: best times, median ratio of the pairs".format(TESTS_IN_RUN, RUNS))
    for label, on, off, ratio in bench_run():
        overhead = ratio - 1
        verdict = "ok" if overhead < PLUGIN_OVERHEAD_TARGET else "above target"
        print("  {:<28} with plugin {:6.2f} s  without {:6.2f} s  ratio {:5.3f} (overhead {:+.1%})  {}".format(
            label, on, off, ratio, overhead, verdict))


if __name__ == "__main__":
    main()
