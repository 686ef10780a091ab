# -*- coding: utf-8 -*-
"""How a power engineer checks a three-phase capture with phasors and the
dq0 frame.

A synthetic capture stands in for what the simulator records: a balanced
230 V (rms) 50 Hz set, then a sag to 60 % on phase a with a 5th harmonic on
top. Run with `python -m pytest examples -v -s` to see the report lines.
"""

from typing import Tuple

import numpy as np
import numpy.typing as npt
import pandas as pd
import pytest

from vexal.test.ranges import around
from vexal.test.transformations import abc_to_dq0, dq0_to_abc
from vexal.types.alias import AliasFloat
from vexal.types.phasors import Phasor, Phasors3ph

F_GRID = 50.0
SAMPLE_RATE = 10_000.0
U_PEAK = AliasFloat(230 * np.sqrt(2), alias="Upeak")
SAG_START, SAG_DEPTH = 0.1, 0.6


def capture(seconds: float = 0.2) -> Tuple[pd.DataFrame, pd.Series]:
    """Phase voltages a, b, c on a time index, and the grid angle."""
    t = np.arange(int(seconds * SAMPLE_RATE)) / SAMPLE_RATE
    theta = 2 * np.pi * F_GRID * t
    sag = np.where(t >= SAG_START, SAG_DEPTH, 1.0)
    harmonic = np.where(t >= SAG_START, 0.05 * float(U_PEAK) * np.cos(5 * theta), 0.0)
    index = pd.to_timedelta(t, unit="s")
    signals = pd.DataFrame({
        "Va": float(U_PEAK) * sag * np.cos(theta) + harmonic,
        "Vb": float(U_PEAK) * np.cos(theta - 2 * np.pi / 3),
        "Vc": float(U_PEAK) * np.cos(theta + 2 * np.pi / 3),
    }, index=index)
    return signals, pd.Series(theta, index=index)


def fundamental_phasor(samples: npt.NDArray[np.float64], theta: npt.NDArray[np.float64],
                       alias: str) -> Phasor:
    """The 50 Hz phasor of one phase over whole cycles (a one-bin DFT)."""
    value = 2 * np.mean(samples * np.exp(-1j * theta))
    return Phasor(value, alias=alias)


@pytest.fixture(scope="module")
def grid() -> Tuple[pd.DataFrame, pd.Series]:
    return capture()


def test_balanced_set_is_a_constant_d_axis_voltage(grid: Tuple[pd.DataFrame, pd.Series]) -> None:
    signals, theta = grid
    dq0 = abc_to_dq0(signals, theta)
    before_sag = dq0[:pd.Timedelta(SAG_START, unit="s") - pd.Timedelta(1, unit="us")]
    d_range, q_range = around(U_PEAK, tol_p=1e-9), around(0.0, tol=1e-9)
    print("\nd before the sag:", d_range, "| q:", q_range)
    assert before_sag["d"].between(*d_range).all()
    assert before_sag["q"].between(*q_range).all()
    assert before_sag["zero"].abs().max() < 1e-9


def test_dq0_round_trip_gives_back_the_capture(grid: Tuple[pd.DataFrame, pd.Series]) -> None:
    signals, theta = grid
    back = dq0_to_abc(abc_to_dq0(signals, theta, "Power invariant"), theta, "Power invariant")
    low, high = around(0.0, tol=1e-9)
    assert ((back.values - signals.values) >= low).all() and ((back.values - signals.values) <= high).all()
    assert back.index.equals(signals.index)


def test_sag_shows_as_negative_and_zero_sequence(grid: Tuple[pd.DataFrame, pd.Series]) -> None:
    signals, theta = grid
    during = signals.index >= pd.Timedelta(SAG_START, unit="s")
    va, vb, vc = (fundamental_phasor(signals.loc[during, name].values, theta[during].values, name)
                  for name in ("Va", "Vb", "Vc"))
    sag = Phasors3ph(va, vb, vc, alias="Sag")
    print("\nphases:   ", sag)
    print("sequences:", sag.s012)
    print("positive: ", sag.pos_seq)
    print("negative: ", sag.neg_seq)
    print("zero:     ", sag.zero_seq)
    # A sag of one phase to 60 % leaves 1 - 0.4/3 positive sequence and puts
    # 0.4/3 of the nominal peak into each of the negative and zero sequences.
    expected_pos = U_PEAK * (1 - (1 - SAG_DEPTH) / 3)
    expected_unbalance = U_PEAK * ((1 - SAG_DEPTH) / 3)
    low, high = around(expected_pos, tol_p=0.001)
    assert low <= sag.s1.mag <= high
    for component in (sag.s2, sag.s0):
        low, high = around(expected_unbalance, tol_p=0.001)
        assert low <= component.mag <= high
    # the 5th harmonic averages out of the fundamental phasors
    assert abs(sag.a.angle) < 0.01 and sag.b.alias == "Vb"
    assert str(sag.neg_seq).startswith("Negative seq. Sag [[A [")
