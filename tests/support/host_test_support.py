"""What the Python host tests share: their checks, and the clips and the
ride they generate. A test puts this folder on its path from its own:

  sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
"""

import os
import shutil
import subprocess
import sys

failures = []


def check(what, ok, detail=""):
    """Prints one check, and `detail` under it when it failed."""
    print(("OK: " if ok else "FAIL: ") + what + ("" if ok or not detail else f"\n     {detail}"), flush=True)
    if not ok:
        failures.append(what)


def finish():
    """Says how the checks went and exits 1 if one failed."""
    print(f"{len(failures)} of the checks failed" if failures else "every check passed")
    sys.exit(1 if failures else 0)


def fresh_dir(path):
    """`path` as an empty folder."""
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", *args], check=True,
                   stdin=subprocess.DEVNULL)


def make_clip(path, size, rate, seconds, creation=None, source="testsrc2", audio=None, keyframes=None):
    """An H.264 yuv420p clip of lavfi's `source` (with its own options after
    "=", if any): `seconds` long at `size` and `rate`, with a creation time
    when given, a 440 Hz tone when `audio` is "stereo" or "mono", and a key
    frame every `keyframes` frames when given. Returns `path`."""
    args = ["-f", "lavfi", "-i", f"{source}{':' if '=' in source else '='}size={size}:rate={rate}"]
    if audio:
        args += ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000"]
    args += ["-t", str(seconds), "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"]
    if keyframes:
        args += ["-g", str(keyframes)]
    if audio:
        args += ["-c:a", "aac", "-ac", "2" if audio == "stereo" else "1", "-b:a", "128k"]
    if creation:
        args += ["-metadata", f"creation_time={creation}"]
    ffmpeg(*args, path)
    return path


def make_gpx(repo, path, points=1200, start=None):
    """tools/make_gpx.py's ride of `points` points a second apart, from
    `start` (ISO 8601 UTC) or the tool's own start. Returns `path`."""
    args = [sys.executable, os.path.join(repo, "tools/make_gpx.py"), "--points", str(points), "--output", path]
    if start:
        args += ["--start", start.rstrip("Z")]
    subprocess.run(args, check=True, stdin=subprocess.DEVNULL)
    return path
