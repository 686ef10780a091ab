"""The child process of the fuzzer: makes calls start..stop of one module.

Before each call it writes "> <index>" and then ": <description>" to the
report pipe, so that the parent knows which call a crash belongs to; a
SystemError is written as "S <index> :: <message>". Call i depends only on
the seed, the module and i.
"""

import argparse
import copy
import importlib
import inspect
import operator
import os
import pickle
import random

from tests.fuzz import hostile
from tests.fuzz.targets import MODULES, scratch_dir


class NotAnException(Exception):
    def __new__(cls, *args):
        return []


OPERATORS = {
    "x + y": operator.add, "y + x": lambda x, y: y + x, "x - y": operator.sub, "y - x": lambda x, y: y - x,
    "x * y": operator.mul, "y * x": lambda x, y: y * x, "x / y": operator.truediv, "x == y": operator.eq,
    "y == x": lambda x, y: y == x, "x != y": operator.ne, "x < y": operator.lt, "x >= y": operator.ge,
    "-x": lambda x, y: -x, "abs(x)": lambda x, y: abs(x), "str(x)": lambda x, y: str(x),
    "repr(x)": lambda x, y: repr(x), "format(x, y)": lambda x, y: format(x, y if isinstance(y, str) else ".3"),
    "hash(x)": lambda x, y: hash(x), "bool(x)": lambda x, y: bool(x), "float(x)": lambda x, y: float(x),
    "x[y]": operator.getitem, "list(x)": lambda x, y: list(x), "getattr(x, y)": lambda x, y: getattr(x, str(y)),
    "x.alias": lambda x, y: x.alias, "copy(x)": lambda x, y: copy.copy(x),
    "pickle(x)": lambda x, y: pickle.loads(pickle.dumps(x)), "x(y)": lambda x, y: x(y),
}


def discover(module, entry):
    """(name, callable, takes a receiver) for everything the module defines."""
    found = []
    for name, value in sorted(vars(module).items()):
        if name.startswith("__") or name in entry.skip or not callable(value):
            continue
        if getattr(value, "__module__", None) != module.__name__:
            continue
        found.append((name, value, False))
        if not isinstance(value, type):
            continue
        for attr, member in sorted(vars(value).items()):
            if attr in entry.skip or attr in ("__doc__", "__module__", "__dict__", "__weakref__"):
                continue
            if isinstance(member, property):
                found.append((f"{name}.{attr}.get", member.fget, True))
                if member.fset:
                    found.append((f"{name}.{attr}.set", member.fset, True))
            elif callable(member) or isinstance(member, (staticmethod, classmethod)):
                found.append((f"{name}.{attr}", getattr(value, attr), True))
    return found


def arity(func):
    try:
        parameters = inspect.signature(func).parameters.values()
    except (TypeError, ValueError):
        return 1, []
    positional = [p for p in parameters if p.kind <= p.POSITIONAL_OR_KEYWORD and p.default is p.empty]
    named = [p.name for p in parameters if p.kind in (p.POSITIONAL_OR_KEYWORD, p.KEYWORD_ONLY)]
    return len(positional), named


def value(rng, seeds):
    """An argument: a plain or hostile value, a hostile callback, or one of the receivers."""
    draw = rng.random()
    if draw < 0.2:
        return hostile.callback(rng)
    if draw < 0.35:
        index = rng.randrange(len(seeds))
        return seeds[index], f"seed[{index}]"
    return hostile.make(rng)


def drive(result, rng):
    """Runs a generator result the way pluggy and user code may."""
    if not (hasattr(result, "send") and hasattr(result, "throw")):
        return
    next(result)
    step = rng.randrange(5)
    if step == 0:
        result.send(hostile.make(rng)[0])
    elif step == 1:
        result.throw(hostile.Boom("thrown"))
    elif step == 2:
        result.throw(NotAnException, 1)
    elif step == 3:
        result.throw(NotAnException(), None, None)
    else:
        result.close()


def plan(rng, module, entry, targets):
    """One random call: its description and a function that makes it."""
    hostile.armed = False
    try:
        seeds = entry.seeds(module, lambda: hostile.hostile(rng)[0])
        typical = entry.typical(module, lambda: hostile.hostile(rng)[0])
    finally:
        hostile.armed = True
    state = entry.state(module)
    if rng.random() < 0.35:
        name, op = rng.choice(sorted(OPERATORS.items()))
        index = rng.randrange(len(seeds))
        x = seeds[index]
        y, y_text = value(rng, seeds)
        hostile.working_on[:] = [x, y] + state
        return f"{name} with x=seed[{index}], y={y_text}", lambda: op(x, y)
    name, func, takes_receiver = rng.choice(targets)
    required, named = arity(func)
    count = required if rng.random() < 0.6 else rng.randrange(5)
    args = [value(rng, seeds) for _ in range(count)]
    kwargs = {key: value(rng, seeds) for key in named if rng.random() < 0.2}
    if name in typical and rng.random() < 0.6:
        args = [arg if rng.random() < 0.9 else value(rng, seeds) for arg in typical[name]]
        kwargs = {}
    if takes_receiver and args and rng.random() < 0.7:
        index = rng.randrange(len(seeds))
        args[0] = seeds[index], f"seed[{index}]"
    texts = [text for _, text in args] + [f"{key}={text}" for key, (_, text) in kwargs.items()]
    positional = [obj for obj, _ in args]
    keywords = {key: obj for key, (obj, _) in kwargs.items()}
    hostile.working_on[:] = positional + list(keywords.values()) + state
    return f"{name}({', '.join(texts)})", lambda: drive(func(*positional, **keywords), rng)


def restore(obj, state):
    try:
        obj.__dict__ = state
    except (AttributeError, TypeError):  # a module's dict can only change in place
        obj.__dict__.clear()
        obj.__dict__.update(state)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("module")
    parser.add_argument("--seed", type=int, required=True)
    parser.add_argument("--start", type=int, required=True)
    parser.add_argument("--stop", type=int, required=True)
    parser.add_argument("--report-fd", type=int, required=True)
    options = parser.parse_args()
    module = importlib.import_module(options.module)
    entry = MODULES[options.module]
    targets = discover(module, entry)
    report = os.fdopen(options.report_fd, "w", buffering=1)
    if entry.scratch:
        os.chdir(scratch_dir())
    cwd = os.getcwd()  # a call may leave the process in another directory
    for index in range(options.start, options.stop):
        rng = random.Random(f"{options.seed}/{options.module}/{index}")
        hostile.rng.seed(f"{options.seed}/{options.module}/{index}/callbacks")
        saved = [(obj, dict(obj.__dict__)) for obj in entry.state(module)]
        report.write(f"> {index}\n")
        # Outside the try: a broken entry in targets.py stops the run instead of passing as clean calls.
        description, action = plan(rng, module, entry, targets)
        report.write(f": {description}\n")
        try:
            action()
        except SystemError as error:
            report.write(f"S {index} :: {str(error)[:200]!r}\n")
        except BaseException:  # noqa: BLE001 - a clean exception is what hostile input should get
            pass
        finally:
            hostile.working_on.clear()
            os.chdir(cwd)
            for obj, state in saved:
                restore(obj, state)
            entry.tidy(module)
    report.write("E\n")


if __name__ == "__main__":
    main()
