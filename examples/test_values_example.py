"""How a test author states expectations with vexal values and ranges.

Run with `python -m pytest examples -v -s` to see what a report shows for
each value: aliases followed by the values they stand for.
"""

import pandas as pd

from vexal.test.ranges import after, around, before
from vexal.types.alias import AliasFloat
from vexal.types.timedelta import Timedelta

P_NOM = AliasFloat(1500, alias="Pnom")
U_NOM = AliasFloat(230, alias="Un")


def captured_power() -> pd.Series:
    """A captured active-power signal: a step from 0 to nominal power at 20 ms."""
    time = pd.to_timedelta([0, 0.01, 0.02, 0.03, 0.04, 0.05], unit="s")
    return pd.Series([0.0, 0.0, 1490.0, 1502.0, 1498.0, 1501.0], index=time)


def test_power_settles_around_nominal() -> None:
    expected = around(P_NOM, tol_p=0.02)
    print("\nexpected power:", expected)
    settled = captured_power()[after("20ms")[0]:]
    low, high = expected
    assert all(low <= value <= high for value in settled)


def test_limits_compose_their_aliases() -> None:
    margin = AliasFloat(0.1, alias="margin")
    upper = U_NOM * 1.1 + margin
    print("\nupper voltage limit:", upper)
    assert str(upper) == "Un*1.10+margin [253.10]"


def test_step_happens_before_25ms() -> None:
    power = captured_power()
    first_rise = power[power > 0].index[0]
    window = before("25ms")
    print("\nrise at", first_rise, "expected in", window)
    assert window[0] <= first_rise <= window[1]


def test_time_spans_read_like_the_test_plan() -> None:
    settling = Timedelta(0.02, alias="t_settle")
    deadline = settling + "5ms"
    print("\ndeadline:", deadline, "| tolerance window:", around(Timedelta("20ms"), tol=0.002))
    assert deadline == Timedelta("25ms")
    assert str(deadline) == "t_settle+5ms [25ms]"
