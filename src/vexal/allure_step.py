"""The ``step`` decorator: turn each call of a function into an Allure step.

The step is opened and closed through the hooks ``start_step`` and
``stop_step`` of ``allure_commons.plugin_manager``, so every registered Allure
plugin sees it: the Allure report and the live step log of
``vexal.allure_realtime``.
"""

import functools

import allure_commons
from allure_commons.utils import uuid4


def step(title, flatten=True):
    """Return a decorator that records an Allure step around each call.

    Parameters
    ----------
    title : str
        The step title, used as given (unlike ``allure.step`` it is not
        formatted with the call's arguments). The step has no parameters.
    flatten : bool
        Reserved; accepted for compatibility and changes nothing.

    Returns
    -------
    callable
        A decorator. The function it returns takes the same arguments as the
        decorated function and returns its result; an exception of the call is
        passed to ``stop_step`` and then propagates unchanged.
    """
    def decorator(func):
        @functools.wraps(func)
        def wrapper(*args, **kwargs):
            __tracebackhide__ = True
            hook = allure_commons.plugin_manager.hook
            uuid = uuid4()
            hook.start_step(uuid=uuid, title=title, params={})
            try:
                result = func(*args, **kwargs)
            except BaseException as exc:
                hook.stop_step(uuid=uuid, exc_type=type(exc), exc_val=exc,
                               exc_tb=exc.__traceback__)
                raise
            hook.stop_step(uuid=uuid, exc_type=None, exc_val=None, exc_tb=None)
            return result
        return wrapper
    return decorator
