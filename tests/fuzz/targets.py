"""What the fuzzer calls: one entry per module.

Every callable the module defines is called (functions, classes, and the
functions, properties and operators in those classes' own dictionaries),
with receivers taken from `seeds`: valid instances, some holding hostile
values. `state` lists module-level objects the hostile callbacks may
attack too (they are restored after each call); `skip` names callables
left out (ones that open sockets or wait). A new module joins by adding an
entry here.
"""

import logging
from dataclasses import dataclass, field
from typing import Callable


@dataclass
class Entry:
    seeds: Callable  # (module, hostile factory) -> list of receivers
    state: Callable = lambda module: []
    skip: frozenset = field(default_factory=frozenset)


def _record():
    return logging.LogRecord("alluretestlogger", logging.INFO, __file__, 1, "msg %s", ("x",), None)


def _alias_seeds(m, h):
    return [m.AliasFloat(2.0, alias="Un"), m.AliasFloat(1500.0), m.AliasFloat(2.0, alias=h()),
            m.AliasTuple((1.0, 2.0)), m.AliasTuple((h(), m.AliasFloat(1.0, alias=h()))), m.HasAlias("x", h())]


def _timedelta_seeds(m, h):
    import pandas
    return [m.Timedelta("1s", alias="t0"), m.Timedelta(1), m.Timedelta("1ms", alias=h()), pandas.Timedelta("1ms"),
            pandas.timedelta_range("0s", periods=3, freq="1s")]


def _ranges_seeds(m, h):
    return [m.around(1.0), m.around(m.td("1s", alias=h()), tol=m.td("1ms")), m.before("1ms"),
            m.after(m.td("2s", alias=h()))]


def _listener_seeds(m, h):
    listener = m.AllurePytestLoggerListener()
    listener.catchlogs = h()
    return [m.AllurePytestLoggerListener(), listener]


class _Config:
    """A pytest config without options set."""

    def getoption(self, name, default=None):
        return default


def _benchcast_seeds(m, h):
    plugin = m.VexalTestPlugin(_Config())
    plugin.publisher = h()
    return [m.VexalTestPlugin(_Config()), plugin, m.DummyPublisher(), m.DefaultPublisher(), m.JsonPyTestReport(),
            m.JsonPyTestCollection(), m.Identifiable(), next(iter(m.MsgType))]


def _stepline_seeds(m, h):
    from tests.fuzz.hostile import Collider, rng
    # Keys that collide with what the step logger looks up in the logger's state.
    logger = m.testlogger
    logger.__dict__[Collider(rng.choice(["info", "isEnabledFor", "disabled", "_cache"]))] = h()
    logger._cache = {Collider(logging.INFO): False, **logger._cache}
    return [m.IndentationFilter(), m.IndentationFilter(h()), _record(), m.testlogger]


def _phasors_seeds(m, h):
    return [m.Phasor(1 + 2j, alias="Va"), m.Phasor(mag=230, angle=-120), m.Phasor(1j, alias=h()),
            m.Phasors3ph(m.Phasor(1, alias="x"), 2j, -1, alias="set"), m.Phasors3ph(1, 1j, -1, alias=h())]


def _transformations_seeds(m, h):
    import numpy as np
    import pandas as pd
    frame = pd.DataFrame(np.arange(12.0).reshape(4, 3), columns=["a", "b", "c"])
    return [frame, pd.Series(np.linspace(0, 1, 4)), frame.astype(object).assign(a=[h()] * 4), 1 + 2j]


MODULES = {
    "vexal.types.alias": Entry(_alias_seeds),
    "vexal.types.timedelta": Entry(_timedelta_seeds),
    "vexal.test.ranges": Entry(_ranges_seeds),
    "vexal.allure_commons.stepline": Entry(
        _stepline_seeds, state=lambda m: [m.testlogger]),
    "vexal.allure_realtime.listener": Entry(_listener_seeds),
    "vexal.allure_realtime.plugin": Entry(lambda m, h: [m.AllurePytestLoggerListener()]),
    "vexal.pytest_vexal.benchcast": Entry(
        _benchcast_seeds,
        skip=frozenset({"CommonMsgPublisher", "MinimalMsgPublisher", "MyPublisher", "_setup_zmq", "_sync_to_proxy"})),
    # raise_without_gil aborts the process on purpose: it checks the GIL rule.
    "vexal.types.phasors": Entry(_phasors_seeds),
    "vexal.test.transformations.impl": Entry(_transformations_seeds),
    "vexal._selftest": Entry(lambda m, h: [h()], skip=frozenset({"raise_without_gil"})),
}
