import json
import pathlib
import signal
import subprocess
import sys
import time

import pytest


@pytest.hookimpl(tryfirst=True)
def pytest_configure(config):
    # The suite drives the step logger itself, so its own run keeps the live
    # step log off; the end-to-end tests start pytest afresh with it on.
    config.option.no_allure_cli_logs = True


COMMAND = pathlib.Path(sys.executable).with_name("vexal-msgproxy")


def wait_for_info(directory, process):
    info = directory / "msgproxy.json"
    deadline = time.monotonic() + 10
    while not info.exists():
        assert process.poll() is None and time.monotonic() < deadline
        time.sleep(0.02)
    return json.loads(info.read_text(encoding="utf-8"))


def default_sigint():
    # A job started in the background (as CI runners may) ignores SIGINT, and so would the proxy.
    signal.signal(signal.SIGINT, signal.SIG_DFL)


@pytest.fixture
def start_proxy(tmp_path):
    """Starts the proxy command on tmp_path with the options given; returns
    the process and its ports once they are written. Killed at the end."""
    processes = []

    def start(*options):
        process = subprocess.Popen([str(COMMAND), str(tmp_path), *options], stdout=subprocess.PIPE, text=True,
                                   preexec_fn=default_sigint)
        processes.append(process)
        return process, wait_for_info(tmp_path, process)

    yield start
    for process in processes:
        process.kill()
        process.wait()
        process.stdout.close()
