"""Real-time reporting of vexal: the live step log of a running test.

- ``listener``: ``AllurePytestLoggerListener``, which turns Allure's step and
  attachment events and pytest's run-phase and fixture events into lines of
  the step logger ``vexal.allure_commons.stepline``.
- ``plugin``: the pytest plugin (entry point "vexal_allure_realtime") that
  installs the listener unless "--no-allure-cli-logs" is given.
"""
