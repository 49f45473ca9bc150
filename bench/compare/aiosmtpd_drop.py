#!/usr/bin/python3
"""A file-writing mail drop on aiosmtpd, to measure against the receiver.

It does the receiver's work per message: one line with the message file's
path appended to an arrival log, the sender's domain folder created when
missing, the message written to a file of its own; each file opened and
closed within the message. Like the receiver it runs on one thread, one
event loop, and writes from inside that loop.

    aiosmtpd_drop.py --port N --folder DIR [--max-seconds 600]

Listens on 127.0.0.1 only. Prints "port=N" once listening. On SIGTERM or
SIGINT (or after --max-seconds) it stops and prints "messages=N" and
"stored_bytes=N". Run it with Debian's /usr/bin/python3, which has the
python3-aiosmtpd package.
"""

import argparse
import asyncio
import os
import signal
import sys
import time

from aiosmtpd.smtp import SMTP


def FolderName(domain):
    # One folder name, never a path: the same characters the receiver replaces.
    name = "".join("_" if c in '/\\:*?"<>|' or ord(c) < 32 else c for c in domain)
    return "_" * len(name) if name.strip(".") == "" else name


class Drop:
    def __init__(self, folder):
        self.folder = folder
        self.log_path = os.path.join(folder, "arrivals.log")
        self.messages = 0
        self.stored_bytes = 0

    async def handle_DATA(self, server, session, envelope):
        domain = envelope.mail_from.rpartition("@")[2]
        domain_folder = os.path.join(self.folder, FolderName(domain))
        # Several messages arrive within one second: a counter keeps each in
        # a file of its own.
        name = "%s_%08d.eml" % (time.strftime("%Y%m%d_%H%M%S"), self.messages)
        path = os.path.join(domain_folder, name)
        try:
            with open(self.log_path, "ab") as log:
                log.write(path.encode("utf-8", "surrogateescape") + b"\r\n")
            if not os.path.isdir(domain_folder):
                os.mkdir(domain_folder)
            with open(path, "ab") as message:
                message.write(envelope.original_content)
        except OSError as error:
            print("store failed: %s" % error, file=sys.stderr, flush=True)
            return "451 Requested action aborted: local error in processing"
        self.messages += 1
        self.stored_bytes += len(envelope.original_content)
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--folder", required=True)
    parser.add_argument("--max-seconds", type=float, default=600)
    options = parser.parse_args()

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    drop = Drop(options.folder)
    # No size limit (the receiver has none below 100 MiB either) and a fixed
    # host name, so start-up does no name look-up.
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(drop, hostname="drop.bench", data_size_limit=None, loop=loop),
        host="127.0.0.1", port=options.port))
    print("port=%d" % server.sockets[0].getsockname()[1], flush=True)

    stopped = loop.create_future()

    def Stop():
        if not stopped.done():
            stopped.set_result(None)

    for number in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(number, Stop)
    loop.call_later(options.max_seconds, Stop)
    loop.run_until_complete(stopped)
    server.close()
    print("messages=%d" % drop.messages, flush=True)
    print("stored_bytes=%d" % drop.stored_bytes, flush=True)


if __name__ == "__main__":
    main()
