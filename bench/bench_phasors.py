"""Speed and memory benchmark of the phasors and the three-phase transformations.

Run `python bench/bench_phasors.py` after `pip install .` (add `--quick` to
skip the 10 million sample rows). Every operation is timed in the extension
modules and in the pure-Python baseline (`baseline_phasors.py`, numpy
element-wise operations for the frames) in the same run. At 10 million
samples the frame functions are also set against a memory floor measured in
the same run (numpy copies of the 4 input and 3 output columns into a new
3 x N block), and the peak memory that `abc_to_dq0` allocates is traced
(tracemalloc, which numpy reports its buffers to). The verdicts are
informational: the exit status is always 0.
"""
import gc
import sys
import time
import timeit
import tracemalloc

import numpy as np
import pandas as pd

import baseline_phasors
import vexal.test.transformations as transformations
import vexal.types.phasors as phasors
from timing import REPEATS, ns_per_op_pair, verdict

SIZES = [1_000, 100_000, 10_000_000]
FRAME_TARGETS = {1_000: 4.0, 10_000_000: 8.0}  # speed-up over the numpy transcription
FLOOR_TARGET = 1.5  # at most this many times the memory floor at 10 million samples
PEAK_TARGET = 1.1  # peak allocation at most this many times the output block

SCALAR_CASES = [
    ("Phasor(mag=10, angle=30)", "Phasor(mag=10, angle=30)", 5.0),
    ("str(p), p aliased", "str(p)", 3.0),
    ("p + q, both aliased", "p + q", 3.0),
    ("p * q, both aliased", "p * q", 3.0),
    ("Phasors3ph(pa, pb, pc)", "Phasors3ph(pa, pb, pc)", 5.0),
    ("symmetrical_components(x, y, z)", "symmetrical_components(x, y, z)", 3.0),
]


def scalar_operands(phasor_module, symmetrical_components):
    Phasor = phasor_module.Phasor
    return {
        "Phasor": Phasor,
        "Phasors3ph": phasor_module.Phasors3ph,
        "symmetrical_components": symmetrical_components,
        "p": Phasor(mag=230, angle=30, alias="Va"),
        "q": Phasor(mag=2, angle=-10, alias="k"),
        "pa": Phasor(mag=277, angle=0),
        "pb": Phasor(mag=177, angle=100),
        "pc": Phasor(mag=200, angle=-140),
        "x": 1 + 0j, "y": -0.5 - 0.866j, "z": -0.5 + 0.866j,
    }


def run_scalar_table():
    mine = scalar_operands(phasors, transformations.symmetrical_components)
    base = scalar_operands(baseline_phasors, baseline_phasors.symmetrical_components)
    print("{:<34} {:>10} {:>10} {:>9} {:>7}  {:<4}  {}".format(
        "operation", "vexal ns", "base ns", "speed-up", "target", "", "same text"))
    print("-" * 90)
    for label, statement, target in SCALAR_CASES:
        ours, theirs = ns_per_op_pair(statement, mine, statement, base)
        same = "yes" if repr(eval(statement, mine)) == repr(eval(statement, base)) else "NO"
        print("{:<34} {:>10.0f} {:>10.0f} {:>8.2f}x {:>6.1f}x  {:<4}  {}".format(
            label, ours, theirs, theirs / ours, target, verdict(theirs / ours, target), same))


def signals_of(n):
    rng = np.random.default_rng(0)
    t = np.arange(n) / 10_000.0
    theta = pd.Series(2 * np.pi * 50 * t)
    block = np.empty((n, 3))
    for i, shift in enumerate((0, -2 * np.pi / 3, 2 * np.pi / 3)):
        block[:, i] = 325 * np.cos(theta.values + shift) + rng.normal(size=n)
    return pd.DataFrame(block, columns=["a", "b", "c"]), theta


def best_seconds(run, repeats):
    times = []
    for _ in range(repeats):
        gc.collect()
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def memory_floor(signals, theta):
    """4 column reads and 3 column writes into a new 3 x N block."""
    columns = [signals.iloc[:, i].values for i in range(3)] + [theta.values]
    block = np.empty((3, len(theta)))
    np.copyto(block[0], columns[0])
    np.copyto(block[1], columns[1])
    np.add(columns[2], columns[3], out=block[2])
    return block


def run_frame_table(sizes):
    print()
    print("{:<12} {:>11} {:>13} {:>13} {:>9} {:>7}  {:<4}  {:>11} {:>8}".format(
        "function", "samples", "vexal ms", "numpy ms", "speed-up", "target", "", "floor ms", "x floor"))
    print("-" * 100)
    for n in sizes:
        signals, theta = signals_of(n)
        repeats = 2 if n >= 10_000_000 else 5
        floor = best_seconds(lambda: memory_floor(signals, theta), repeats) if n >= 10_000_000 else None
        dq0 = transformations.abc_to_dq0(signals, theta)
        for name, frame in (("abc_to_dq0", signals), ("dq0_to_abc", dq0)):
            ours_fn, base_fn = getattr(transformations, name), getattr(baseline_phasors, name)
            if n < 10_000_000:
                ours = min(timeit.repeat(lambda: ours_fn(frame, theta), number=max(1, 20_000 // (n // 50)),
                                         repeat=REPEATS)) / max(1, 20_000 // (n // 50))
                base = min(timeit.repeat(lambda: base_fn(frame, theta), number=max(1, 20_000 // (n // 50)),
                                         repeat=REPEATS)) / max(1, 20_000 // (n // 50))
            else:
                ours = best_seconds(lambda: ours_fn(frame, theta), repeats)
                base = best_seconds(lambda: base_fn(frame, theta), repeats)
            target = FRAME_TARGETS.get(n)
            floor_text = "{:>11.1f} {:>7.2f}x".format(floor * 1e3, ours / floor) if floor else ""
            print("{:<12} {:>11,} {:>13.3f} {:>13.3f} {:>8.2f}x {:>7}  {:<4}  {}".format(
                name, n, ours * 1e3, base * 1e3, base / ours, "{:.0f}x".format(target) if target else "-",
                verdict(base / ours, target) if target else "", floor_text))
            if floor:
                print("{:<12} {:>11} floor target: within {:.1f}x of the floor: {}".format(
                    "", "", FLOOR_TARGET, "PASS" if ours / floor <= FLOOR_TARGET else "MISS"))
        del dq0, signals, theta
        gc.collect()


def run_peak_memory(n):
    signals, theta = signals_of(n)
    output_bytes = 3 * n * 8
    print()
    for label, function in (("vexal abc_to_dq0", transformations.abc_to_dq0),
                            ("numpy transcription", baseline_phasors.abc_to_dq0)):
        gc.collect()
        tracemalloc.start()
        result = function(signals, theta)
        peak = tracemalloc.get_traced_memory()[1]
        tracemalloc.stop()
        del result
        print("peak allocation of {:<22} at {:,} samples: {:8.1f} MB = {:.2f}x the {:.0f} MB output".format(
            label, n, peak / 1e6, peak / output_bytes, output_bytes / 1e6))
        if function is transformations.abc_to_dq0:
            print("target: at most {:.1f}x: {}".format(PEAK_TARGET, "PASS" if peak <= PEAK_TARGET * output_bytes
                                                      else "MISS"))


def main():
    quick = "--quick" in sys.argv
    print("python {}, numpy {}, pandas {}".format(sys.version.split()[0], np.__version__, pd.__version__))
    run_scalar_table()
    run_frame_table([n for n in SIZES if not (quick and n >= 10_000_000)])
    if not quick:
        run_peak_memory(SIZES[-1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
