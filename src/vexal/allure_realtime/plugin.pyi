"""pytest plugin that shows the step log live; ``--no-allure-cli-logs``
turns it off."""

from typing import Callable

import pytest

from .listener import AllurePytestLoggerListener as AllurePytestLoggerListener

def cleanup_factory(plugin: object) -> Callable[[], None]: ...
def pytest_addoption(parser: pytest.Parser) -> None: ...
def pytest_configure(config: pytest.Config) -> None: ...
