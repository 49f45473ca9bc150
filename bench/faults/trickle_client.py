#!/usr/bin/python3
"""A slow SMTP client: one message whose body goes out one byte per write.

    trickle_client.py --port N --copy FILE [--pause-ms 1] [--max-seconds 60]

Connects to 127.0.0.1, sends HELO, MAIL FROM:<slow@slow.example>, RCPT and
DATA, prints "body_started" and then writes the body one byte at a time,
pausing between bytes, until SIGUSR1 arrives or --max-seconds have passed.
It then finishes the current line, sends the end-of-data line (also byte by
byte), waits for the 250 reply and QUITs. FILE receives exactly the bytes
sent after the 354 reply, which is what the receiver must store.

Prints key=value lines: bytes, writes, body_seconds, stopped_by (signal or
time). Any unexpected reply, time-out or closed connection: exit 1.
"""

import argparse
import signal
import socket
import sys
import time

REPLY_TIMEOUT_SECONDS = 30
LINE = b"slow line %06d: byte by byte, with a pause between the bytes\r\n"


class Session:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=REPLY_TIMEOUT_SECONDS)
        # Every byte leaves as its own segment.
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.pending = b""

    def reply(self, code, after):
        while b"\r\n" not in self.pending:
            data = self.sock.recv(4096)
            if not data:
                raise RuntimeError("connection closed by the server after %s" % after)
            self.pending += data
        line, self.pending = self.pending.split(b"\r\n", 1)
        if not line.startswith(code):
            raise RuntimeError("after %s: expected %s, got %r" % (after, code.decode(), line))

    def exchange(self, line, code):
        self.sock.sendall(line)
        self.reply(code, line.split(b"\r")[0].decode())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--copy", required=True)
    parser.add_argument("--pause-ms", type=float, default=1.0)
    parser.add_argument("--max-seconds", type=float, default=60)
    options = parser.parse_args()

    stop = []
    signal.signal(signal.SIGUSR1, lambda *_: stop.append("signal"))

    session = Session(options.port)
    session.reply(b"220 ", "connect")
    session.exchange(b"HELO slow.example\r\n", b"250")
    session.exchange(b"MAIL FROM:<slow@slow.example>\r\n", b"250")
    session.exchange(b"RCPT TO:<b@x>\r\n", b"250")
    session.exchange(b"DATA\r\n", b"354")
    print("body_started", flush=True)

    sent = bytearray()
    pause = options.pause_ms / 1000.0
    start = time.monotonic()
    deadline = start + options.max_seconds
    number = 0
    # Whole lines only, so the end-of-data line follows a line end; the
    # deadline bounds the loop whatever happens to the signal.
    while not stop:
        number += 1
        for byte in LINE % number:
            session.sock.send(bytes((byte,)))
            sent.append(byte)
            time.sleep(pause)
        if time.monotonic() >= deadline:
            stop.append("time")
    body_seconds = time.monotonic() - start
    for byte in b".\r\n":
        session.sock.send(bytes((byte,)))
        sent.append(byte)
        time.sleep(pause)
    with open(options.copy, "wb") as copy:
        copy.write(sent)
    session.reply(b"250 ", "the end-of-data line")
    session.exchange(b"QUIT\r\n", b"221")
    print("bytes=%d" % len(sent))
    print("writes=%d" % len(sent))
    print("body_seconds=%.3f" % body_seconds)
    print("stopped_by=%s" % stop[0], flush=True)


if __name__ == "__main__":
    try:
        main()
    except (OSError, RuntimeError) as error:
        print("trickle_client: %s" % error, file=sys.stderr, flush=True)
        sys.exit(1)
