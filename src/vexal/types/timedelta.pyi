"""Time spans with units and aliases: ``Timedelta``, its compact text
``new_td_repr``, the operator wrapper ``accept_castable``, and the changes
``patch_pandas`` makes to pandas at import."""

import datetime
from typing import Any, Callable, overload

import numpy as np
import pandas

from vexal.types.alias import HasAlias

def new_td_repr(self: pandas.Timedelta, *args: Any, **kwargs: Any) -> str: ...
def accept_castable(op_func: Callable[..., Any], format_alias: str | None = None) -> Callable[..., Any]: ...
def _maybe_cast_slice_bound(self: Any, label: Any, side: str, kind: Any = None) -> Any: ...
def patch_pandas() -> None: ...

_Span = str | float | datetime.timedelta | np.timedelta64 | np.floating[Any] | np.integer[Any]

class Timedelta(HasAlias, pandas.Timedelta):
    def __new__(cls, value: Any = ..., unit: str | None = None, *, alias: Any = None, **kwargs: Any) -> Timedelta: ...
    def __init__(self, value: Any = ..., unit: str | None = None, *, alias: Any = None, **kwargs: Any) -> None: ...
    # A time span operand (a number is seconds, a string carries its unit)
    # gives a Timedelta; dates, arrays and pandas' containers what pandas makes.
    @overload
    def __add__(self, other: _Span) -> Timedelta: ...  # type: ignore[override]
    @overload
    def __add__(self, other: Any) -> Any: ...
    @overload
    def __radd__(self, other: _Span) -> Timedelta: ...  # type: ignore[override]
    @overload
    def __radd__(self, other: Any) -> Any: ...
    @overload
    def __sub__(self, other: _Span) -> Timedelta: ...  # type: ignore[override]
    @overload
    def __sub__(self, other: Any) -> Any: ...
    @overload
    def __rsub__(self, other: _Span) -> Timedelta: ...  # type: ignore[override]
    @overload
    def __rsub__(self, other: Any) -> Any: ...

def to_timedelta(*args: Any, **kwargs: Any) -> Any: ...
