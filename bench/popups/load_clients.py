#!/usr/bin/python3
"""The two clients of hostile.sh, each one SMTP session on 127.0.0.1 that
runs until SIGUSR1 or --max-seconds:

    load_clients.py hostile --port N [--pause-ms 0] [--max-seconds 300] FILE...
    load_clients.py noop --port N [--interval-ms 10] [--max-seconds 300]

hostile: sends the message files one after another, round after round. Each
FILE is a message as the receiver stores it (CR LF lines, dot-stuffed,
ended by the end-of-data line) and goes out as it is after DATA, from
MAIL FROM:<h@hostile.example>, each --pause-ms after the 250 of the one
before. Prints "started" once the first message is on its way, then
key=value lines: messages, bytes (what the receiver must have stored),
reply_max_ms and reply_mean_ms (from the message's last byte handed to the
kernel to its 250).

noop: sends NOOP every --interval-ms and times each reply; it sends no
mail, so it makes no pop-up of its own. Prints "started" after the
greeting, then key=value lines: probes, reply_p50_ms, reply_p99_ms,
reply_max_ms.

Any unexpected reply or time-out: exit 1.
"""

import argparse
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "faults"))
from trickle_client import Session  # noqa: E402


def hostile(session, options, running):
    messages = sent = 0
    replies = []
    while running():
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
            if not running():
                break
            time.sleep(options.pause_ms / 1000)
    print("messages=%d" % messages)
    print("bytes=%d" % sent)
    print("reply_max_ms=%.1f" % max(replies))
    print("reply_mean_ms=%.1f" % (sum(replies) / len(replies)))


def noop(session, options, running):
    print("started", flush=True)
    replies = []
    while running():
        sent = time.monotonic()
        session.exchange(b"NOOP\r\n", b"250")
        replies.append((time.monotonic() - sent) * 1000)
        time.sleep(options.interval_ms / 1000)
    replies.sort()
    print("probes=%d" % len(replies))
    print("reply_p50_ms=%.2f" % replies[len(replies) // 2])
    print("reply_p99_ms=%.2f" % replies[min(len(replies) - 1, len(replies) * 99 // 100)])
    print("reply_max_ms=%.2f" % replies[-1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("client", choices=["hostile", "noop"])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--max-seconds", type=float, default=300)
    parser.add_argument("--pause-ms", type=float, default=0)
    parser.add_argument("--interval-ms", type=float, default=10)
    parser.add_argument("files", nargs="*")
    options = parser.parse_intermixed_args()

    stop = []
    signal.signal(signal.SIGUSR1, lambda *_: stop.append(True))
    deadline = time.monotonic() + options.max_seconds
    session = Session(options.port)
    session.reply(b"220 ", "connect")
    client = {"hostile": hostile, "noop": noop}[options.client]
    client(session, options, lambda: not stop and time.monotonic() < deadline)
    session.exchange(b"QUIT\r\n", b"221")
    sys.stdout.flush()


if __name__ == "__main__":
    try:
        main()
    except (OSError, RuntimeError) as error:
        print("load_clients: %s" % error, file=sys.stderr, flush=True)
        sys.exit(1)
