import pytest


@pytest.hookimpl(tryfirst=True)
def pytest_configure(config):
    # The suite drives the step logger itself, so its own run keeps the live
    # step log off; the end-to-end tests start pytest afresh with it on.
    config.option.no_allure_cli_logs = True
