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


def ns_per_op_pair(first, first_namespace, second, second_namespace, repeats=REPEATS):
    """ns_per_op of two statements, their runs alternating so that both see
    the same load of a shared machine; the ratio is what the tables report."""
    timers = [timeit.Timer(first, globals=first_namespace), timeit.Timer(second, globals=second_namespace)]
    numbers = [timer.autorange()[0] for timer in timers]
    best = [float("inf"), float("inf")]
    for _ in range(repeats):
        for i, timer in enumerate(timers):
            best[i] = min(best[i], timer.timeit(numbers[i]) / numbers[i])
    return best[0] * 1e9, best[1] * 1e9
