"""How a test run shows its steps live.

Run with `python -m pytest examples -v -s` (or a plain `pytest`): while each
test runs, its fixtures, Allure steps with their parameters and its
attachments appear on the terminal, indented by depth.
"""

from typing import Any

import allure
import pytest

from vexal.types.alias import AliasFloat


@pytest.fixture(scope="module")
def grid() -> dict[str, float]:
    """A three-phase grid model, built once for the module."""
    with allure.step("Build grid model"):
        load_model("grid_3ph", variant="50 Hz")
    return {"frequency": 50.0, "voltage": 230.0}


@pytest.fixture
def source(grid: dict[str, float]) -> float:
    """A voltage source connected to the grid, set to nominal voltage."""
    set_source(amplitude=AliasFloat(grid["voltage"], alias="Un"), phase=0)
    return grid["voltage"]


@allure.step("Load model {name}")
def load_model(name: str, variant: str) -> None:
    pass


@allure.step("Set source to {amplitude}")
def set_source(amplitude: Any, phase: float) -> None:
    pass


@allure.step("Capture {signal} for {duration}")
def capture(signal: str, duration: str) -> list[float]:
    samples = [230.0, 229.6, 230.3, 230.1]
    allure.attach(", ".join(str(s) for s in samples), name="{} samples".format(signal),
                  attachment_type=allure.attachment_type.TEXT)
    return samples


def test_source_holds_nominal_voltage(source: float) -> None:
    with allure.step("Check the captured voltage"):
        samples = capture("Va", duration="20ms")
        assert all(abs(s - source) < 1 for s in samples)


def test_voltage_dip_is_recovered(source: float) -> None:
    with allure.step("Apply a dip and recover"):
        set_source(amplitude=AliasFloat(115, alias="Un/2"), phase=0)
        with allure.step("Restore nominal voltage"):
            set_source(amplitude=AliasFloat(source, alias="Un"), phase=0)
        samples = capture("Va", duration="40ms")
    assert samples[-1] == pytest.approx(source, abs=1)
