"""Shorthand for value ranges (``around``) and time ranges (``before``,
``after``): each returns an ``AliasTuple`` of the two limits."""

from typing import Any

from vexal.types.alias import AliasTuple as AliasTuple
from vexal.types.timedelta import Timedelta as td

def around(val: Any, tol: Any = None, tol_p: float = 0.05) -> AliasTuple[Any]: ...
def before(t: Any, /) -> AliasTuple[td]: ...
def after(t: Any, /) -> AliasTuple[td]: ...
