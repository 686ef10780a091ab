"""A straight Python transcription of the plotting module and the report
decorators, the baseline that bench_decorators.py measures the C++ modules
against. It draws with the same calls (including the sound arrow style and
width and the file names kept inside `dir`), so the two do the same work.
"""
from builtins import dict, str  # noqa: A004 - as the plotting module imports them

import builtins
import inspect
import io
import os
import time
import warnings

import allure
import matplotlib.pyplot as plt
import numpy as np
import peakutils
import wrapt

from vexal.allure_commons import empty_step
from vexal.allure_step import step
from vexal.types.timedelta import Timedelta as td

PY2 = False


# ---- plotting ----

def capture_plot(capture, dest=None, dir=None):
    outputs = []
    for name in capture:
        if dest == "memory":
            output = io.BytesIO()
            output.name = name
        elif dest == "file":
            if dir is None:
                raise Exception("Capture plot to file but no directory was provided.")
            if not os.path.exists(dir):
                warnings.warn("Capture plot to file but directory does not exist. Creating it.")
                os.makedirs(dir)
            part = "{}".format(name)
            for separator in (os.sep, os.altsep):
                if separator is not None:
                    part = part.replace(separator, "_")
            output = os.path.join(dir, "{}_{}.png".format(int(time.time() * 1000), part))
        else:
            output = None
        plt.plot(capture[name].index.values, capture[name], label=name)
        plt.title(name, fontsize=7)
        plt.grid()
        plt.margins(x=0.1, y=0.1)
        plt.tight_layout()
        ax = plt.gca()
        ax.set_xticklabels(td_labels(ax.get_xticks().tolist()))
        for label in ax.get_xticklabels():
            label.set_rotation(45)
        if output is not None:
            plt.savefig(output, bbox_inches="tight")
            outputs.append(output)
        else:
            plt.show()
        plt.clf()
    return outputs


def harmonic_plot(content, output="plot", annotate=True):
    plt.stem(content.freqs, abs(content.fft))
    plt.title("Frequency Content")
    peak_indexes = peakutils.indexes(abs(content.fft))
    if annotate:
        for p in peak_indexes:
            freq = content.freqs[p]
            mag = abs(content.fft[p])
            phase = np.angle(content.fft[p]) * 180 / np.pi
            plt.annotate("Freq: {:.2f}\nMag: {:.2f}\nPhase: {:.2f}\u00b0".format(freq, mag, phase),
                         xy=(freq, mag), xytext=(10, -10), textcoords="offset points",
                         bbox=dict(boxstyle="square", fc="w"), fontsize=7)
    if output == "plot":
        plt.show()
    else:
        plt.savefig(output)
        output.name = "Frequency Content"
        plt.clf()


def td_labels(x):
    return [str(td(t, unit="ns")) for t in x]


def plot_phasors(phasors, phasors_before=None, type="abc", output=None, plot=False):
    def plot_set(set, light=False):
        fill = not light
        lw = 1 if light else 0
        style = {"linestyle": "--"} if light else {}
        for phasor in set:
            angle = phasor.angle * np.pi / 180
            x = phasor.mag * np.cos(angle)
            y = phasor.mag * np.sin(angle)
            plt.arrow(0, 0, x, y, width=width, fill=fill, lw=lw, zorder=5, length_includes_head=True, **style)
            plt.plot([0, x], [0, y], alpha=0)
            plt.plot([0, -x], [0, -y], alpha=0)
            label_angle = (phasor.angle + 7) * np.pi / 180
            plt.annotate(phasor.alias, xy=(phasor.mag * np.cos(label_angle), phasor.mag * np.sin(label_angle)))

    if type in ("pos_seq", "neg_seq", "zero_seq"):
        phasors = getattr(phasors, type)
        if phasors_before is not None:
            phasors_before = getattr(phasors_before, type)
    max_mag = 0
    largest = 0
    for phasor in list(phasors) + (list(phasors_before) if phasors_before is not None else []):
        mag = phasor.mag
        max_mag = int(max_mag if max_mag > mag else mag)
        if not max_mag and not largest > mag:
            largest = mag
    width = 7 * (max_mag or largest) / 277.0
    title = phasors
    if phasors_before is not None:
        plot_set(phasors_before, light=True)
        title = "{}\n{}".format(phasors_before, phasors)
    if PY2:
        title = str(title, encoding="utf-8")
    plot_set(phasors, light=False)
    plt.grid()
    plt.title(title, fontsize=7)
    plt.gca().set_aspect("equal")
    if plot:
        plt.show()
    if output is not None:
        plt.savefig(output)
    plt.clf()


# ---- decorators ----

def decorate_module_public_attr(module, decorator, exclusion_list=(), inclusion_list=(), exclude_private=True):
    members = inspect.getmembers(
        module,
        lambda x: callable(x) and not inspect.isclass(x) and not inspect.getmembers(builtins, lambda y: y == x))
    for name, value in members:
        if name.startswith("_") and exclude_private:
            continue
        if name in exclusion_list:
            continue
        if inclusion_list == () or name in inclusion_list:
            setattr(module, name, decorator(value))


@wrapt.decorator
def allure_plot_and_attach_capture_decorator(func, instance, args, kwargs):
    __tracebackhide__ = True
    capture = func(*args, **kwargs)
    outputs = capture_plot(capture, dest="memory")
    for item in sorted(outputs, key=lambda item: item.name.lower()):
        allure.attach(item.getvalue(), item.name, attachment_type=allure.attachment_type.PNG)
    return capture


@wrapt.decorator
def allure_plot_and_attach_analysis_decorator(func, instance, args, kwargs):
    __tracebackhide__ = True
    result = func(*args, **kwargs)
    output = io.BytesIO()
    result.plot(output)
    allure.attach(output.getvalue(), "Analysis Plot", attachment_type=allure.attachment_type.PNG)
    return result


@wrapt.decorator
def allure_plot_and_attach_fft_decorator(func, instance, args, kwargs):
    __tracebackhide__ = True
    result = func(*args, **kwargs)
    output = io.BytesIO()
    harmonic_plot(result, output)
    allure.attach(output.getvalue(), output.name, attachment_type=allure.attachment_type.PNG)
    return result


@wrapt.decorator
def plot_and_attach_grid_changes(func, instance, args, kwargs):
    __tracebackhide__ = True
    result = func(*args, **kwargs)
    for type, title in ((None, "Phasor Plot"), ("pos_seq", "Phasor Plot - Positive Sequence"),
                        ("neg_seq", "Phasor Plot - Negative Sequence"), ("zero_seq", "Phasor Plot - Zero Sequence")):
        output = io.BytesIO()
        if type is None:
            plot_phasors(result.phasors_after, result.phasors_before, output=output)
        else:
            plot_phasors(result.phasors_after, result.phasors_before, type=type, output=output)
        allure.attach(output.getvalue(), title, attachment_type=allure.attachment_type.PNG)
    return result


@wrapt.decorator
def log_alias_decorator(func, instance, args, kwargs):
    __tracebackhide__ = True
    result = func(*args, **kwargs)
    if "alias" not in kwargs:
        return result
    if isinstance(result, tuple):
        for item in result:
            empty_step("[Alias] {}".format(item))
    else:
        empty_step("[Alias] {}".format(result))
    return result


def step_with_alias_decorator(func):
    __tracebackhide__ = True
    step_name = func.__name__.replace("_", " ").title()
    return log_alias_decorator(step(step_name, flatten=True)(func))
