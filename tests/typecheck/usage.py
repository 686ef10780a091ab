"""A test module as the type checkers see it: the types a test author relies
on, each stated with ``assert_type`` (checked by mypy --strict and pyright in
strict mode; never run)."""

import io
from typing import Any, assert_type

import numpy as np
import pandas
import pytest

from vexal.allure_commons import empty_step, stepline
from vexal.pytest_vexal.decorators import allure_plot_and_attach_capture_decorator, step_with_alias_decorator
from vexal.test.ranges import after, around, before
from vexal.types.alias import AliasFloat, AliasTuple
from vexal.types.phasors import Phasor, Phasors3ph
from vexal.types.timedelta import Timedelta
from vexal.utils.plotting import capture_plot, harmonic_plot, plot_phasors
from vexal.utils.runshim import run_test

va = Phasor(mag=230, angle=0, alias="Va")
vb = Phasor(-115 - 199.2j)
assert_type(va * 2, Phasor)
assert_type(2 * va, Phasor)
assert_type(va + vb, Phasor)
assert_type(1.5 - va, Phasor)
assert_type(va / vb, Phasor)
assert_type(va**2, Phasor)
assert_type(va.mag, float)
assert_type(Phasor(mag=np.float32(230), angle=np.float32(0)), Phasor)

grid = Phasors3ph(va, vb, Phasor(mag=230, angle=120), alias="Grid")
phase_a, phase_b, phase_c = grid
assert_type(grid[0], Phasor)
assert_type(phase_c, Phasor)
assert_type(grid.s2, Phasor)
assert_type(grid.pos_seq, AliasTuple[Phasor])
assert_type(grid.neg_seq[1], Phasor)

assert_type(AliasFloat(230, alias="Un") * 1.1, AliasFloat)
assert_type(around(AliasFloat(230, alias="Un"), tol_p=0.02), AliasTuple[Any])
earliest, deadline = before("2ms")
assert_type(deadline, Timedelta)
start, latest = after(0.1)
assert_type(start, Timedelta)


@step_with_alias_decorator
def set_voltage(value: float, alias: str = "U") -> AliasFloat:
    return AliasFloat(value, alias=alias)


@allure_plot_and_attach_capture_decorator
def capture(seconds: float) -> pandas.DataFrame:
    return pandas.DataFrame()


assert_type(set_voltage(230.0), AliasFloat)
stepline.log("voltage set")
empty_step("checked")


def plots(capture: pandas.DataFrame, spectrum: object, image: io.BytesIO) -> None:
    assert_type(capture_plot(capture, dest="memory"), list[io.BytesIO])
    assert_type(capture_plot(capture, dest="file", dir="plots"), list[str])
    capture_plot(capture)
    plot_phasors(grid, type="pos_seq", output=image)
    plot_phasors(grid, phasors_before=grid, output="grid.png", plot=True)
    harmonic_plot(spectrum, output=image)
    harmonic_plot(spectrum)


def script(request: pytest.FixtureRequest, capsys: pytest.CaptureFixture[str]) -> None:
    run_test(["scripts/grid_test.py", 230, "a"], request, capsys)
    run_test(("scripts/grid_test.py",), request, capsys)
