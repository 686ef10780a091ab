# -*- coding: utf-8 -*-
"""Capture, harmonic and phasor plots: pictures compared with reference
images, and what each function draws, saves, shows and clears."""
import gc
import io
import os
import re
import shutil
import warnings
import weakref

import matplotlib
import matplotlib.pyplot as plt
import matplotlib.testing
from matplotlib import ft2font
import numpy as np
import pandas as pd
import pytest
from matplotlib.testing.compare import compare_images

from vexal.utils import plotting

# Glyphs come out differently from one FreeType release to another (the
# matplotlib 3.8 wheels bundle 2.6.1): such a release has its own references.
IMAGES = os.path.join(os.path.dirname(__file__), "images")
FREETYPE_IMAGES = os.path.join(IMAGES, "freetype-" + ft2font.__freetype_version__)
if os.path.isdir(FREETYPE_IMAGES):
    IMAGES = FREETYPE_IMAGES
DPI = 80
TOLERANCE = 2.0  # RMS of the pixel difference, matplotlib's own measure
A = np.exp(2j * np.pi / 3)


class Phasor(object):
    """Anything with mag, angle (degrees) and alias can be drawn."""

    def __init__(self, value, alias):
        # Rounded, so that no last-digit noise reaches the pictures' titles.
        self.mag = round(abs(value), 6)
        self.angle = round(float(np.degrees(np.angle(value))), 3) + 0.0 if self.mag else 0.0
        self.alias = alias

    def __str__(self):
        return u"{}={:.4g}∠{:.4g}°".format(self.alias, self.mag, self.angle)


class PhasorSet(tuple):
    def __str__(self):
        return ", ".join(str(p) for p in self)


def phasor_set(values, names):
    return PhasorSet(Phasor(v, n) for v, n in zip(values, names))


def three_phase(va, vb, vc):
    """A set of three phasors with its symmetrical-component sets."""
    phases = phasor_set((va, vb, vc), ("Va", "Vb", "Vc"))
    zero = (va + vb + vc) / 3
    pos = (va + A * vb + A * A * vc) / 3
    neg = (va + A * A * vb + A * vc) / 3
    phases.zero_seq = phasor_set((zero,) * 3, ("Va0", "Vb0", "Vc0"))
    phases.pos_seq = phasor_set((pos, A * A * pos, A * pos), ("Va1", "Vb1", "Vc1"))
    phases.neg_seq = phasor_set((neg, A * neg, A * A * neg), ("Va2", "Vb2", "Vc2"))
    return phases


def polar(mag, degrees):
    return mag * np.exp(1j * np.radians(degrees))


# A voltage sag on phase a: 230 V before, 115 V and 10 degrees behind after.
SAG_BEFORE = three_phase(polar(230, 0), polar(230, -120), polar(230, 120))
SAG_AFTER = three_phase(polar(115, -10), polar(230, -120), polar(230, 120))
PER_UNIT = three_phase(polar(0.9, 0), polar(0.5, -120), polar(0.7, 120))


def capture():
    t = np.arange(0, 0.04, 0.0002)
    index = pd.to_timedelta(t, unit="s")
    return pd.DataFrame({"Va": 325 * np.sin(2 * np.pi * 50 * t),
                         "Vb": 325 * np.sin(2 * np.pi * 50 * t - 2 * np.pi / 3)}, index=index)


class Spectrum(object):
    """Peaks of 10 at 50 Hz (30 degrees) and 4 at 250 Hz (negative real)."""

    def __init__(self):
        self.freqs = np.arange(0, 500, 10.0)
        self.fft = (0.1 * np.exp(-self.freqs / 200)).astype(complex)
        self.fft[5] = polar(10, 30)
        self.fft[25] = -4


@pytest.fixture
def figure(monkeypatch):
    """Fixed fonts, size and DPI on one fresh figure; plt.show records what
    the current axes hold instead of showing it."""
    shown = []

    def show():
        axes = plt.gca()
        shown.append({"title": axes.get_title(), "texts": [t.get_text() for t in axes.texts],
                      "patches": list(axes.patches), "lines": len(axes.lines)})

    with matplotlib.rc_context():
        matplotlib.testing.set_font_settings_for_testing()
        plt.rcParams.update({"figure.figsize": (4, 3), "figure.dpi": DPI, "savefig.dpi": DPI})
        plt.close("all")
        plt.figure()
        monkeypatch.setattr(plt, "show", show)
        with warnings.catch_warnings():
            warnings.simplefilter("error")  # matplotlib's warnings too: they fail -W error runs
            yield shown
        plt.close("all")


def phasor_png(phasors, before=None, **kwargs):
    output = io.BytesIO()
    plotting.plot_phasors(phasors, before, output=output, **kwargs)
    return output.getvalue()


def harmonic_png():
    output = io.BytesIO()
    plotting.harmonic_plot(Spectrum(), output)
    assert output.name == "Frequency Content"
    return output.getvalue()


IMAGE_CASES = [
    ("capture", lambda: plotting.capture_plot(capture(), dest="memory")[0].getvalue()),
    ("harmonic", harmonic_png),
    ("phasors", lambda: phasor_png(SAG_AFTER)),
    ("phasors_before", lambda: phasor_png(SAG_AFTER, SAG_BEFORE)),
    ("pos_seq", lambda: phasor_png(SAG_AFTER, SAG_BEFORE, type="pos_seq")),
    ("neg_seq", lambda: phasor_png(SAG_AFTER, SAG_BEFORE, type="neg_seq")),
    ("zero_seq", lambda: phasor_png(SAG_AFTER, SAG_BEFORE, type="zero_seq")),
    ("per_unit", lambda: phasor_png(PER_UNIT)),
]


@pytest.mark.parametrize("name, draw", IMAGE_CASES, ids=[c[0] for c in IMAGE_CASES])
def test_plot_matches_reference_image(figure, tmp_path, name, draw):
    fignums = plt.get_fignums()
    actual = tmp_path / (name + ".png")
    actual.write_bytes(draw())
    expected = os.path.join(IMAGES, name + ".png")
    if not os.path.exists(expected):
        shutil.copy(str(actual), expected)
        pytest.fail("wrote a new reference image {}: look at it".format(expected))
    assert compare_images(expected, str(actual), tol=TOLERANCE) is None
    # Drawn on the current figure, which is left cleared.
    assert plt.get_fignums() == fignums
    assert plt.gcf().axes == []


def test_capture_plot_to_memory_file_and_screen(figure, tmp_path):
    buffers = plotting.capture_plot(capture(), dest="memory")
    assert [b.name for b in buffers] == ["Va", "Vb"]
    assert all(b.getvalue().startswith(b"\x89PNG") for b in buffers)

    directory = str(tmp_path / "new" / "dir")
    signals = {"Va": capture()["Va"], "../up": capture()["Vb"], "a" + os.sep + "b": capture()["Va"]}
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        paths = plotting.capture_plot(signals, dest="file", dir=directory)
    assert [(w.category, str(w.message)) for w in caught] == [
        (UserWarning, "Capture plot to file but directory does not exist. Creating it.")]
    # Separators in a signal name become "_": every file stays in dir.
    names = [os.path.basename(p) for p in paths]
    assert [re.sub(r"^\d{13}_", "", n) for n in names] == ["Va.png", ".._up.png", "a_b.png"]
    assert all(os.path.dirname(p) == directory for p in paths)
    assert sorted(os.listdir(directory)) == sorted(names)

    with pytest.raises(Exception) as raised:
        plotting.capture_plot(capture(), dest="file", dir=None)
    assert (type(raised.value), str(raised.value)) == (
        Exception, "Capture plot to file but no directory was provided.")
    plt.clf()
    # Nothing to draw: no directory check, no output.
    assert plotting.capture_plot({}, dest="file", dir=None) == []

    assert plotting.capture_plot(capture(), dest=None) == []
    assert [s["title"] for s in figure] == ["Va", "Vb"]
    assert plt.gcf().axes == []


def test_td_labels():
    assert plotting.td_labels([0.0, 1e9, 2.5e9]) == ["0s", "1s", "2s 500ms"]
    assert plotting.td_labels(iter([])) == []


def test_harmonic_plot_labels_peaks(figure, tmp_path):
    assert plotting.harmonic_plot(Spectrum()) is None
    assert plotting.harmonic_plot(Spectrum(), "plot", False) is None
    annotated, bare = figure
    assert annotated["title"] == "Frequency Content"
    assert annotated["texts"] == [u"Freq: 50.00\nMag: 10.00\nPhase: 30.00°",
                                  u"Freq: 250.00\nMag: 4.00\nPhase: 180.00°"]
    # Shown figures are not cleared: the second plot lands on the first.
    assert bare["texts"] == annotated["texts"]
    assert len(plt.gcf().axes) == 1
    # A path is saved to, but takes no name: the figure stays uncleared.
    path = tmp_path / "spectrum.png"
    with pytest.raises(AttributeError):
        plotting.harmonic_plot(Spectrum(), str(path))
    assert path.read_bytes().startswith(b"\x89PNG")
    assert len(plt.gcf().axes) == 1


def arrow_width(patch):
    """Shaft width of an arrow along the x axis (its head is 3 widths wide)."""
    return np.ptp(patch.get_xy()[:, 1]) / 3


PHASOR_CASES = [
    # (id, phasors, before, type, title, number of arrows, width of the first)
    ("277", phasor_set([277, polar(177, -120), polar(200, 120)], "abc"), None, "abc",
     None, 3, 7.0),
    ("per-unit", PER_UNIT, None, "abc", None, 3, 7 * 0.9 / 277),
    ("one-and-a-half", phasor_set([1.5, 0.5j], "ab"), None, "abc", None, 2, 7 / 277.0),
    ("before", SAG_AFTER, SAG_BEFORE, "abc", str(SAG_BEFORE) + "\n" + str(SAG_AFTER), 6, 7 * 230 / 277.0),
    ("pos-seq-alone", SAG_AFTER, None, "pos_seq", str(SAG_AFTER.pos_seq), 3, None),
    ("unknown-type", SAG_AFTER, None, "dq0", str(SAG_AFTER), 3, None),
]


@pytest.mark.parametrize("phasors, before, type, title, arrows, width",
                         [c[1:] for c in PHASOR_CASES], ids=[c[0] for c in PHASOR_CASES])
def test_plot_phasors_draws(figure, phasors, before, type, title, arrows, width):
    plotting.plot_phasors(phasors, before, type, None, True)
    shown, = figure
    assert shown["title"] == (title if title is not None else str(phasors))
    patches = shown["patches"]
    assert len(patches) == arrows
    if width is not None:
        assert arrow_width(patches[0]) == pytest.approx(width)
    # Earlier set: dashed outlines; current set: filled, no outline, solid.
    light = 3 if before is not None else 0
    assert [(p.get_fill(), p.get_linewidth(), p.get_linestyle(), p.zorder) for p in patches] == (
        [(False, 1, "--", 5)] * light + [(True, 0, "solid", 5)] * (arrows - light))
    assert shown["lines"] == 2 * arrows  # the invisible lines that centre the origin
    assert plt.gcf().axes == []


def test_plot_phasors_without_output_or_show(figure):
    assert plotting.plot_phasors(SAG_AFTER) is None
    assert figure == []
    assert plt.gcf().axes == []


class Signals(dict):
    pass


KEEP_NO_INPUT_CASES = [
    ("capture", lambda inputs: plotting.capture_plot(inputs, dest="memory"), lambda: Signals(capture())),
    ("harmonic", lambda inputs: plotting.harmonic_plot(inputs, io.BytesIO()), Spectrum),
    ("phasors", lambda inputs: plotting.plot_phasors(inputs, three_phase(1, A, A * A), "pos_seq", io.BytesIO()),
     lambda: three_phase(polar(115, -10), polar(230, -120), polar(230, 120))),
]


@pytest.mark.parametrize("draw, make_input", [c[1:] for c in KEEP_NO_INPUT_CASES],
                         ids=[c[0] for c in KEEP_NO_INPUT_CASES])
def test_plots_keep_no_input_alive(figure, draw, make_input):
    inputs = make_input()
    if isinstance(inputs, PhasorSet):  # a tuple: its phasors are watched
        watched = [weakref.ref(p) for p in inputs + inputs.pos_seq]
    else:
        watched = [weakref.ref(inputs)]
    draw(inputs)
    del inputs
    gc.collect()
    assert [ref() for ref in watched] == [None] * len(watched)
