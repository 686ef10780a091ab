"""Figures for test reports: captured signals with time labels, frequency
content and phasor diagrams, drawn on matplotlib's current figure."""
import io
import os
from typing import IO, Any, Iterable, List, Literal, Optional, Union, overload

from vexal.types.timedelta import Timedelta as td

PY2: bool

# Any other destination shows the figures, so only these two are typed.
@overload
def capture_plot(capture: Any, dest: Literal["memory"], dir: Union[str, os.PathLike[str], None] = None) -> List[io.BytesIO]:
    """Plot every signal of a capture; return the PNG buffers or file paths."""
@overload
def capture_plot(capture: Any, dest: Literal["file"], dir: Union[str, os.PathLike[str]]) -> List[str]: ...
@overload
def capture_plot(capture: Any, dest: None = None, dir: Union[str, os.PathLike[str], None] = None) -> List[Any]: ...

def harmonic_plot(content: Any, output: Union[Literal["plot"], IO[bytes]] = "plot", annotate: bool = True) -> None:
    """Stem plot of a spectrum (``freqs``, ``fft``) with its peaks labelled."""

def td_labels(x: Iterable[float]) -> List[str]:
    """Time texts of tick positions given in nanoseconds."""

def plot_phasors(
    phasors: Iterable[Any],
    phasors_before: Optional[Iterable[Any]] = None,
    type: Literal["abc", "pos_seq", "neg_seq", "zero_seq"] = "abc",
    output: Union[str, os.PathLike[str], IO[bytes], None] = None,
    plot: bool = False,
) -> None:
    """Phasor diagram of a set, optionally over an earlier set."""
