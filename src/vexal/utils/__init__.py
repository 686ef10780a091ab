"""Small helpers shared by the vexal modules.

- ``PY2``: true only on a Python 2 interpreter.
- ``generic_op``: one arithmetic operation of an aliased number type (used by
  the operators of ``vexal.types.phasors.Phasor``), composing the aliases of
  the operands into the alias of the result.
- ``recursive_map``: apply a conversion to every element of a (nested) list.

The package also holds the extension modules ``plotting`` and ``runshim``.
"""

import numbers
import sys

PY2 = sys.version_info[0] == 2


def generic_op(self, other, op, format_alias="{0}+{1}"):
    """Run one arithmetic operation of an aliased number and compose aliases.

    Parameters
    ----------
    self : HasAlias number (in practice a ``Phasor``)
        The operand whose operator runs.
    other : object
        The other operand.
    op : callable
        The base type's operation bound to ``self``: ``op(other)`` gives the
        plain result, or ``NotImplemented`` when the base type declines
        ``other``.
    format_alias : str
        Alias pattern; ``{0}`` stands for the alias of ``self``, ``{1}`` for
        that of ``other`` (for a reflected operator the pattern writes ``{1}``
        first, so the alias reads in the written order of the expression).

    Returns
    -------
    ``NotImplemented`` when ``op`` declined ``other`` (so that Python tries
    the other operand's reflected operator); a numpy array unchanged (the
    element results, in order); otherwise ``type(self)(result)``. The wrapped
    result gets the alias ``format_alias.format(alias of self, alias of
    other)`` when either operand has a custom alias; an operand without one
    contributes its own text (a real number its ``sizeof_fmt`` text, any
    other object without the alias protocol its ``str()``).
    """
    result = op(other)
    if result is NotImplemented:
        return NotImplemented
    if _is_numpy_array(result):
        return result
    result = type(self)(result)
    if self.has_custom_alias() or _has_custom_alias(other):
        result.alias = format_alias.format(self.alias, _alias_text(other))
    return result


def _is_numpy_array(value):
    # An ndarray can only exist once numpy is imported: no need to import it.
    numpy = sys.modules.get("numpy")
    return numpy is not None and isinstance(value, numpy.ndarray)


def _has_custom_alias(value):
    has_custom_alias = getattr(value, "has_custom_alias", None)
    return bool(has_custom_alias()) if callable(has_custom_alias) else False


def _alias_text(value):
    """The alias of a HasAlias value (its own text if it has no custom alias),
    else the own text of a plain operand."""
    if callable(getattr(value, "has_custom_alias", None)):
        return value.alias
    if isinstance(value, numbers.Real):
        from vexal.types.alias import sizeof_fmt  # extension module, built later
        return sizeof_fmt(value)
    return str(value)


def recursive_map(values, func):
    """Apply ``func`` to every element of ``values``, recursing into nesting.

    Parameters
    ----------
    values : iterable
        The elements to convert. Elements that are lists or tuples (subclasses
        included) are mapped recursively and rebuilt as a plain ``list`` or
        ``tuple`` respectively.
    func : callable
        The conversion, in practice a type such as ``Phasor`` or ``complex``.

    Returns
    -------
    list
        ``func(v)`` for each ``v`` of ``values``, in order. The elements are
        the objects ``func`` returned (not copies), so changing them (for
        example setting their ``alias``) changes the returned list.

    Examples
    --------
    >>> recursive_map([1, (2, [3])], float)
    [1.0, (2.0, [3.0])]
    """
    return [_map_item(value, func) for value in values]


def _map_item(value, func):
    if isinstance(value, list):
        return recursive_map(value, func)
    if isinstance(value, tuple):
        return tuple(recursive_map(value, func))
    return func(value)


# The helpers as this module defines them, whatever their public names are
# bound to later (here, or in a module that imported them): the extension
# modules take their shortcuts only while they would call these.
_originals = {"generic_op": generic_op, "recursive_map": recursive_map}
