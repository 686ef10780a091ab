"""A message proxy for watching a pytest run the way the test IDE sees it.

It binds on 127.0.0.1:

- the outbound port, where the pytest plugin's publisher connects and sends
  its three-frame messages (type, text, keyword arguments as JSON);
- the sync port, a REP socket that answers every request (the publisher's
  b"Hello") with b"OK";
- the subscriber port, an XPUB socket that forwards every message, as the
  IDE would subscribe to it;

and writes their numbers to "msgproxy.json" in the given directory, which
``pytest --msg_proxy_path=<directory>`` reads. With ``--print`` each message
is also printed, decoded.

    vexal-msgproxy /tmp/proxy --print          # terminal 1
    pytest --msg_proxy_path=/tmp/proxy tests   # terminal 2
"""

import argparse
import json
import os
import signal
import sys

import zmq

INFO_FILE = "msgproxy.json"
HOST = "tcp://127.0.0.1"


def _bind(socket, port):
    if port:
        socket.bind(f"{HOST}:{port}")
        return port
    return socket.bind_to_random_port(HOST)


def format_message(frames):
    """The printed form of one message: type, text, keyword arguments and,
    when the text is JSON, the text as indented JSON."""
    if len(frames) != 3:
        return f"malformed message of {len(frames)} frames: {frames!r}"
    msg_type, text, kwargs = (frame.decode("utf-8", "replace") for frame in frames)
    lines = [f"type:   {msg_type}", f"text:   {text}", f"kwargs: {kwargs}"]
    try:
        document = json.loads(text)
    except ValueError:
        pass
    else:
        lines.append(json.dumps(document, indent=2, ensure_ascii=False))
    return "\n".join(lines) + "\n"


class MsgProxy:
    """The proxy's sockets, bound when it is made; use it from one thread."""

    def __init__(self, directory, outbound_port=0, sync_port=0, subscriber_port=0):
        self.context = zmq.Context()
        try:
            self.inbound = self.context.socket(zmq.SUB)
            self.inbound.setsockopt(zmq.SUBSCRIBE, b"")
            # A burst from the publisher waits here instead of being dropped.
            self.inbound.setsockopt(zmq.RCVHWM, 0)
            self.sync = self.context.socket(zmq.REP)
            self.outbound = self.context.socket(zmq.XPUB)
            self.outbound.setsockopt(zmq.SNDHWM, 0)
            self.ports = {
                "outbound_port": _bind(self.inbound, outbound_port),
                "sync_port": _bind(self.sync, sync_port),
                "subscriber_port": _bind(self.outbound, subscriber_port),
            }
            self.info_path = os.path.join(directory, INFO_FILE)
            # Readers never see a half-written file.
            partial = self.info_path + ".partial"
            with open(partial, "w", encoding="utf-8") as info:
                json.dump(self.ports, info)
            os.replace(partial, self.info_path)
        except BaseException:
            self.context.destroy(linger=0)
            raise

    def serve(self, on_message=None, should_stop=lambda: False, poll_ms=100):
        """Forward messages until should_stop() is true, passing each to
        on_message(frames) first."""
        poller = zmq.Poller()
        for socket in (self.inbound, self.sync, self.outbound):
            poller.register(socket, zmq.POLLIN)
        while not should_stop():
            ready = dict(poller.poll(poll_ms))
            if self.sync in ready:
                self.sync.recv_multipart()  # all of it, or REP refuses to answer
                self.sync.send(b"OK")
            if self.outbound in ready:
                self.outbound.recv()  # a subscription; XPUB applies it itself
            if self.inbound in ready:
                frames = self.inbound.recv_multipart()
                if on_message:
                    on_message(frames)
                self.outbound.send_multipart(frames)

    def close(self):
        try:
            os.remove(self.info_path)
        except OSError:
            pass
        self.context.destroy(linger=0)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="vexal-msgproxy", description=__doc__.split("\n\n")[0])
    parser.add_argument("directory", help=f"where to write {INFO_FILE}")
    parser.add_argument("--outbound-port", type=int, default=0, help="port for publishers (default: a free one)")
    parser.add_argument("--sync-port", type=int, default=0, help="port answering sync requests (default: a free one)")
    parser.add_argument("--subscriber-port", type=int, default=0, help="XPUB port for subscribers (default: a free one)")
    parser.add_argument("--print", action="store_true", dest="print_messages", help="print each message, decoded")
    args = parser.parse_args(argv)

    proxy = MsgProxy(args.directory, args.outbound_port, args.sync_port, args.subscriber_port)
    print(f"vexal-msgproxy: {json.dumps(proxy.ports)} written to {proxy.info_path}", flush=True)

    def show(frames):
        sys.stdout.write(format_message(frames) + "\n")
        sys.stdout.flush()

    stopping = []
    # Ctrl-C or a plain kill end the proxy the same way.
    signal.signal(signal.SIGTERM, lambda signum, frame: stopping.append(signum))
    try:
        proxy.serve(on_message=show if args.print_messages else None, should_stop=lambda: bool(stopping))
    except KeyboardInterrupt:
        pass
    finally:
        proxy.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
