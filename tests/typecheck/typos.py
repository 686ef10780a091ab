"""Mistakes the type checkers catch before bench time is spent. Each line
below carries the error that mypy and pyright must report there; a comment
that is not needed fails the check as well (mypy --strict warns of unused
ignores, and pyright is told to report them). Basic mode: strict would add
the unknown types that follow from each mistake."""
# pyright: basic

import pandas
import pytest

from vexal.types.phasors import Phasor, Phasors3ph
from vexal.utils.plotting import capture_plot, harmonic_plot, plot_phasors
from vexal.utils.runshim import run_test


def typos(capture: pandas.DataFrame, spectrum: object, request: pytest.FixtureRequest,
          capsys: pytest.CaptureFixture[str]) -> None:
    va = Phasor(mag=230, angle=0, alias="Va")
    grid = Phasors3ph(va, va * 1, va * 1)
    capture_plot(capture, dest="mem")  # type: ignore[call-overload]  # pyright: ignore[reportCallIssue, reportArgumentType]
    capture_plot(capture, dest="file")  # type: ignore[call-overload]  # pyright: ignore[reportCallIssue, reportArgumentType]
    plot_phasors(grid, type="pos")  # type: ignore[arg-type]  # pyright: ignore[reportArgumentType]
    harmonic_plot(spectrum, output="plt")  # type: ignore[arg-type]  # pyright: ignore[reportArgumentType]
    run_test("scripts/grid_test.py", request, capsys)  # type: ignore[arg-type]  # pyright: ignore[reportArgumentType]
    print((va * 2).magnitude)  # type: ignore[attr-defined]  # pyright: ignore[reportAttributeAccessIssue]
    print(grid[0].angel)  # type: ignore[attr-defined]  # pyright: ignore[reportAttributeAccessIssue]
    print(grid.pos_seq[0].mag + "V")  # type: ignore[operator]  # pyright: ignore[reportOperatorIssue]
