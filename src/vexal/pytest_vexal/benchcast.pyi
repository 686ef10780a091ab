"""pytest plugin that streams test collection, test starts and test reports
to the desktop test IDE through the local message proxy."""

import json
from enum import Enum
from typing import Any

import pytest

MSG_SEP: str

def build_msg_type(parent_msg_type: str, msg_type_name: str) -> str: ...

class MsgType(Enum):
    MSG_VEXAL = "_#vxl"
    MSG_GENERAL = "_#vxl.general"
    MSG_INFO = "_#vxl.general.info"
    MSG_WARNING = "_#vxl.general.warning"
    MSG_ERROR = "_#vxl.general.error"
    MSG_COMP = "_#vxl.compiler"
    MSG_COMP_STARTED = "_#vxl.compiler.started"
    MSG_COMP_FINISHED = "_#vxl.compiler.finished"
    MSG_COMP_FINISHED_SUCCESS = "_#vxl.compiler.finished.successfully"
    MSG_COMP_FINISHED_INTERRUPTED = "_#vxl.compiler.finished.interrupted"
    MSG_COMP_FINISHED_ERROR = "_#vxl.compiler.finished.error"
    MSG_COMP_INFO = "_#vxl.compiler.info"
    MSG_COMP_INFO_2 = "_#vxl.compiler.info_2"
    MSG_COMP_WARNING = "_#vxl.compiler.warning"
    MSG_COMP_WARNING_2 = "_#vxl.compiler.warning_2"
    MSG_COMP_ERROR = "_#vxl.compiler.error"
    MSG_TEST_IDE = "_#vxl.test_ide"
    MSG_TEST_IDE_COLLECTION = "_#vxl.test_ide.collection_finish"
    MSG_TEST_IDE_SELECTED = "_#vxl.test_ide.selected_tests"
    MSG_TEST_IDE_DESELECTED = "_#vxl.test_ide.deselected_tests"
    MSG_TEST_IDE_RUN_REPORT = "_#vxl.test_ide.run_report"
    MSG_TEST_IDE_RUN = "_#vxl.test_ide.run"
    MSG_TEST_IDE_TEARDOWN_FAILED = "_#vxl.test_ide.teardown_failed"
    MSG_TEST_IDE_CAPLOG = "_#vxl.test_ide.cap_log"

KwargsDict = dict[str, object]
Msg = list[bytes]
CoreIdType = str

class Identifiable:
    _id: str
    def __init__(self, *args: Any, **kwargs: Any) -> None: ...
    def get_id(self) -> str: ...

class IMsgPublisher:
    def publish_msg(self, msg_type: MsgType, msg: str, **kwargs: Any) -> None: ...

class MinimalMsgPublisher(IMsgPublisher, Identifiable):
    _pub_ctx: Any
    _pub_sock: Any
    _req_sock: Any
    def __init__(self, proxy_info: dict[str, Any]) -> None: ...
    def _setup_zmq(self, pub_port: int) -> None: ...
    def _sync_to_proxy(self, sync_port: int) -> None: ...
    def close(self) -> None: ...
    def __del__(self) -> None: ...

class CommonMsgPublisher(MinimalMsgPublisher): ...
class MyPublisher(CommonMsgPublisher): ...

class DefaultPublisher:
    def publish_msg(self, msg_type: Any, msg: Any, **kwargs: Any) -> None: ...

class DummyPublisher(DefaultPublisher):
    def __init__(self) -> None: ...

class VexalTestPlugin:
    publisher: MyPublisher | DummyPublisher
    def __init__(self, config: pytest.Config) -> None: ...
    def pytest_collection_finish(self, session: pytest.Session) -> None: ...
    def pytest_deselected(self, items: list[pytest.Item]) -> None: ...
    def pytest_runtest_logstart(self, nodeid: str, location: Any) -> None: ...
    def pytest_runtest_logreport(self, report: pytest.TestReport) -> None: ...
    def pytest_terminal_summary(self, terminalreporter: Any) -> None: ...
    def pytest_configure_node(self, node: Any) -> None: ...
    def pytest_xdist_node_collection_finished(self, node: Any, ids: list[str]) -> None: ...
    def close_publisher(self) -> None: ...

def pytest_addoption(parser: pytest.Parser) -> None: ...
def pytest_configure(config: pytest.Config) -> None: ...

class JsonPyTestCollection(json.JSONEncoder):
    @staticmethod
    def _get_type_name(obj: object) -> str: ...
    def default(self, o: Any) -> Any: ...

class JsonPyTestReport(json.JSONEncoder):
    @staticmethod
    def _get_type_name(obj: object) -> str: ...
    def default(self, o: Any) -> Any: ...
