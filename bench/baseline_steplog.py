"""A straight Python transcription of the step logger and the listener's
hooks, the baseline that bench_steplog.py measures the C++ modules against.

It logs through its own logger, "alluretestlogger.baseline", set up the way
the step logger sets up "alluretestlogger", so the two never share a filter.
"""
from builtins import range, str  # noqa: A004 - as the step logger imports them

import logging
import sys

import allure_commons
import pytest

from vexal.allure_commons import AllureCatchLogs

PY2 = False

testlogger = logging.getLogger("alluretestlogger.baseline")
testlogger.propagate = False
testlogger.indentation = 0


class IndentationFilter(logging.Filter):
    def filter(self, record):
        record.indentation = "".join([" " for _ in range(testlogger.indentation)])
        return True


testlogger.addFilter(IndentationFilter())


def log(msg):
    testlogger.info(msg)


def start_step(title, params):
    step_prefix = "> "
    testlogger.info("{}{}".format(step_prefix, title))
    step_spacing = " " * len(step_prefix)
    if params:
        param_list = list(params.items())
        for arg_name, arg_val in param_list:
            icon = "\u2514" if arg_name == param_list[-1][0] else "\u251c"
            if PY2:
                arg_val = str(arg_val, encoding="utf-8")
            testlogger.info("{}  {}- {} = {}".format(step_spacing, icon, arg_name, arg_val))
    testlogger.indentation += 4


def stop_step():
    testlogger.indentation -= 4


def start_fixture(fixture_name):
    testlogger.info("[Fixture] {}".format(fixture_name))
    testlogger.indentation += 4


def stop_fixture():
    testlogger.indentation -= 4


stepline = sys.modules[__name__]


class AllurePytestLoggerListener(object):
    def __init__(self):
        self.catchlogs = AllureCatchLogs()

    @allure_commons.hookimpl
    def start_step(self, uuid, title, params):
        stepline.start_step(title, params)

    @allure_commons.hookimpl
    def stop_step(self, uuid, exc_type, exc_val, exc_tb):
        stepline.stop_step()

    @allure_commons.hookimpl
    def attach_data(self, body, name, attachment_type, extension):
        stepline.log("[Attachment] {}".format(name))

    @pytest.hookimpl(hookwrapper=True, trylast=True)
    def pytest_runtest_call(self):
        with self.catchlogs:
            yield

    @pytest.hookimpl(hookwrapper=True)
    def pytest_fixture_setup(self, fixturedef, request):
        if stepline is not None:
            stepline.start_fixture(fixturedef.argname)
        yield
        if stepline is not None:
            stepline.stop_fixture()
