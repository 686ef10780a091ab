"""Analysing a voltage sag with a decorated API.

Run with `python -m pytest examples -v -s` (or with `--alluredir=DIR` for
the Allure report): each call of `grid_analysis_api` is a report step titled
after the function ("Capture Voltages", "Rms", ...), a call with `alias=`
adds "[Alias] ..." entries with its result, and the capture, spectrum and
phasor plots are attached to the steps as PNG images.
"""
import numpy as np
import pandas as pd
import pytest

import grid_analysis_api as api
from vexal.test.ranges import around


@pytest.fixture(scope="module")
def capture() -> pd.DataFrame:
    return api.capture_voltages(duration="80ms", sag_at="40ms", depth=0.5)


def test_spectrum_shows_the_fundamental_and_fifth_harmonic(capture: pd.DataFrame) -> None:
    spectrum = api.spectrum(capture["Va"][:"40ms"].iloc[:-1])
    magnitudes = abs(spectrum.fft)
    assert spectrum.freqs[np.argmax(magnitudes)] == pytest.approx(50)
    fifth = magnitudes[np.argmin(abs(spectrum.freqs - 250))]
    low, high = around(32.5, tol_p=0.05)
    assert low <= fifth <= high


def test_sag_halves_phase_a_only(capture: pd.DataFrame) -> None:
    change = api.grid_change(capture, at="40ms")
    before, after = change.phasors_before, change.phasors_after
    assert after[0].mag == pytest.approx(before[0].mag / 2, rel=0.01)
    assert [p.mag for p in after[1:]] == pytest.approx([p.mag for p in before[1:]])
    nominal = api.rms(capture["Vb"], alias="Vb rms")
    low, high = around(230, tol=1)
    assert low <= nominal <= high
