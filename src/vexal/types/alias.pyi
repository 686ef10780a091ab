"""Values that carry an optional display alias: ``HasAlias``, ``AliasFloat``
and ``AliasTuple``, and the engineering-notation text ``sizeof_fmt``."""

import abc
import logging
from typing import Any, Callable, Iterable, Self, SupportsFloat, TypeVar

from typing_extensions import disjoint_base

_T_co = TypeVar("_T_co", covariant=True)

def sizeof_fmt(num: SupportsFloat) -> str: ...

class HasAlias(metaclass=abc.ABCMeta):
    logger: logging.Logger
    original_str_repr: str
    def __init__(self, original_str_repr: str, alias: Any) -> None: ...
    @property
    def alias(self) -> Any: ...
    @alias.setter
    def alias(self, value: Any) -> None: ...
    def _str_representation(self) -> str: ...
    def has_custom_alias(self) -> bool: ...

class AliasFloat(HasAlias, float):
    def __new__(cls, value: SupportsFloat | str, alias: Any = None) -> AliasFloat: ...
    def __init__(self, value: SupportsFloat | str, alias: Any = None) -> None: ...
    def alias_op(self, other: Any, func: Callable[[Any], Any], format_alias: str) -> AliasFloat: ...
    def __add__(self, other: float) -> AliasFloat: ...  # type: ignore[override]
    def __radd__(self, other: float) -> AliasFloat: ...  # type: ignore[override]
    def __sub__(self, other: float) -> AliasFloat: ...  # type: ignore[override]
    def __rsub__(self, other: float) -> AliasFloat: ...  # type: ignore[override]
    def __mul__(self, other: float) -> AliasFloat: ...  # type: ignore[override]
    def __rmul__(self, other: float) -> AliasFloat: ...  # type: ignore[override]

@disjoint_base
class AliasTuple(HasAlias, tuple[_T_co, ...]):
    def __new__(cls, value: Iterable[_T_co], **kwargs: Any) -> Self: ...
    def __init__(self, value: Iterable[_T_co], alias: Any = None, child_original_str: bool = False) -> None: ...
    def create_original_child_str(self, input_tuple: tuple[Any, ...]) -> str: ...
