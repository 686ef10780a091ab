"""What the test IDE is told about a test.

Run with `python -m pytest examples -v -s`: without `--msg_proxy_path` the
IDE plugin publishes nothing, and these tests print the documents it would
publish for them. With a proxy running (see README.md) the same documents
go out on the wire.
"""

import json
from typing import Any

import pytest

from vexal.pytest_vexal.benchcast import DummyPublisher, JsonPyTestCollection, MsgType, VexalTestPlugin


def ide_plugin(request: pytest.FixtureRequest) -> VexalTestPlugin:
    plugins = request.config.pluginmanager.get_plugins()
    return next(plugin for plugin in plugins if isinstance(plugin, VexalTestPlugin))


def test_without_a_proxy_the_plugin_is_silent(request: pytest.FixtureRequest) -> None:
    publisher = ide_plugin(request).publisher
    print(f"\npublisher of this run: {type(publisher).__name__}")
    if request.config.getoption("msg_proxy_path") is None:
        assert isinstance(publisher, DummyPublisher)


class TestInverterStartup:
    def test_collection_document(self, request: pytest.FixtureRequest) -> None:
        document: Any = json.loads(json.dumps(request.node, cls=JsonPyTestCollection))
        print(f"\n{MsgType.MSG_TEST_IDE_COLLECTION.value} item:\n{json.dumps(document, indent=2)}")
        chain = []
        while isinstance(document, dict):
            chain.append(document["__class__"])
            document = document["parent"]
        assert chain == ["Function", "Class", "Module"] and document == "Root"
