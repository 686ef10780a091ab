"""Speed and memory benchmark of the alias values, time spans and test ranges.

Run `python3 bench/bench_values.py` after `pip install .`. Every operation is
timed in the extension modules and in the pure-Python baseline
(`baseline_values.py`); `new_td_repr` is also timed against pandas' own
`Timedelta.__repr__`, captured before vexal patches pandas. A final loop of one
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
from timing import ns_per_op

SPEED_UP_TARGET = 3.0
MEMORY_CHUNKS = 5
OPS_PER_CHUNK = 200_000

# (label, statement) pairs; each statement runs in both namespaces below.
CASES = [
    ("AliasFloat(1500.0)", "AliasFloat(1500.0)"),
    ("AliasFloat(1500.0, alias='Pnom')", "AliasFloat(1500.0, alias='Pnom')"),
    ("str(a), a aliased", "str(a)"),
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
]
PANDAS_REPR_LABEL = "new_td_repr(p) vs pandas' repr"


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
        "a": AliasFloat(1500.0, alias="Pnom"),
        "b": AliasFloat(2.0, alias="gain"),
        "t": Timedelta(1.5),
        "c": Timedelta(1),
        "ta": Timedelta(1.5, alias="ta"),
        "p": pandas.Timedelta(1.5, unit="s"),
        "pandas_repr": PANDAS_TD_REPR,
    }


def same_text(statement, namespace, reference_namespace):
    same = repr(eval(statement, namespace)) == repr(eval(statement, reference_namespace))
    return "yes" if same else "NO"


def print_row(label, vexal_ns, reference_ns, reference, target, same):
    """Prints one table row; `same` is "yes", "NO" or "-" (texts differ by design)."""
    speed_up = reference_ns / vexal_ns
    verdict = "PASS" if speed_up >= target else "MISS"
    print("{:<34} {:>10.0f} {:>10.0f}  {:<9} {:>7.2f}x {:>6.1f}x  {:<4}  {}".format(
        label, vexal_ns, reference_ns, reference, speed_up, target, verdict, same))
    return verdict


def run_speed_table(vexal_ns, baseline_ns):
    print("{:<34} {:>10} {:>10}  {:<9} {:>8} {:>7}  {:<4}  {}".format(
        "operation", "vexal ns", "ref ns", "reference", "speed-up", "target",
        "", "same text"))
    print("-" * 100)
    verdicts = []
    for label, statement in CASES:
        verdicts.append(print_row(
            label, ns_per_op(statement, vexal_ns), ns_per_op(statement, baseline_ns),
            "baseline", SPEED_UP_TARGET, same_text(statement, vexal_ns, baseline_ns)))
    pandas_verdict = print_row(
        PANDAS_REPR_LABEL, ns_per_op("new_td_repr(p)", vexal_ns),
        ns_per_op("pandas_repr(p)", vexal_ns), "pandas", 1.0, "-")
    print("-" * 100)
    print("target: every operation >= {:.0f}x faster than the baseline: {} ({} of {} rows)".format(
        SPEED_UP_TARGET, "PASS" if all(v == "PASS" for v in verdicts) else "MISS",
        verdicts.count("PASS"), len(verdicts)))
    print("target: new_td_repr faster than pandas' own repr: {}".format(pandas_verdict))


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
