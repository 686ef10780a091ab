"""Frame transformations and symmetrical components: every result against a
numpy transcription of the formulas, the argument checks, and the types and
aliases of the symmetrical components."""

import itertools
import math
import os
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

import vexal.test.transformations as transformations
from vexal.test.transformations import impl
from vexal.types.alias import HasAlias
from vexal.types.phasors import Phasor
from vexal.utils import recursive_map

# --- numpy transcription of the formulas ------------------------------------------------------

SCALING = {  # forward K_albe, K_gamma, inverse K_albe, K_gamma
    "amplitude invariant": (2 / 3, 1 / 3, 1, 1),
    "power invariant": (np.sqrt(2 / 3), 1 / np.sqrt(3), np.sqrt(2 / 3), 1 / np.sqrt(3)),
    "uniform": (2 / 3, np.sqrt(2) / 3, 1, 1 / np.sqrt(2)),
}
THIRD, TWO_THIRDS = 2 * np.pi / 3, 4 * np.pi / 3


def _columns(s):
    return [s.iloc[:, i].values for i in range(3)]


def _frame(names, arrays, s):
    index = s.iloc[:, 0].index
    return pd.DataFrame(data={n: pd.Series(data=v, index=index) for n, v in zip(names, arrays)}, index=s.index)


def ref_clarke(s, method="Amplitude invariant", alignment="alpha"):
    k, kg = SCALING[method.lower()][:2]
    sh = 0 if alignment == "alpha" else -np.pi / 2
    a, b, c = _columns(s)
    return _frame(["alpha", "beta", "gamma"], [
        k * (a * np.cos(-sh) + b * np.cos(THIRD - sh) + c * np.cos(TWO_THIRDS - sh)),
        k * (a * np.sin(-sh) + b * np.sin(THIRD - sh) + c * np.sin(TWO_THIRDS - sh)),
        kg * (a + b + c)], s)


def ref_inverse_clarke(s, method="Amplitude invariant", alignment="alpha"):
    k, kg = SCALING[method.lower()][2:]
    sh = 0 if alignment == "alpha" else -np.pi / 2
    al, be, ga = _columns(s)
    return _frame(["a", "b", "c"], [
        k * (al * np.cos(angle - sh) + be * np.sin(angle - sh)) + kg * ga for angle in (0, THIRD, TWO_THIRDS)], s)


def ref_park(s, theta, alignment="d"):
    th = theta.values
    al, be, ga = _columns(s)
    if alignment == "d":
        d = np.multiply(al, np.cos(th)) + np.multiply(be, np.sin(th))
        q = -np.multiply(al, np.sin(th)) + np.multiply(be, np.cos(th))
    else:
        d = np.multiply(al, np.sin(th)) - np.multiply(be, np.cos(th))
        q = np.multiply(al, np.cos(th)) + np.multiply(be, np.sin(th))
    return _frame(["d", "q", "zero"], [d, q, ga], s)


def ref_inverse_park(s, theta, alignment="d"):
    th = theta.values
    d, q, z = _columns(s)
    if alignment == "d":
        al = np.multiply(d, np.cos(th)) - np.multiply(q, np.sin(th))
        be = np.multiply(d, np.sin(th)) + np.multiply(q, np.cos(th))
    else:
        al = np.multiply(d, np.sin(th)) + np.multiply(q, np.cos(th))
        be = -np.multiply(d, np.cos(th)) + np.multiply(q, np.sin(th))
    return _frame(["alpha", "beta", "gamma"], [al, be, z], s)


REFERENCES = {
    "abc_to_alphabetagamma": lambda s, th, m, al: ref_clarke(s, m, al),
    "alphabetagamma_to_abc": lambda s, th, m, al: ref_inverse_clarke(s, m, al),
    "alphabetagamma_to_dq0": lambda s, th, m, al: ref_park(s, th, al),
    "dq0_to_alphabetagamma": lambda s, th, m, al: ref_inverse_park(s, th, al),
    "abc_to_dq0": lambda s, th, m, al: ref_park(ref_clarke(s, m.lower()), th, al),
    "dq0_to_abc": lambda s, th, m, al: ref_inverse_clarke(ref_inverse_park(s, th, al), m.lower()),
}
CLARKE = ["abc_to_alphabetagamma", "alphabetagamma_to_abc"]
PARK = ["alphabetagamma_to_dq0", "dq0_to_alphabetagamma"]
COMPOSITE = ["abc_to_dq0", "dq0_to_abc"]


def call(name, signals, theta, method, alignment):
    function = getattr(transformations, name)
    if name in CLARKE:
        return function(signals, method, alignment)
    if name in PARK:
        return function(signals, theta, alignment)
    return function(signals, theta, method, alignment)


def signals_and_theta(n, seed=0, columns=("x", "y", "z")):
    rng = np.random.default_rng(seed)
    # one 2-D block: each column is read with a stride of three elements
    signals = pd.DataFrame(rng.normal(size=(n, 3)) * 300, columns=list(columns),
                           index=pd.RangeIndex(10, 10 + n))
    return signals, pd.Series(rng.uniform(-2e4, 2e4, n), index=signals.index)


def variants(names):
    for name in names:
        if name in PARK:
            yield from ((name, None, al) for al in "dq")
        elif name in CLARKE:
            yield from ((name, m, al) for m in ("Amplitude invariant", "POWER invariant", "uniform")
                        for al in ("alpha", "beta"))
        else:
            yield from ((name, m, al) for m in ("Amplitude invariant", "power invariant", "Uniform")
                        for al in "dq")


# --- results -------------------------------------------------------------------------------

# The rotating frames take cos and sin from the C library's vector functions
# where the processor has AVX2 (its scalar ones with VEXAL_VECTOR_TRIGONOMETRY=0),
# numpy from the kernel it picks for the processor (the C library's scalar
# functions, or Intel's SVML on AVX-512 in some releases); each may be a few
# ulp from the other. So each result is within ROTATION_ULPS units in the last
# place of the size of the pair it rotates (largest measured: 2.3, absolute
# 4.5e-13 on values of about 1,000; 0 with the vector path off).
# The Clarke frames use no processor-dependent kernel: products and sums round
# one by one in numpy's order (the kernels are built without contraction), by
# constants that are cos and sin of six fixed angles, which the C library and
# numpy round alike. So their bits are numpy's on any processor.
ROTATION_ULPS = 4


def rotated_pair_size(name, signals, theta, method, alignment):
    """|x| + |y| of the pair each row's rotation turns (with the zero axis
    that the inverse Clarke step adds back)."""
    if name == "abc_to_dq0":
        pair = ref_clarke(signals, method.lower()).values[:, :2]
    elif name == "dq0_to_abc":
        pair = signals.values
    else:
        pair = signals.values[:, :2]
    return np.abs(pair).sum(axis=1)


def assert_matches_transcription(name, result, expected, signals, theta, method, alignment):
    assert list(result.columns) == list(expected.columns) and result.index.equals(signals.index)
    if name in CLARKE:
        assert np.array_equal(result.values, expected.values)
        return 0.0
    scale = rotated_pair_size(name, signals, theta, method, alignment) * np.finfo(float).eps
    ulps = (np.abs(result.values - expected.values) / scale[:, None]).max()
    assert ulps <= ROTATION_ULPS, ulps
    return ulps


@pytest.mark.parametrize("name, method, alignment", list(variants(REFERENCES)))
def test_results_are_the_numpy_transcriptions(name, method, alignment):
    signals, theta = signals_and_theta(2000)
    before = signals.copy()
    result = call(name, signals, theta, method, alignment)
    expected = REFERENCES[name](signals, theta, method, alignment)
    pd.testing.assert_frame_equal(result, expected, check_exact=False, rtol=0, atol=1e-9)
    assert_matches_transcription(name, result, expected, signals, theta, method, alignment)
    assert result.index is signals.index
    pd.testing.assert_frame_equal(signals, before, check_exact=True)
    assert not np.shares_memory(result.values, signals.values)


@pytest.mark.parametrize("name", ["abc_to_dq0", "dq0_to_abc", "alphabetagamma_to_dq0"])
def test_large_inputs_split_across_threads(name):
    signals, theta = signals_and_theta(450_001, seed=3)
    result = call(name, signals, theta, "Uniform", "q")
    expected = REFERENCES[name](signals, theta, "Uniform", "q")
    assert_matches_transcription(name, result, expected, signals, theta, "Uniform", "q")
    single = call(name, signals.iloc[:1000], theta.iloc[:1000], "Uniform", "q")
    assert np.array_equal(single.values, result.values[:1000])


SCALAR_ROTATIONS = """
import math, numpy as np, pandas as pd
from vexal.test.transformations import alphabetagamma_to_dq0, dq0_to_alphabetagamma
rng = np.random.default_rng(5)
signals = pd.DataFrame(rng.normal(size=(3000, 3)) * 300)
theta = pd.Series(rng.uniform(-2e4, 2e4, 3000))
c = np.array([math.cos(t) for t in theta]); s = np.array([math.sin(t) for t in theta])
x, y = signals[0].values, signals[1].values
assert np.array_equal(alphabetagamma_to_dq0(signals, theta).values[:, :2], np.c_[x * c + y * s, -(x * s) + y * c])
assert np.array_equal(dq0_to_alphabetagamma(signals, theta, "q").values[:, :2], np.c_[x * s + y * c, -(x * c) + y * s])
"""


def test_vector_trigonometry_switched_off_rotates_with_the_c_librarys_scalar_cos_and_sin():
    """VEXAL_VECTOR_TRIGONOMETRY=0 at import: the rotations take the C
    library's scalar cos and sin, the functions Python's math module calls,
    so the results are those of the formulas with them, bit for bit."""
    env = {**os.environ, "VEXAL_VECTOR_TRIGONOMETRY": "0"}
    child = subprocess.run([sys.executable, "-c", SCALAR_ROTATIONS], env=env, capture_output=True, text=True)
    assert child.returncode == 0, child.stderr


def test_other_column_types_are_converted_as_numpy_converts_them():
    signals, theta = signals_and_theta(50)
    mixed = pd.DataFrame({"a": (signals.iloc[:, 0] * 100).astype("int64"), "b": signals.iloc[:, 1] > 0,
                          "c": signals.iloc[:, 2].astype("float32")})
    as_float = mixed.astype("float64")
    for name in ["abc_to_alphabetagamma", "abc_to_dq0"]:
        alignment = "alpha" if name in CLARKE else "d"
        angles = theta.astype("float32")
        result = call(name, mixed, angles, "uniform", alignment)
        expected = REFERENCES[name](as_float, angles.astype("float64"), "uniform", alignment)
        assert_matches_transcription(name, result, expected, as_float, angles, "uniform", alignment)
    # a single angle applies to every row, as numpy broadcasts it
    one_angle = transformations.alphabetagamma_to_dq0(signals, pd.Series([0.5]))
    every_row = transformations.alphabetagamma_to_dq0(signals, pd.Series(np.full(50, 0.5)))
    assert np.array_equal(one_angle.values, every_row.values)


def _outcome(function, *args):
    try:
        return function(*args).values
    except Exception as error:
        return type(error), str(error)


def _with_column(position, column):
    def change(frame):
        frame = frame.copy()
        frame[frame.columns[position]] = column(frame.iloc[:, position])
        return frame
    return change


def _values_times_two(monkeypatch):
    values = pd.Series.values
    monkeypatch.setattr(pd.Series, "values", property(lambda self: values.fget(self) * 2))


@pytest.mark.parametrize("change, patch", [
    (_with_column(2, lambda c: c.to_numpy().copy()), None),  # a block of its own
    (_with_column(1, pd.Categorical), None),  # values come out float64, the column refuses * 1.0
    (_with_column(0, lambda c: c.astype("Float64")), None),
    (_with_column(0, lambda c: c.astype(pd.SparseDtype("float64"))), None),
    (_with_column(0, lambda c: c.astype(np.dtype("float64", metadata={"unit": "V"}))), None),
    (lambda frame: frame, _values_times_two),
])
def test_columns_read_as_each_columns_own_values(monkeypatch, change, patch):
    signals, theta = signals_and_theta(20)
    frame = change(signals)
    if patch:
        patch(monkeypatch)
    for name in CLARKE:
        expected = _outcome(REFERENCES[name], frame, theta, "uniform", "beta")
        got = _outcome(getattr(transformations, name), frame, "uniform", "beta")
        assert np.array_equal(got, expected) if isinstance(expected, np.ndarray) else got == expected


def test_balanced_set_edge_cases():
    theta = pd.Series(np.linspace(0, 4 * np.pi, 400))
    abc = pd.DataFrame({"u": np.cos(theta), "v": np.cos(theta - THIRD), "w": np.cos(theta + THIRD)})
    close = dict(atol=1e-12, rtol=0)
    albega = transformations.abc_to_alphabetagamma(abc)
    assert list(albega.columns) == ["alpha", "beta", "gamma"]
    np.testing.assert_allclose(albega.values, np.c_[np.cos(theta), np.sin(theta), np.zeros(400)], **close)
    beta_aligned = transformations.abc_to_alphabetagamma(abc, alignment="beta")
    np.testing.assert_allclose(beta_aligned.values[:, :2], np.c_[-np.sin(theta), np.cos(theta)], **close)
    np.testing.assert_allclose(transformations.abc_to_dq0(abc, theta).values, [[1, 0, 0]] * 400, **close)
    np.testing.assert_allclose(transformations.abc_to_dq0(abc, theta, alignment="q").values, [[0, 1, 0]] * 400,
                               **close)
    power = transformations.abc_to_alphabetagamma(abc * 3 + 1, "Power invariant")
    np.testing.assert_allclose((power ** 2).sum(axis=1), ((abc * 3 + 1) ** 2).sum(axis=1), rtol=1e-12)
    for method, alignment in itertools.product(SCALING, ["alpha", "beta"]):
        back = transformations.alphabetagamma_to_abc(transformations.abc_to_alphabetagamma(abc, method, alignment),
                                                     method, alignment)
        np.testing.assert_allclose(back.values, abc.values, **close)
    for method, alignment in itertools.product(SCALING, "dq"):
        back = transformations.dq0_to_abc(transformations.abc_to_dq0(abc, theta, method, alignment), theta,
                                          method, alignment)
        np.testing.assert_allclose(back.values, abc.values, **close)
    empty = transformations.abc_to_dq0(abc.iloc[:0], theta.iloc[:0])
    assert empty.shape == (0, 3) and list(empty.columns) == ["d", "q", "zero"]


# --- argument checks -----------------------------------------------------------------------

class FrameSubclass(pd.DataFrame):
    pass


COUNT_TEXT = "Dataframe of input signals {} should have 3 columns, one for each signal."
INPUT_NAMES = {"abc_to_alphabetagamma": "a, b, c", "abc_to_dq0": "a, b, c",
               "alphabetagamma_to_abc": "alpha, beta, gamma", "alphabetagamma_to_dq0": "alpha, beta, gamma",
               "dq0_to_alphabetagamma": "d, q, zero", "dq0_to_abc": "d, q, zero"}
METHOD_TEXT = ("Argument {} should have one of the following values: 'Amplitude invariant', or "
               "'Power invariant', or 'Uniform'")
CLARKE_ALIGNMENT_TEXT = "Argument alignment should have one of the following values: 'alpha' or 'beta'"
PARK_ALIGNMENT_TEXT = "Argument alignment should have one of the following values: d or q."
NOT_A_FRAME = "Argument 'signals' should be pandas.Dataframe."


def bad_calls():
    signals, theta = signals_and_theta(4)
    text_frame = pd.DataFrame({"a": list("wxyz"), "b": 1.0, "c": 2.0})
    for name in REFERENCES:
        good = {"signals": signals, "theta": theta, "method": "uniform",
                "alignment": "alpha" if name in CLARKE else "d"}
        bad_alignment = "Alpha" if name in CLARKE else "D"
        rows = [(dict(signals=not_a_frame), ValueError, NOT_A_FRAME)
                for not_a_frame in (None, "abc", np.nan, signals.values, signals.iloc[:, 0], FrameSubclass(signals))]
        rows += [
            (dict(signals=signals.iloc[:, :2], method="bogus", alignment="bogus"), ValueError,
             COUNT_TEXT.format(INPUT_NAMES[name])),
            (dict(signals=signals.assign(w=1.0)), ValueError, COUNT_TEXT.format(INPUT_NAMES[name])),
            (dict(alignment=bad_alignment), ValueError,
             CLARKE_ALIGNMENT_TEXT if name in CLARKE else PARK_ALIGNMENT_TEXT),
            (dict(signals=text_frame), TypeError, None),
        ]
        if name not in PARK:
            rows += [(dict(method="bogus", alignment=bad_alignment), ValueError,
                      METHOD_TEXT.format("type" if name in COMPOSITE else "method")),
                     (dict(method=None), AttributeError, None)]
        if name not in CLARKE:
            rows += [(dict(theta=list(theta)), AttributeError, None),
                     (dict(theta=theta.iloc[:3]), ValueError, None),
                     (dict(theta=theta.astype(str)), TypeError, None)]
        for change, error, message in rows:
            args = dict(good, **change)
            yield pytest.param(name, args, error, message, id="{}-{}".format(name, "-".join(change)))


@pytest.mark.parametrize("name, args, error, message", list(bad_calls()))
def test_bad_arguments_are_refused_before_any_work(name, args, error, message):
    with pytest.raises(error) as raised:
        call(name, args["signals"], args["theta"], args["method"], args["alignment"])
    assert type(raised.value) is error
    if message:
        assert str(raised.value) == message


def test_composites_call_replaced_steps(monkeypatch):
    signals, theta = signals_and_theta(5)
    calls = []

    def spy(name):
        original = getattr(impl, name)
        return lambda *args: calls.append((name, args[1:])) or original(*args)

    for name in ["abc_to_alphabetagamma", "alphabetagamma_to_dq0", "dq0_to_alphabetagamma", "alphabetagamma_to_abc"]:
        monkeypatch.setattr(impl, name, spy(name))
    forward = impl.abc_to_dq0(signals, theta, "UNIFORM", "q")
    back = impl.dq0_to_abc(signals, theta, "Power invariant")
    assert [(n, a[-1]) for n, a in calls] == [("abc_to_alphabetagamma", "uniform"), ("alphabetagamma_to_dq0", "q"),
                                              ("dq0_to_alphabetagamma", "d"),
                                              ("alphabetagamma_to_abc", "power invariant")]
    monkeypatch.undo()
    assert np.array_equal(forward.values, impl.abc_to_dq0(signals, theta, "UNIFORM", "q").values)
    np.testing.assert_allclose(back.values, impl.dq0_to_abc(signals, theta, "Power invariant").values,
                               rtol=0, atol=1e-12)


# --- symmetrical components ----------------------------------------------------------------

def test_module_contents_in_import_order():
    names = [n for n in vars(impl) if not n.startswith("__")]
    assert names == ["np", "recursive_map", "HasAlias", "pd", "math", "sigtool", "a", "sym_transformation",
                     "inv_sym_transformation", "abc_to_alphabetagamma", "alphabetagamma_to_abc",
                     "alphabetagamma_to_dq0", "dq0_to_alphabetagamma", "abc_to_dq0", "dq0_to_abc",
                     "complete_symmetrical_components", "symmetrical_components", "inv_symmetrical_components"]
    assert impl.recursive_map is recursive_map and impl.math is math
    assert impl.sigtool is sys.modules["scipy.signal.signaltools"]
    for name in names[9:]:
        assert getattr(transformations, name) is getattr(impl, name)
    a = np.exp(2 * np.pi / 3 * 1j)
    assert impl.a == a and type(impl.a) is type(a)
    np.testing.assert_array_equal(impl.sym_transformation, (1 / 3) * np.array([[1, 1, 1], [1, a, a ** 2],
                                                                                  [1, a ** 2, a]]))
    np.testing.assert_array_equal(impl.inv_sym_transformation, np.array([[1, 1, 1], [1, a ** 2, a], [1, a, a ** 2]]))


def random_complex(rng, n):
    return rng.normal(size=n) * 10 ** rng.uniform(-3, 4, n) + 1j * rng.normal(size=n) * 10 ** rng.uniform(-3, 4, n)


# np.dot hands the 3 x 3 product to the BLAS library numpy ships (OpenBLAS),
# whose kernel for the processor may fuse multiply-adds and sums in another
# order than the direct path's plain products and sums. Each part of a result
# is a sum of six products no larger than the largest term; measured over
# these 40,000 rows, per part, in ulp of that term: 0 with OpenBLAS's AVX2
# kernel (Haswell), 3 with its AVX-512 one (SkylakeX), 4 with its generic
# x86-64 one (OPENBLAS_CORETYPE=Prescott). DOT_ULPS leaves room for kernels
# not measured; a wrong coefficient is off by the size of a term itself.
DOT_ULPS = 8


def test_direct_path_agrees_with_np_dot_within_a_few_ulp_of_the_largest_term():
    rng = np.random.default_rng(7)
    values = random_complex(rng, 3 * 20000).reshape(-1, 3)
    worst = 0.0
    for function, matrix in [(transformations.symmetrical_components, impl.sym_transformation),
                             (transformations.inv_symmetrical_components, impl.inv_sym_transformation)]:
        for row in values:
            args = [complex(v) for v in row]
            result = np.array(function(*args))
            expected = np.dot(matrix, np.array(args))
            largest = np.abs(matrix * np.array(args)).max()
            worst = max(worst, np.abs(np.r_[(result - expected).real, (result - expected).imag]).max()
                        / np.spacing(largest))
    assert worst <= DOT_ULPS, worst


def test_symmetrical_component_edge_cases():
    va, vb, vc = Phasor(mag=1, angle=0), Phasor(mag=1, angle=-120), Phasor(mag=1, angle=120)
    v0, v1, v2 = transformations.symmetrical_components(va, vb, vc)
    assert all(type(v) is Phasor for v in (v0, v1, v2)) and not v0.has_custom_alias()
    assert abs(v1 - 1) < 1e-12 and abs(v0) < 1e-12 and abs(v2) < 1e-12
    swapped = transformations.symmetrical_components(va, vc, vb)
    assert abs(swapped[2] - 1) < 1e-12 and abs(swapped[1]) < 1e-12
    same = transformations.symmetrical_components(2j, 2j, 2j)
    assert [type(v) for v in same] == [complex] * 3 and abs(same[0] - 2j) < 1e-12 and abs(same[1]) < 1e-12
    mixed = transformations.symmetrical_components(1 + 1j, va, vb)
    assert [type(v) for v in mixed] == [complex] * 3
    back = transformations.inv_symmetrical_components(*transformations.symmetrical_components(1 + 2j, -3j, 4.5))
    np.testing.assert_allclose(back, [1 + 2j, -3j, 4.5], atol=1e-12)
    # values numpy takes as they are: numpy scalars, plain floats
    np_result = transformations.symmetrical_components(np.complex128(1j), 2.0, 3)
    assert [type(v) for v in np_result] == [np.complex128] * 3
    np.testing.assert_allclose(np_result, np.dot(impl.sym_transformation, [1j, 2, 3]))


@pytest.mark.parametrize("first", [complex, Phasor, np.complex128])
def test_complete_sets_keep_each_components_type_and_label_aliased_ones(first):
    v0, v1, v2 = first(1 + 2j), Phasor(3 - 1j, alias="pos"), 0.5j
    sets = transformations.complete_symmetrical_components(v0, v1, v2)
    a = impl.a
    expected = [v0 * np.array([1, 1, 1]), v1 * np.array([1, 1 / a, 1 / a ** 2]), v2 * np.array([1, 1 / a ** 2, 1 / a])]
    assert type(sets) is tuple and len(sets) == 3
    for produced, values, kind in zip(sets, expected, [first, Phasor, complex]):
        assert type(produced) is list and [type(v) for v in produced] == [kind] * 3
        np.testing.assert_array_max_ulp(np.array(produced, dtype=complex).view(float), values.view(float), 1)
        if issubclass(kind, HasAlias):
            assert [v.alias for v in produced] == ["A", "B", "C"]
    summed = [sum(phase) for phase in zip(*sets)]
    np.testing.assert_allclose(summed, transformations.inv_symmetrical_components(v0, v1, v2), rtol=1e-13)


def test_replaced_recursive_map_is_called_at_call_time(monkeypatch):
    seen = []
    monkeypatch.setattr(impl, "recursive_map", lambda values, func: seen.append((values, func)) or [7, 8, 9])
    assert transformations.symmetrical_components(1j, 2j, 3j) == [7, 8, 9]
    assert [type(v) for v in seen[0][0]] == [np.complex128] * 3 and seen[0][1] is complex


def test_phasor_products_go_through_a_replaced_generic_op(monkeypatch):
    import vexal.types.phasors as phasors

    calls = []

    def recording(self, other, op, format_alias):
        calls.append(format_alias)
        return recording.__wrapped__(self, other, op, format_alias=format_alias)

    recording.__wrapped__ = phasors.generic_op
    monkeypatch.setattr(phasors, "generic_op", recording)
    sets = transformations.complete_symmetrical_components(Phasor(1j), Phasor(2), Phasor(-1j))
    assert calls == ["({0})*({1})"] * 3 and [type(v) for v in sets[1]] == [Phasor] * 3


def test_module_matrices_and_a_are_read_at_call_time(monkeypatch):
    values = (1 + 1j, 2.0 + 0j, -1j)
    changed = impl.sym_transformation * 2
    monkeypatch.setattr(impl, "sym_transformation", changed)
    np.testing.assert_allclose(transformations.symmetrical_components(*values), np.dot(changed, values))
    monkeypatch.setattr(impl, "inv_sym_transformation", impl.inv_sym_transformation.copy())
    impl.inv_sym_transformation[0, 0] = 5
    np.testing.assert_allclose(transformations.inv_symmetrical_components(*values),
                               np.dot(impl.inv_sym_transformation, values))
    monkeypatch.setattr(impl, "a", np.complex128(1j))
    sets = transformations.complete_symmetrical_components(*values)
    np.testing.assert_allclose(sets[1], values[1] * np.array([1, 1 / 1j, 1 / 1j ** 2]))
