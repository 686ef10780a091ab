"""Why an assertion on vexal values failed, told by pytest's
``pytest_assertrepr_compare`` hook."""

import pytest

def pytest_assertrepr_compare(config: pytest.Config, op: str, left: object, right: object) -> list[str] | None: ...
