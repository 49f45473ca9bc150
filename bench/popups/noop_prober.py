#!/usr/bin/python3
"""One SMTP session that sends NOOP every --interval-ms and times each
reply, until SIGUSR1 or --max-seconds; it sends no mail, so it makes no
pop-up of its own:

    noop_prober.py --port N [--interval-ms 10] [--max-seconds 300]

Prints "started" after the greeting, then key=value lines: probes,
reply_p50_ms, reply_p99_ms, reply_max_ms. Any unexpected reply or
time-out: exit 1.
"""

import argparse
import signal
import socket
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--interval-ms", type=float, default=10)
    parser.add_argument("--max-seconds", type=float, default=300)
    options = parser.parse_args()

    stop = []
    signal.signal(signal.SIGUSR1, lambda *_: stop.append(True))
    deadline = time.monotonic() + options.max_seconds
    sock = socket.create_connection(("127.0.0.1", options.port), timeout=60)
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    reader = sock.makefile("rb")
    if not reader.readline().startswith(b"220 "):
        raise RuntimeError("no greeting")
    print("started", flush=True)
    replies = []
    while not stop and time.monotonic() < deadline:
        sent = time.monotonic()
        sock.sendall(b"NOOP\r\n")
        line = reader.readline()
        if not line.startswith(b"250"):
            raise RuntimeError("NOOP: %r" % line)
        replies.append((time.monotonic() - sent) * 1000)
        time.sleep(options.interval_ms / 1000)
    sock.sendall(b"QUIT\r\n")
    replies.sort()
    print("probes=%d" % len(replies))
    print("reply_p50_ms=%.2f" % replies[len(replies) // 2])
    print("reply_p99_ms=%.2f" % replies[min(len(replies) - 1, len(replies) * 99 // 100)])
    print("reply_max_ms=%.2f" % replies[-1], flush=True)


if __name__ == "__main__":
    try:
        main()
    except (OSError, RuntimeError) as error:
        print("noop_prober: %s" % error, file=sys.stderr, flush=True)
        sys.exit(1)
