#!/usr/bin/python3
"""The built receiver with no descriptor left for accepting.

    accept_starved.py LARKSPUR [--seconds 5]

Copies LARKSPUR into a temporary folder with a settings file (a free port,
a storage folder beside it) and starts it with --headless. Once it listens,
its open-file limit is lowered to 3 (only the standard descriptors fit), a
client connects, and for --seconds the receiver waits with that client
queued. Then the limit is put back and the time until the client's
greeting is measured. Prints key=value lines:

  starved_cpu_ms     the receiver's CPU time (user + system) while starved
  starved_cpu_share  the same as a share of the starved time
  greeting_ms        from putting the limit back to the client's greeting
  accept_error_lines "接続受付エラー" lines on the receiver's error stream

Exit 1 when the receiver does not greet the client after the limit is back
or does not stop cleanly on SIGTERM.
"""

import argparse
import os
import resource
import signal
import socket
import sys
import tempfile
import time

import headless_receiver


def cpu_ms(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("larkspur")
    parser.add_argument("--seconds", type=float, default=5)
    options = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        errors = open(os.path.join(folder, "errors"), "w+")
        receiver, port = headless_receiver.start(options.larkspur, folder, stderr=errors)
        try:
            saved = resource.prlimit(receiver.pid, resource.RLIMIT_NOFILE)
            resource.prlimit(receiver.pid, resource.RLIMIT_NOFILE, (3, saved[1]))
            client = socket.create_connection(("127.0.0.1", port), timeout=30)
            before = cpu_ms(receiver.pid)
            time.sleep(options.seconds)
            starved = cpu_ms(receiver.pid) - before
            resource.prlimit(receiver.pid, resource.RLIMIT_NOFILE, saved)
            back = time.monotonic()
            greeting = client.recv(100)
            greeting_ms = (time.monotonic() - back) * 1000
            client.close()
            receiver.send_signal(signal.SIGTERM)
            status = receiver.wait(timeout=30)
        finally:
            if receiver.poll() is None:
                receiver.kill()
        errors.seek(0)
        lines = errors.read().count("接続受付エラー")
        print(f"starved_cpu_ms={starved:.0f}")
        print(f"starved_cpu_share={starved / (options.seconds * 1000):.4f}")
        print(f"greeting_ms={greeting_ms:.0f}")
        print(f"accept_error_lines={lines}")
        if greeting != b"220 Larkspur Ver1.1 Ready\r\n" or status != 0:
            print(f"greeting={greeting!r} status={status}", file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
