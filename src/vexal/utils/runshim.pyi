"""Run a test written as a plain script inside a pytest test."""

from types import ModuleType, TracebackType
from typing import Any

import pytest

def get_module(filepath: str) -> ModuleType: ...

class ContextTestExecutor:
    tmp_cwd: str
    orig_cwd: str
    capsys: pytest.CaptureFixture[str]
    def __init__(self, tmp_cwd: str, capsys: pytest.CaptureFixture[str]) -> None: ...
    def __enter__(self) -> None: ...
    def __exit__(self, exc_type: type[BaseException] | None, exc_value: BaseException | None,
                 exc_traceback: TracebackType | None) -> None: ...

def run_test(test_spec: list[Any] | tuple[Any, ...], request: pytest.FixtureRequest, capsys: pytest.CaptureFixture[str]) -> None: ...
