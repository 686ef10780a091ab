"""Speed and memory benchmark of the report decorators and the plots.

Run `python3 bench/bench_decorators.py` after `pip install .` (matplotlib
uses the Agg backend here). Everything is timed in the extension modules and
in the pure-Python transcription (`baseline_decorators.py`) in the same run:

1. Call overhead of the step decorators' wrappers: the time a decorated call
   takes beyond the plain call, with the host's `step` and `empty_step`
   replaced by stand-ins that do nothing (the wrappers' own work, target 2x
   lower), then once more with the host's real ones (informational: the
   Allure hooks dominate there).
2. Each plot function (target: at least as fast; matplotlib does nearly all
   the work), with the share of the time spent in matplotlib's savefig.
3. decorate_module_public_attr on a module of 200 functions.
4. 1,000 calls of each plot function: the figure numbers stay those after
   the first call and the resident memory stays flat.

`--no-memory` leaves out section 4, `--memory-only` runs only section 4. The
verdicts are informational: the exit status is always 0. Timings on a
shared machine are noisy.
"""
import cProfile
import gc
import io
import os
import pstats
import resource
import sys
import timeit
import types

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import pandas as pd  # noqa: E402

import baseline_decorators  # noqa: E402
import vexal.pytest_vexal.decorators as decorators  # noqa: E402
import vexal.utils.plotting as plotting  # noqa: E402
from vexal.types.alias import AliasFloat  # noqa: E402
from timing import REPEATS, ns_per_op, verdict

OVERHEAD_TARGET = 2.0
PLOT_TARGET = 1.0
PLOT_ROUNDS = 10
MEMORY_CALLS = 1000
MODULE_SIZE = 200


# ---- 1. wrapper overhead ----

# Results made once, so that the wrapped calls cost little and the same
# every time: the overhead is the decorated call's time less the plain one.
SOURCE_VALUE = AliasFloat(230, alias="Vnom")
DC_LINK = (AliasFloat(700, alias="p"), AliasFloat(-700, alias="n"))


def set_source_value(value, alias=None):
    return SOURCE_VALUE


def read_dc_link(alias=None):
    return DC_LINK


# (label, decorator, statement, the aliased values the call formats)
WRAPPER_CASES = [
    ("log_alias_decorator, no alias", "log_alias_decorator", "f(230)", ()),
    ("log_alias_decorator, alias=", "log_alias_decorator", "f(230, alias='Vnom')", (SOURCE_VALUE,)),
    ("log_alias_decorator, alias=, tuple", "log_alias_decorator", "g(alias='dc')", DC_LINK),
    ("step_with_alias_decorator, no alias", "step_with_alias_decorator", "f(230)", ()),
    ("step_with_alias_decorator, alias=", "step_with_alias_decorator", "f(230, alias='Vnom')", (SOURCE_VALUE,)),
]


def formatting_ns(values):
    """What format(value, "") costs for the values an alias entry shows: the
    alias module's own text, the same for both implementations."""
    return sum(ns_per_op("format(v, '')", {"v": v}) for v in values)


def plain_step(title, flatten=True):
    return lambda func: func


def plain_empty_step(text):
    pass


def wrapper_namespace(module, decorator_name):
    decorate = getattr(module, decorator_name)
    return {"f": decorate(set_source_value), "g": decorate(read_dc_link)}


def run_wrapper_table(host):
    modules = (decorators, baseline_decorators)
    saved = [(m.step, m.empty_step) for m in modules]
    if not host:
        for m in modules:
            m.step, m.empty_step = plain_step, plain_empty_step
    try:
        title = "real host step/empty_step" if host else "stand-in step/empty_step (wrappers' own work)"
        print("\n1. wrapper call overhead, {}".format(title))
        print("{:<40} {:>9} {:>9} {:>9} {:>8}  {}".format("call", "plain ns", "vexal ns", "base ns",
                                                          "ratio", "" if host else "target 2x"))
        plain = {"f": set_source_value, "g": read_dc_link}
        for label, decorator_name, statement, formatted in WRAPPER_CASES:
            plain_ns = ns_per_op(statement.replace(", alias='Vnom'", "").replace("alias='dc'", ""), plain)
            vexal_ns = ns_per_op(statement, wrapper_namespace(decorators, decorator_name))
            base_ns = ns_per_op(statement, wrapper_namespace(baseline_decorators, decorator_name))
            if host:
                ratio = base_ns / vexal_ns
                print("{:<40} {:>9.0f} {:>9.0f} {:>9.0f} {:>7.2f}x  (whole call)".format(
                    label, plain_ns, vexal_ns, base_ns, ratio))
            else:
                ratio = (base_ns - plain_ns) / max(vexal_ns - plain_ns, 1.0)
                shared = formatting_ns(formatted)
                own = (base_ns - plain_ns - shared) / max(vexal_ns - plain_ns - shared, 1.0)
                print("{:<40} {:>9.0f} {:>9.0f} {:>9.0f} {:>7.2f}x  {} (overhead {:.0f} vs {:.0f} ns{})".format(
                    label, plain_ns, vexal_ns, base_ns, ratio, verdict(ratio, OVERHEAD_TARGET),
                    vexal_ns - plain_ns, base_ns - plain_ns,
                    "; {:.2f}x without the {:.0f} ns of formatting the aliased values".format(own, shared)
                    if formatted else ""))
    finally:
        for m, (step, empty_step) in zip(modules, saved):
            m.step, m.empty_step = step, empty_step


# ---- 2. plot functions ----

class Phasor(object):
    def __init__(self, mag, angle, alias):
        self.mag, self.angle, self.alias = mag, angle, alias


class PhasorSet(list):
    def __str__(self):
        return ", ".join("{}={}<{}".format(p.alias, p.mag, p.angle) for p in self)


def phasor_set(mags, suffix=""):
    phases = PhasorSet(Phasor(m, a, n + suffix) for m, a, n in zip(mags, (0, -120, 120), ("Va", "Vb", "Vc")))
    if not suffix:
        phases.pos_seq = phasor_set(mags, "1")
        phases.neg_seq = phasor_set([m / 10.0 for m in mags], "2")
        phases.zero_seq = phasor_set([m / 20.0 for m in mags], "0")
    return phases


class Spectrum(object):
    def __init__(self):
        self.freqs = np.arange(0, 1000, 10.0)
        self.fft = (0.1 * np.exp(-self.freqs / 300)).astype(complex)
        self.fft[5], self.fft[25], self.fft[35] = 10 + 5j, -3, 2j


def make_capture():
    t = np.arange(0, 0.04, 0.0002)
    return pd.DataFrame({"Va": 325 * np.sin(2 * np.pi * 50 * t)}, index=pd.to_timedelta(t, unit="s"))


CAPTURE, SPECTRUM = make_capture(), Spectrum()
BEFORE, AFTER = phasor_set([230, 230, 230]), phasor_set([115, 230, 230])

PLOT_CASES = [
    ("capture_plot(dest='memory')", lambda m: m.capture_plot(CAPTURE, dest="memory")),
    ("harmonic_plot(content, buffer)", lambda m: m.harmonic_plot(SPECTRUM, io.BytesIO())),
    ("plot_phasors(after, before, output=)", lambda m: m.plot_phasors(AFTER, BEFORE, output=io.BytesIO())),
    ("plot_phasors(..., type='pos_seq')",
     lambda m: m.plot_phasors(AFTER, BEFORE, type="pos_seq", output=io.BytesIO())),
]


def best_ms(draw, module):
    """Best of PLOT_ROUNDS calls, in milliseconds."""
    times = []
    for _ in range(PLOT_ROUNDS):
        start = timeit.default_timer()
        draw(module)
        times.append(timeit.default_timer() - start)
    return min(times) * 1e3


def savefig_share(draw):
    """Share of one vexal call spent inside matplotlib's savefig."""
    profile = cProfile.Profile()
    profile.runcall(draw, plotting)
    stats = pstats.Stats(profile)
    saved = sum(row[3] for (path, _, name), row in stats.stats.items()
                if name == "savefig" and path.endswith("pyplot.py"))
    return saved / stats.total_tt


def run_plot_table():
    print("\n2. plot functions (best of {} calls each, interleaved)".format(PLOT_ROUNDS))
    print("{:<38} {:>9} {:>9} {:>8} {:>6}  {:<4}  {}".format("call", "vexal ms", "base ms", "ratio", "target",
                                                           "", "in savefig"))
    for label, draw in PLOT_CASES:
        draw(plotting), draw(baseline_decorators)  # warm-up
        vexal_ms, base_ms = [], []
        for _ in range(3):
            vexal_ms.append(best_ms(draw, plotting))
            base_ms.append(best_ms(draw, baseline_decorators))
        ratio = min(base_ms) / min(vexal_ms)
        print("{:<38} {:>9.2f} {:>9.2f} {:>7.3f}x {:>5.1f}x  {:<4}  {:.0%}".format(
            label, min(vexal_ms), min(base_ms), ratio, PLOT_TARGET, verdict(ratio, PLOT_TARGET * 0.98),
            savefig_share(draw)))
    print("(a ratio within 2% of 1.0 counts as even: both make the same matplotlib calls)")


# ---- 3. decorate_module_public_attr ----

def make_module(size):
    module = types.ModuleType("api_{}".format(size))
    for i in range(size):
        exec("def function_{0:03d}(value, alias=None):\n    return value\n".format(i), module.__dict__)
    module.print, module.len, module.Kind = print, len, type("Kind", (), {})
    return module


def run_module_table():
    print("\n3. decorate_module_public_attr on a module of {} functions".format(MODULE_SIZE))
    module = make_module(MODULE_SIZE)
    identity = "decorate_module_public_attr(module, lambda f: f)"
    vexal_ns = ns_per_op(identity, {"decorate_module_public_attr": decorators.decorate_module_public_attr,
                                    "module": module})
    base_ns = ns_per_op(identity, {"decorate_module_public_attr": baseline_decorators.decorate_module_public_attr,
                                   "module": module})
    print("{:<58} {:>8.2f} ms {:>8.2f} ms {:>7.2f}x".format("selection only (identity decorator)", vexal_ns / 1e6,
                                                            base_ns / 1e6, base_ns / vexal_ns))
    times = {}
    for name, module_of in (("vexal", decorators), ("base", baseline_decorators)):
        best = float("inf")
        for _ in range(REPEATS):
            fresh = make_module(MODULE_SIZE)
            start = timeit.default_timer()
            module_of.decorate_module_public_attr(fresh, module_of.step_with_alias_decorator)
            best = min(best, timeit.default_timer() - start)
        times[name] = best
    print("{:<58} {:>8.2f} ms {:>8.2f} ms {:>7.2f}x".format(
        "with step_with_alias_decorator (fresh module each run)", times["vexal"] * 1e3, times["base"] * 1e3,
        times["base"] / times["vexal"]))


# ---- 4. figures and memory ----

def current_rss_mib():
    with open("/proc/self/statm") as statm:
        resident_pages = int(statm.read().split()[1])
    return resident_pages * os.sysconf("SC_PAGE_SIZE") / 1024.0 ** 2


def run_memory_check():
    print("\n4. {:,} calls of each plot function (low DPI to keep it short)".format(MEMORY_CALLS))
    with matplotlib.rc_context({"savefig.dpi": 20, "figure.dpi": 20}):
        for label, draw in PLOT_CASES:
            draw(plotting)
            fignums = plt.get_fignums()
            gc.collect()
            rss = [current_rss_mib()]
            for chunk in range(4):
                for _ in range(MEMORY_CALLS // 4):
                    draw(plotting)
                gc.collect()
                rss.append(current_rss_mib())
            same = "same" if plt.get_fignums() == fignums else "CHANGED {}".format(plt.get_fignums())
            print("{:<38} figures {} {}; RSS MiB {} (growth over the last 3/4: {:+.1f})".format(
                label, fignums, same, " ".join("{:.1f}".format(r) for r in rss), rss[-1] - rss[1]), flush=True)
    print("max RSS {:.1f} MiB".format(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0))


def main():
    print("python {}, matplotlib {}, numpy {}, pandas {}".format(
        sys.version.split()[0], matplotlib.__version__, np.__version__, pd.__version__))
    if "--memory-only" not in sys.argv:
        run_wrapper_table(host=False)
        run_wrapper_table(host=True)
        run_plot_table()
        run_module_table()
    if "--no-memory" not in sys.argv:
        run_memory_check()
    return 0


if __name__ == "__main__":
    sys.exit(main())
