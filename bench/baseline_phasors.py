"""Benchmark baseline: pure-Python versions of the phasor types, the
symmetrical components and the frame transformations (numpy element-wise
operations), written step by step the way the extension modules
`vexal.types.phasors` and `vexal.test.transformations.impl` behave.

The benchmark times the extension modules against this module. It is never
imported by the package. It uses the host's `generic_op` and
`recursive_map`, as the extension modules do, and the alias classes of
`baseline_values`.
"""
import numpy as np
import pandas as pd

import baseline_values as aliasmod
from vexal.utils import generic_op, recursive_map

_super = super

# --- symmetrical components ---------------------------------------------------------------

a = np.exp(2 * np.pi / 3 * 1j)
sym_transformation = (1 / 3) * np.array([[1, 1, 1], [1, a, a ** 2], [1, a ** 2, a]])
inv_sym_transformation = np.array([[1, 1, 1], [1, a ** 2, a], [1, a, a ** 2]])


def complete_symmetrical_components(V0, V1, V2):
    Vabc0 = V0 * np.array([1, 1, 1])
    Vabc0 = recursive_map(list(Vabc0), type(V0))
    Vabc1 = V1 * np.array([1, 1 / a, 1 / a ** 2])
    Vabc1 = recursive_map(list(Vabc1), type(V1))
    Vabc2 = V2 * np.array([1, 1 / a ** 2, 1 / a])
    Vabc2 = recursive_map(list(Vabc2), type(V2))
    for values in (Vabc0, Vabc1, Vabc2):
        if isinstance(values[0], aliasmod.HasAlias):
            values[0].alias = "A"
            values[1].alias = "B"
            values[2].alias = "C"
    return Vabc0, Vabc1, Vabc2


def symmetrical_components(Va, Vb, Vc):
    result = np.dot(sym_transformation, np.array([Va, Vb, Vc]))
    return recursive_map(list(result), type(Va))


def inv_symmetrical_components(V0, V1, V2):
    result = np.dot(inv_sym_transformation, np.array([V0, V1, V2]))
    return recursive_map(list(result), type(V0))


# --- phasors -----------------------------------------------------------------------------

class Phasor(aliasmod.HasAlias, complex):
    def __new__(cls, number=None, mag=None, angle=None, alias=None):
        if isinstance(number, Phasor):
            return number
        if number is None:
            if mag is None or angle is None:
                raise ValueError("Phasor needs at least a complex number or a mag/angle pair")
            number = mag * np.cos(angle * np.pi / 180) + 1j * mag * np.sin(angle * np.pi / 180)
        return complex.__new__(cls, number)

    def __init__(self, number=None, mag=None, angle=None, alias=None):
        aliasmod.HasAlias.__init__(self, str(complex(self)), alias)

    @property
    def angle(self):
        """ Phasor angle, in degrees """
        return np.angle(self, deg=True)

    @property
    def mag(self):
        """ Phasor magnitude """
        return abs(self)

    def _str_representation(self):
        return "{} \u2220 {}\u00b0".format(aliasmod.sizeof_fmt(self.mag), aliasmod.sizeof_fmt(self.angle))

    def __add__(self, other):
        return generic_op(self, other, _super(Phasor, self).__add__, format_alias="{0}+{1}")

    def __radd__(self, other):
        return generic_op(self, other, _super(Phasor, self).__radd__, format_alias="{1}+{0}")

    def __sub__(self, other):
        return generic_op(self, other, _super(Phasor, self).__sub__, format_alias="{0}-{1}")

    def __rsub__(self, other):
        return generic_op(self, other, _super(Phasor, self).__rsub__, format_alias="{1}-{0}")

    def __mul__(self, other):
        return generic_op(self, other, _super(Phasor, self).__mul__, format_alias="({0})*({1})")

    def __rmul__(self, other):
        return generic_op(self, other, _super(Phasor, self).__rmul__, format_alias="({1})*({0})")

    def __div__(self, other):
        return self.__truediv__(other)

    def __truediv__(self, other):
        return generic_op(self, other, _super(Phasor, self).__truediv__, format_alias="({0})/({1})")

    def __rtruediv__(self, other):
        return generic_op(self, other, _super(Phasor, self).__rtruediv__, format_alias="({1})/({0})")

    def __pow__(self, other):
        return generic_op(self, other, _super(Phasor, self).__pow__, format_alias="({0})^({1})")


class Phasors3ph(aliasmod.AliasTuple):
    def __new__(cls, phasor1, phasor2, phasor3, symmetrical_components=False, alias=None):
        if symmetrical_components:
            s0, s1, s2 = Phasor(phasor1), Phasor(phasor2), Phasor(phasor3)
            phasors_abc = inv_symmetrical_components(s0, s1, s2)
        else:
            phasors_abc = (phasor1, phasor2, phasor3)
        a_, b_, c_ = Phasor(phasors_abc[0]), Phasor(phasors_abc[1]), Phasor(phasors_abc[2])
        for phasor, label in ((a_, "A"), (b_, "B"), (c_, "C")):
            if not phasor.has_custom_alias():
                phasor.alias = label
        return aliasmod.AliasTuple.__new__(cls, (a_, b_, c_), alias=alias)

    def __init__(self, phasor1, phasor2, phasor3, symmetrical_components=False, alias=None):
        aliasmod.AliasTuple.__init__(self, tuple(self), alias)
        self.a, self.b, self.c = self[0], self[1], self[2]
        if symmetrical_components:
            self.s0, self.s1, self.s2 = Phasor(phasor1), Phasor(phasor2), Phasor(phasor3)
        else:
            self.s0, self.s1, self.s2 = symmetrical_components_(self.a, self.b, self.c)
        for phasor, label in ((self.s0, "Zero seq."), (self.s1, "Positive seq."), (self.s2, "Negative seq.")):
            if not symmetrical_components or not phasor.has_custom_alias():
                phasor.alias = label
        self.s012 = aliasmod.AliasTuple((self.s0, self.s1, self.s2), alias="{}".format(alias))
        self.zero_seq, self.pos_seq, self.neg_seq = complete_symmetrical_components(self.s0, self.s1, self.s2)
        self.zero_seq = aliasmod.AliasTuple(self.zero_seq, alias="{} {}".format(self.s0.alias, alias))
        self.pos_seq = aliasmod.AliasTuple(self.pos_seq, alias="{} {}".format(self.s1.alias, alias))
        self.neg_seq = aliasmod.AliasTuple(self.neg_seq, alias="{} {}".format(self.s2.alias, alias))


symmetrical_components_ = symmetrical_components  # the constructor's argument shadows the name

# --- frame transformations ----------------------------------------------------------------

METHODS = ("Amplitude invariant", "Power invariant", "Uniform")


def _scaling(method, inverse):
    if method == "amplitude invariant":
        return (1, 1) if inverse else (2 / 3, 1 / 3)
    if method == "power invariant":
        return np.sqrt(2 / 3), 1 / np.sqrt(3)
    return (1, 1 / np.sqrt(2)) if inverse else (2 / 3, np.sqrt(2) / 3)


def _check(signals, names):
    if type(signals) != pd.DataFrame:
        raise ValueError("Argument 'signals' should be pandas.Dataframe.")
    if len(signals.columns) != 3:
        raise ValueError("Dataframe of input signals {} should have 3 columns, one for each signal.".format(names))


def _frame(signals, names, arrays):
    index = signals.iloc[:, 0].index
    return pd.DataFrame(data={n: pd.Series(data=v, index=index) for n, v in zip(names, arrays)},
                        index=signals.index)


def _check_clarke_options(method, alignment):
    method = method.lower()
    if method not in [m.lower() for m in METHODS]:
        raise ValueError("Argument method should have one of the following values: '{}', or '{}', or '{}'"
                         .format(*METHODS))
    if alignment not in ("alpha", "beta"):
        raise ValueError("Argument alignment should have one of the following values: '{}' or '{}'"
                         .format("alpha", "beta"))
    return method


def abc_to_alphabetagamma(signals, method="Amplitude invariant", alignment="alpha"):
    _check(signals, "a, b, c")
    method = _check_clarke_options(method, alignment)
    k_albe, k_gamma = _scaling(method, False)
    s = 0 if alignment == "alpha" else -np.pi / 2
    a_, b_, c_ = (signals.iloc[:, i].values for i in range(3))
    alpha = k_albe * (a_ * np.cos(-s) + b_ * np.cos(2 * np.pi / 3 - s) + c_ * np.cos(4 * np.pi / 3 - s))
    beta = k_albe * (a_ * np.sin(-s) + b_ * np.sin(2 * np.pi / 3 - s) + c_ * np.sin(4 * np.pi / 3 - s))
    gamma = k_gamma * (a_ + b_ + c_)
    return _frame(signals, ("alpha", "beta", "gamma"), (alpha, beta, gamma))


def alphabetagamma_to_abc(signals, method="Amplitude invariant", alignment="alpha"):
    _check(signals, "alpha, beta, gamma")
    method = _check_clarke_options(method, alignment)
    k_albe, k_gamma = _scaling(method, True)
    s = 0 if alignment == "alpha" else -np.pi / 2
    alpha, beta, gamma = (signals.iloc[:, i].values for i in range(3))
    a_ = k_albe * (alpha * np.cos(-s) + beta * np.sin(-s)) + k_gamma * gamma
    b_ = k_albe * (alpha * np.cos(2 * np.pi / 3 - s) + beta * np.sin(2 * np.pi / 3 - s)) + k_gamma * gamma
    c_ = k_albe * (alpha * np.cos(4 * np.pi / 3 - s) + beta * np.sin(4 * np.pi / 3 - s)) + k_gamma * gamma
    return _frame(signals, ("a", "b", "c"), (a_, b_, c_))


def _check_park_alignment(alignment):
    if alignment not in ("d", "q"):
        raise ValueError("Argument alignment should have one of the following values: {} or {}.".format("d", "q"))


def alphabetagamma_to_dq0(signals, theta, alignment="d"):
    _check(signals, "alpha, beta, gamma")
    _check_park_alignment(alignment)
    th = theta.values
    alpha, beta, gamma = (signals.iloc[:, i].values for i in range(3))
    if alignment == "d":
        d = np.multiply(alpha, np.cos(th)) + np.multiply(beta, np.sin(th))
        q = -np.multiply(alpha, np.sin(th)) + np.multiply(beta, np.cos(th))
    else:
        d = np.multiply(alpha, np.sin(th)) - np.multiply(beta, np.cos(th))
        q = np.multiply(alpha, np.cos(th)) + np.multiply(beta, np.sin(th))
    return _frame(signals, ("d", "q", "zero"), (d, q, gamma))


def dq0_to_alphabetagamma(signals, theta, alignment="d"):
    _check(signals, "d, q, zero")
    _check_park_alignment(alignment)
    th = theta.values
    d, q, zero = (signals.iloc[:, i].values for i in range(3))
    if alignment == "d":
        alpha = np.multiply(d, np.cos(th)) - np.multiply(q, np.sin(th))
        beta = np.multiply(d, np.sin(th)) + np.multiply(q, np.cos(th))
    else:
        alpha = np.multiply(d, np.sin(th)) + np.multiply(q, np.cos(th))
        beta = -np.multiply(d, np.cos(th)) + np.multiply(q, np.sin(th))
    return _frame(signals, ("alpha", "beta", "gamma"), (alpha, beta, zero))


def _check_composite(signals, names, method, alignment):
    _check(signals, names)
    method = method.lower()
    if method not in [m.lower() for m in METHODS]:
        raise ValueError("Argument type should have one of the following values: '{}', or '{}', or '{}'"
                         .format(*METHODS))
    _check_park_alignment(alignment)
    return method


def abc_to_dq0(signals, theta, method="Amplitude invariant", alignment="d"):
    method = _check_composite(signals, "a, b, c", method, alignment)
    return alphabetagamma_to_dq0(abc_to_alphabetagamma(signals, method), theta, alignment)


def dq0_to_abc(signals, theta, method="Amplitude invariant", alignment="d"):
    method = _check_composite(signals, "d, q, zero", method, alignment)
    return alphabetagamma_to_abc(dq0_to_alphabetagamma(signals, theta, alignment), method)
