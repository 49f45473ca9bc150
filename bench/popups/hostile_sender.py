#!/usr/bin/python3
"""One SMTP session that sends message files one after another, round after
round, until SIGUSR1 or --max-seconds:

    hostile_sender.py --port N [--pause-ms 0] [--max-seconds 300] FILE...

Each FILE is a message as the receiver stores it (CR LF lines, dot-stuffed,
ended by the end-of-data line) and goes out as it is after DATA, from
MAIL FROM:<h@hostile.example>, each --pause-ms after the 250 of the one
before (0: at once). Prints "started" once the first message is
on its way, then key=value lines: messages, bytes (what the receiver must
have stored), reply_max_ms and reply_mean_ms (from the message's last byte
handed to the kernel to its 250). Any unexpected reply or time-out: exit 1.
"""

import argparse
import signal
import socket
import sys
import time

REPLY_TIMEOUT_SECONDS = 60


class Session:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=REPLY_TIMEOUT_SECONDS)
        self.pending = b""

    def reply(self, code, after):
        while b"\r\n" not in self.pending:
            data = self.sock.recv(4096)
            if not data:
                raise RuntimeError("connection closed by the server after %s" % after)
            self.pending += data
        line, self.pending = self.pending.split(b"\r\n", 1)
        if not line.startswith(code):
            raise RuntimeError("after %s: expected %s, got %r" % (after, code.decode(), line[:200]))

    def exchange(self, line, code):
        self.sock.sendall(line)
        self.reply(code, line.split(b"\r")[0].decode())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--pause-ms", type=float, default=0)
    parser.add_argument("--max-seconds", type=float, default=300)
    parser.add_argument("files", nargs="+")
    options = parser.parse_args()

    stop = []
    signal.signal(signal.SIGUSR1, lambda *_: stop.append(True))
    deadline = time.monotonic() + options.max_seconds

    session = Session(options.port)
    session.reply(b"220 ", "connect")
    messages = sent = 0
    replies = []
    while not stop and time.monotonic() < deadline:
        for path in options.files:
            with open(path, "rb") as message:
                data = message.read()
            session.exchange(b"MAIL FROM:<h@hostile.example>\r\n", b"250")
            session.exchange(b"RCPT TO:<b@x>\r\n", b"250")
            session.exchange(b"DATA\r\n", b"354")
            if messages == 0:
                print("started", flush=True)
            session.sock.sendall(data)
            handed = time.monotonic()
            session.reply(b"250 ", path)
            replies.append((time.monotonic() - handed) * 1000)
            messages += 1
            sent += len(data)
            if stop or time.monotonic() >= deadline:
                break
            time.sleep(options.pause_ms / 1000)
    session.exchange(b"QUIT\r\n", b"221")
    print("messages=%d" % messages)
    print("bytes=%d" % sent)
    print("reply_max_ms=%.1f" % max(replies))
    print("reply_mean_ms=%.1f" % (sum(replies) / len(replies)), flush=True)


if __name__ == "__main__":
    try:
        main()
    except (OSError, RuntimeError) as error:
        print("hostile_sender: %s" % error, file=sys.stderr, flush=True)
        sys.exit(1)
