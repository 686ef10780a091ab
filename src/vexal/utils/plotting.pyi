"""Figures for test reports: captured signals with time labels, frequency
content and phasor diagrams, drawn on matplotlib's current figure."""
from typing import IO, Any, Iterable, List, Literal, Optional, Union

from vexal.types.timedelta import Timedelta as td

PY2: bool

def capture_plot(capture: Any, dest: Optional[str] = None, dir: Optional[str] = None) -> List[Any]:
    """Plot every signal of a capture; return the PNG buffers or file paths."""

def harmonic_plot(content: Any, output: Union[Literal["plot"], IO[bytes]] = "plot", annotate: bool = True) -> None:
    """Stem plot of a spectrum (``freqs``, ``fft``) with its peaks labelled."""

def td_labels(x: Iterable[float]) -> List[str]:
    """Time texts of tick positions given in nanoseconds."""

def plot_phasors(
    phasors: Iterable[Any],
    phasors_before: Optional[Iterable[Any]] = None,
    type: str = "abc",
    output: Any = None,
    plot: bool = False,
) -> None:
    """Phasor diagram of a set, optionally over an earlier set."""
