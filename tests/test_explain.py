"""Failed assertions on ranges and phasors, as pytest prints them at normal verbosity."""
import re
import subprocess
import sys

import pytest

PRELUDE = """
from vexal.test.ranges import after, around, before
from vexal.types.alias import AliasFloat, AliasTuple
from vexal.types.phasors import Phasor, Phasors3ph
from vexal.types.timedelta import Timedelta

class NoAlias(AliasTuple):
    @property
    def alias(self):
        raise RuntimeError("hostile")

class NoComplex(Phasor):
    armed = False

    def __complex__(self):
        if NoComplex.armed:
            raise RuntimeError("hostile")
        return complex(self.real, self.imag)
"""

NOT_IN = "(`not in` compares a value with the two limits only)"

CASES = {
    "above around, aliased": (
        'assert AliasFloat(236.1, alias="Va rms") in around(AliasFloat(230, alias="Un"), tol_p=0.02)',
        ["assert Va rms [236.10] in Un [230.00] ± 2% [4.6000000000000005] [(225.40, 234.60)]",
         "  Va rms [236.10] is above the upper limit 234.60 by 1.50",
         "  that is 0.652 % of the nominal Un [230.00], and 1.33 × the tolerance 4.60 away from it"]),
    "below around, plain": (
        "assert 3.5 in around(5, tol=1)",
        ["assert 3.5 in 5 ± 1 [(4, 6)]",
         "  3.5 is below the lower limit 4 by 0.5",
         "  that is 10 % of the nominal 5, and 1.5 × the tolerance 1 away from it"]),
    "around zero: no percent": (
        "assert 2 in around(0, tol=1)",
        ["assert 2 in 0 ± 1 [(-1, 1)]",
         "  2 is above the upper limit 1 by 1",
         "  that is 2 × the tolerance 1 away from it"]),
    "inside, yet not a limit": (
        "assert 5.5 in around(5, tol=1)",
        ["assert 5.5 in 5 ± 1 [(4, 6)]",
         "  5.5 lies inside the range, but `in` compares a value with the two limits",
         "  only (a range is a tuple of them): write `low <= value <= high`, `low, high = <range>`"]),
    "time around": (
        "assert Timedelta(1.2) in around(Timedelta(1), tol=0.1)",
        ["assert 1s 200ms in 1s ± 100ms [(900ms, 1s 100ms)]",
         "  1s 200ms is above the upper limit 1s 100ms by 100ms",
         "  that is 10 % of the nominal 1s, and 2 × the tolerance 100ms away from it"]),
    "too late": (
        'assert Timedelta("3ms", alias="t_trip") in before("2ms")',
        ["assert t_trip [3ms] in (-inf, 2ms)", "  t_trip [3ms] is not before 2ms: 1ms too late"]),
    "too early, seconds": (
        'assert 0.0015 in after("2ms")',
        ["assert 0.0015 in (2ms, +inf)", "  0.0015 (1ms 500us) is not after 2ms: 500us too early"]),
    "on a limit": (
        "assert 6 not in around(5, tol=1)",
        ["assert 6 not in 5 ± 1 [(4, 6)]", "  6 equals the upper limit 6 of the range " + NOT_IN]),
    "on the time limit": (
        'assert Timedelta("2ms") not in before("2ms")',
        ["assert 2ms not in (-inf, 2ms)", "  2ms equals the upper limit 2ms of the range " + NOT_IN]),
    "phasors": (
        'assert Phasor(mag=230, angle=-179, alias="Va") == Phasor(mag=231, angle=179, alias="Vref")',
        ["assert Va [230.00 ∠ -179.00°] == Vref [231.00 ∠ 179.00°]",
         "  magnitudes differ by -1.00 (-0.433 %): 230.00 against 231.00",
         "  angles differ by +2.00°: -179.00° against 179.00°"]),
    "rounding only": (
        "assert Phasor(mag=10, angle=90) == 10j",
        ["assert 10.00 ∠ 90.00° == 10j",
         "  they differ by 6.12e-16 only, a rounding residue: compare computed phasors with pytest.approx"]),
    "phasor sets": (
        "abc = Phasors3ph(Phasor(mag=230, angle=0), Phasor(mag=230, angle=-120), 230j)\n"
        "    assert abc == (abc[0], Phasor(mag=225, angle=-118), 230)",
        ["assert (A [230.00 ∠ 0.00°], B [230.00 ∠ -120.00°], C [230.00 ∠ 90.00°]) == "
         "(A [230.00 ∠ 0.00°], 225.00 ∠ -118.00°, 230)",
         "  B differs: magnitude by +5.00 (+2.22 %), angle by -2.00°",
         "  C differs: magnitude by +0.00 (+0 %), angle by +90.00°"]),
    "hostile range: pytest's own text": (
        "assert 1 in NoAlias((0, 2))",
        None),
    "hostile phasor: pytest's own text": (
        "hostile, NoComplex.armed = NoComplex(1), True\n"
        "    assert hostile == Phasor(2)",
        ["assert 1.00 ∠ 0.00° == 2.00 ∠ 0.00°", " +  where 2.00 ∠ 0.00° = Phasor(2)"]),
    "other values: pytest's own text": (
        "assert 1 in (2, 3)",
        ["assert 1 in (2, 3)"]),
}


@pytest.fixture(scope="module")
def run(tmp_path_factory):
    """One pytest run of every case, each a test of its own: its output and
    the explanation lines of each test."""
    path = tmp_path_factory.mktemp("explain")
    tests = "".join("\ndef test_{}():\n    {}\n".format(index, body) for index, (body, _) in enumerate(CASES.values()))
    (path / "test_cases.py").write_text(PRELUDE + tests)
    result = subprocess.run([sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "test_cases.py"],
                            cwd=path, capture_output=True, text=True, timeout=300)
    shown, lines = {}, None
    for line in result.stdout.splitlines():
        header = re.fullmatch(r"_+ test_(\d+) _+", line)
        if header:
            lines = shown.setdefault(int(header.group(1)), [])
        elif lines is not None and line.startswith("E       "):
            lines.append(line[8:])
    return result.stdout, shown


@pytest.mark.parametrize("index, expected", list(enumerate(value[1] for value in CASES.values())), ids=list(CASES))
def test_a_failed_assertion_explains_itself(run, index, expected):
    output, shown = run
    assert "INTERNALERROR" not in output and "{} failed".format(len(CASES)) in output
    if expected is None:  # a value whose repr fails is written the way pytest writes it
        assert shown[index] and all("raised in repr()" in line for line in shown[index])
    else:
        assert shown[index] == expected
