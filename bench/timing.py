"""Timing helpers shared by the benchmarks."""
import timeit

REPEATS = 5


def ns_per_op(statement, namespace, repeats=REPEATS):
    """Best of `repeats` runs, each long enough for timeit's autorange."""
    timer = timeit.Timer(statement, globals=namespace)
    number, _ = timer.autorange()
    return min(timer.repeat(repeat=repeats, number=number)) / number * 1e9


def verdict(ratio, target):
    return "PASS" if ratio >= target else "MISS"
