"""Report decorators: API calls as Allure steps with their aliased results,
and analysis results attached to the report as PNG plots."""
from typing import Any, Callable, Container, TypeVar

_F = TypeVar("_F", bound=Callable[..., Any])

def decorate_module_public_attr(
    module: Any,
    decorator: Callable[[Any], Any],
    exclusion_list: Container[str] = (),
    inclusion_list: Container[str] = (),
    exclude_private: bool = True,
) -> None:
    """Replace the public functions of a module by decorated versions."""

def allure_plot_and_attach_capture_decorator(func: _F) -> _F:
    """Attach a PNG plot of every signal of the captured result."""

def allure_plot_and_attach_analysis_decorator(func: _F) -> _F:
    """Attach the plot an analysis result draws of itself."""

def allure_plot_and_attach_fft_decorator(func: _F) -> _F:
    """Attach the harmonic plot of a spectrum result."""

def plot_and_attach_grid_changes(func: _F) -> _F:
    """Attach the four phasor plots of a grid change result."""

def log_alias_decorator(func: _F) -> _F:
    """Log the aliases of a call's results made with an ``alias`` keyword."""

def step_with_alias_decorator(func: _F) -> _F:
    """Make each call of ``func`` a report step and log its aliases."""
