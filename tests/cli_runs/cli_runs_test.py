#!/usr/bin/env python3
"""`meridel caption` and `meridel inspect` on generated clips of a generated
ride: the outputs and their frames, every message and exit status, Ctrl-C,
a full disk, and the progress with and without a terminal.

  cli_runs_test.py MERIDEL CAPTION_CHECK SOURCE_DIR WORK_DIR

MERIDEL runs the command with the build's MLT modules (build/native/meridel);
CAPTION_CHECK is tests/cli_runs/caption_check. Exits 0 when every check
passed, 1 otherwise, printing each check."""

import json
import os
import pty
import re
import signal
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from host_test_support import check, ffmpeg, finish, fresh_dir, make_clip, make_gpx  # noqa: E402

meridel, checker, source, work = sys.argv[1:5]
RATE = "30000/1001"
TRACK_START = "2023-06-17T07:30:00Z"  # the generated ride: 1200 points a second apart


def run(*args, env=None, stdin=None):
    return subprocess.run([meridel, *args], cwd=work, capture_output=True, text=True, env=env, timeout=240)


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json", path],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def frame(path, n, size):
    """Frame n of a clip as raw yuv420p, decoded by ffmpeg."""
    out = os.path.join(work, f"{os.path.basename(path)}.{n}.yuv")
    ffmpeg("-i", path, "-vf", f"select=eq(n\\,{n})", "-fps_mode", "passthrough", "-frames:v", "1",
           "-f", "rawvideo", "-pix_fmt", "yuv420p", out)
    return out


SETTINGS = ["--utc-offset", "+02:00", "--x", "0.05", "--y", "0.8"]
PARAMS = ["utc_offset=+02:00", "x=0.05", "y=0.8"]


def check_frames(clip, output, size, start, frames):
    for n in frames:
        args = [checker, "--size", size, "--rate", RATE, "--start", start, "--frame", str(n),
                "--input", frame(clip, n, size), "--output", frame(output, n, size),
                "--param", f"resource={work}/ride.gpx"]
        for p in PARAMS:
            args += ["--param", p]
        result = subprocess.run(args, capture_output=True, text=True)
        check(f"{os.path.basename(output)} frame {n} carries the caption of its moment", result.returncode == 0,
              result.stdout + result.stderr)


fresh_dir(work)
make_gpx(source, os.path.join(work, "ride.gpx"), 1200, TRACK_START)
# Two clips of one ride shot ten minutes apart, an action camera's clip that
# records no creation time, and one started a few seconds before the logger.
dawn = make_clip(f"{work}/dawn.mp4", "1280x720", RATE, 4, "2023-06-17T07:31:00Z", audio="stereo")
later = make_clip(f"{work}/later.mp4", "1280x720", RATE, 2, "2023-06-17T07:41:00.000000Z", audio="stereo")
action = make_clip(f"{work}/action.mp4", "2704x1520", RATE, 1, audio="mono")
early = make_clip(f"{work}/early.mp4", "1280x720", RATE, 2, "2023-06-17T07:29:57Z")

# --- a run without a terminal: messages, plain progress, outputs, frames -----
result = run("caption", "--gpx", "ride.gpx", *SETTINGS, "--output", "out", "--jobs", "2",
             "dawn.mp4", "later.mp4", "action.mp4", "early.mp4")
err = result.stderr
check("caption exits 0 when every clip was captioned", result.returncode == 0, err)
for line in [
    "ride.gpx: Read complete. 1200 points were imported.",
    "dawn.mp4: aligned by the clip's creation time 2023-06-17 07:31:00 UTC, 2023-06-17 07:31:00 to 07:31:03 UTC, "
    "inside the track",
    "later.mp4: aligned by the clip's creation time 2023-06-17 07:41:00 UTC, 2023-06-17 07:41:00 to 07:41:01 UTC, "
    "inside the track",
    "action.mp4: aligned by the track's first point 2023-06-17 07:30:00 UTC",
    "meridel: warning: action.mp4 records no creation time: it is aligned by the track's first point",
    "early.mp4: aligned by the clip's creation time 2023-06-17 07:29:57 UTC, 2023-06-17 07:29:57 to 07:29:58 UTC, "
    "wholly before the track: it ends 2 s before the track's first point (2023-06-17 07:30:00 UTC)",
    "meridel: warning: early.mp4 lies wholly before the track",
    "meridel: 4 clips captioned, in ",
]:
    check(f"says {line[:60]!r}...", line in err, err)
plain = re.findall(r"^dawn\.mp4: (\d+)% \(\d+ of 120 frames", err, re.M)
check("without a terminal a clip says its progress at every tenth", len(plain) >= 5 and
      all(int(a) < int(b) for a, b in zip(plain, plain[1:])), err)
check("each clip's done line names its output", "dawn.mp4: captioned in " in err and "out/dawn-meridel.mp4" in err, err)
check("no partial output is left", not [f for f in os.listdir(os.path.join(work, "out")) if f.endswith(".part")])

for clip, size, frames, audio in [(dawn, "1280x720", 120, (48000, 2)), (action, "2704x1520", 30, (48000, 1)),
                                  (early, "1280x720", 60, None)]:
    name = os.path.basename(clip)
    output = os.path.join(work, "out", name[:-4] + "-meridel.mp4")
    source_info, info = probe(clip), probe(output)
    video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
    check(f"{name}: H.264 yuv420p at its own size and rate, every frame",
          (video["codec_name"], video["pix_fmt"], f'{video["width"]}x{video["height"]}', video["r_frame_rate"],
           int(video["nb_frames"])) == ("h264", "yuv420p", size, RATE, frames), json.dumps(video))
    sound = [(int(s["sample_rate"]), s["channels"]) for s in info["streams"] if s["codec_type"] == "audio"]
    check(f"{name}: its audio kept", sound == ([audio] if audio else []), json.dumps(info["streams"]))
    check(f"{name}: its creation time kept", info["format"].get("tags", {}).get("creation_time") ==
          source_info["format"].get("tags", {}).get("creation_time"), json.dumps(info["format"]))

check_frames(dawn, os.path.join(work, "out/dawn-meridel.mp4"), "1280x720", "2023-06-17T07:31:00Z", [0, 61, 119])
check_frames(later, os.path.join(work, "out/later-meridel.mp4"), "1280x720", "2023-06-17T07:41:00Z", [0, 59])
check_frames(action, os.path.join(work, "out/action-meridel.mp4"), "2704x1520", TRACK_START, [0, 29])

# --- failures: the clip fails, the others go on --------------------------------
result = run("caption", "--gpx", "ride.gpx", "--output", "out", "missing.mp4", "dawn.mp4", "ride.gpx", "-j", "1",
             "--suffix", "-again", "later.mp4")
check("a failed clip makes the exit status 1", result.returncode == 1, result.stderr)
check("a missing clip says so", "meridel: missing.mp4: No such file or directory" in result.stderr, result.stderr)
check("a file that is no video says so",
      "meridel: ride.gpx: is not a video MLT's avformat producer can read" in result.stderr, result.stderr)
check("the other clips are captioned", "meridel: 2 clips captioned, 2 failed" in result.stderr, result.stderr)
result = run("caption", "--gpx", "ride.gpx", "--output", "out", "dawn.mp4")
check("an existing output fails its clip",
      result.returncode == 1 and "meridel: dawn.mp4: out/dawn-meridel.mp4 exists (--overwrite replaces it)"
      in result.stderr, result.stderr)
before = os.stat(os.path.join(work, "out/later-meridel.mp4")).st_mtime_ns
result = run("caption", "--gpx", "ride.gpx", "--output", "out", "--overwrite", "-q", "later.mp4")
check("--overwrite replaces it, and --quiet says nothing when all went well",
      result.returncode == 0 and result.stderr == "" and
      os.stat(os.path.join(work, "out/later-meridel.mp4")).st_mtime_ns != before, result.stderr)

# --- bad usage and a bad track -------------------------------------------------
with open(os.path.join(work, "empty.gpx"), "w") as f:
    f.write('<?xml version="1.0"?><gpx version="1.1"><trk><trkseg></trkseg></trk></gpx>\n')
for args, status, words in [
    (["caption", "--gpx", "ride.gpx", "--utc-offset", "+25:00", "dawn.mp4"], 2,
     'meridel: --utc-offset "+25:00" is not an offset such as +02:00 or -03:30; see meridel --help'),
    (["caption", "--gpx", "ride.gpx", "--start", "yesterday", "dawn.mp4"], 2, '--start "yesterday" is not clip'),
    (["caption", "--gpx", "ride.gpx", "--text-color", "sky", "dawn.mp4"], 2, '--text-color "sky" is not a colour'),
    (["caption", "--gpx", "ride.gpx", "--jobs", "0", "dawn.mp4"], 2, '--jobs "0" is not a number of clips'),
    (["caption", "--gpx", "ride.gpx", "--frobnicate", "dawn.mp4"], 2, "there is no option --frobnicate"),
    (["caption", "dawn.mp4"], 2, "name the track: --gpx TRACK.gpx"),
    (["caption", "--gpx", "ride.gpx"], 2, "name at least one clip"),
    (["render", "dawn.mp4"], 2, '"render" is not caption or inspect'),
    (["caption", "--gpx", "empty.gpx", "dawn.mp4"], 1, "meridel: empty.gpx: No trkpt in GPX file"),
    (["caption", "--gpx", "nowhere.gpx", "dawn.mp4"], 1, "meridel: nowhere.gpx: File load error"),
]:
    result = run(*args)
    check(f"{' '.join(args[:4])}: exit {status}, {words!r}", result.returncode == status and words in result.stderr,
          f"exit {result.returncode}: {result.stderr}")

# MLT's own folder lacks the filter: the real binary, not the build's wrapper.
binary = re.search(r"exec '([^']+)'", open(meridel).read()).group(1)
env = dict(os.environ, MLT_REPOSITORY="/usr/lib/x86_64-linux-gnu/mlt-7")
result = subprocess.run([binary, "caption", "--gpx", "ride.gpx", "dawn.mp4"], cwd=work, capture_output=True,
                        text=True, env=env, timeout=60)
check("without the filter: exit 1 and which package to install",
      result.returncode == 1 and "install the meridel-mlt package" in result.stderr, result.stderr)

# --- help and version (tests/cli/ checks that both texts list every option) -----
check("meridel --help", run("--help").stdout.startswith("meridel "))
check("meridel --version", run("--version").stdout.startswith("meridel "))

# --- inspect ---------------------------------------------------------------------
result = run("inspect", "--gpx", "ride.gpx", "dawn.mp4", "action.mp4")
for line in ["dawn.mp4\n  created   2023-06-17 07:31:00 UTC", "  duration  0:00:04.00 (120 frames)",
             "  video     1280x720 at 29.97 fps (30000/1001), h264", "  audio     aac, 48000 Hz, 2 channels",
             "  moments   2023-06-17 07:31:00 to 07:31:03 UTC, inside the track",
             "action.mp4\n  created   not recorded", "  video     2704x1520 at 29.97 fps"]:
    check(f"inspect says {line.strip()[:50]!r}", result.returncode == 0 and line in result.stdout, result.stdout)
check("inspect encodes nothing", not os.path.exists(os.path.join(work, "dawn-meridel.mp4")))

# --- Ctrl-C mid-run --------------------------------------------------------------
make_clip(f"{work}/long.mp4", "1280x720", RATE, 30, "2023-06-17T07:35:00Z", audio="stereo")
child = subprocess.Popen([meridel, "caption", "--gpx", "ride.gpx", "--output", "stopped", "long.mp4"], cwd=work,
                         stderr=subprocess.PIPE, text=True)
said = ""
for line in child.stderr:
    said += line
    if re.match(r"long\.mp4: \d+% ", line):  # the first tenth, as polled
        break
child.send_signal(signal.SIGINT)
said += child.stderr.read()
status = child.wait(timeout=60)
left = os.listdir(os.path.join(work, "stopped")) if os.path.isdir(os.path.join(work, "stopped")) else []
check("Ctrl-C exits 130 and leaves no output", status == 130 and left == [] and
      "long.mp4: interrupted; nothing written to stopped/long-meridel.mp4" in said, f"exit {status}, {left}: {said}")

# --- a disk that fills, in a mount namespace of the test's own -------------------
if os.geteuid() == 0 and subprocess.run(["unshare", "--mount", "true"]).returncode == 0:
    small = os.path.join(work, "small")
    os.makedirs(small, exist_ok=True)
    result = subprocess.run(["unshare", "--mount", "sh", "-c",
                             f"mount -t tmpfs -o size=512k tmpfs '{small}' && '{meridel}' caption --gpx ride.gpx "
                             f"--output '{small}' dawn.mp4 later.mp4; status=$?; ls -A '{small}'; exit $status"],
                            cwd=work, capture_output=True, text=True, timeout=240)
    check("a full disk fails the clip, says so and removes its output",
          result.returncode == 1 and "no space left on the disk" in result.stderr and result.stdout == "",
          f"exit {result.returncode}, left {result.stdout!r}: {result.stderr}")
else:
    print("skip a full disk: needs root and mount namespaces")

# --- progress on a terminal -------------------------------------------------------
pid, fd = pty.fork()
if pid == 0:
    os.chdir(work)
    os.execv(meridel, [meridel, "caption", "--gpx", "ride.gpx", "--output", "tty", "dawn.mp4", "later.mp4"])
screen = b""
while True:
    try:
        chunk = os.read(fd, 65536)
    except OSError:
        break
    if not chunk:
        break
    screen += chunk
_, status = os.waitpid(pid, 0)
text = screen.decode("utf-8", "replace")
check("on a terminal each clip's line is redrawn in place",
      os.waitstatus_to_exitcode(status) == 0 and re.search(r"\x1b\[\d+F\r(dawn|later)\.mp4 +\d+%  [\d.]+ fps  \d+:\d\d left",
                                                            text) is not None and "later.mp4: captioned in" in text
      and not re.search(r"^dawn\.mp4: \d+% \(", text, re.M), text[-2000:])

finish()
