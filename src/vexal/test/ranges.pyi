"""Shorthand for value ranges (``around``, an ``AliasTuple`` of the two
limits) and time ranges (``before``, ``after``, plain tuples whose open end is
``pandas.Timedelta.min`` or ``.max``)."""

from typing import Any

import pandas

from vexal.types.alias import AliasTuple as AliasTuple
from vexal.types.timedelta import Timedelta as td

def around(val: Any, tol: Any = None, tol_p: float = 0.05) -> AliasTuple[Any]: ...
def before(t: Any, /) -> tuple[pandas.Timedelta, td]: ...
def after(t: Any, /) -> tuple[td, pandas.Timedelta]: ...
