"""Benchmark baseline: pure-Python versions of the IDE messaging encoders and
of publish_msg, written step by step the way `vexal.pytest_vexal.benchcast`
behaves (including its handling of Dir nodes, of pytest versions without
Instance and of nodes without fspath).

The benchmark times the extension module against this module. It is never
imported by the package.
"""
import json
from json import JSONEncoder

import pytest


def _node_fspath(o):
    try:
        fspath = o.fspath
    except AttributeError:
        return str(o.path)
    return fspath.strpath


class JsonPyTestCollection(JSONEncoder):
    @staticmethod
    def _get_type_name(obj):
        return obj.__class__.__name__

    def _node(self, o, parent):
        return {
            "__class__": self._get_type_name(o),
            "nodeid": o.nodeid,
            "fspath": _node_fspath(o),
            "name": o.name,
            "parent": parent,
        }

    def default(self, o):
        exported = vars(pytest)
        if isinstance(o, pytest.Session):
            return "Root"
        if isinstance(o, pytest.Function):
            return self._node(o, o.parent)
        if isinstance(o, pytest.Class):
            return self._node(o, o.parent)
        instance = exported.get("Instance")
        if instance is not None and isinstance(o, instance):
            return self._node(o, o.parent.parent)
        if type(o) is pytest.Module:
            return self._node(o, o.parent)
        if type(o) is pytest.Package:
            return self._node(o, o.parent)
        directory = exported.get("Dir")
        if directory is not None and isinstance(o, directory):
            return o.parent
        return None


class JsonPyTestReport(JSONEncoder):
    @staticmethod
    def _get_type_name(obj):
        return obj.__class__.__name__

    def default(self, o):
        return {
            "__class__": self._get_type_name(o),
            "nodeid": o.nodeid,
            "fspath": o.fspath,
            "duration": o.duration,
            "failed": o.failed,
            "report_text": o.longreprtext,
            "passed": o.passed,
            "skipped": o.skipped,
            "caplog": o.caplog,
            "capstdout": o.capstdout,
            "capstderr": o.capstderr,
            "when": o.when,
        }


def publish_msg(pub_sock, msg_type, msg, **kwargs):
    """publish_msg of the ZeroMQ-backed publisher, on a given PUB socket."""
    frames = [msg_type.value.encode("utf-8"), msg.encode("utf-8"), json.dumps(kwargs).encode("utf-8")]
    pub_sock.send_multipart(frames)
