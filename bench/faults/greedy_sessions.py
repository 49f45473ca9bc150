#!/usr/bin/python3
"""What five greedy sessions make the built receiver hold.

    greedy_sessions.py LARKSPUR [--kinds pipelined long-lines at-limit]

For each kind, a fresh receiver (LARKSPUR copied into a temporary folder
with a settings file, started with --headless) takes five sessions at once:

  pipelined   each sends 400,000 HELP lines (72-byte replies) in one stream
              and never reads a reply
  long-lines  each sends one 20 MiB line, then its CR LF
  at-limit    each sends a message of just under the size limit (100 MiB)

Prints one key=value line per kind: the receiver's peak resident memory
(VmHWM) over its resident memory before the sessions, per session, in
MiB. Exit 1 when a session does not get the reply it should.
"""

import argparse
import signal
import socket
import sys
import tempfile
import threading
import time

import headless_receiver

SESSIONS = 5
MIB = 1024 * 1024


def memory_kib(pid, key):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def reply(session):
    data = b""
    while not data.endswith(b"\r\n"):
        piece = session.recv(4096)
        if not piece:
            break
        data += piece
    return data


def pipelined(port):
    session = socket.socket()
    session.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    session.connect(("127.0.0.1", port))
    session.settimeout(5)
    reply(session)
    try:
        session.sendall(b"HELP\r\n" * 400000)
    except socket.timeout:
        pass  # held back: the receiver reads no more until the replies leave
    return session, True


def long_line(port):
    session = socket.create_connection(("127.0.0.1", port), timeout=120)
    reply(session)
    session.sendall(b"x" * (20 * MIB) + b"\r\n")
    return session, reply(session) == b"500 Line too long\r\n"


def at_limit(port):
    session = socket.create_connection(("127.0.0.1", port), timeout=120)
    reply(session)
    session.sendall(b"MAIL FROM:<a@greedy.example>\r\n")
    reply(session)
    session.sendall(b"DATA\r\n")
    reply(session)
    line = b"y" * 1022 + b"\r\n"
    session.sendall(line * (100 * 1024 - 1) + b"\r\n.\r\n")
    return session, reply(session) == b"250 OK\r\n"


KINDS = {"pipelined": pipelined, "long-lines": long_line, "at-limit": at_limit}


def measure(larkspur, kind):
    with tempfile.TemporaryDirectory(dir="/var/tmp") as folder:
        receiver, port = headless_receiver.start(larkspur, folder)
        try:
            before = memory_kib(receiver.pid, "VmRSS")
            results = [None] * SESSIONS

            def run(index):
                results[index] = KINDS[kind](port)

            threads = [threading.Thread(target=run, args=(i,)) for i in range(SESSIONS)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            time.sleep(0.5)
            peak = memory_kib(receiver.pid, "VmHWM")
            for session, _ in results:
                session.close()
            receiver.send_signal(signal.SIGTERM)
            receiver.wait(timeout=30)
        finally:
            if receiver.poll() is None:
                receiver.kill()
        per_session = (peak - before) / 1024 / SESSIONS
        print(f"{kind}_mib_per_session={per_session:.2f} (idle {before / 1024:.1f} MiB, peak {peak / 1024:.1f} MiB)")
        return all(ok for _, ok in results)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("larkspur")
    parser.add_argument("--kinds", nargs="+", choices=sorted(KINDS), default=list(KINDS))
    options = parser.parse_args()
    ok = True
    for kind in options.kinds:
        ok = measure(options.larkspur, kind) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
