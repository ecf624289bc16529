#!/usr/bin/env python3
"""meridel-mpv.so inside Debian's mpv, driven through mpv's JSON IPC.

  mpv_host_test.py josm|picture PLUGIN CHECKER REPO WORK

josm (run it in a private network namespace: JOSM's stand-in takes
127.0.0.1:8111): mpv headless plays a playlist of two generated clips with
different creation times; the test plays, pauses, seeks, frame-steps, adds
nodes by key and by message, switches JOSM sync off and on, imports a
hostile track and the good one again, and seeks past the end. The stand-in
must receive exactly the core's requests (CHECKER) for the moments mpv
showed, one zoom per moment, in order. Then a stream with no file, no track
and bad options, and mpv quitting while JOSM hangs, within the bound.
picture: mpv with a real video output under Xvfb; a screenshot of its
window must show the core's caption for the moment shown (read with
tesseract), and none once the caption key hid it.
Exits 77 when mpv (or, for picture, Xvfb or tesseract) is missing.
"""

import datetime
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from host_test_support import check, finish, fresh_dir, make_clip, make_gpx  # noqa: E402

mode, plugin, checker, repo, work = sys.argv[1:6]
plugin, checker, repo = (os.path.realpath(p) for p in (plugin, checker, repo))
needed = ["mpv", "ffmpeg"] + (["Xvfb", "tesseract", "convert"] if mode == "picture" else [])
for tool in needed:
    if not shutil.which(tool):
        print(f"{tool} is not installed: skipped")
        sys.exit(77)
os.chdir(fresh_dir(work))
started = []  # every mpv and stand-in, ended at the end whatever happened
# IPC sockets under /tmp: a socket's path must fit in 108 bytes, whatever the build tree's depth.
sockets = tempfile.mkdtemp(prefix="meridel-mpv.", dir="/tmp")


def run(*args):
    subprocess.run(args, check=True, stdin=subprocess.DEVNULL)


def utc(text):
    return int(datetime.datetime.fromisoformat(text.replace("Z", "+00:00")).timestamp())


class Mpv:
    """One mpv with the plug-in; the test's side of its IPC socket."""

    def __init__(self, name, args, files, env=None):
        self.sock_path = os.path.join(sockets, name + ".sock")
        self.log_path = os.path.join(work, name + ".log")
        started.append(self)
        self.proc = subprocess.Popen(
            ["mpv", "--vo=null", "--ao=null", "--idle=once", f"--input-ipc-server={self.sock_path}", f"--script={plugin}",
             *args],
            stdin=subprocess.DEVNULL, stdout=open(self.log_path, "w"), stderr=open(name + ".err", "w"), env=env)
        self.cond = threading.Condition()
        self.replies, self.next_id = {}, 0
        self.time_pos, self.loaded_files, self.loaded = None, 0, False
        self.on_moment = None  # called with (file index, whole second) each time the moment changes
        self.moment = None
        deadline = time.monotonic() + 10
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX)
                self.sock.connect(self.sock_path)
                break
            except OSError:
                if time.monotonic() > deadline or self.proc.poll() is not None:
                    raise RuntimeError(f"mpv did not open its IPC socket; see {name}.err")
                time.sleep(0.05)
        self.reader = self.sock.makefile("rb")
        threading.Thread(target=self._read, daemon=True).start()
        # The files once the test sees every event.
        self.command("observe_property", 1, "time-pos")
        for index, file in enumerate(files):
            self.command("loadfile", file, "append-play" if index else "replace")

    def _read(self):
        for line in self.reader:
            message = json.loads(line)
            with self.cond:
                if "request_id" in message:
                    self.replies[message["request_id"]] = message
                elif message.get("event") == "start-file":
                    self.loaded, self.moment = False, None
                elif message.get("event") == "file-loaded":
                    # mpv may report the new file's time-pos before this event.
                    self.loaded_files += 1
                    self.loaded = True
                    self._position(self.time_pos)
                elif message.get("event") == "property-change" and message.get("name") == "time-pos":
                    self.time_pos = message.get("data")
                    if self.loaded:
                        self._position(self.time_pos)
                self.cond.notify_all()

    def _position(self, pos):
        if pos is None:
            return
        moment = (self.loaded_files - 1, int(pos))  # int() truncates toward zero, as the plug-in
        if moment != self.moment:
            self.moment = moment
            if self.on_moment:
                self.on_moment(moment)

    def command(self, *args):
        with self.cond:
            self.next_id += 1
            request = self.next_id
        self.sock.sendall((json.dumps({"command": list(args), "request_id": request}) + "\n").encode())
        with self.cond:
            if not self.cond.wait_for(lambda: request in self.replies, 10):
                raise RuntimeError(f"mpv did not answer {args}")
            return self.replies.pop(request)

    def wait(self, predicate, what, limit=10):
        with self.cond:
            if not self.cond.wait_for(predicate, limit):
                raise RuntimeError(f"waited {limit} s for {what}")

    def log(self):
        with open(self.log_path) as log:
            return [line.rstrip("\n") for line in log if line.startswith("[meridel] ")]

    def wait_exit(self, limit=15):
        return self.proc.wait(limit)

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Josm:
    """JOSM's stand-in on 127.0.0.1:8111."""

    def __init__(self, name, mode="ok"):
        self.log_path = os.path.join(work, name + ".jsonl")
        started.append(self)
        subprocess.run([f"{repo}/tools/josm-standin-ctl.sh", "start", "8111", self.log_path, mode], check=True,
                       stdout=subprocess.DEVNULL)

    def paths(self):
        with open(self.log_path) as log:
            return [json.loads(line)["path"] for line in log]

    def wait_count(self, count):
        deadline = time.monotonic() + 5
        while len(self.paths()) < count and time.monotonic() < deadline:
            time.sleep(0.02)
        time.sleep(0.1)  # anything beyond the count arrives meanwhile

    def stop(self):
        run(f"{repo}/tools/josm-standin-ctl.sh", "stop", self.log_path + ".pid")

    end = stop  # it does nothing once stopped


def core(starts, gpx, zoom, utc_offset, clock, moments):
    """The core's (zoom path, node path, caption lines) for each (start, second)."""
    out = subprocess.run([checker, gpx, zoom, utc_offset, clock] + [f"{s}:{sec}" for s, sec in moments],
                         check=True, capture_output=True, text=True).stdout.splitlines()
    return {moment: line.split("\t") for moment, line in zip(moments, out)}


def ride():
    return make_gpx(repo, os.path.join(work, "ride.gpx")), utc("2015-06-01T10:20:30Z")


def josm_mode():
    ldd = subprocess.run(["ldd", "-r", plugin], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout
    undefined = [line for line in ldd.splitlines() if "undefined symbol" in line]
    check(f"meridel-mpv.so leaves only mpv's client functions to the mpv binary ({len(undefined)} of them)",
          undefined and all(line.split()[2].startswith("mpv_") for line in undefined))

    gpx, track_start = ride()
    creations = ["2015-06-01T10:21:00Z", "2015-06-01T10:30:00Z"]
    make_clip("a.mp4", "320x240", 25, 6, creations[0], keyframes=25)
    make_clip("b.mp4", "320x240", 25, 5, creations[1], keyframes=25)
    with open("hostile.gpx", "w") as hostile:
        hostile.write('<?xml version="1.0"?><!DOCTYPE gpx [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;'
                      '&a;&a;&a;">]><gpx><trk><trkseg>' + "<trkpt lat='&b;'>" * 20000 + "</gpx>")
    # The conf file gives the zoom, the command line's refused zoom keeps it.
    os.makedirs("config/script-opts")
    with open("config/script-opts/meridel.conf", "w") as conf:
        conf.write("# the user's settings\njosm-zoom=3\nutc-offset=+02:00\n")
    with open("config/input.conf", "w") as keys:  # a key of the user's own, as the README says
        keys.write("N script-binding meridel_mpv/add-node\n")
    starts = [utc(c) for c in creations]

    # --- play, seek, step, pause, nodes, sync off and on, another track, a second file
    josm = Josm("josm")
    expected = []  # ("zoom" or "node", (file, second))
    state = {"sync": True}

    def moment_changed(moment):
        if state["sync"]:
            expected.append(("zoom", moment))

    mpv = Mpv("play", [f"--config-dir={work}/config", "--pause", "--hr-seek=yes",
                       f"--script-opts=meridel-gpx={gpx},meridel-josm-zoom=99,meridel-clock-difference=+00:00:05"],
              ["a.mp4", "b.mp4"])
    mpv.on_moment = moment_changed

    def step(*command, node=False, sync=None):
        if sync is not None:
            state["sync"] = sync
        if node:
            with mpv.cond:
                expected.append(("node", mpv.moment))
        before = len(expected)
        if command:
            mpv.command(*command)
        if sync:
            with mpv.cond:
                expected.insert(before, ("zoom", mpv.moment))  # JOSM goes to the moment shown at once
        josm.wait_count(len(expected))

    mpv.wait(lambda: mpv.moment is not None, "the first file's first moment")
    step()
    mpv.command("set_property", "pause", False)
    mpv.wait(lambda: mpv.time_pos is not None and mpv.time_pos >= 2.3, "2.3 s of playing")
    step("set_property", "pause", True)
    # Positions past the half second: mpv's whole seconds must be truncated, not rounded.
    step("seek", 4.7, "absolute", "exact")
    mpv.wait(lambda: mpv.moment == (0, 4), "the seek to 4.7 s")
    step("frame-step")
    step("seek", 1.7, "absolute", "exact")
    mpv.wait(lambda: mpv.moment == (0, 1), "the seek back to 1.7 s")
    step("keypress", "n", node=True)
    step("script-message", "meridel-add-node", node=True)
    step("keypress", "N", node=True)
    step("playlist-next")
    mpv.wait(lambda: mpv.moment == (1, 0), "the second file")
    step("seek", 2.7, "absolute", "exact")
    step("script-message", "meridel-josm-sync", "no", sync=False)
    step("seek", 3.7, "absolute", "exact")
    step("script-message", "meridel-josm-sync", "yes", sync=True)
    step("script-message", "meridel-gpx", os.path.join(work, "hostile.gpx"))
    step("script-message", "meridel-add-node")  # no track: no node
    step("script-message", "meridel-gpx", gpx, sync=True)  # the track again: JOSM goes to the moment shown
    step("seek", 100, "absolute")  # mpv shows the last frame, paused
    mpv.command("set_property", "pause", False)
    check("a seek past the end of the playlist, then play, ends mpv normally", mpv.wait_exit() == 0)
    josm.wait_count(len(expected))
    josm.stop()

    moments = sorted({moment for _, moment in expected})
    said = core(starts, gpx, "3", "+02:00", "+00:00:05", [(starts[f], s) for f, s in moments])
    want = [said[(starts[f], s)][0 if kind == "zoom" else 1] for kind, (f, s) in expected]
    got = josm.paths()
    check(f"JOSM received the core's {len(want)} requests for the moments shown, one zoom per moment, "
          "nodes where asked, in order", got == want)
    if got != want:
        print("   expected:", *want, "   received:", *got, sep="\n   ")
    log = mpv.log()
    for line in [f"[meridel] {gpx}: Read complete. 1200 points were imported.",
                 "[meridel] meridel-josm-zoom \"99\" is not a whole number from -10 to 10; keeping 3",
                 "[meridel] a.mp4: aligned by the clip's creation time 2015-06-01 10:21:00 UTC",
                 "[meridel] b.mp4: aligned by the clip's creation time 2015-06-01 10:30:00 UTC",
                 "[meridel] node added in JOSM", "[meridel] JOSM sync off", "[meridel] JOSM sync on",
                 f"[meridel] {work}/hostile.gpx: File load error", "[meridel] no track, so no node: set meridel-gpx"]:
        check(f"mpv's log says: {line}", line in log)
    check("the key, the message and the user's key each added one node", log.count("[meridel] node added in JOSM") == 3)

    # --- a stream, no track and bad options: mpv plays on; then a track by message
    josm = Josm("josm-stream")
    mpv = Mpv("stream", ["--no-config", "--script-opts=meridel-x=abc,meridel-utc-offset=+25:00"],
              ["av://lavfi:testsrc2=size=320x240:rate=25:duration=30"])
    mpv.wait(lambda: mpv.time_pos is not None and mpv.time_pos >= 1.2, "1.2 s of the stream")
    mpv.command("set_property", "pause", True)
    time.sleep(0.3)
    check("without a track JOSM receives nothing", josm.paths() == [])
    mpv.command("script-message", "meridel-gpx", gpx)
    with mpv.cond:
        shown = mpv.moment
    josm.wait_count(1)
    mpv.command("quit")
    check("mpv quits normally", mpv.wait_exit() == 0)
    josm.stop()
    said = core([track_start], gpx, "0", "+00:00", "+00:00:00", [(track_start, shown[1])])
    check("once a track is set, JOSM goes to the stream's moment, counted from the track's first point",
          josm.paths() == [said[(track_start, shown[1])][0]])
    log = mpv.log()
    check("bad options are refused, each in one line that says what is kept",
          any(line.startswith("[meridel] meridel-x \"abc\" is not") and line.endswith("keeping 0.01") for line in log)
          and any(line.startswith("[meridel] meridel-utc-offset \"+25:00\" is not") and line.endswith("keeping +00:00")
                  for line in log))
    check("a missing meridel-gpx is said once", sum("set meridel-gpx" in line for line in log) == 1)
    check("a stream without a creation time is aligned by the track and says so",
          any(" records no creation time: aligned by the track's first point 2015-06-01 10:20:30 UTC" in line
              for line in log))

    # --- quitting while JOSM hangs on a request
    josm = Josm("josm-hang", "hang")
    mpv = Mpv("hang", ["--no-config", f"--script-opts=meridel-gpx={gpx}"], ["a.mp4"])
    josm.wait_count(1)
    began = time.monotonic()
    mpv.command("quit")
    status = mpv.wait_exit()
    took = time.monotonic() - began
    josm.stop()
    check(f"with JOSM hanging on a request, mpv quits in {took:.1f} s (bound: 3 s)", status == 0 and took < 3.0)


def picture_mode():
    gpx, _ = ride()
    creation = "2015-06-01T10:21:00Z"
    make_clip("grey.mp4", "960x540", 25, 6, creation, source="color=c=0x303030", keyframes=25)
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x720x24", "-nolisten", "tcp", "-noreset"],
                            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    display = os.read(read, 16).decode().strip()
    try:
        env = dict(os.environ, DISPLAY=":" + display)
        mpv = Mpv("picture", ["--no-config", "--pause", "--vo=gpu", "--gpu-context=x11egl", "--geometry=960x540+0+0",
                              f"--script-opts=meridel-gpx={gpx},meridel-josm-sync=no,meridel-font-size=40,"
                              "meridel-x=0.05,meridel-y=0.1,meridel-utc-offset=+02:00"], ["grey.mp4"], env=env)
        mpv.wait(lambda: mpv.moment is not None, "the file's first moment")
        mpv.command("seek", 3.4, "absolute", "exact")
        mpv.wait(lambda: mpv.moment == (0, 3), "the seek to 3.4 s")
        time.sleep(0.5)
        shots = []
        for name in ("shown", "hidden"):
            mpv.command("show-text", "", 1)  # the plug-in's words away from the caption
            time.sleep(0.3)
            shot = os.path.join(work, name + ".png")
            result = mpv.command("screenshot-to-file", shot, "window")
            check(f"mpv took a screenshot of its window ({name})", result["error"] == "success")
            shots.append(shot)
            mpv.command("keypress", "c")
            time.sleep(0.3)
        mpv.command("quit")
        mpv.wait_exit()
    finally:
        xvfb.terminate()
        xvfb.wait()

    start = utc(creation)
    caption = core([start], gpx, "0", "+02:00", "+00:00:00", [(start, 3)])[(start, 3)][2:]
    texts = []
    for shot in shots:
        # The caption's white alone, at its place: x, y 0.05, 0.1 of 960x540.
        run("convert", shot, "-crop", "720x110+40+45", "+repage", "-fill", "black", "-fuzz", "20%", "+opaque",
            "white", "-negate", shot + ".ocr.png")
        texts.append(subprocess.run(["tesseract", shot + ".ocr.png", "-", "--psm", "6", "-c",
                                     "tessedit_char_whitelist=0123456789-:. "],
                                    capture_output=True, text=True).stdout.split("\n"))
    # tesseract may space a monospaced text's characters apart: compared without white space.
    lines = ["".join(line.split()) for line in texts[0] if line.strip()]
    check(f"the window shows the core's caption for the moment shown: {caption} (read: {lines})",
          lines == ["".join(line.split()) for line in caption])
    check("the caption key hides it", not any(line.strip() for line in texts[1]))


try:
    josm_mode() if mode == "josm" else picture_mode()
except (RuntimeError, subprocess.SubprocessError) as error:
    check(str(error), False)
finally:
    for program in started:
        program.end()
    shutil.rmtree(sockets, ignore_errors=True)
finish()
