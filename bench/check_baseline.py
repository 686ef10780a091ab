"""Checks that the benchmark baseline prints what the package prints.

Run as `python3 bench/check_baseline.py`; exits 1 when a text differs.
"""
import sys

import pandas

from baseline_values import (AliasFloat, AliasTuple, Timedelta, after, around,
                             before, new_td_repr, sizeof_fmt)

EXPECTED_TEXTS = [
    (lambda: sizeof_fmt(0), "0.00"),
    (lambda: sizeof_fmt(1500), "1.50k"),
    (lambda: sizeof_fmt(-2.5e6), "-2.50M"),
    (lambda: sizeof_fmt(1e12), "1000.00G"),
    (lambda: sizeof_fmt(999.996), "1000.00"),
    (lambda: sizeof_fmt(-0.0099999), "-10.00m"),
    (lambda: sizeof_fmt(2e-6), "2.00u"),
    (lambda: sizeof_fmt(1e-13), "0.00n"),
    (lambda: sizeof_fmt(float("nan")), "nann"),
    (lambda: str(AliasFloat(1500, alias="Pnom")), "Pnom [1.50k]"),
    (lambda: repr(AliasFloat(2, alias="gain") * 1000), "gain*1.00k [2.00k]"),
    (lambda: str(AliasFloat(3) + AliasFloat(2, alias="b")), "3.00+b [5.00]"),
    (lambda: str(sum([AliasFloat(1, alias="a"), AliasFloat(2, alias="b")])), "0.00+a+b [3.00]"),
    (lambda: str(AliasTuple([1, 2])), "[1, 2]"),
    (lambda: str(AliasTuple((AliasFloat(1000, alias="lo"), 2000.0), alias="band",
                            child_original_str=True)), "band [(1.00k, 2000.0)]"),
    (lambda: str(AliasTuple((), child_original_str=True)), "()"),
    (lambda: new_td_repr(pandas.Timedelta(hours=26)), "1d 2h"),
    (lambda: new_td_repr(pandas.Timedelta(seconds=3661)), "1h 1min 1s"),
    (lambda: new_td_repr(pandas.Timedelta(1)), "1ns"),
    (lambda: new_td_repr(pandas.Timedelta(-1.5, unit="s")), "-1s 500ms"),
    (lambda: new_td_repr(pandas.Timedelta.max), "+inf"),
    (lambda: str(Timedelta(0.001, alias="dt")), "dt [1ms]"),
    (lambda: str(Timedelta(1, alias="t0") + 0.5), "t0+500ms [1s 500ms]"),
    (lambda: str(0.5 + Timedelta(1, alias="t0")), "500ms+t0 [1s 500ms]"),
    (lambda: str(pandas.Timedelta("1s") - Timedelta(0.2, alias="d")), "1s-d [800ms]"),
    (lambda: str(Timedelta(-90)), "-1min 30s"),
    (lambda: str(Timedelta(5, unit="ms")), "5ms"),
    (lambda: str(around(5, tol=1)), "5 ± 1 [(4, 6)]"),
    (lambda: str(around(5)), "5 ± 5% [0.25] [(4.75, 5.25)]"),
    (lambda: str(around(5, tol_p=0.01)), "5 ± 1% [0.05] [(4.95, 5.05)]"),
    (lambda: str(around(5, tol=-1)), "5 ± 1 [(4, 6)]"),
    (lambda: str(around(5, tol_p=-0.05)), "5 ± -5% [0.25] [(4.75, 5.25)]"),
    (lambda: str(around(5, tol=AliasFloat(1, alias="dV"))), "5 ± dV [(4.0, 6.0)]"),
    # The baseline leaves pandas alone, so plain pandas.Timedelta values (the
    # absolute tolerance, Timedelta.min and .max) print with pandas' own text.
    (lambda: around(Timedelta(1), tol=0.1).original_str_repr, "(900ms, 1s 100ms)"),
    (lambda: str(around(Timedelta(1))), "1s ± 5% [50ms] [(950ms, 1s 50ms)]"),
    (lambda: "({}, {})".format(*map(new_td_repr, before(1))), "(-inf, 1s)"),
    (lambda: "({}, {})".format(*map(new_td_repr, after("1ms"))), "(1ms, +inf)"),
]


def main():
    failures = 0
    for make_text, expected in EXPECTED_TEXTS:
        try:
            text = make_text()
        except Exception as error:  # reported as a mismatch below
            text = "raised {!r}".format(error)
        if text != expected:
            failures += 1
            print("MISMATCH: expected {!r}, got {!r}".format(expected, text))
    print("{} of {} texts as expected".format(len(EXPECTED_TEXTS) - failures, len(EXPECTED_TEXTS)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
