"""Stand-in for the simulator's HIL programming interface.

Only what vexal itself calls is provided: ``raise_exceptions(flag)``, which
remembers the last flag in the module variable ``last_raise_exceptions``.
"""

#: The flag of the last ``raise_exceptions`` call (``None`` before any call).
last_raise_exceptions = None


def raise_exceptions(flag):
    """Remember whether HIL calls should raise exceptions (stand-in)."""
    global last_raise_exceptions
    last_raise_exceptions = flag
