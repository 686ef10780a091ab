"""vexal: support package for pytest tests of electrical models on
hardware-in-the-loop simulators."""

__version__ = "0.1.0"
