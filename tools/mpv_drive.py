#!/usr/bin/env python3
"""Drives a running mpv through its JSON IPC socket, for the demo and the
real-JOSM check.

  mpv_drive.py SOCKET STEP...

Each STEP is an mpv command as a JSON array ('["seek", 20, "absolute"]'),
"sleep:SECONDS", or "until:SECONDS" (waits until time-pos reaches it, at
most a minute). Waits up to 10 s for the socket; exits 1 when a command
fails or mpv goes away.
"""

import json
import socket
import sys
import time


def main():
    path, steps = sys.argv[1], sys.argv[2:]
    deadline = time.monotonic() + 10
    while True:
        try:
            sock = socket.socket(socket.AF_UNIX)
            sock.connect(path)
            break
        except OSError:
            if time.monotonic() > deadline:
                sys.exit(f"mpv_drive: no mpv at {path}")
            time.sleep(0.05)
    stream = sock.makefile("rwb")

    def command(args):
        stream.write((json.dumps({"command": args, "request_id": 1}) + "\n").encode())
        stream.flush()
        for line in stream:
            reply = json.loads(line)
            if reply.get("request_id") == 1:
                return reply
        sys.exit("mpv_drive: mpv went away")

    for step in steps:
        if step.startswith("sleep:"):
            time.sleep(float(step[6:]))
        elif step.startswith("until:"):
            limit = time.monotonic() + 60
            while (command(["get_property", "time-pos"]).get("data") or 0) < float(step[6:]):
                if time.monotonic() > limit:
                    sys.exit(f"mpv_drive: time-pos did not reach {step[6:]} s")
                time.sleep(0.05)
        else:
            reply = command(json.loads(step))
            if reply["error"] != "success":
                sys.exit(f"mpv_drive: {step}: {reply['error']}")


if __name__ == "__main__":
    main()
