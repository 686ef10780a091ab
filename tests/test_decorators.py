# -*- coding: utf-8 -*-
"""Report decorators: step titles, alias entries, module decoration, plot
attachments, and a real pytest run with Allure and the live step log."""
import builtins
import importlib
import inspect
import io
import json
import re
import sys
import types

import allure_commons
import matplotlib.pyplot as plt
import pytest
import wrapt

from vexal.pytest_vexal import decorators as d
from vexal.utils import plotting as plotutils
from vexal.test.ranges import around
from vexal.types.alias import AliasFloat

pytest_plugins = ["pytester"]


class Recorder(object):
    """Records the Allure step and attachment hooks, as the report sees them."""

    def __init__(self):
        self.events = []

    @allure_commons.hookimpl
    def start_step(self, uuid, title, params):
        self.events.append(title)

    @allure_commons.hookimpl
    def stop_step(self, uuid, exc_type, exc_val, exc_tb):
        self.events.append("end" if exc_type is None else "end " + exc_type.__name__)

    @allure_commons.hookimpl
    def attach_data(self, body, name, attachment_type, extension):
        assert attachment_type is allure_commons.types.AttachmentType.PNG
        self.events.append(("attach", name, body if len(body) < 16 else body[:4]))


@pytest.fixture
def report():
    recorder = Recorder()
    allure_commons.plugin_manager.register(recorder)
    yield recorder.events
    allure_commons.plugin_manager.unregister(recorder)
    plt.close("all")


def set_source_value(value, alias=None):
    """Set the source."""
    return AliasFloat(value, alias=alias)


def read_DC_link(alias=None):
    return (AliasFloat(1, alias="a"), AliasFloat(2), 3)


def check__x(alias=None):
    return [1, 2]


def broken(alias=None):
    raise KeyError("broken")


def entries(*values):
    events = []
    for v in values:
        events += ["[Alias] {}".format(v), "end"]
    return events


STEP_CASES = [
    ("no-alias", set_source_value, (230,), {}, ["Set Source Value", "end"]),
    ("alias", set_source_value, (230,), {"alias": "Vnom"},
     ["Set Source Value", "end"] + entries(AliasFloat(230, alias="Vnom"))),
    ("alias-none", set_source_value, (5,), {"alias": None}, ["Set Source Value", "end"] + entries(AliasFloat(5))),
    ("tuple", read_DC_link, (), {"alias": "x"},
     ["Read Dc Link", "end"] + entries(AliasFloat(1, alias="a"), AliasFloat(2), 3)),
    ("list", check__x, (), {"alias": "x"}, ["Check  X", "end"] + entries([1, 2])),
    ("raises", broken, (), {"alias": "x"}, ["Broken", "end KeyError"]),
]


@pytest.mark.parametrize("func, args, kwargs, expected", [c[1:] for c in STEP_CASES],
                         ids=[c[0] for c in STEP_CASES])
def test_step_with_alias_decorator(report, func, args, kwargs, expected):
    decorated = d.step_with_alias_decorator(func)
    try:
        result = decorated(*args, **kwargs)
    except KeyError:
        result = None
    else:
        assert result == func(*args, **kwargs)
    assert report == expected


class Meter(object):
    @d.log_alias_decorator
    def read(self, channel, alias=None):
        """Read a channel."""
        return (self, channel)


def test_wrappers_are_transparent_runtime_functions(report):
    for name in ("log_alias_decorator", "allure_plot_and_attach_capture_decorator",
                 "allure_plot_and_attach_analysis_decorator", "allure_plot_and_attach_fft_decorator",
                 "plot_and_attach_grid_changes"):
        wrapper = getattr(d, name).__wrapped__
        assert isinstance(getattr(d, name), wrapt.FunctionWrapper)
        assert type(wrapper) is not types.FunctionType  # a C++ function object
        assert list(inspect.signature(wrapper).parameters) == ["func", "instance", "args", "kwargs"]
        assert getattr(d, name).__doc__
    for module, names in ((d, ["decorate_module_public_attr", "step_with_alias_decorator"]),
                          (plotutils, ["capture_plot", "harmonic_plot", "td_labels", "plot_phasors"])):
        assert module.__doc__ and all(getattr(module, name).__doc__ for name in names)
    decorated = d.step_with_alias_decorator(set_source_value)
    assert isinstance(decorated, wrapt.FunctionWrapper)
    assert (decorated.__name__, decorated.__doc__) == ("set_source_value", "Set the source.")
    assert inspect.signature(decorated) == inspect.signature(set_source_value)
    meter = Meter()
    assert meter.read(2, alias="m") == (meter, 2)
    assert Meter.read.__doc__ == "Read a channel."
    ranged = d.step_with_alias_decorator(around)
    assert inspect.signature(ranged) == inspect.signature(around)
    assert ranged(5, tol=1) == (4, 6)
    assert report == ["[Alias] {}".format(meter), "end", "[Alias] 2", "end", "Around", "end"]


MODULE_SOURCE = '''
from os.path import join
from builtins import len, print
my_abs = abs

def b_func(): pass
def a_func(): pass
def _private(): pass
class Kind(object): pass
value = 5
'''


@pytest.fixture
def api_module(tmp_path, monkeypatch):
    (tmp_path / "selection_api.py").write_text(MODULE_SOURCE)
    monkeypatch.syspath_prepend(str(tmp_path))
    sys.modules.pop("selection_api", None)
    yield importlib.import_module("selection_api")
    sys.modules.pop("selection_api", None)


SELECTION_CASES = [
    ("defaults", {}, ["a_func", "b_func", "join"]),
    ("private-too", {"exclude_private": False}, ["_private", "a_func", "b_func", "join"]),
    ("empty-list-selects-none", {"inclusion_list": []}, []),
    ("empty-tuple-selects-all", {"inclusion_list": ()}, ["a_func", "b_func", "join"]),
    ("included", {"inclusion_list": ("b_func", "join")}, ["b_func", "join"]),
    ("exclusion-wins", {"inclusion_list": ["a_func", "b_func"], "exclusion_list": ["a_func"]}, ["b_func"]),
    ("private-included-but-private", {"inclusion_list": ["_private"]}, []),
]


@pytest.mark.parametrize("slow_path", [False, True], ids=["direct", "through-getmembers"])
@pytest.mark.parametrize("kwargs, expected", [c[1:] for c in SELECTION_CASES], ids=[c[0] for c in SELECTION_CASES])
def test_decorate_module_public_attr_selection(api_module, monkeypatch, slow_path, kwargs, expected):
    inspected = []
    if slow_path:  # a replaced inspect.getmembers is called for the builtins too
        original = inspect.getmembers

        def getmembers(obj, predicate=None):
            inspected.append(obj)
            return original(obj, predicate)

        monkeypatch.setattr(inspect, "getmembers", getmembers)
    before = dict(vars(api_module))
    decorated = []

    def decorator(func):
        decorated.append(func.__name__)
        return ("decorated", func)

    assert d.decorate_module_public_attr(api_module, decorator, **kwargs) is None
    assert decorated == expected
    assert (builtins in inspected) == slow_path
    for name, value in before.items():
        if name in expected:
            assert getattr(api_module, name) == ("decorated", value)
        else:
            assert getattr(api_module, name) is value


def test_decorator_error_stops_decorating(api_module):
    def decorator(func):
        if func.__name__ == "b_func":
            raise RuntimeError("no")
        return "decorated"

    with pytest.raises(RuntimeError):
        d.decorate_module_public_attr(api_module, decorator)
    assert api_module.a_func == "decorated"
    assert inspect.isfunction(api_module.b_func) and inspect.isfunction(api_module.join)


class Capture(dict):
    """A capture whose images come out named b, A, C, in that order."""


def named_images(capture, dest):
    assert dest == "memory"
    images = []
    for name in capture:
        image = io.BytesIO(b"\x89PNG" + name.encode())
        image.name = name
        images.append(image)
    return images


class Drawing(object):
    def plot(self, output):
        output.write(b"\x89PNG drawing")


class Spectrum(object):
    def __init__(self):
        import numpy as np
        self.freqs = np.arange(0, 100, 10.0)
        self.fft = np.array([0, 1, 9, 1, 0, 0, 3, 0, 0, 0], dtype=complex)


class GridChange(object):
    def __init__(self, before, after):
        self.phasors_before, self.phasors_after = before, after


class Phasor(object):
    def __init__(self, mag, angle, alias):
        self.mag, self.angle, self.alias = mag, angle, alias


class PhasorSet(list):
    def __init__(self, mag, names=("Va", "Vb", "Vc"), sequences=True):
        list.__init__(self, [Phasor(mag, a, n) for a, n in zip((0, -120, 120), names)])
        if sequences:
            self.pos_seq = PhasorSet(mag, ("Va1", "Vb1", "Vc1"), False)
            self.neg_seq = PhasorSet(0, ("Va2", "Vb2", "Vc2"), False)
            self.zero_seq = PhasorSet(0, ("Va0", "Vb0", "Vc0"), False)


class Failing(Exception):
    pass


PHASOR_TITLES = ["Phasor Plot", "Phasor Plot - Positive Sequence", "Phasor Plot - Negative Sequence",
                 "Phasor Plot - Zero Sequence"]
PNG = b"\x89PNG"
no_zero_seq = GridChange(PhasorSet(230), PhasorSet(115))
del no_zero_seq.phasors_after.zero_seq

ATTACH_CASES = [
    # (id, decorator, result, attachments, exception)
    ("capture", d.allure_plot_and_attach_capture_decorator, Capture(b=1, A=2, C=3),
     [("A", PNG + b"A"), ("b", PNG + b"b"), ("C", PNG + b"C")], None),
    ("capture-empty", d.allure_plot_and_attach_capture_decorator, Capture(), [], None),
    ("analysis", d.allure_plot_and_attach_analysis_decorator, Drawing(), [("Analysis Plot", PNG + b" drawing")], None),
    ("fft", d.allure_plot_and_attach_fft_decorator, Spectrum(), [("Frequency Content", PNG)], None),
    ("grid", d.plot_and_attach_grid_changes, GridChange(PhasorSet(230), PhasorSet(115)),
     [(title, PNG) for title in PHASOR_TITLES], None),
    # A failure after some plots keeps what was attached before it.
    ("grid-fails-late", d.plot_and_attach_grid_changes, no_zero_seq,
     [(title, PNG) for title in PHASOR_TITLES[:3]], AttributeError),
    ("analysis-plot-raises", d.allure_plot_and_attach_analysis_decorator, types.SimpleNamespace(plot=Drawing),
     [], TypeError),
]


@pytest.mark.parametrize("decorator, result, attachments, exception", [c[1:] for c in ATTACH_CASES],
                         ids=[c[0] for c in ATTACH_CASES])
def test_plot_and_attach(report, monkeypatch, decorator, result, attachments, exception):
    monkeypatch.setattr(d.plotutils, "capture_plot", named_images)

    @decorator
    def analyse(value, scale=1):
        """Analyse."""
        return value

    @decorator
    def fails(value):
        raise Failing()

    assert analyse.__name__ == "analyse" and str(inspect.signature(analyse)) == "(value, scale=1)"
    if exception is None:
        assert analyse(result) is result
    else:
        with pytest.raises(exception):
            analyse(result)
    assert report == [("attach", name, body) for name, body in attachments]
    del report[:]
    with pytest.raises(Failing):
        fails(result)
    assert report == []


GRID_API = '''
import sys
import types

from vexal.pytest_vexal.decorators import (
    decorate_module_public_attr, plot_and_attach_grid_changes, step_with_alias_decorator)
from vexal.types.alias import AliasFloat


class _Phases(list):
    """Three phasors, each set its own sequence components."""


def _phasors(mag_a):
    phases = _Phases(types.SimpleNamespace(mag=mag, angle=angle, alias=name)
                     for mag, angle, name in ((mag_a, 0, "Va"), (230, -120, "Vb"), (230, 120, "Vc")))
    phases.pos_seq = phases.neg_seq = phases.zero_seq = phases
    return phases


def set_source_value(value, alias=None):
    return AliasFloat(value, alias=alias)


def read_DC_link(alias=None):
    return AliasFloat(700, alias="Vdc+"), AliasFloat(-700, alias="Vdc-")


@plot_and_attach_grid_changes
def apply_sag(depth):
    return types.SimpleNamespace(phasors_before=_phasors(230), phasors_after=_phasors(230 * (1 - depth)))


def trip_breaker():
    raise RuntimeError("breaker stuck")


decorate_module_public_attr(sys.modules[__name__], step_with_alias_decorator)
'''

GRID_TESTS = '''
import grid_api


def test_sag():
    grid_api.set_source_value(230, alias="Vnom")
    grid_api.read_DC_link(alias="dc")
    grid_api.apply_sag(0.5)


def test_trip():
    grid_api.trip_breaker()
'''


def test_decorated_api_in_a_real_pytest_run(pytester, monkeypatch):
    monkeypatch.setenv("MPLBACKEND", "Agg")
    pytester.makepyfile(grid_api=GRID_API, test_grid=GRID_TESTS)
    result = pytester.runpytest_subprocess("-p", "no:cacheprovider", "--alluredir", "allure-results")
    result.assert_outcomes(passed=1, failed=1)
    results = {}
    for path in (pytester.path / "allure-results").glob("*-result.json"):
        data = json.loads(path.read_text())
        results[data["name"]] = data

    def steps(data):
        return [(s["name"], [a["name"] for a in s.get("attachments", [])]) for s in data["steps"]]

    vnom, dc_plus, dc_minus = ["[Alias] {}".format(AliasFloat(v, alias=a))
                               for v, a in ((230, "Vnom"), (700, "Vdc+"), (-700, "Vdc-"))]
    assert steps(results["test_sag"]) == [
        ("Set Source Value", []), (vnom, []), ("Read Dc Link", []), (dc_plus, []), (dc_minus, []),
        ("Apply Sag", PHASOR_TITLES)]
    for attachment in results["test_sag"]["steps"][-1]["attachments"]:
        assert attachment["type"] == "image/png"
        assert (pytester.path / "allure-results" / attachment["source"]).read_bytes().startswith(PNG)
    assert steps(results["test_trip"]) == [("Trip Breaker", [])]
    assert results["test_trip"]["steps"][0]["status"] == "broken"

    # The live step log shows the steps and the attachments.
    result.stdout.fnmatch_lines(["> Set Source Value", "> " + vnom, "> Read Dc Link",
                                 "> " + dc_plus, "> " + dc_minus, "> Apply Sag"]
                                + ["    [Attachment] " + title for title in PHASOR_TITLES], consecutive=True)
    # The failure's traceback runs from the test straight into the API
    # function: no wrapper frame of the decorators, wrapt or the step.
    failure = result.stdout.str().split("_ test_trip _")[1]
    assert re.findall(r"^(\S+\.py):\d+: ", failure, re.M) == ["test_grid.py", "grid_api.py"]
    assert re.findall(r"^    def (\w+)", failure, re.M) == ["test_trip", "trip_breaker"]
