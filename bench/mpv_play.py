#!/usr/bin/env python3
"""Plays a clip in mpv in real time, to its end, and appends one JSON line
to a file: mpv's own frame timing (dropped frames, delayed frames) and the
CPU time of mpv's process and of the plug-in's threads, read from
/proc/PID/task/*/stat just before mpv quits.

  mpv_play.py --clip FILE --out OUT.jsonl --label LABEL [--plugin SO --gpx GPX]
              [-- MPV_OPTION...]

With --plugin, mpv loads meridel-mpv.so with the track GPX and JOSM sync on
(JOSM's stand-in must listen on 127.0.0.1:8111). A run that does not end
within --limit seconds (default 90; mpv waits for an X server that does not
answer without end) is killed and recorded with its "error". The plug-in's threads are
the one mpv starts for it (named "mpv/SO plugin (...", cut to 15
characters) and the JOSM sender's ("meridel-josm").
"""

import argparse
import json
import os
import socket
import subprocess
import sys
import tempfile
import time

PLUGIN_THREADS = ("mpv/SO plugin", "meridel-josm")
TICKS = os.sysconf("SC_CLK_TCK")
COUNTERS = ("frame-drop-count", "decoder-frame-drop-count", "vo-delayed-frame-count", "estimated-frame-count")


def cpu(stat_path):
    """(name, CPU seconds) from a /proc stat file."""
    with open(stat_path) as stat:
        text = stat.read()
    fields = text[text.rindex(")") + 2:].split()
    return text[text.index("(") + 1:text.rindex(")")], (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def thread_cpu(pid):
    """(name, CPU seconds) of each live thread of the process."""
    threads = []
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            threads.append(cpu(f"/proc/{pid}/task/{task}/stat"))
        except FileNotFoundError:
            pass  # ended meanwhile
    return threads


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--clip", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--label", required=True)
    parser.add_argument("--plugin")
    parser.add_argument("--gpx")
    parser.add_argument("--limit", type=float, default=90)
    parser.add_argument("mpv_options", nargs="*")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="mpv-play.")
    sock_path = os.path.join(work, "ipc.sock")
    command = ["mpv", "--no-config", "--ao=null", "--keep-open=yes", "--idle=no", f"--input-ipc-server={sock_path}",
               *args.mpv_options]
    if args.plugin:
        command += [f"--script={args.plugin}", f"--script-opts=meridel-gpx={args.gpx},meridel-josm-sync=yes"]
    mpv = subprocess.Popen(command + [args.clip], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=open(os.path.join(work, "mpv.err"), "w"))
    started = time.monotonic()

    def give_up(why):
        mpv.kill()
        mpv.wait()
        with open(args.out, "a") as out:
            out.write(json.dumps({"label": args.label, "error": why}) + "\n")
        print(f"mpv_play: {args.label}: {why}; see {work}/mpv.err", file=sys.stderr)
        sys.exit(0)

    while True:
        try:
            sock = socket.socket(socket.AF_UNIX)
            sock.connect(sock_path)
            break
        except OSError:
            if time.monotonic() - started > 20 or mpv.poll() is not None:
                give_up("mpv did not start")
            time.sleep(0.05)
    sock.settimeout(max(1.0, args.limit - (time.monotonic() - started)))
    stream = sock.makefile("rwb")

    def get(name):
        try:
            stream.write((json.dumps({"command": ["get_property", name]}) + "\n").encode())
            stream.flush()
            while True:
                reply = json.loads(stream.readline())
                if "event" not in reply:
                    return reply.get("data")
        except (OSError, ValueError):
            give_up(f"mpv did not answer within {args.limit:g} s")

    while get("eof-reached") is not True:
        if time.monotonic() - started > args.limit:
            give_up(f"the clip did not end within {args.limit:g} s")
        time.sleep(0.2)
    record = {"label": args.label, "played_s": get("duration"), "wall_s": time.monotonic() - started}  # from mpv's start
    for counter in COUNTERS:
        record[counter] = get(counter)
    threads = thread_cpu(mpv.pid)
    record["mpv_cpu_s"] = cpu(f"/proc/{mpv.pid}/stat")[1]  # every thread's, those ended too
    record["plugin_cpu_s"] = sum(seconds for name, seconds in threads if name.startswith(PLUGIN_THREADS))
    record["plugin_threads"] = sorted({name for name, _ in threads if name.startswith(PLUGIN_THREADS)})
    stream.write(b'{"command": ["quit"]}\n')
    stream.flush()
    mpv.wait(30)
    with open(args.out, "a") as out:
        out.write(json.dumps(record) + "\n")


if __name__ == "__main__":
    main()
