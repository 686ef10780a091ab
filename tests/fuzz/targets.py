"""What the fuzzer calls: one entry per module.

Every callable the module defines is called (functions, classes, and the
functions, properties and operators in those classes' own dictionaries),
with receivers taken from `seeds`: valid instances, some holding hostile
values. `state` lists module-level objects the hostile callbacks may
attack too (they are restored after each call); `skip` names callables
left out (ones that open sockets, wait or stop the process); `typical`
gives arguments of the expected kinds to callables that random arguments
rarely get past; `scratch` runs the calls in a temporary working directory
(for callables that write files) and `tidy` runs after each call. A new
module joins by adding an entry here.
"""

import atexit
import io
import logging
import os
import pathlib
import shutil
import tempfile
import types
from dataclasses import dataclass, field
from typing import Callable


@dataclass
class Entry:
    seeds: Callable  # (module, hostile factory) -> list of receivers
    state: Callable = lambda module: []
    skip: frozenset = field(default_factory=frozenset)
    # (module, hostile factory) -> {callable name: [(argument, description), ...]}
    typical: Callable = lambda module, hostile: {}
    scratch: bool = False
    tidy: Callable = lambda module: None


# The plotting calls draw off screen.
os.environ.setdefault("MPLBACKEND", "Agg")


def scratch_dir():
    root = tempfile.mkdtemp(prefix="vexal-fuzz-scratch-")
    atexit.register(shutil.rmtree, root, True)
    return root


def _record():
    return logging.LogRecord("alluretestlogger", logging.INFO, __file__, 1, "msg %s", ("x",), None)


def _alias_seeds(m, h):
    return [m.AliasFloat(2.0, alias="Un"), m.AliasFloat(1500.0), m.AliasFloat(2.0, alias=h()),
            m.AliasTuple((1.0, 2.0)), m.AliasTuple((h(), m.AliasFloat(1.0, alias=h()))), m.HasAlias("x", h())]


def _timedelta_seeds(m, h):
    import numpy
    import pandas
    # Dates and arrays reach pandas' operators unconverted.
    return [m.Timedelta("1s", alias="t0"), m.Timedelta(1), m.Timedelta("1ms", alias=h()), pandas.Timedelta("1ms"),
            pandas.timedelta_range("0s", periods=3, freq="1s"), numpy.datetime64("2016-01-01"),
            numpy.array([h(), 1], dtype=object), pandas.NaT]


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


def _signals():
    import pandas as pd
    return pd.DataFrame({"Va": [0.0, 1.0, 0.0, -1.0], "Vb": [1.0, 0.0, -1.0, 0.0]},
                        index=pd.to_timedelta([0, 1, 2, 3], unit="ms"))


def _spectrum(fft=None):
    import numpy as np
    fft = np.array([0.0, 1.0, 0.0, 0.2, 0.0], dtype=complex) if fft is None else fft
    return types.SimpleNamespace(freqs=np.array([0.0, 50.0, 100.0, 150.0, 200.0]), fft=fft)


def _phasor(mag, angle, alias):
    return types.SimpleNamespace(mag=mag, angle=angle, alias=alias)


class _PhasorSet(list):
    """Three phasors with their sequence sets, as the phasor plots take them."""

    def __init__(self, phasors, sequences=None):
        super().__init__(phasors)
        for name, value in (sequences or {}).items():
            setattr(self, name, value)


def _phasor_sets(h):
    def three(alias=""):
        return [_phasor(1.0, 0.0, alias + "a"), _phasor(0.9, -120.0, alias + "b"), _phasor(1.1, 120.0, alias + "c")]
    sequences = {"pos_seq": three("1"), "neg_seq": three("2"), "zero_seq": [_phasor(h(), h(), h())] * 3}
    odd_sequences = {"pos_seq": three(), "neg_seq": h(), "zero_seq": []}
    return [_PhasorSet(three(), sequences), _PhasorSet(three("x"), odd_sequences),
            [_phasor(h(), 30.0, "h"), _phasor(1.0, h(), h())], [_phasor(float("nan"), float("inf"), "n")]]


def _plotting_seeds(m, h):
    import numpy as np
    return [_signals(), _signals().iloc[:0], io.BytesIO(), _spectrum(), _spectrum(np.array([h()] * 5, dtype=object)),
            *_phasor_sets(h)]


def _plotting_typical(m, h):
    import numpy as np
    from tests.fuzz.hostile import rng
    sets = _phasor_sets(h)
    before = rng.choice(sets + [None])
    kind = rng.choice(["abc", "pos_seq", "neg_seq", "zero_seq", h()])
    output = rng.choice([io.BytesIO(), None, h()])
    return {
        "capture_plot": [(rng.choice([_signals(), _signals().astype(object).assign(Va=[h()] * 4)]), "signals"),
                         (rng.choice(["memory", "file", None]), "dest"), (rng.choice(["plots", None, h()]), "dir")],
        "harmonic_plot": [(rng.choice([_spectrum(), _spectrum(np.array([h()] * 5, dtype=object))]), "spectrum"),
                          (rng.choice([io.BytesIO(), "plot", h()]), "output"),
                          (rng.choice([True, False, h()]), "annotate")],
        "plot_phasors": [(rng.choice(sets), "phasors"), (before, "before"), (kind, "type"), (output, "output"),
                         (False, "plot")],
        "td_labels": [(rng.choice([[0, 1e6, 2.5e9], [h(), 1e6], []]), "ticks")],
    }


def _tidy_plotting(m):
    import matplotlib.pyplot
    matplotlib.pyplot.close("all")


def _api_module(h):
    """A throwaway module holding a few functions, as a test team's API."""
    api = types.ModuleType("fuzz_api")

    def measure(*args, **kwargs):
        return h()

    def pair(*args, **kwargs):
        return 1.0, h()

    api.measure, api.pair, api._private, api.Klass, api.value = measure, pair, measure, _Config, h()
    return api


def _decorators_seeds(m, h):
    import numpy as np
    change = types.SimpleNamespace(phasors_before=_phasor_sets(h)[0], phasors_after=_phasor_sets(h)[1])
    return [m.log_alias_decorator(lambda *a, **k: h()), m.step_with_alias_decorator(lambda *a, **k: h()),
            m.step_with_alias_decorator(lambda *a, **k: (1.0, h())),
            m.allure_plot_and_attach_capture_decorator(lambda *a, **k: _signals()),
            m.allure_plot_and_attach_fft_decorator(lambda *a, **k: _spectrum(np.array([h()] * 5, dtype=object))),
            m.allure_plot_and_attach_analysis_decorator(lambda *a, **k: h()),
            m.plot_and_attach_grid_changes(lambda *a, **k: change), _api_module(h), io.BytesIO()]


def _decorators_typical(m, h):
    from tests.fuzz.hostile import rng
    return {"decorate_module_public_attr": [
        (_api_module(h), "api"), (rng.choice([m.step_with_alias_decorator, m.log_alias_decorator, h()]), "decorator"),
        (rng.choice([(), ["measure"], h()]), "exclusion_list"), (rng.choice([(), ["pair"], [], h()]), "inclusion_list"),
        (rng.choice([True, False, h()]), "exclude_private")]}


# Test scripts for the script runner, in a directory of their own: every
# path a fuzz call can load a script from is one of these (the plain and
# hostile values name no loadable file).
SCRIPTS = {
    "passing.py": "def test(*args):\n    return args[0] if args else True\n",
    "hostile_result.py": "from tests.fuzz import hostile\n\ndef test(*args):\n    return hostile.make(hostile.rng)[0]\n",
    "raising.py": "from tests.fuzz import hostile\n\ndef test(*args):\n    raise hostile.Boom('test')\n",
    "wandering.py": "import os\n\ndef test(*args):\n    os.chdir(os.sep)\n    return 'skipped'\n",
    "no_test.py": "test = None\n",
    "broken.py": "raise RuntimeError('broken at import')\n",
}
_script_dir = []


def script_dir():
    if not _script_dir:
        root = pathlib.Path(tempfile.mkdtemp(prefix="vexal-fuzz-"))
        atexit.register(shutil.rmtree, root, True)
        (root / "scripts").mkdir()
        for name, source in SCRIPTS.items():
            (root / "scripts" / name).write_text(source)
        _script_dir.append(root)
    return _script_dir[0]


class Request:
    """Stands in for pytest's request fixture (fspath, or path only)."""

    def __init__(self, **paths):
        vars(self).update(paths)


class Captured:
    def __init__(self, out, err):
        self.out, self.err = out, err


class Capsys:
    """Stands in for pytest's capsys fixture."""

    def __init__(self, captured):
        self.captured = captured

    def readouterr(self):
        return self.captured


def _runshim_typical(m, h):
    from tests.fuzz.hostile import Boom, rng

    def pick(usual, *unusual):
        return usual if rng.random() < 0.75 else rng.choice(unusual)

    root = script_dir()
    script = rng.choice(sorted(SCRIPTS))
    path = root / "scripts" / script
    spec = pick([f"scripts/{script}", h(), 1], [f"scripts/{script}"], (str(path), h()), [h()], h())
    request = pick(rng.choice([Request(fspath=str(root / "test_module.py")), Request(path=root / "test_module.py")]),
                   Request(fspath=h()), Request(), h())
    capsys = pick(Capsys(Captured("out", "err")), Capsys(Captured(h(), h())), Capsys(h()), h())
    executor = m.ContextTestExecutor(str(root / "scripts"), capsys)
    error = Boom("body")
    return {
        "run_test": [(spec, "spec"), (request, "request"), (capsys, "capsys")],
        "get_module": [(pick(str(path), path, h()), script)],
        "ContextTestExecutor": [(str(root), "dir"), (capsys, "capsys")],
        "ContextTestExecutor.__enter__": [(executor, "executor")],
        "ContextTestExecutor.__exit__": [(executor, "executor"), (Boom, "Boom"), (error, "error"), (None, "None")],
    }


def _runshim_seeds(m, h):
    root = script_dir()
    return [m.ContextTestExecutor(str(root), Capsys(Captured("", ""))), m.ContextTestExecutor(h(), h()),
            Request(fspath=str(root / "test_module.py")), Capsys(Captured(h(), "err")), ["scripts/passing.py", h()]]


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
    "vexal.types.phasors": Entry(_phasors_seeds),
    "vexal.test.transformations.impl": Entry(_transformations_seeds),
    # The module's globals are in the state: the functions read them at call time.
    "vexal.utils.plotting": Entry(_plotting_seeds, state=lambda m: [m], typical=_plotting_typical, scratch=True,
                                  tidy=_tidy_plotting),
    # Never hand decorate_module_public_attr a real module: it rebinds the attributes.
    "vexal.pytest_vexal.decorators": Entry(_decorators_seeds, state=lambda m: [m], typical=_decorators_typical,
                                           scratch=True, tidy=_tidy_plotting),
    "vexal.utils.runshim": Entry(_runshim_seeds, state=lambda m: [m.model], typical=_runshim_typical),
    # raise_without_gil stops the process by design.
    "vexal._selftest": Entry(lambda m, h: [h()], skip=frozenset({"raise_without_gil"})),
}
