"""Hostile values: objects whose special methods raise, answer with the wrong
type, or attack the objects the current call works on."""

import math
import random

import numpy
import pandas


class Boom(Exception):
    """What a raising special method raises."""


# The current call's objects (receiver, arguments, module state) and its
# random source; the worker sets both before each call. Hostile objects
# behave until armed, so that valid receivers can be built around them.
working_on = []
rng = random.Random(0)
armed = True

# Names a mutating callback deletes, rebinds or collides with.
TARGET_KEYS = ["_alias", "alias", "original_str_repr", "info", "isEnabledFor", "disabled", "_cache", "value",
               "events", "catchlogs", "manager", "parent"]


def _contents(obj):
    if isinstance(obj, type):
        return None
    contents = obj if isinstance(obj, (list, dict)) else getattr(obj, "__dict__", None)
    return contents if isinstance(contents, (list, dict)) else None


def attack():
    """Do one harmful thing to an instance dict (or a list or dict) the call works on."""
    victims = [obj for obj in working_on if _contents(obj) is not None]
    if not victims:
        return
    victim = victims[0] if rng.random() < 0.5 else rng.choice(victims)
    container = _contents(victim)
    action = rng.randrange(5)
    if action == 0 or not container:
        container.clear()
    elif isinstance(container, list):
        container[rng.randrange(len(container))] = make(rng)[0]
    elif action == 1:
        del container[rng.choice(list(container))]
    elif action == 2:
        container[rng.choice(list(container))] = make(rng)[0]
    elif action == 3:
        container[Collider(rng.choice(TARGET_KEYS))] = 0
    else:
        try:
            victim.__dict__ = {key: make(rng)[0] for key in container}
        except (AttributeError, TypeError):
            container.clear()


# What each special method returns in each mode: (fine, wrong type).
ANSWERS = {
    "eq": (False, None), "ne": (True, None), "lt": (False, None), "le": (True, None), "gt": (False, None),
    "ge": (True, None), "hash": (1, "h"), "str": ("evil", 5), "repr": ("Evil()", 5), "format": ("EVIL", 5),
    "float": (1.0, "1.0"), "index": (1, 1.5), "int": (1, "1"), "bool": (True, 2), "len": (1, -1),
    "call": (None, None), "getitem": (1, None), "iter": ((1, 2), 5), "add": (NotImplemented, None),
}
MODES = ["fine", "raise", "wrong", "mutate", "collide"]


def _special(name):
    fine, wrong = ANSWERS[name]

    def method(self, *args):
        mode = self._modes.get(name, self._default) if armed else "fine"
        if mode == "raise":
            raise Boom(name)
        if mode == "mutate":
            attack()
        if mode == "wrong":
            return Hostile({"bool": "raise"}, "raise") if name in ("eq", "ne", "lt", "le", "gt", "ge") else wrong
        if name == "hash" and mode == "collide":
            return hash(rng.choice(TARGET_KEYS))
        if name == "iter":
            return iter(fine)
        return fine

    method.__name__ = f"__{name}__"
    return method


class HostileMixin:
    def __getattr__(self, name):
        mode = "fine" if name.startswith("_") or not armed else self._modes.get("getattr", self._default)
        if mode in ("fine", "collide"):
            raise AttributeError(name)
        if mode == "raise":
            raise Boom(name)
        if mode == "mutate":
            attack()
        return Hostile({}, "wrong")


for _name in ANSWERS:
    setattr(HostileMixin, f"__{_name}__", _special(_name))
HostileMixin.__radd__ = HostileMixin.__sub__ = HostileMixin.__rsub__ = HostileMixin.__add__
HostileMixin.__mul__ = HostileMixin.__rmul__ = HostileMixin.__truediv__ = HostileMixin.__add__


class Hostile(HostileMixin):
    def __init__(self, modes, default):
        self._modes, self._default = modes, default


class HostileFloat(HostileMixin, float):
    def __new__(cls, modes, default):
        obj = super().__new__(cls, 2.5)
        obj._modes, obj._default = modes, default
        return obj


class HostileStr(HostileMixin, str):
    def __new__(cls, modes, default):
        obj = super().__new__(cls, "1s")
        obj._modes, obj._default = modes, default
        return obj


class Collider:
    """A dict key that collides with one of TARGET_KEYS and attacks when compared."""

    def __init__(self, key):
        self._hash = hash(key)

    def __hash__(self):
        return self._hash

    def __eq__(self, other):
        if armed:
            attack()
        return False


def hostile(rng_):
    """A hostile object of a random kind with random modes per special method, and its description."""
    kind = rng_.choice([Hostile, Hostile, HostileFloat, HostileStr])
    default = rng_.choice(MODES)
    modes = {name: rng_.choice(MODES) for name in rng_.sample(sorted(ANSWERS) + ["getattr"], rng_.randrange(4))}
    text = ",".join(f"{k}={v}" for k, v in sorted(modes.items()))
    return kind(modes, default), f"{kind.__name__}({text};*={default})"


PLAIN = [
    ("None", lambda: None), ("0", lambda: 0), ("-1", lambda: -1), ("2**70", lambda: 2**70), ("1.5", lambda: 1.5),
    ("nan", lambda: math.nan), ("-inf", lambda: -math.inf), ("1e308", lambda: 1e308), ("True", lambda: True),
    ("''", lambda: ""), ("'1ms'", lambda: "1ms"), ("'abc'", lambda: "abc"), ("'\\udcff'", lambda: "\udcff"),
    ("b'x'", lambda: b"x"), ("[]", lambda: []), ("[1, 'a']", lambda: [1, "a"]), ("()", lambda: ()),
    ("(1.0, 2.0)", lambda: (1.0, 2.0)), ("{}", lambda: {}), ("{'a': 1}", lambda: {"a": 1}),
    ("object()", object), ("1j", lambda: 1j), ("float64(3)", lambda: numpy.float64(3)),
    ("int64(7)", lambda: numpy.int64(7)), ("array([1., 2.])", lambda: numpy.array([1.0, 2.0])),
    ("Series([1.0])", lambda: pandas.Series([1.0])), ("Timedelta('1s')", lambda: pandas.Timedelta("1s")),
    ("NaT", lambda: pandas.NaT), ("int", lambda: int), ("len", lambda: len),
]


def make(rng_):
    """A random plain or hostile value and its description."""
    if rng_.random() < 0.45:
        return hostile(rng_)
    text, factory = rng_.choice(PLAIN)
    return factory(), text


def callback(rng_):
    """A callable that raises, answers with a wrong type or attacks the call's objects."""
    mode = rng_.choice(["raise", "wrong", "mutate", "fine"])

    def hostile_callback(*args, **kwargs):
        if mode == "raise":
            raise Boom("callback")
        if mode == "mutate":
            attack()
        return Hostile({}, "raise") if mode == "wrong" else NotImplemented

    return hostile_callback, f"callback({mode})"
