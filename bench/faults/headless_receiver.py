"""The built receiver started for a benchmark: copied into a folder of its
own with a settings file (a free port, a storage folder "mail" beside it),
run with --headless until its port takes connections."""

import os
import shutil
import socket
import subprocess
import time


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def start(larkspur, folder, stderr=subprocess.DEVNULL):
    """Returns the running receiver and its port."""
    program = os.path.join(folder, "Larkspur")
    shutil.copy(larkspur, program)
    os.mkdir(os.path.join(folder, "mail"))
    port = free_port()
    with open(os.path.join(folder, "Larkspur.ini"), "w") as settings:
        settings.write(f"[SMTP]\r\nPORT={port}\r\nFOLDER={folder}/mail\r\n")
    receiver = subprocess.Popen([program, "--headless"], cwd=folder, stderr=stderr,
                                env=dict(os.environ, XDG_RUNTIME_DIR=folder))
    for _ in range(600):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            break
        except OSError:
            time.sleep(0.1)
    else:
        receiver.kill()
        raise RuntimeError(f"{larkspur} did not listen on port {port}")
    time.sleep(0.5)  # the probe's session is over
    return receiver, port
