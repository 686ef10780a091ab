"""The ``step`` decorator and context manager: record an Allure step around
each call of a function, or around a ``with`` block.

The step is opened and closed through the hooks ``start_step`` and
``stop_step`` of ``allure_commons.plugin_manager``, so every registered Allure
plugin sees it: the Allure report and the live step log of
``vexal.allure_realtime``.
"""

import functools

import allure_commons
from allure_commons.utils import uuid4


class _Step(object):
    """One step title: decorates functions, or opens a step for a block."""

    def __init__(self, title):
        self.title = title
        self._open = []  # uuids of the blocks now open, innermost last

    def __call__(self, func):
        @functools.wraps(func)
        def wrapper(*args, **kwargs):
            __tracebackhide__ = True
            uuid = _start(self.title)
            try:
                result = func(*args, **kwargs)
            except BaseException as exc:
                _stop(uuid, exc)
                raise
            _stop(uuid, None)
            return result
        return wrapper

    def __enter__(self):
        self._open.append(_start(self.title))

    def __exit__(self, exc_type, exc_val, exc_tb):
        _stop(self._open.pop(), exc_val)
        return False


def _start(title):
    uuid = uuid4()
    allure_commons.plugin_manager.hook.start_step(uuid=uuid, title=title, params={})
    return uuid


def _stop(uuid, exc):
    allure_commons.plugin_manager.hook.stop_step(
        uuid=uuid, exc_type=type(exc) if exc is not None else None, exc_val=exc,
        exc_tb=exc.__traceback__ if exc is not None else None)


def step(title, flatten=True):
    """Record an Allure step around each call of a function, or around a
    ``with`` block.

    Parameters
    ----------
    title : str
        The step title, used as given (unlike ``allure.step`` it is not
        formatted with the call's arguments). The step has no parameters.
    flatten : bool
        Reserved; accepted for compatibility and changes nothing.

    Returns
    -------
    object
        A decorator: the function it returns takes the same arguments as the
        decorated function and returns its result; an exception of the call
        is passed to ``stop_step`` and then propagates unchanged. It is also a
        context manager: ``with step("Set source"):`` records one step around
        the block, and an exception of the block propagates likewise.

    Examples
    --------
    >>> @step("Set source")
    ... def set_source(amplitude):
    ...     pass
    >>> with step("Check voltage"):
    ...     pass
    """
    return _Step(title)
