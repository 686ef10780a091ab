"""IDE messaging: message types, publishers over real loopback sockets, the
pytest plugin and its JSON encoders."""

import enum
import importlib.util
import inspect
import json
import math
import os
import queue
import re
import shutil
import socket
import subprocess
import sys
import textwrap
import threading
import time
import types
import uuid

import _pytest.reports
import pytest
import zmq
from _pytest.nodes import Node

from vexal.pytest_vexal import benchcast
from vexal.pytest_vexal.benchcast import (DummyPublisher, JsonPyTestCollection, JsonPyTestReport, MsgType,
                                          MyPublisher, VexalTestPlugin, build_msg_type)
from vexal.tools.msgproxy import MsgProxy

pytest_plugins = ["pytester"]

needs_xdist = pytest.mark.skipif(importlib.util.find_spec("xdist") is None, reason="pytest-xdist is not installed")

RUN, REPORT = MsgType.MSG_TEST_IDE_RUN.value.encode(), MsgType.MSG_TEST_IDE_RUN_REPORT.value.encode()
COLLECTION = MsgType.MSG_TEST_IDE_COLLECTION.value.encode()
DESELECTED = MsgType.MSG_TEST_IDE_DESELECTED.value.encode()


class ProxyThread:
    """The message proxy on a thread of the test process, handing every
    message it forwards to the test."""

    def __init__(self, directory):
        self.directory = str(directory)
        self.messages = queue.Queue()
        self._stop = threading.Event()
        ready = threading.Event()
        self.thread = threading.Thread(target=self._run, args=(ready,), daemon=True)
        self.thread.start()
        assert ready.wait(5)

    def _run(self, ready):
        proxy = MsgProxy(self.directory)
        self.ports = proxy.ports
        ready.set()
        try:
            proxy.serve(on_message=self.messages.put, should_stop=self._stop.is_set, poll_ms=20)
        finally:
            proxy.close()

    def take(self, count, timeout=5):
        return [self.messages.get(timeout=timeout) for _ in range(count)]

    def assert_quiet(self, wait=0.2):
        with pytest.raises(queue.Empty):
            self.messages.get(timeout=wait)

    def stop(self):
        self._stop.set()
        self.thread.join(5)


@pytest.fixture
def proxy(tmp_path):
    running = ProxyThread(tmp_path)
    yield running
    running.stop()


@pytest.fixture
def connect():
    """Makes MyPublisher objects and closes them when the test ends, passed or not."""
    made = []

    def make(proxy_info):
        made.append(MyPublisher(proxy_info))
        return made[-1]

    yield make
    for publisher in made:
        publisher.close()


@pytest.fixture
def zmq_socket():
    """Makes the test's own sockets and closes them however the test ends.
    Kept here until then: a socket left to its finalizer would stay open
    for ever if the finalizer's warning is turned into an error."""
    context, made = zmq.Context(), []

    def make(kind):
        made.append(context.socket(kind))
        return made[-1]

    yield make
    context.destroy(linger=0)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def run_python(code, timeout=20):
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          timeout=timeout)


# --- message types and ids --------------------------------------------------------------------

@pytest.mark.parametrize("parent, name, expected", [
    ("_#vxl", "general", "_#vxl.general"), ("", "x", ".x"), (1, "x", TypeError), ("x", None, TypeError),
    (b"_#vxl", "x", TypeError),
])
def test_build_msg_type(parent, name, expected):
    if expected is TypeError:  # text only
        with pytest.raises(TypeError):
            build_msg_type(parent, name)
    else:
        assert build_msg_type(parent, name) == build_msg_type(parent_msg_type=parent, msg_type_name=name) == expected


MSG_TYPE_VALUES = {
    "MSG_VEXAL": "_#vxl", "MSG_COMP": "_#vxl.compiler", "MSG_COMP_FINISHED_ERROR": "_#vxl.compiler.finished.error",
    "MSG_COMP_WARNING_2": "_#vxl.compiler.warning_2", "MSG_TEST_IDE_COLLECTION": "_#vxl.test_ide.collection_finish",
    "MSG_TEST_IDE_RUN_REPORT": "_#vxl.test_ide.run_report", "MSG_TEST_IDE_CAPLOG": "_#vxl.test_ide.cap_log",
}


def test_msg_type_is_a_unique_enumeration_in_order():
    assert isinstance(MsgType, enum.EnumMeta) and issubclass(MsgType, enum.Enum)
    assert len(MsgType) == 24 and len({m.value for m in MsgType}) == 24
    names = [m.name for m in MsgType]
    assert names[:3] == ["MSG_VEXAL", "MSG_GENERAL", "MSG_INFO"] and names[-1] == "MSG_TEST_IDE_CAPLOG"
    assert MsgType.__doc__ == " Common types of messages. "
    assert {name: MsgType[name].value for name in MSG_TYPE_VALUES} == MSG_TYPE_VALUES
    assert all(MsgType(value) is MsgType[name] for name, value in MSG_TYPE_VALUES.items())
    with pytest.raises(ValueError):
        MsgType("_#vxl.nothing")


def test_identifiable_ids():
    first, second = benchcast.Identifiable(), benchcast.Identifiable()
    assert first.get_id() != second.get_id() and first.get_id() == first.get_id()
    assert uuid.UUID(first.get_id()).version == 1 and len(first.get_id()) == 36


# --- publishers -------------------------------------------------------------------------------

@pytest.mark.parametrize(
    "msg_type, msg, kwargs, frames",
    [
        (MsgType.MSG_TEST_IDE_RUN, "x", {}, [b"_#vxl.test_ide.run", b"x", b"{}"]),
        (MsgType.MSG_INFO, "Spannung \u00fc", {"a": 1},
         [b"_#vxl.general.info", "Spannung \u00fc".encode(), b'{"a": 1}']),
        (MsgType.MSG_WARNING, "\U0001f600", {"t": "\u00fc", "n": [1.5, None]},
         [b"_#vxl.general.warning", b"\xf0\x9f\x98\x80", b'{"t": "\\u00fc", "n": [1.5, null]}']),
    ],
)
def test_publish_msg_sends_three_frames(proxy, connect, msg_type, msg, kwargs, frames):
    publisher = connect(proxy.ports)
    assert publisher.publish_msg(msg_type, msg, **kwargs) is None
    assert proxy.take(1) == [frames]


@pytest.mark.parametrize("replace", [
    lambda monkeypatch, publisher, sent: monkeypatch.setattr(zmq.Socket, "send_multipart",
                                                             lambda self, frames: sent.append(frames)),
    lambda monkeypatch, publisher, sent: monkeypatch.setattr(publisher, "_pub_sock",
                                                             types.SimpleNamespace(send_multipart=sent.append)),
], ids=["patched pyzmq", "own socket"])
def test_other_sockets_get_send_multipart(proxy, connect, monkeypatch, replace):
    publisher, sent = connect(proxy.ports), []
    replace(monkeypatch, publisher, sent)
    publisher.publish_msg(MsgType.MSG_TEST_IDE_RUN, "x")
    assert sent == [[b"_#vxl.test_ide.run", b"x", b"{}"]]


@pytest.mark.parametrize(
    "args, error",
    [
        (("_#vxl.test_ide.run", "x"), AttributeError),  # not a MsgType member
        ((MsgType.MSG_INFO, 5), AttributeError),
        ((MsgType.MSG_INFO, "\ud800"), UnicodeEncodeError),
    ],
)
def test_publish_msg_rejects_bad_arguments_and_sends_nothing(proxy, connect, args, error):
    publisher = connect(proxy.ports)
    with pytest.raises(error):
        publisher.publish_msg(*args)
    with pytest.raises(TypeError):
        publisher.publish_msg(MsgType.MSG_INFO, "x", a=object())
    proxy.assert_quiet()


def test_the_handshake_is_one_hello_request(connect, zmq_socket):
    rep = zmq_socket(zmq.REP)
    port = rep.bind_to_random_port("tcp://127.0.0.1")
    requests = []

    def answer():
        requests.append(rep.recv_multipart())
        rep.send(b"whatever")

    answering = threading.Thread(target=answer)
    answering.start()
    publisher = connect({"outbound_port": free_port(), "sync_port": port})
    answering.join(5)
    assert requests == [[b"Hello"]]
    assert publisher._req_sock.type == zmq.REQ and not publisher._req_sock.closed
    assert publisher._pub_sock.type == zmq.PUB and publisher._pub_sock.getsockopt(zmq.LINGER) == 1000
    assert type(publisher._pub_ctx) is zmq.Context


def test_a_proxy_that_never_answers_costs_a_second(proxy, connect, zmq_socket):
    silent = zmq_socket(zmq.REP)
    ports = {"outbound_port": proxy.ports["outbound_port"], "sync_port": silent.bind_to_random_port("tcp://127.0.0.1")}
    started = time.monotonic()
    publisher = connect(ports)
    assert 0.95 <= time.monotonic() - started < 10
    assert publisher._req_sock.closed
    publisher.publish_msg(MsgType.MSG_TEST_IDE_RUN, "still here")
    assert proxy.take(1) == [[RUN, b"still here", b"{}"]]


class Recording(MyPublisher):
    """Keeps the half-made publisher of a failed construction."""

    last = None

    def __init__(self, proxy_info):
        Recording.last = self
        super().__init__(proxy_info)


@pytest.mark.parametrize(
    "proxy_info, missing, pub_socket_made",
    [({}, "outbound_port", False), ({"outbound_port": 1}, "sync_port", True), ({"sync_port": 1}, "outbound_port", False)],
)
def test_missing_ports_raise_key_error_and_release_what_was_made(proxy_info, missing, pub_socket_made):
    with pytest.raises(KeyError) as info:
        Recording(proxy_info)
    assert info.value.args == (missing,)
    half_made = Recording.last
    if pub_socket_made:
        assert half_made._pub_sock.type == zmq.PUB
        assert half_made._pub_sock.closed and half_made._pub_ctx.closed
    else:
        assert half_made._pub_sock is None and half_made._pub_ctx is None


@pytest.mark.parametrize("port", ["abc", -1, None])
def test_a_bad_port_raises_the_zmq_error(port):
    with pytest.raises(zmq.ZMQError):
        Recording({"outbound_port": port, "sync_port": 1})
    assert Recording.last._pub_ctx.closed


# An unanswerable "Hello" stays queued on the REQ socket, and the collector
# clears weak references to garbage before it runs finalizers, in no fixed
# order: a context collected before the sockets it holds would wait for them
# for ever, and the process with it.
def test_publishers_failed_or_never_closed_release_everything_when_they_go(proxy):
    code = f"""
        import gc, signal, zmq
        from vexal.pytest_vexal.benchcast import MyPublisher

        def interrupt(signum, frame):
            raise RuntimeError("interrupted")

        def make():
            publisher = MyPublisher({proxy.ports!r})
            assert not publisher._req_sock.closed
            return publisher

        def failing():
            publisher = make()
            raise ValueError

        signal.signal(signal.SIGALRM, interrupt)
        out_port, sync_port = {free_port()}, {free_port()}
        for failure in (lambda: MyPublisher({{"outbound_port": out_port}}),  # no sync_port
                        lambda: (signal.setitimer(signal.ITIMER_REAL, 0.2),  # an interrupted handshake
                                 MyPublisher({{"outbound_port": out_port, "sync_port": sync_port}}))):
            try:
                failure()
            except (KeyError, RuntimeError) as error:
                print(type(error).__name__)
        dropped = make()
        del dropped
        in_cycle = make()
        in_cycle.me = in_cycle
        del in_cycle
        try:
            failing()
        except ValueError as error:
            error.me = error  # the traceback holds the publisher in its frame
        gc.collect()
        print(sum(isinstance(o, (zmq.Context, zmq.Socket)) for o in gc.get_objects()))
    """
    result = run_python(code)
    assert (result.returncode, result.stdout, result.stderr) == (0, "KeyError\nRuntimeError\n0\n", "")


def test_ten_thousand_messages_after_the_handshake_all_arrive(proxy, connect):
    publisher = connect(proxy.ports)
    for i in range(10_000):
        publisher.publish_msg(MsgType.MSG_TEST_IDE_RUN, str(i))
    texts = [frames[1] for frames in proxy.take(10_000)]
    assert texts == [str(i).encode() for i in range(10_000)]


def test_dummy_publishers_do_nothing():
    marker = object()
    assert DummyPublisher().publish_msg("anything", 1, a=marker) is None
    assert benchcast.DefaultPublisher().publish_msg(None, None) is None
    assert not isinstance(DummyPublisher(), benchcast.IMsgPublisher)
    with pytest.raises(NotImplementedError) as info:
        benchcast.IMsgPublisher().publish_msg(MsgType.MSG_INFO, "x")
    assert info.value.args == ()


# --- choosing the publisher -------------------------------------------------------------------

class FakeConfig:
    def __init__(self, path=None, registered=True):
        self.path, self.registered = path, registered

    def getoption(self, name):
        if not self.registered:
            raise ValueError(f"no option named {name!r}")
        return self.path


def write_info(directory, content):
    directory.mkdir(exist_ok=True)
    (directory / "msgproxy.json").write_bytes(content if isinstance(content, bytes) else content.encode())
    return str(directory)


@pytest.mark.parametrize(
    "make_config, problem",
    [
        (lambda tmp: FakeConfig(registered=False), None),
        (lambda tmp: FakeConfig(None), None),
        (lambda tmp: FakeConfig(str(tmp / "nowhere")), "no such directory: '{tmp}/nowhere'"),
        (lambda tmp: FakeConfig(str(tmp)), "no msgproxy.json in {tmp}"),
        (lambda tmp: (tmp / "msgproxy.json").mkdir() or FakeConfig(str(tmp)), "cannot read {tmp}/msgproxy.json: "),
        (lambda tmp: FakeConfig(write_info(tmp, b'{"outbound_port": 1, "sync_port": 2, "x": "\xff"}')),
         "{tmp}/msgproxy.json is no valid JSON: 'utf-8' codec"),
        (lambda tmp: FakeConfig(write_info(tmp, "{outbound_port: 1}")), "{tmp}/msgproxy.json is no valid JSON: "),
        (lambda tmp: FakeConfig(write_info(tmp, '{"outbound_port": 1}')), "{tmp}/msgproxy.json lacks the key 'sync_port'"),
        (lambda tmp: FakeConfig(write_info(tmp, '{"outbound_port": "x", "sync_port": 2}')),
         "cannot connect to the ports in {tmp}/msgproxy.json: "),
        (lambda tmp: FakeConfig(write_info(tmp, "[1, 2]")), "{tmp}/msgproxy.json: TypeError: "),
    ],
    ids=["unregistered option", "no option", "no directory", "no file", "unreadable", "not utf-8", "bad json",
         "missing key", "bad port", "not an object"],
)
def test_every_failure_falls_back_to_the_dummy_publisher(tmp_path, make_config, problem):
    plugin = VexalTestPlugin(make_config(tmp_path))
    assert type(plugin.publisher) is DummyPublisher
    if problem is None:
        assert plugin._link_problem is None
    else:
        assert plugin._link_problem.startswith("vexal: no IDE messages: " + problem.format(tmp=tmp_path))
    # Nobody reads what a DummyPublisher is given: nothing is encoded for it.
    plugin.pytest_runtest_logstart("a::b", None)
    plugin.pytest_runtest_logreport(object())


class Listening(DummyPublisher):
    def publish_msg(self, msg_type, msg, **kwargs):
        self.heard.append((msg_type, msg))


@pytest.mark.parametrize("listen", [
    lambda monkeypatch, heard: setattr(Listening, "heard", heard) or Listening(),
    lambda monkeypatch, heard: monkeypatch.setattr(
        DummyPublisher, "publish_msg", lambda self, msg_type, msg: heard.append((msg_type, msg))),
    lambda monkeypatch, heard: types.SimpleNamespace(publish_msg=lambda msg_type, msg: heard.append((msg_type, msg))),
], ids=["subclass", "patched", "own object"])
def test_a_publisher_that_reads_gets_every_text(monkeypatch, listen):
    plugin, heard = VexalTestPlugin(FakeConfig()), []
    plugin.publisher = listen(monkeypatch, heard) or plugin.publisher
    plugin.pytest_runtest_logstart("a::b", None)
    assert heard == [(MsgType.MSG_TEST_IDE_RUN, '"a::b"')]
    with pytest.raises(AttributeError):
        plugin.pytest_runtest_logreport(object())


@pytest.mark.parametrize("stop", [KeyboardInterrupt, SystemExit])
def test_interrupts_are_not_swallowed(monkeypatch, tmp_path, stop):
    def interrupted(proxy_info):
        raise stop()

    monkeypatch.setattr(benchcast, "MyPublisher", interrupted)
    with pytest.raises(stop):
        VexalTestPlugin(FakeConfig(write_info(tmp_path, '{"outbound_port": 1, "sync_port": 2}')))


def test_a_directory_with_spaces_is_written_with_question_marks(tmp_path):
    (tmp_path / "my proxy dir").mkdir()
    running = ProxyThread(tmp_path / "my proxy dir")
    try:
        plugin = VexalTestPlugin(FakeConfig(str(tmp_path / "my?proxy?dir")))
        try:
            assert type(plugin.publisher) is MyPublisher
            plugin.pytest_runtest_logstart("a::b", None)
            assert running.take(1) == [[RUN, b'"a::b"', b"{}"]]
        finally:
            plugin.close_publisher()
    finally:
        running.stop()


@pytest.mark.parametrize("args, line", [
    ([], None),
    pytest.param(["--msg_proxy_path={root}/nowhere", "-n", "2"],
                 "vexal: no IDE messages: no such directory: '{root}/nowhere'", marks=needs_xdist),
    (["--msg_proxy_path={root}/stale"], "vexal: no IDE messages: the proxy named in {root}/stale/msgproxy.json did "
                                        "not answer within 1000 ms (a stale file?)"),
    (["--msg_proxy_path=", "stale", "test_one.py"], "vexal: no IDE messages: no such directory: '' (stale was taken as a test "
                                     "path; write --msg_proxy_path=stale)"),
], ids=["no option", "no directory, xdist", "stale file", "path without ="])
def test_a_run_without_a_proxy_goes_on_and_says_why(pytester, args, line):
    pytester.makepyfile(test_one="def test_one(): pass")
    write_info(pytester.path / "stale", json.dumps({"outbound_port": free_port(), "sync_port": free_port()}))
    run = pytester.runpytest_subprocess if "-n" in args else pytester.runpytest_inprocess
    result = run(*(arg.format(root=pytester.path) for arg in args))
    assert result.ret == 0
    said = [text for text in result.outlines if "IDE messages" in text]
    assert said == ([line.format(root=pytester.path)] if line else [])


# --- a pytest run through the proxy -----------------------------------------------------------

def node(cls, nodeid, path, name, parent):
    return {"__class__": cls, "nodeid": nodeid, "fspath": str(path), "name": name, "parent": parent}


# A conftest whose test_own.py is collected by a subclass of Module.
OWN_MODULE_CONFTEST = """
    import pytest

    class OwnModule(pytest.Module):
        pass

    def pytest_pycollect_makemodule(module_path, parent):
        if module_path.name == "test_own.py":
            return OwnModule.from_parent(parent, path=module_path)
"""


@pytest.fixture
def project(pytester):
    pytester.makeconftest(OWN_MODULE_CONFTEST)
    pytester.makepyfile(
        test_top="""
            def test_plain(): pass
            def test_left_out(): pass
            class TestGroup:
                def test_method(self): assert False, "\u00fcberlast"
        """,
        test_own="def test_in_own_module(): print('caught')",
    )
    pytester.mkpydir("pkg")
    pytester.path.joinpath("pkg", "test_inner.py").write_text("def test_inner(): pass\n")
    return pytester


@pytest.mark.parametrize("xdist", [[], pytest.param(["-n", "2"], marks=needs_xdist)], ids=["plain", "xdist"])
def test_a_run_publishes_collection_and_every_phase(project, proxy, xdist):
    """Each message once, also under pytest-xdist, where the tests of the
    workers interleave but each test's messages keep their order."""
    result = project.runpytest_inprocess(f"--msg_proxy_path={proxy.directory}", "-k", "not left_out", *xdist)
    assert_project_published(result, proxy, project.path, xdist=bool(xdist))
    # and no socket stays open after the run
    config = result.reprec.getcall("pytest_unconfigure").config
    publisher, = [p.publisher for p in config.pluginmanager.get_plugins() if isinstance(p, VexalTestPlugin)]
    assert type(publisher) is MyPublisher
    assert publisher._pub_ctx.closed and publisher._pub_sock.closed and publisher._req_sock.closed


def assert_project_published(result, proxy, root, xdist):
    """The messages of one run of `project`; returns each report's worker line."""
    result.assert_outcomes(passed=3, failed=1, **({} if xdist else {"deselected": 1}))
    top = node("Module", "test_top.py", root / "test_top.py", "test_top.py", "Root")
    package = node("Package", "pkg", root / "pkg", "pkg", "Root")
    expected_items = {
        "test_top.py::test_plain": node("Function", "test_top.py::test_plain", root / "test_top.py", "test_plain", top),
        "test_top.py::TestGroup::test_method": node(
            "Function", "test_top.py::TestGroup::test_method", root / "test_top.py", "test_method",
            node("Class", "test_top.py::TestGroup", root / "test_top.py", "TestGroup", top)),
        "pkg/test_inner.py::test_inner": node(
            "Function", "pkg/test_inner.py::test_inner", root / "pkg" / "test_inner.py", "test_inner",
            node("Module", "pkg/test_inner.py", root / "pkg" / "test_inner.py", "test_inner.py", package)),
        "test_own.py::test_in_own_module": node(
            "Function", "test_own.py::test_in_own_module", root / "test_own.py", "test_in_own_module", None),
    }

    messages = proxy.take(2 + 4 * 4)
    proxy.assert_quiet()
    assert all(kwargs == b"{}" for _, _, kwargs in messages)
    for _, text, _ in messages:  # the standard encoder's spelling, to the byte
        assert text.decode("ascii") == json.dumps(json.loads(text))

    (deselected_type, deselected, _), (collection_type, collection, _) = messages[:2]
    assert (deselected_type, collection_type) == (DESELECTED, COLLECTION)
    assert json.loads(deselected) == [
        node("Function", "test_top.py::test_left_out", root / "test_top.py", "test_left_out", top)]
    items = json.loads(collection)
    assert {item["nodeid"]: item for item in items} == expected_items and len(items) == 4

    runs, workers = {}, set()
    for message in messages[2:]:
        text = json.loads(message[1])
        runs.setdefault(text if message[0] == RUN else text["nodeid"], []).append(message)
    assert set(runs) == set(expected_items)
    for nodeid, (start, *phases) in runs.items():
        assert start == [RUN, json.dumps(nodeid).encode(), b"{}"]
        reports = [json.loads(text) for msg_type, text, _ in phases if msg_type == REPORT]
        assert [r["when"] for r in reports] == ["setup", "call", "teardown"]
        assert all(list(r) == ["__class__", "nodeid", "fspath", "duration", "failed", "report_text", "passed",
                               "skipped", "caplog", "capstdout", "capstderr", "when"] for r in reports)
        call = reports[1]
        assert call["__class__"] == "TestReport" and call["nodeid"] == nodeid
        assert call["fspath"] == nodeid.split("::")[0]
        assert call["failed"] is (nodeid.endswith("test_method")) and call["passed"] is not call["failed"]
        assert ("\u00fcberlast" in call["report_text"]) is call["failed"]
        # pytest heads an xdist report's text with the worker's line
        worker_line = re.match(r"(\[gw\d\]) \S+ -- Python .*", call["report_text"])
        assert bool(worker_line) is xdist
        if not call["failed"]:
            assert call["report_text"] == (worker_line.group(0) if xdist else "")
        workers.add(worker_line and worker_line.group(1))
        assert call["capstdout"] == ("caught\n" if "own" in nodeid else "")
    return workers


class FakeNode:
    """What the controller's hooks use of xdist's WorkerController: a
    gateway whose channel hands over `handed` (or raises it)."""

    def __init__(self, handed):
        def receive(timeout):
            assert timeout == 0  # never waits: the messages come before xdist's own
            if isinstance(handed, BaseException):
                raise handed
            return handed

        channel = types.SimpleNamespace(receive=receive)
        self.gateway, self.workerinput = types.SimpleNamespace(newchannel=lambda: channel), {}


COLLECTED = ("MSG_TEST_IDE_COLLECTION", "[1]")


@pytest.mark.parametrize("handed, published", [
    ([("MSG_TEST_IDE_DESELECTED", "[2]"), COLLECTED], [(DESELECTED, "[2]"), (COLLECTION, "[1]")]),
    ([], None),
    ([("MSG_TEST_IDE_DESELECTED", "[2]")], None),
    ([COLLECTED, ("MSG_TEST_IDE_DESELECTED", "[2]")], None),
    (EOFError(), None),  # a worker that went down
    (TimeoutError(), None),  # one without this plugin
    ([("MSG_TEST_IDE_RUN", "x")], None),
    ([("MSG_TEST_IDE_COLLECTION", b"[1]")], None),
    ([["MSG_TEST_IDE_COLLECTION", "[1]"]], None),
    ((COLLECTED,), None),
    ([COLLECTED + ("x",)], None),
], ids=["deselected and collection", "none", "no collection", "collection first", "worker down", "no plugin",
        "other type", "bytes", "list", "tuple", "three"])
def test_the_first_collection_handed_over_is_published_once(handed, published):
    """What a worker hands over is published once it is whole and well-formed;
    otherwise the next worker's is."""
    plugin, heard = VexalTestPlugin(FakeConfig()), []
    plugin.publisher = types.SimpleNamespace(
        publish_msg=lambda msg_type, msg: heard.append((msg_type.value.encode(), msg)))
    nodes = [FakeNode(handed), FakeNode([COLLECTED]), FakeNode([COLLECTED])]
    for node in nodes:
        plugin.pytest_configure_node(node)
        assert list(node.workerinput) == ["vexal_benchcast_channel"]
    for node in nodes:
        plugin.pytest_xdist_node_collection_finished(node, [])
    assert heard == (published if published is not None else [(COLLECTION, "[1]")])


class NetworkNamespace:
    """A network namespace of this process's own with its loopback up, and a
    veth pair whose /30 joins it to this machine: an address that stands for
    another host, reachable only from here. Deleted with everything in it."""

    def __init__(self):
        if shutil.which("ip") is None:
            pytest.skip("needs iproute2's ip to make a network namespace")
        if os.geteuid() != 0:
            pytest.skip("needs root to make a network namespace")
        pid = os.getpid()
        self.name, host_end, self.link = f"vexal-{pid}", f"vx{pid}h", f"vx{pid}n"
        self.host_address, self.address = self._free_pair(pid)
        made = self._ip("netns", "add", self.name)
        if made.returncode:
            pytest.skip(f"cannot make a network namespace: {made.stderr.strip()}")
        try:
            for command in (["link", "add", host_end, "type", "veth", "peer", "name", self.link],
                            ["link", "set", self.link, "netns", self.name],
                            ["addr", "add", f"{self.host_address}/30", "dev", host_end],
                            ["link", "set", host_end, "up"],
                            ["-n", self.name, "addr", "add", f"{self.address}/30", "dev", self.link],
                            ["-n", self.name, "link", "set", self.link, "up"],
                            ["-n", self.name, "link", "set", "lo", "up"]):
                done = self._ip(*command)
                assert done.returncode == 0, f"ip {' '.join(command)}: {done.stderr}"
        except BaseException:
            self.delete()
            raise

    @staticmethod
    def _ip(*args):
        return subprocess.run(["ip", *args], capture_output=True, text=True, timeout=10)

    @classmethod
    def _free_pair(cls, pid):
        """A /30 of 10.213.0.0/16 that no route of this machine covers yet."""
        for block in range(pid % 16384, pid % 16384 + 16384):
            base = f"10.213.{block % 16384 // 64}.{block % 64 * 4}"
            covered = cls._ip("-4", "route", "show", "match", base).stdout.split()
            if not covered or covered[0] == "default":
                prefix = base.rsplit(".", 1)[0]
                return f"{prefix}.{block % 64 * 4 + 1}", f"{prefix}.{block % 64 * 4 + 2}"
        pytest.skip("no free /30 in 10.213.0.0/16")

    def popen(self, command, **kwargs):
        return subprocess.Popen(["ip", "netns", "exec", self.name, *command], **kwargs)

    def delete(self):
        self._ip("netns", "delete", self.name)  # takes the veth pair with it


@pytest.fixture
def remote_host(tmp_path):
    """execnet's socket server, alone in a network namespace: a worker
    started there cannot reach this machine's 127.0.0.1. Yields its
    "host:port"."""
    execnet = pytest.importorskip("execnet")
    namespace = NetworkNamespace()
    try:
        log = tmp_path / "socketserver.log"
        server_script = os.path.join(os.path.dirname(execnet.__file__), "script", "socketserver.py")
        with open(log, "w") as out:
            # At most two minutes, whatever happens to this process.
            server = namespace.popen(["timeout", "120", sys.executable, "-u", server_script,
                                      f"{namespace.address}:8888"], stdout=out, stderr=subprocess.STDOUT)
        try:
            deadline = time.monotonic() + 10
            while "Entering Accept loop" not in log.read_text():
                assert server.poll() is None and time.monotonic() < deadline, log.read_text()
                time.sleep(0.05)
            yield f"{namespace.address}:8888", namespace.link
        finally:
            server.terminate()
            server.wait(10)
    finally:
        namespace.delete()


@needs_xdist
def test_a_remote_worker_loses_no_message(project, proxy, remote_host):
    """gw0 on another host, which cannot reach the proxy, and gw1 on this
    one: the IDE still gets what a run without xdist gives it, each message
    once, the deselection and collection first."""
    address, remote_link = remote_host
    with open(project.path / "conftest.py", "a") as conftest:
        conftest.write(textwrap.dedent("""
            def pytest_configure(config):
                if hasattr(config, "workerinput"):  # which network each worker sees
                    with open(f"{config.workerinput['workerid']}.net", "w") as net:
                        net.write(open("/proc/net/dev").read())
        """))
    result = project.runpytest_subprocess(
        f"--msg_proxy_path={proxy.directory}", "-k", "not left_out", "--dist=load",
        "--tx", f"socket={address}//id=gw0//chdir={project.path}", "--tx", "popen//id=gw1", timeout=60)
    assert assert_project_published(result, proxy, project.path, xdist=True) == {"[gw0]", "[gw1]"}
    assert remote_link in (project.path / "gw0.net").read_text()
    assert remote_link not in (project.path / "gw1.net").read_text()


def test_a_proxy_killed_mid_run_neither_fails_nor_hangs_the_run(pytester, tmp_path, start_proxy):
    proxy_process, _ = start_proxy()
    pytester.makeconftest(
        f"""
        import time
        def pytest_unconfigure(config):
            with open({str(tmp_path / "ended")!r}, "w") as ended:
                ended.write(repr(time.time()))
        """
    )
    pytester.makepyfile(
        f"""
        import os, signal, time, pytest

        def test_kills_the_proxy():
            os.kill({proxy_process.pid}, signal.SIGKILL)
            time.sleep(0.2)

        @pytest.mark.parametrize("i", range(50))
        def test_after(i):
            print("x" * 1000)
        """
    )
    result = pytester.runpytest_subprocess(f"--msg_proxy_path={tmp_path}", timeout=30)
    exited = time.time()
    result.assert_outcomes(passed=51)
    # Unsent messages linger at most a second once the run has ended
    # (the rest is the margin for a loaded machine).
    assert exited - float((tmp_path / "ended").read_text()) < 10


# --- JSON encoders ----------------------------------------------------------------------------

class Reference(JsonPyTestReport):
    """Same encoder, so JSONEncoder does all the writing."""


class CollectionReference(JsonPyTestCollection):
    pass


DOCUMENTS = [
    "plain", "", "quote \" backslash \\ slash /", "\b\f\n\r\t\x00\x1f\x7f", "\u00fc\u20ac\U0001f600", "\ud800",
    0, -1, 2**63, -(2**70), True, False, None, 0.1, 1e16, 1e-7, -0.0, 1.5e300, math.inf, -math.inf, math.nan,
    [], {}, (), [1, [2, [3]]], {"a": {"b": [None, "\u00e9"]}, "c": ()}, {"\u00e9": 1},
    enum.IntEnum("Level", "LOW HIGH").HIGH,
    # left to the standard encoder
    {1: "int key"}, {None: 1, 2.5: 2}, type("Items", (list,), {})([1, 2]), {"x": type("D", (dict,), {})(a=1)},
    type("Text", (str,), {})("sub"), [type("Text", (str,), {})("a")],
]


@pytest.mark.parametrize("encoder", [JsonPyTestCollection, JsonPyTestReport])
@pytest.mark.parametrize("document", DOCUMENTS, ids=repr)
def test_plain_documents_encode_as_json_dumps_does(encoder, document):
    assert json.dumps(document, cls=encoder) == json.dumps(document)


def report(**changes):
    fields = dict(nodeid="t.py::test_\u00e9", fspath="t.py", duration=0.0012, failed=False, longreprtext="",
                  passed=True, skipped=False, caplog="log \U0001f600", capstdout="out\n", capstderr="",
                  when="call")
    fields.update(changes)
    return types.SimpleNamespace(**fields)


@pytest.mark.parametrize(
    "settings", [{}, {"indent": 2}, {"sort_keys": True}, {"ensure_ascii": False}, {"separators": (",", ":")}],
    ids=["defaults", "indent", "sort_keys", "no ascii", "separators"],
)
def test_report_encoding_matches_the_standard_encoder(settings):
    reports = [report(), report(duration=3, when="setup", failed=True, longreprtext="E  assert 1 == 2")]
    assert json.dumps(reports, cls=JsonPyTestReport, **settings) == json.dumps(reports, cls=Reference, **settings)
    assert json.dumps(reports, cls=JsonPyTestReport, **settings) == "".join(
        Reference(**settings).iterencode(reports))


def test_report_keys_and_values():
    encoded = json.loads(json.dumps(report(), cls=JsonPyTestReport))
    assert encoded == {"__class__": "SimpleNamespace", "nodeid": "t.py::test_\u00e9", "fspath": "t.py",
                       "duration": 0.0012, "failed": False, "report_text": "", "passed": True, "skipped": False,
                       "caplog": "log \U0001f600", "capstdout": "out\n", "capstderr": "", "when": "call"}
    assert JsonPyTestReport._get_type_name(report()) == "SimpleNamespace"


def made_report(**attributes):
    made = pytest.TestReport("t.py::test_a", ("t.py", 1, "test_a"), {}, "passed", None, "call", [], 0.5)
    made.__dict__.update(attributes)
    return made


class OwnReport(pytest.TestReport):
    pass


@pytest.mark.parametrize("make", [
    lambda monkeypatch: made_report(),
    lambda monkeypatch: made_report(sections=[("Captured stdout call", "out\n"), ("Captured log call", "log")]),
    lambda monkeypatch: made_report(sections=()),
    lambda monkeypatch: made_report(outcome="failed", longrepr="E   assert 1 == 2"),
    lambda monkeypatch: made_report(node=types.SimpleNamespace(_workerinfocache="[gw9] linux -- Python")),
    lambda monkeypatch: made_report(toterminal=lambda out: out.line("own")),
    lambda monkeypatch: OwnReport("t.py::test_a", ("t.py", 1, "test_a"), {}, "passed", None, "call", [], 0.5),
    lambda monkeypatch: monkeypatch.setattr(pytest.TestReport, "capstdout", property(lambda self: "patched"))
    or made_report(),
], ids=["plain", "sections", "tuple of sections", "failed", "xdist node", "own toterminal", "subclass", "patched"])
def test_real_reports_encode_as_json_dumps_does(monkeypatch, make):
    """pytest's formatting of a plain report is left out only where it
    cannot change the text."""
    made, heard = make(monkeypatch), []
    plugin = VexalTestPlugin(FakeConfig())
    plugin.publisher = types.SimpleNamespace(publish_msg=lambda msg_type, msg: heard.append(msg))
    plugin.pytest_runtest_logreport(made)
    assert heard == [json.dumps(made, cls=JsonPyTestReport)] == [json.dumps(made, cls=Reference)]


def test_a_plain_report_is_written_without_pytests_formatting(monkeypatch):
    monkeypatch.setattr(_pytest.reports, "TerminalWriter", None)  # fails if called
    assert json.loads(json.dumps(made_report(), cls=JsonPyTestReport))["report_text"] == ""


def test_a_report_without_an_attribute_raises():
    incomplete = report()
    del incomplete.caplog
    with pytest.raises(AttributeError, match="caplog"):
        json.dumps(incomplete, cls=JsonPyTestReport)


@pytest.mark.parametrize("encoder", [JsonPyTestReport, JsonPyTestCollection])
def test_cycles_and_depth_raise_as_in_the_standard_encoder(encoder):
    cycle = []
    cycle.append(cycle)
    with pytest.raises(ValueError, match="Circular reference detected"):
        json.dumps(cycle, cls=encoder)
    deep = []
    for _ in range(100_000):
        deep = [deep]
    with pytest.raises(RecursionError):
        json.dumps(deep, cls=encoder)


def test_a_patched_encoder_is_honoured(monkeypatch):
    monkeypatch.setattr(JsonPyTestReport, "default", lambda self, o: "patched")
    assert json.dumps([report()], cls=JsonPyTestReport) == '["patched"]'


@pytest.fixture
def items(pytester):
    pytester.makeconftest(OWN_MODULE_CONFTEST)
    pytester.makepyfile(test_top="def test_a(): pass\nclass TestK:\n    def test_b(self): pass\n",
                        test_own="def test_c(): pass")
    pytester.mkpydir("pkg").joinpath("sub").mkdir()
    pytester.path.joinpath("pkg", "sub", "test_deep.py").write_text("class TestD:\n    def test_d(self): pass\n")
    found, _ = pytester.inline_genitems()
    return found


def test_collection_encoding_matches_the_standard_encoder(items, monkeypatch):
    assert len(items) == 4
    expected = json.dumps(items, cls=JsonPyTestCollection)
    assert expected == json.dumps(items, cls=CollectionReference)
    for settings in ({"indent": 1}, {"sort_keys": True}):
        assert json.dumps(items, cls=JsonPyTestCollection, **settings) == json.dumps(
            items, cls=CollectionReference, **settings)
    # Nodes without fspath use their path.
    monkeypatch.delattr(Node, "fspath")  # the legacy-path plugin's property
    assert not hasattr(items[0], "fspath")
    assert json.dumps(items, cls=JsonPyTestCollection) == json.dumps(items, cls=CollectionReference) == expected


def test_collection_node_rules(items):
    encoded = {item.name: json.loads(json.dumps(item, cls=JsonPyTestCollection)) for item in items}
    deep = encoded["test_d"]["parent"]["parent"]
    assert deep["__class__"] == "Module" and deep["nodeid"] == "pkg/sub/test_deep.py"
    # pkg/sub has no __init__.py: its Dir node is passed over to the package.
    assert deep["parent"]["__class__"] == "Package" and deep["parent"]["parent"] == "Root"
    assert encoded["test_b"]["parent"]["__class__"] == "Class"
    assert encoded["test_a"]["parent"]["parent"] == "Root"
    assert encoded["test_c"]["parent"] is None
    session = items[0].session
    assert json.dumps(session, cls=JsonPyTestCollection) == '"Root"'
    assert json.dumps(items[0].config, cls=JsonPyTestCollection) == "null"


def test_instance_nodes_are_skipped_where_pytest_has_them(items, monkeypatch):
    # An old pytest put an Instance between a class and its methods.
    klass = next(item for item in items if item.name == "test_b").parent
    instance_type = type("Instance", (pytest.Collector,), {"collect": lambda self: [],
                                                           "nodeid": property(lambda self: klass.nodeid)})
    monkeypatch.setitem(vars(pytest), "Instance", instance_type)
    instance = object.__new__(instance_type)
    for name in ("config", "name", "path", "session"):
        setattr(instance, name, getattr(klass, name))
    instance.parent = klass
    encoded = json.loads(json.dumps(instance, cls=JsonPyTestCollection))
    assert encoded["__class__"] == "Instance" and encoded["parent"]["__class__"] == "Module"
    assert json.dumps(instance, cls=JsonPyTestCollection) == json.dumps(instance, cls=CollectionReference)


def test_each_ancestor_is_read_once_per_message(items, monkeypatch):
    reads = []
    nodeid = inspect.getattr_static(pytest.Class, "nodeid")
    monkeypatch.setattr(pytest.Class, "nodeid", property(lambda self: reads.append(self) or nodeid.__get__(self)))
    method = next(item for item in items if item.name == "test_b")
    assert json.dumps([method] * 3, cls=JsonPyTestCollection) == json.dumps([method] * 3, cls=CollectionReference)
    assert len(reads) == 1 + 3  # written directly once, then three times by JSONEncoder
