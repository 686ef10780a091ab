"""Time spans with units and aliases: ``Timedelta``, its compact text
``new_td_repr``, the operator wrapper ``accept_castable``, and the changes
``patch_pandas`` makes to pandas at import."""

from typing import Any, Callable

import pandas

from vexal.types.alias import HasAlias

def new_td_repr(self: pandas.Timedelta, *args: Any, **kwargs: Any) -> str: ...
def accept_castable(op_func: Callable[..., Any], format_alias: str | None = None) -> Callable[..., Any]: ...
def _maybe_cast_slice_bound(self: Any, label: Any, side: str, kind: Any = None) -> Any: ...
def patch_pandas() -> None: ...

class Timedelta(HasAlias, pandas.Timedelta):
    def __new__(cls, value: Any = ..., unit: str | None = None, *, alias: Any = None, **kwargs: Any) -> Timedelta: ...
    def __init__(self, value: Any = ..., unit: str | None = None, *, alias: Any = None, **kwargs: Any) -> None: ...
    # The other operand is made a Timedelta first, so the result is always one
    # (pandas' own operators answer some operands with other types).
    def __add__(self, other: Any) -> Timedelta: ...  # type: ignore[override]
    def __radd__(self, other: Any) -> Timedelta: ...  # type: ignore[override]
    def __sub__(self, other: Any) -> Timedelta: ...  # type: ignore[override]
    def __rsub__(self, other: Any) -> Timedelta: ...  # type: ignore[override]

def to_timedelta(*args: Any, **kwargs: Any) -> Any: ...
