"""A local message proxy for watching a run's IDE messages."""

from typing import Callable, Sequence

import zmq

INFO_FILE: str
HOST: str

def format_message(frames: Sequence[bytes]) -> str: ...

class MsgProxy:
    context: zmq.Context[zmq.Socket[bytes]]
    inbound: zmq.Socket[bytes]
    sync: zmq.Socket[bytes]
    outbound: zmq.Socket[bytes]
    ports: dict[str, int]
    info_path: str
    def __init__(self, directory: str, outbound_port: int = 0, sync_port: int = 0, subscriber_port: int = 0) -> None: ...
    def serve(self, on_message: Callable[[list[bytes]], object] | None = None,
              should_stop: Callable[[], bool] = ..., poll_ms: int = 100) -> None: ...
    def close(self) -> None: ...

def main(argv: Sequence[str] | None = None) -> int: ...
