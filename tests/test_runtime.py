"""The C++ runtime: function objects, generator objects, classes and modules."""

import abc
import builtins
import decimal
import inspect
import pickle
import subprocess
import sys
import textwrap
import warnings

import pandas
import pytest

from vexal import _selftest
from vexal.test.ranges import around, before
from vexal.types.alias import AliasFloat, AliasTuple, HasAlias
from vexal.types.timedelta import Timedelta


def python_twin(a, b=2, /, c=3, *args, d, e=5, **kwargs):
    """What bound_values is bound like, bound by the interpreter."""
    return {"a": a, "b": b, "c": c, "d": d, "e": e, "args": args, "kwargs": kwargs}


def run_python(code):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True, timeout=120)


# --- signatures and argument binding -------------------------------------------------------

def test_signature_of_every_parameter_kind():
    assert inspect.signature(_selftest.bound_values) == inspect.signature(python_twin)
    assert str(inspect.signature(around)) == "(val, tol=None, tol_p=0.05)"
    assert str(inspect.signature(before)) == "(t, /)"


@pytest.mark.parametrize(
    "args, kwargs",
    [
        ((1,), {"d": 4}),
        ((1, 9, 8, 7, 6), {"d": 4, "e": 0, "x": 1}),
        ((1,), {"d": 4, "a": 2, "b": 3}),  # positional-only names fall into **kwargs
        ((1, 2), {"c": 5, "d": 4}),
    ],
)
def test_binding_matches_python(args, kwargs):
    assert _selftest.bound_values(*args, **kwargs) == python_twin(*args, **kwargs)


def call_error(call):
    with pytest.raises(TypeError) as info:
        call()
    return str(info.value)


@pytest.mark.parametrize(
    "args, kwargs",
    [
        ((), {}),
        ((1,), {}),
        ((1, 2, 3), {"c": 1, "d": 1}),
        ((), {"d": 1, "c": 1}),
        ((1,), {"d": 1, "d2": 2, 3: 4}),
    ],
)
def test_binding_errors_have_the_interpreters_texts(args, kwargs):
    try:
        python_twin(*args, **kwargs)
    except TypeError as error:
        expected = str(error).replace("python_twin", "bound_values")
    assert call_error(lambda: _selftest.bound_values(*args, **kwargs)) == expected


@pytest.mark.parametrize(
    "call, text",
    [
        (lambda: before(t=1), "before() got some positional-only arguments passed as keyword arguments: 't'"),
        (lambda: before(), "before() missing 1 required positional argument: 't'"),
        (lambda: before(1, 2), "before() takes 1 positional argument but 2 were given"),
        (lambda: around(), "around() missing 1 required positional argument: 'val'"),
        (lambda: around(1, 2, 3, 4), "around() takes from 1 to 3 positional arguments but 4 were given"),
        (lambda: around(1, x=2), "around() got an unexpected keyword argument 'x'"),
        (lambda: around(1, val=2), "around() got multiple values for argument 'val'"),
        (lambda: AliasFloat(1).alias_op(), "AliasFloat.alias_op() missing 3 required positional arguments: "
                                           "'other', 'func', and 'format_alias'"),
    ],
)
def test_bad_calls(call, text):
    assert call_error(call) == text


def test_no_fixed_limit_on_parameters():
    assert _selftest.many_values(*range(40), k0="a", k1="b") == (*range(40), "a", "b")
    assert inspect.signature(_selftest.many_values).parameters["k1"].kind is inspect.Parameter.KEYWORD_ONLY


def test_keyword_only_default_survives_its_dict_being_cleared():
    f = _selftest.after_callback
    f.__kwdefaults__ = {"value": ["only held by the dict", object()]}
    try:
        assert f(lambda: f.__kwdefaults__.clear())[0][0] == "only held by the dict"
    finally:
        f.__kwdefaults__ = None


# --- functions made at run time ---------------------------------------------------------------

def echo(*args, **kwargs):
    return args, kwargs


def test_pass_through_forwards_arguments_as_given():
    plain, prepended = _selftest.forward_to(echo), _selftest.forward_to(echo, "first")
    assert str(inspect.signature(plain)) == "(*args, **kwargs)"
    assert plain(1, 2, x=3) == ((1, 2), {"x": 3})
    assert prepended(1, x=3) == (("first", 1), {"x": 3})
    assert prepended(*[1, 2]) == (("first", 1, 2), {})  # a call without a free slot before the arguments
    assert prepended(**{"y": 1}) == (("first",), {"y": 1})

    class Owner:
        method = _selftest.forward_to(echo, "first")

    owner = Owner()
    assert owner.method(5, k=6) == (("first", owner, 5), {"k": 6})
    assert _selftest.received(1, 2, a=3) == ((1, 2), {"a": 3}) and _selftest.received() == ((), {})


def test_closure_state_is_seen_by_the_garbage_collector():
    import gc
    import weakref

    class Holder:
        pass

    holder = Holder()
    holder.function = _selftest.forward_to(holder)  # holder -> function -> its state -> holder
    alive = weakref.ref(holder.function)
    del holder
    gc.collect()
    assert alive() is None


def test_wrapt_wrapper_made_at_run_time():
    import wrapt
    events = []
    decorator = wrapt.decorator(_selftest.make_logging_wrapper(events))

    @decorator
    def add(a, b=2):
        return a + b

    class Owner:
        @decorator
        def method(self, x):
            return x

    owner = Owner()
    assert (add(1, b=5), owner.method(3)) == (6, 3)
    assert events == [None, owner]
    assert inspect.signature(add) == inspect.signature(lambda a, b=2: None)


def test_functions_of_every_module_are_recognised():
    assert type(AliasFloat.__add__) is not type(around)  # each module links its own runtime
    for function in (AliasFloat.__add__, around, Timedelta.__add__, _selftest.received):
        assert _selftest.is_runtime_function(function)
    assert not _selftest.is_runtime_function(echo)
    assert not _selftest.is_runtime_function(type("vexal.function", (), {})())


@pytest.mark.parametrize("kind, error, text", [
    ("bad_alloc", MemoryError, ""),
    ("runtime_error", SystemError, "C++ failure text"),
    ("int", SystemError, "unknown C++ exception"),
])
def test_cpp_exceptions_become_python_errors(kind, error, text):
    with pytest.raises(error) as info:
        _selftest.throw_cpp(kind)
    assert str(info.value) == text and type(info.value) is error


def python_with(manager, body):
    with manager as entered:
        return body(entered)


class Recording:
    def __init__(self, suppress, exit_error):
        self.calls, self.suppress, self.exit_error = [], suppress, exit_error

    def __enter__(self):
        self.calls.append("enter")
        return "entered"

    def __exit__(self, kind, value, traceback):
        self.calls.append((kind, type(value), traceback is not None, sys.exc_info()[1] is value))
        if self.exit_error:
            try:
                raise LookupError("while exiting")
            except LookupError:
                raise self.exit_error
        return self.suppress


def context_chain(error):
    chain = []
    while error.__context__ is not None:
        error = error.__context__
        chain.append(repr(error))
    return chain


def fail(entered):
    raise KeyError(entered)


@pytest.mark.parametrize("suppress, exit_error, body", [
    (False, None, lambda entered: entered * 2),
    (False, None, fail),
    (True, None, fail),
    (False, OSError("in exit"), str),
    (False, OSError("in exit"), fail),
])
def test_with_block_runs_as_the_interpreter_runs_it(suppress, exit_error, body):
    outcomes = []
    for run in (python_with, _selftest.run_with):
        manager = Recording(suppress, exit_error)
        try:
            outcome = ("returned", run(manager, body))
        except Exception as error:
            outcome = ("raised", repr(error), context_chain(error))
        outcomes.append((outcome, manager.calls))
    assert outcomes[0] == outcomes[1]
    with pytest.raises(TypeError, match="'object' object does not support the context manager protocol"):
        _selftest.run_with(object(), str)


@pytest.mark.parametrize("make, entered_type", [(lambda: memoryview(b"ab"), memoryview),
                                                (decimal.localcontext, decimal.Context)])
def test_with_block_finds_the_methods_of_static_builtin_types(make, entered_type):
    manager = make()
    assert _selftest.run_with(manager, type) is entered_type
    if isinstance(manager, memoryview):
        with pytest.raises(ValueError, match="released"):
            manager.tobytes()


def test_python_errors_need_the_gil():
    result = run_python("from vexal import _selftest; _selftest.raise_without_gil()")
    assert result.returncode != 0
    assert "a Python error was raised without holding the GIL" in result.stderr


# --- function attributes ---------------------------------------------------------------------

def test_function_attributes():
    f = _selftest.bound_values
    assert (f.__name__, f.__qualname__, f.__module__) == ("bound_values", "bound_values", "vexal._selftest")
    assert f.__doc__ == "Returns the values its parameters were bound to."
    assert f.__code__.co_varnames == ("a", "b", "c", "d", "e", "args", "kwargs")
    assert (f.__code__.co_argcount, f.__code__.co_posonlyargcount, f.__code__.co_kwonlyargcount) == (3, 2, 2)
    assert f.__defaults__ == (2, 3) and f.__kwdefaults__ == {"e": 5}
    assert f.__annotations__ == {} and f.__globals__ is vars(_selftest)
    assert AliasFloat.__add__.__qualname__ == "AliasFloat.__add__"
    assert repr(around).startswith("<function around at 0x")


def test_functions_pass_for_plain_functions_where_tools_ask_for_one():
    # pluggy >= 1.7 and pytest's marks take only what inspect.isfunction accepts.
    import types
    assert inspect.isfunction(around) and isinstance(around, types.FunctionType)
    assert type(around) is not types.FunctionType
    assert inspect.isroutine(around) and not inspect.ismethoddescriptor(around)
    assert around.__builtins__ is vars(builtins)
    assert inspect.getfile(around) == around.__code__.co_filename


def test_functions_take_attributes_like_markers_set_them():
    func = around
    pytest.mark.usefixtures("tmp_path")(func)
    func.vexal_custom = {"x": 1}
    try:
        assert func.vexal_custom == {"x": 1} and "pytestmark" in func.__dict__
    finally:
        func.__dict__.clear()


def test_defaults_can_be_replaced():
    f = _selftest.bound_values
    saved = f.__defaults__
    try:
        f.__defaults__ = (20, 30)
        assert f(1, d=0)["b"] == 20
        with pytest.raises(TypeError, match="__defaults__ must be set to a tuple object"):
            f.__defaults__ = [1]
    finally:
        f.__defaults__ = saved


def test_methods_bind_and_pickle_by_reference():
    value = AliasFloat(1)
    assert inspect.ismethod(value.alias_op) and value.alias_op.__self__ is value
    assert pickle.loads(pickle.dumps(around)) is around


# --- generator functions ----------------------------------------------------------------------

class Recorder:
    def __init__(self):
        self.events = []

    wrapper = _selftest.record_phase


@pytest.mark.parametrize(
    "drive, events",
    [
        (lambda gen: (next(gen), pytest.raises(StopIteration, gen.send, "outcome")), ["enter", "exit"]),
        (lambda gen: (next(gen), gen.close()), ["enter", "exit:GeneratorExit"]),
        (lambda gen: (next(gen), pytest.raises(KeyError, gen.throw, KeyError("k"))), ["enter", "exit:KeyError"]),
        (lambda gen: gen.close(), []),
    ],
)
def test_generator_protocol(drive, events):
    recorder = Recorder()
    gen = recorder.wrapper()
    assert inspect.isgeneratorfunction(recorder.wrapper) and gen.gi_code is _selftest.record_phase.__code__
    drive(gen)
    assert recorder.events == events
    with pytest.raises(StopIteration):
        next(gen)


def test_generator_dropped_while_suspended_is_closed():
    recorder = Recorder()
    gen = recorder.wrapper()
    next(gen)
    del gen
    assert recorder.events == ["enter", "exit:GeneratorExit"]


def test_generator_carries_values_and_reports_its_state():
    gen = _selftest.return_result(Recorder())
    states = [inspect.getgeneratorstate(gen)]
    with pytest.raises(TypeError, match="can't send non-None value to a just-started generator"):
        gen.send(1)
    next(gen)
    states.append(inspect.getgeneratorstate(gen))
    with pytest.raises(StopIteration) as stop:
        gen.send(["result"])
    states.append(inspect.getgeneratorstate(gen))
    assert stop.value.value == ["result"] and gen.gi_frame is None
    assert states == [inspect.GEN_CREATED, inspect.GEN_SUSPENDED, inspect.GEN_CLOSED]
    gen = Recorder().wrapper()
    next(gen)
    with pytest.raises(RuntimeError, match="generator raised StopIteration") as error:
        gen.throw(StopIteration())
    assert isinstance(error.value.__cause__, StopIteration)


class NotAnException(Exception):
    def __new__(cls, *args):
        return [1]


@pytest.mark.parametrize("make", [lambda: Recorder().wrapper(), lambda: listener_with(Recording(False, None))])
@pytest.mark.parametrize("args", [(NotAnException,), (NotAnException, 1), (NotAnException, 1, "traceback")])
def test_throwing_a_class_that_makes_no_exception(make, args):
    try:
        raise KeyError
    except KeyError as error:
        traceback = error.__traceback__
    args = tuple(traceback if arg == "traceback" else arg for arg in args)
    gen = make()
    next(gen)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        with pytest.raises(TypeError) as error:
            gen.throw(*args)
    assert str(error.value) == (f"calling {NotAnException!r} should have returned an instance of BaseException, "
                                "not list")
    assert inspect.getgeneratorstate(gen) == inspect.GEN_SUSPENDED


def listener_with(catchlogs):
    from vexal.allure_realtime.listener import AllurePytestLoggerListener
    listener = AllurePytestLoggerListener()
    listener.catchlogs = catchlogs
    return listener.pytest_runtest_call()


def test_pluggy_runs_cpp_wrappers_like_python_ones():
    import pluggy
    spec, impl = pluggy.HookspecMarker("selftest"), pluggy.HookimplMarker("selftest")

    class Spec:
        @spec
        def compute(self, x):
            pass

    class Doubler:
        @impl
        def compute(self, x):
            if x < 0:
                raise ValueError(x)
            return x * 2

    class PythonWrapper(Recorder):
        @impl(wrapper=True)
        def compute(self):
            self.events.append("enter")
            try:
                result = yield
            except BaseException as error:
                self.events.append("exit:" + type(error).__name__)
                raise
            self.events.append("exit")
            return result

    class NewStyle(Recorder):
        compute = impl(wrapper=True)(_selftest.return_result)

    class OldStyle(Recorder):
        compute = impl(hookwrapper=True)(_selftest.record_phase)

    outcomes = []
    for wrapper in (PythonWrapper(), NewStyle(), OldStyle()):
        manager = pluggy.PluginManager("selftest")
        manager.add_hookspecs(Spec)
        manager.register(Doubler())
        manager.register(wrapper)
        with pytest.raises(ValueError):
            manager.hook.compute(x=-1)
        outcomes.append((manager.hook.compute(x=2), wrapper.events))
    assert outcomes == [([4], ["enter", "exit:ValueError", "enter", "exit"])] * 2 + [([4], ["enter", "exit"] * 2)]


# --- classes --------------------------------------------------------------------------------

def test_classes_are_made_by_their_metaclass_with_real_bases():
    assert type(HasAlias) is abc.ABCMeta
    assert AliasFloat.__mro__[:3] == (AliasFloat, HasAlias, float)
    assert AliasTuple.__mro__[:3] == (AliasTuple, HasAlias, tuple)
    assert Timedelta.__mro__[:3] == (Timedelta, HasAlias, pandas.Timedelta)
    assert isinstance(vars(AliasFloat)["__new__"], staticmethod)
    assert HasAlias.__module__ == "vexal.types.alias"


def test_python_subclasses_override_through_attribute_lookup():
    class Volts(AliasFloat):
        def _str_representation(self):
            return super()._str_representation() + "V"

    class Loud(AliasFloat):
        def has_custom_alias(self):
            return True

    assert str(Volts(230)) == "230.00V"
    assert str(Volts(230, alias="Un")) == "Un [230.00V]"
    assert str(Volts(1) + 1) == "2.00"  # results are plain AliasFloat values
    assert str(Loud(2)) == "2.00 [2.00]"


# Every fast path steps aside once something it stands for is replaced, however
# the replacement is made. Each row runs in a fresh interpreter: `counting(f)`
# wraps f and counts its calls in `calls`; the row prints what it saw.
REPLACEMENTS = {
    "host function, before import": """
        import vexal.utils as vu
        vu.generic_op = counting(vu.generic_op)
        vu.recursive_map = counting(vu.recursive_map)
        from vexal.types.phasors import Phasor
        from vexal.test.transformations.impl import symmetrical_components
        Phasor(1 + 2j, alias="p") + Phasor(3 - 1j, alias="q")
        symmetrical_components(1j, 2j, 3j)
        print(len(calls))""",
    "numpy function, before import": """
        import numpy as np
        np.cos, np.sin, np.angle = counting(np.cos), counting(np.sin), counting(np.angle)
        from vexal.types.phasors import Phasor
        print(len(calls), round(Phasor(mag=2, angle=60).angle, 9), len(calls))""",
    "library function, before import": """
        import json
        json.dumps = counting(json.dumps)
        from vexal.pytest_vexal.benchcast import CommonMsgPublisher, MsgType
        class Socket:
            def send_multipart(self, frames):
                print(frames[2].decode())
        publisher = CommonMsgPublisher.__new__(CommonMsgPublisher)
        publisher._pub_sock = Socket()
        publisher.publish_msg(MsgType.MSG_TEST_IDE_RUN, "n")
        print(len(calls))""",
    "module global, after import": """
        from vexal.types import phasors
        from vexal.test.transformations import impl
        phasors.generic_op = counting(phasors.generic_op)
        impl.abc_to_alphabetagamma = counting(impl.abc_to_alphabetagamma)
        phasors.Phasor(1) * 2
        import numpy as np, pandas as pd
        abc = pd.DataFrame({"a": [1.0], "b": [2.0], "c": [3.0]})
        impl.abc_to_dq0(abc, pd.Series([0.0]))
        print(len(calls))""",
    "method on the class": """
        from vexal.types.alias import AliasFloat
        AliasFloat._str_representation = lambda self: "patched"
        print(AliasFloat(2) + 3)""",
    "method on a base": """
        from vexal.types.alias import HasAlias
        from vexal.types.phasors import Phasor
        HasAlias.__init__ = counting(HasAlias.__init__)
        Phasor(1j, alias="x")
        print(len(calls))""",
    "__getattribute__ on a base": """
        from vexal.types.alias import AliasFloat, HasAlias
        HasAlias.__getattribute__ = lambda self, name: (
            "patched" if name == "_alias" else object.__getattribute__(self, name))
        print(AliasFloat(2), AliasFloat(2).alias)""",
    "__getattr__ on a subclass": """
        from vexal.types.alias import AliasFloat
        class Sub(AliasFloat):
            pass
        def lookup(self, name):
            if name == "_alias":
                return "patched"
            raise AttributeError(name)
        Sub.__getattr__ = lookup
        print(Sub(2), Sub(2).alias)""",
    "what pandas' Timedelta.min reads": """
        import numpy as np
        from pandas._libs.tslibs import timedeltas
        from vexal.test.ranges import after, before
        np.iinfo = counting(np.iinfo)
        timedeltas.Timedelta = counting(timedeltas.Timedelta)
        before(1), after(1)
        print(len(calls))""",
    "Timedelta.max on a base, _name on pandas' descriptor": """
        import pandas as pd
        from pandas._libs.tslibs import timedeltas
        from vexal.test.ranges import after, before
        vars(timedeltas._Timedelta)["min"]._name = "max"
        pd.Timedelta.max = pd.Timedelta(5)
        print(before(1), after(1))""",
    "Timedelta.min on the metaclass": """
        import abc
        from vexal.test.ranges import before
        abc.ABCMeta.min = property(lambda cls: "patched")
        print(before(1)[0])""",
}
REPLACEMENT_PRELUDE = """
calls = []
def counting(f):
    return lambda *a, **k: (calls.append(1), f(*a, **k))[1]
"""


@pytest.mark.parametrize("kind, expected", [
    ("host function, before import", "2"),
    ("numpy function, before import", "0 60.0 3"),
    ("library function, before import", "{}\n1"),
    ("module global, after import", "2"),
    ("method on the class", "patched"),
    ("method on a base", "1"),
    ("__getattribute__ on a base", "patched [2.00] patched"),
    ("__getattr__ on a subclass", "patched [2.00] patched"),
    ("what pandas' Timedelta.min reads", "4"),
    ("Timedelta.max on a base, _name on pandas' descriptor", "(+inf, 1s) (1s, 5ns)"),
    ("Timedelta.min on the metaclass", "patched"),
])
def test_fast_paths_step_aside_for_every_kind_of_replacement(kind, expected):
    result = run_python(REPLACEMENT_PRELUDE + textwrap.dedent(REPLACEMENTS[kind]))
    assert (result.stdout.strip(), result.stderr) == (expected, "")


def test_a_late_import_is_found_once_its_module_is_imported():
    result = run_python("""
        import sys
        from vexal.test.transformations.impl import symmetrical_components
        class C(complex):
            pass
        print(type(symmetrical_components(C(1j), 2j, 3j)[0]).__name__, "vexal.types.phasors" in sys.modules)
        from vexal.types.phasors import Phasor
        print(type(symmetrical_components(Phasor(1j), Phasor(2j), 3j)[0]).__name__)""")
    assert (result.stdout.split(), result.stderr) == (["C", "False", "Phasor"], "")


@pytest.mark.parametrize("cls, args", [(AliasFloat, (2.5,)), (AliasTuple, ((1, 2),))])
def test_reassigned_init_is_called_by_the_class(cls, args):
    original = cls.__init__
    calls = []

    def traced(self, *a, **kw):
        calls.append(a)
        original(self, *a, **kw)

    cls.__init__ = traced
    try:
        made = cls(*args, alias="x")
    finally:
        cls.__init__ = original
    assert calls == [args]
    assert str(made).startswith("x [")
    cls(*args)
    assert len(calls) == 1


@pytest.mark.parametrize("make, text", [
    (lambda: AliasFloat(2, **{"".join(["ali", "as"]): "u"}), "u [2.00]"),  # a keyword that is not interned
    (lambda: AliasFloat(value=2, alias="u"), "u [2.00]"),
    (lambda: AliasFloat(2, "u"), "u [2.00]"),
    (lambda: AliasTuple(value=(1, 2), alias="r"), "r [(1, 2)]"),
    (lambda: AliasTuple((1.5, 2), child_original_str=True), "(1.5, 2)"),
])
def test_class_calls_bind_like_a_def(make, text):
    assert str(make()) == text


@pytest.mark.parametrize("call, message", [
    (lambda: AliasFloat(), "AliasFloat.__new__() missing 1 required positional argument: 'value'"),
    (lambda: AliasFloat(1, alias="a", other=2), "AliasFloat.__new__() got an unexpected keyword argument 'other'"),
    (lambda: AliasFloat(1, 2, 3), "AliasFloat.__new__() takes from 2 to 3 positional arguments but 4 were given"),
    (lambda: AliasTuple((1,), alias="a", other=2), "AliasTuple.__init__() got an unexpected keyword argument 'other'"),
    (lambda: AliasTuple((1,), "a", True, 4), "AliasTuple.__new__() takes 2 positional arguments but 5 were given"),
])
def test_bad_class_calls_keep_the_interpreters_texts(call, message):
    with pytest.raises(TypeError) as error:
        call()
    assert str(error.value) == message


def test_subclass_new_may_call_the_builtin_new():
    class Raw(AliasFloat):
        def __new__(cls, value, alias=None):
            return float.__new__(cls, value)

    class Pair(AliasTuple):
        def __new__(cls, value, **kwargs):
            return tuple.__new__(cls, value)

    assert str(Raw(3, alias="r")) == "r [3.00]"
    assert str(Pair((1, 2), alias="p")) == "p [(1, 2)]"


def test_registering_a_virtual_subclass_is_seen_by_the_constructor():
    result = run_python(
        """
        from vexal.types.alias import AliasFloat
        print(type(AliasFloat(1.0)).__name__, type(AliasFloat(1)).__name__)
        AliasFloat.register(int)
        print(type(AliasFloat(2.5)).__name__, type(AliasFloat(2)).__name__)
        """
    )
    assert result.stdout.split() == ["AliasFloat", "AliasFloat", "AliasFloat", "int"], result.stderr


FLOAT_EDGES = [0.0, -0.0, 1.0, -1.5, 0.1, 1e16, 1e15, 123456789012345678.0, 1e-4, 1e-5, 0.00012345, 5e-324,
               1.7976931348623157e308, 2.2250738585072014e-308, float("inf"), float("-inf"), float("nan"),
               0.25, 4.75, 5.000000000000001, 100.0, 999999.5, 1234567.0, 0.05 * 100, 1 / 3]


def random_floats(count):
    import random
    import struct
    rng = random.Random(2026)
    values = [struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0] for _ in range(count)]
    values += [rng.uniform(-1e4, 1e4) for _ in range(count)]
    values += [round(rng.uniform(-100, 100), rng.randrange(6)) for _ in range(count)]
    values += [round(rng.uniform(-1e12, 1e12), rng.randrange(9)) for _ in range(count)]
    values += [rng.randrange(1, 10 ** 7) / 10 ** rng.randrange(12) for _ in range(count)]
    return values


def test_float_texts_match_the_interpreters():
    for value in FLOAT_EDGES + random_floats(20000):
        assert _selftest.float_texts(value) == (repr(value), format(value, "g")), value


# --- modules --------------------------------------------------------------------------------

@pytest.mark.parametrize("name", ["vexal.types.alias", "vexal.types.timedelta", "vexal.test.ranges",
                                  "vexal.types.phasors", "vexal.test.transformations.impl"])
def test_module_initialises_once_per_process(name):
    result = run_python(
        f"""
        import ctypes, importlib, importlib.util, sys, types
        import {name} as first
        del sys.modules["{name}"]
        again = importlib.import_module("{name}")
        assert again is first, "re-import"
        assert importlib.util.module_from_spec(first.__spec__) is first, "module_from_spec"
        api = ctypes.pythonapi
        api.PyModule_GetDef.restype = ctypes.c_void_p
        api.PyModule_GetDef.argtypes = [ctypes.py_object]
        api.PyModule_ExecDef.argtypes = [ctypes.py_object, ctypes.c_void_p]
        try:
            api.PyModule_ExecDef(types.ModuleType("other"), api.PyModule_GetDef(first))
        except RuntimeError as error:
            print("RuntimeError:", error)
        """
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith("RuntimeError: ")
    assert "initialised once per process" in result.stdout


def test_module_refuses_a_subinterpreter():
    result = run_python(
        """
        try:
            import _interpreters as interpreters  # 3.13: the failure is returned
        except ImportError:
            import _xxsubinterpreters as interpreters  # 3.11, 3.12: it is raised
        interp = interpreters.create()
        try:
            print(interpreters.run_string(interp, "import vexal.types.alias").formatted)
        except interpreters.RunFailedError as error:
            print(error)
        """
    )
    assert "ImportError" in result.stdout
    assert "module vexal.types.alias does not support loading in subinterpreters" in result.stdout


# --- strided buffers and the GIL ------------------------------------------------------------

def test_strided_buffers_are_read_where_they_lie():
    import array

    import numpy as np

    block = np.arange(12.0).reshape(4, 3)
    assert _selftest.strided_elements(block[:, 1], "float64") == [1.0, 4.0, 7.0, 10.0]
    assert _selftest.strided_elements(block[::-2, 2], "float64") == [11.0, 5.0]
    assert _selftest.strided_elements(memoryview(array.array("d", [1.5, 2.5]))[::-1], "float64") == [2.5, 1.5]
    assert _selftest.strided_elements(np.array([3, -4], dtype=np.int64)[::-1], "int64") == [-4, 3]
    assert _selftest.strided_elements(np.array([1j, 2 + 1j])[::-1], "complex128") == [2 + 1j, 1j]
    for obj, kind in [(block, "float64"), (block[:, 0].astype(np.float32), "float64"), (np.arange(3), "float64"),
                      (np.arange(3.0).astype(">f8"), "float64"), (np.array(["x"], dtype=object), "float64"),
                      ([1.0], "float64"), (np.ones(2), "complex128"), (b"12345678", "int64")]:
        assert _selftest.strided_elements(obj, kind) is None
    readonly = np.ones(3)
    readonly.flags.writeable = False
    with pytest.raises(TypeError):
        _selftest.double_in_place(readonly)
    column = block[:, 0]
    assert _selftest.double_in_place(column) is True
    assert block[:, 0].tolist() == [0.0, 6.0, 12.0, 18.0] and block[:, 1].tolist() == [1.0, 4.0, 7.0, 10.0]
