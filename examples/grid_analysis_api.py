"""A small analysis API, as a test team writes one for its tests.

Its public functions become Allure steps (titled after their names, with the
aliases of their results logged) through `decorate_module_public_attr`, and
the plot-and-attach decorators attach pictures of what they return: the
captured signals, the spectrum, and the phasors before and after a change.
Any set of objects with `mag`, `angle` (degrees) and `alias` can be drawn;
`vexal.types.phasors.Phasors3ph` is one.
"""
import sys
from typing import Any, List, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt
import pandas as pd

from vexal.pytest_vexal.decorators import (
    allure_plot_and_attach_capture_decorator, allure_plot_and_attach_fft_decorator,
    decorate_module_public_attr, plot_and_attach_grid_changes, step_with_alias_decorator)
from vexal.types.alias import AliasFloat
from vexal.types.timedelta import Timedelta

SAMPLE_RATE = 10000.0  # Hz
FREQUENCY = 50.0  # Hz
A = np.exp(2j * np.pi / 3)


class Spectrum(object):
    """Frequencies and complex amplitudes of one signal."""

    def __init__(self, freqs: npt.NDArray[np.floating[Any]], fft: npt.NDArray[np.complex128]) -> None:
        self.freqs, self.fft = freqs, fft


class Phasor(object):
    def __init__(self, value: complex, alias: str) -> None:
        self.mag, self.angle, self.alias = abs(value), float(np.degrees(np.angle(value))), alias

    def __str__(self) -> str:
        return u"{}={:.0f}\u2220{:.0f}\u00b0".format(self.alias, self.mag, self.angle)


class PhasorSet(Tuple[Phasor, ...]):
    """Three phasors, with their symmetrical-component sets when `sequences`."""

    zero_seq: "PhasorSet"
    pos_seq: "PhasorSet"
    neg_seq: "PhasorSet"

    def __new__(cls, values: Sequence[complex], names: Sequence[str] = ("Va", "Vb", "Vc"),
                sequences: bool = True) -> "PhasorSet":
        phasors = tuple.__new__(cls, (Phasor(v, n) for v, n in zip(values, names)))
        if sequences:
            va, vb, vc = values
            zero, pos, neg = (va + vb + vc) / 3, (va + A * vb + A * A * vc) / 3, (va + A * A * vb + A * vc) / 3
            phasors.zero_seq = cls([zero] * 3, ("V0a", "V0b", "V0c"), False)
            phasors.pos_seq = cls([pos, A * A * pos, A * pos], ("V1a", "V1b", "V1c"), False)
            phasors.neg_seq = cls([neg, A * neg, A * A * neg], ("V2a", "V2b", "V2c"), False)
        return phasors

    def __str__(self) -> str:
        return ", ".join(str(p) for p in self)


class GridChange(object):
    def __init__(self, phasors_before: PhasorSet, phasors_after: PhasorSet) -> None:
        self.phasors_before, self.phasors_after = phasors_before, phasors_after


@allure_plot_and_attach_capture_decorator
def capture_voltages(duration: str = "80ms", sag_at: str = "40ms", depth: float = 0.5) -> pd.DataFrame:
    """Three phase voltages (peak 325 V) with a sag of phase a at `sag_at`
    and a 5th harmonic of 10% on phase a."""
    t = np.arange(0, Timedelta(duration).total_seconds(), 1 / SAMPLE_RATE)
    sagged = t >= Timedelta(sag_at).total_seconds()
    wave = 2 * np.pi * FREQUENCY * t
    va = 325 * np.where(sagged, 1 - depth, 1) * (np.sin(wave) + 0.1 * np.sin(5 * wave))
    vb, vc = 325 * np.sin(wave - 2 * np.pi / 3), 325 * np.sin(wave + 2 * np.pi / 3)
    return pd.DataFrame({"Va": va, "Vb": vb, "Vc": vc}, index=pd.to_timedelta(t, unit="s"))


@allure_plot_and_attach_fft_decorator
def spectrum(signal: pd.Series) -> Spectrum:
    """Amplitude spectrum of a signal (peak values)."""
    samples = np.asarray(signal)
    return Spectrum(np.fft.rfftfreq(len(samples), 1 / SAMPLE_RATE), 2 * np.fft.rfft(samples) / len(samples))


def rms(signal: pd.Series, alias: Optional[str] = None) -> AliasFloat:
    return AliasFloat(float(np.sqrt(np.mean(np.asarray(signal) ** 2))), alias=alias)


def _fundamental(capture: pd.DataFrame, start: Union[str, Timedelta]) -> List[complex]:
    """RMS phasors of the 50 Hz component over one cycle from `start`."""
    window = capture[Timedelta(start):Timedelta(start) + Timedelta(1 / FREQUENCY)].iloc[:-1]
    turn = np.exp(-2j * np.pi * FREQUENCY * np.asarray(window.index.total_seconds()))
    return [np.sqrt(2) * np.mean(window[name].to_numpy() * turn) for name in ("Va", "Vb", "Vc")]


@plot_and_attach_grid_changes
def grid_change(capture: pd.DataFrame, at: str) -> GridChange:
    """Phasors one cycle before and one cycle after `at`."""
    before = Timedelta(at) - Timedelta(1 / FREQUENCY)
    return GridChange(PhasorSet(_fundamental(capture, before)), PhasorSet(_fundamental(capture, at)))


decorate_module_public_attr(sys.modules[__name__], step_with_alias_decorator)
