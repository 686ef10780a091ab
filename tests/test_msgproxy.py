"""The message proxy console command."""

import signal
import time

import pytest
import zmq

from vexal.pytest_vexal.benchcast import MsgType, MyPublisher
from vexal.tools.msgproxy import format_message

pytest_plugins = ["pytester"]


def stop(process, signum=signal.SIGINT):
    process.send_signal(signum)
    output, _ = process.communicate(timeout=10)
    return process.returncode, output


def test_forwards_to_subscribers_and_prints_each_message(start_proxy, tmp_path):
    process, ports = start_proxy("--print")
    context = zmq.Context()
    publisher = MyPublisher(ports)
    try:
        subscriber = context.socket(zmq.SUB)
        subscriber.setsockopt(zmq.SUBSCRIBE, b"")
        subscriber.connect(f"tcp://127.0.0.1:{ports['subscriber_port']}")
        assert not publisher._req_sock.closed  # the proxy answered the handshake

        # A subscriber only gets what is published after its subscription arrived.
        received = None
        for _ in range(50):
            publisher.publish_msg(MsgType.MSG_TEST_IDE_COLLECTION, '[{"name": "t\\u00e9st"}]', origin="test")
            if subscriber.poll(100):
                received = subscriber.recv_multipart()
                break
        assert received == [b"_#vxl.test_ide.collection_finish", b'[{"name": "t\\u00e9st"}]', b'{"origin": "test"}']
    finally:
        publisher.close()
        context.destroy(linger=0)

    returncode, output = stop(process)
    assert returncode == 0 and not (tmp_path / "msgproxy.json").exists()
    assert "type:   _#vxl.test_ide.collection_finish\n" in output
    assert '[\n  {\n    "name": "t\u00e9st"\n  }\n]' in output and 'kwargs: {"origin": "test"}' in output


def test_binds_the_ports_it_is_given_and_answers_every_sync_request(start_proxy, tmp_path):
    wanted = {}
    for name in ("outbound_port", "sync_port", "subscriber_port"):
        with zmq.Context() as context, context.socket(zmq.REP) as probe:
            wanted[name] = probe.bind_to_random_port("tcp://127.0.0.1")
    process, ports = start_proxy(*(f"--{name.replace('_', '-')}={port}" for name, port in wanted.items()))
    assert ports == wanted
    with zmq.Context() as context:
        requester = context.socket(zmq.REQ)
        requester.setsockopt(zmq.LINGER, 0)  # leaving the block never waits for a missing answer
        requester.connect(f"tcp://127.0.0.1:{ports['sync_port']}")
        for request in ([b"Hello"], [b"two", b"frames"], [b""], [b"Hello"]):
            requester.send_multipart(request)
            assert requester.poll(2000) and requester.recv() == b"OK"
        requester.close(linger=0)
    assert stop(process, signal.SIGTERM)[0] == 0 and not (tmp_path / "msgproxy.json").exists()


@pytest.mark.parametrize(
    "frames, expected",
    [
        ([b"_#vxl.test_ide.run", b'"a::b"', b"{}"], 'type:   _#vxl.test_ide.run\ntext:   "a::b"\nkwargs: {}\n"a::b"\n'),
        ([b"_#vxl.general.info", "plain \u00fc".encode(), b'{"a": 1}'],
         'type:   _#vxl.general.info\ntext:   plain \u00fc\nkwargs: {"a": 1}\n'),
        ([b"_#vxl.general.info", b"\xff", b"{}"], "type:   _#vxl.general.info\ntext:   \ufffd\nkwargs: {}\n"),
        ([b"one"], "malformed message of 1 frames: [b'one']"),
    ],
    ids=["json text", "plain text", "not utf-8", "one frame"],
)
def test_format_message(frames, expected):
    assert format_message(frames) == expected


def test_a_pytest_run_watched_through_the_proxy(start_proxy, tmp_path, pytester):
    process, _ = start_proxy("--print")
    pytester.makepyfile("def test_watched(): pass")
    result = pytester.runpytest_subprocess(f"--msg_proxy_path={tmp_path}")
    result.assert_outcomes(passed=1)
    time.sleep(0.2)
    _, output = stop(process)
    types = [line.split()[1] for line in output.splitlines() if line.startswith("type:")]
    assert types == ["_#vxl.test_ide.collection_finish", "_#vxl.test_ide.run"] + ["_#vxl.test_ide.run_report"] * 3

