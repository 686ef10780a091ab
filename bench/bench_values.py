"""Speed and memory benchmark of the alias values, time spans and test ranges.

Run `python3 bench/bench_values.py` after `pip install .`. Every operation is
timed in the extension modules and in the pure-Python baseline
(`baseline_values.py`); `new_td_repr` and `Timedelta(1.5)` are also timed
against pandas' own `Timedelta.__repr__` (captured before vexal patches pandas)
and `pandas.Timedelta(1.5, unit="s")`. A final loop of one
million operations shows whether the process memory stays flat. The verdicts
are informational: the exit status is always 0.
"""
import os
import resource
import sys

import pandas

PANDAS_TD_REPR = pandas.Timedelta.__repr__

# Imported before vexal, so the baseline Timedelta wraps pandas' own operators.
import baseline_values  # noqa: E402
import vexal.test.ranges  # noqa: E402
import vexal.types.alias  # noqa: E402
import vexal.types.timedelta  # noqa: E402
from timing import ns_per_op_pair

SPEED_UP_TARGET = 3.0  # every row's target unless the row names its own
MEMORY_CHUNKS = 5
OPS_PER_CHUNK = 200_000

# (label, statement[, target]); each statement runs in both namespaces below.
CASES = [
    ("AliasFloat(1500.0)", "AliasFloat(1500.0)"),
    ("AliasFloat(1500.0, alias='Pnom')", "AliasFloat(1500.0, alias='Pnom')"),
    ("str(a), a aliased", "str(a)", 5.0),
    ("a + b, both aliased", "a + b"),
    ("a + 1000", "a + 1000"),
    ("a * b, both aliased", "a * b"),
    ("sizeof_fmt(1500.0)", "sizeof_fmt(1500.0)"),
    ("sizeof_fmt(2e-6)", "sizeof_fmt(2e-6)"),
    ("Timedelta(1.5)", "Timedelta(1.5)"),
    ("Timedelta('1ms')", "Timedelta('1ms')"),
    ("str(t), t = Timedelta(1.5)", "str(t)"),
    ("new_td_repr(p), p = pandas 1.5s", "new_td_repr(p)"),
    ("ta + 0.5, ta aliased", "ta + 0.5"),
    ("ta - p, ta aliased", "ta - p"),
    ("around(5, tol=1)", "around(5, tol=1)"),
    ("around(5)", "around(5)"),
    ("around(c), c = Timedelta(1)", "around(c)"),
    ("before(1)", "before(1)", 4.0),
    ("after(1)", "after(1)", 4.0),
]
# Rows against pandas' own operations, timed in the vexal namespace:
# (label, vexal statement, pandas statement, target). A target below 1 is a
# bound on the slow-down: 1 / 1.3 is "within 1.3x of pandas".
PANDAS_CASES = [
    ("new_td_repr(p) vs pandas' repr", "new_td_repr(p)", "pandas_repr(p)", 1.0),
    ("Timedelta(1.5) vs pandas.Timedelta", "Timedelta(1.5)", "PandasTimedelta(1.5, unit='s')", 1 / 1.3),
]




def operands(alias_module, timedelta_module, ranges_module):
    """Names the benchmark statements use, bound to one implementation."""
    AliasFloat = alias_module.AliasFloat
    Timedelta = timedelta_module.Timedelta
    return {
        "AliasFloat": AliasFloat,
        "sizeof_fmt": alias_module.sizeof_fmt,
        "Timedelta": Timedelta,
        "new_td_repr": timedelta_module.new_td_repr,
        "around": ranges_module.around,
        "before": ranges_module.before,
        "after": ranges_module.after,
        "a": AliasFloat(1500.0, alias="Pnom"),
        "b": AliasFloat(2.0, alias="gain"),
        "t": Timedelta(1.5),
        "c": Timedelta(1),
        "ta": Timedelta(1.5, alias="ta"),
        "p": pandas.Timedelta(1.5, unit="s"),
        "pandas_repr": PANDAS_TD_REPR,
        "PandasTimedelta": pandas.Timedelta,
    }


def same_text(statement, namespace, reference_namespace):
    same = repr(eval(statement, namespace)) == repr(eval(statement, reference_namespace))
    return "yes" if same else "NO"


def print_row(label, vexal_ns, reference_ns, reference, target, same):
    """Prints one table row; `same` is "yes", "NO" or "-" (texts differ by design)."""
    speed_up = reference_ns / vexal_ns
    verdict = "PASS" if speed_up >= target else "MISS"
    print("{:<34} {:>10.0f} {:>10.0f}  {:<9} {:>7.2f}x {:>6.2f}x  {:<4}  {}".format(
        label, vexal_ns, reference_ns, reference, speed_up, target, verdict, same))
    return verdict


def run_speed_table(vexal_ns, baseline_ns):
    print("{:<34} {:>10} {:>10}  {:<9} {:>8} {:>7}  {:<4}  {}".format(
        "operation", "vexal ns", "ref ns", "reference", "speed-up", "target",
        "", "same text"))
    print("-" * 100)
    verdicts = []
    for label, statement, *target in CASES:
        verdicts.append(print_row(
            label, *ns_per_op_pair(statement, vexal_ns, statement, baseline_ns),
            "baseline", target[0] if target else SPEED_UP_TARGET, same_text(statement, vexal_ns, baseline_ns)))
    pandas_verdicts = [
        print_row(label, *ns_per_op_pair(ours, vexal_ns, theirs, vexal_ns), "pandas", target, "-")
        for label, ours, theirs, target in PANDAS_CASES]
    print("-" * 100)
    print("target: every operation at its target against the baseline: {} ({} of {} rows)".format(
        "PASS" if all(v == "PASS" for v in verdicts) else "MISS", verdicts.count("PASS"), len(verdicts)))
    print("target: every operation at its target against pandas: {} ({} of {} rows)".format(
        "PASS" if all(v == "PASS" for v in pandas_verdicts) else "MISS", pandas_verdicts.count("PASS"),
        len(pandas_verdicts)))


def max_rss_mib():
    # Linux reports ru_maxrss in KiB.
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0


def current_rss_mib():
    """Resident size now, from /proc (Linux); the peak hides later shrinking."""
    with open("/proc/self/statm") as statm:
        resident_pages = int(statm.read().split()[1])
    return resident_pages * os.sysconf("SC_PAGE_SIZE") / 1024.0 ** 2


def run_memory_check(ns):
    """Runs MEMORY_CHUNKS * OPS_PER_CHUNK operations, five per round."""
    AliasFloat, Timedelta, around = ns["AliasFloat"], ns["Timedelta"], ns["around"]
    a, b = ns["a"], ns["b"]
    rounds_per_chunk = OPS_PER_CHUNK // 5
    print()
    print("memory: AliasFloat(alias=...), a + b, str(a), Timedelta(1.5), around(5)")
    print("  start:               RSS {:8.1f} MiB, max RSS {:8.1f} MiB".format(
        current_rss_mib(), max_rss_mib()))
    after_first_chunk = None
    for chunk in range(1, MEMORY_CHUNKS + 1):
        for _ in range(rounds_per_chunk):
            AliasFloat(1500.0, alias="Pnom")
            a + b
            str(a)
            Timedelta(1.5)
            around(5)
        rss = current_rss_mib()
        after_first_chunk = after_first_chunk or rss
        print("  after {:>9,} ops: RSS {:8.1f} MiB, max RSS {:8.1f} MiB".format(
            chunk * OPS_PER_CHUNK, rss, max_rss_mib()))
    print("memory: RSS growth after the first {:,} ops: {:+.1f} MiB".format(
        OPS_PER_CHUNK, current_rss_mib() - after_first_chunk))


def main():
    print("python {}, pandas {}".format(sys.version.split()[0], pandas.__version__))
    vexal_ns = operands(vexal.types.alias, vexal.types.timedelta, vexal.test.ranges)
    baseline_ns = operands(baseline_values, baseline_values, baseline_values)
    run_speed_table(vexal_ns, baseline_ns)
    run_memory_check(vexal_ns)
    return 0


if __name__ == "__main__":
    sys.exit(main())
