#!/usr/bin/env python3
"""Writes docs/performance.md from the results of one bench/run.sh run.

  report.py RESULTS_DIR OUT.md

Everything above the notes marker is generated; the hand-written notes below
it in an existing OUT.md are kept. Windows figures come from
RESULTS_DIR/windows.jsonl when the run measured them (see the section's text).
What it says about the machine is read from it, not assumed: the processor,
the cores, the load at the run's start and end, the run's length, and whether
the kernel ran the 32-bit programs itself or binfmt_misc handed them to qemu.
"""

import datetime
import json
import os
import platform
import re
import statistics
import subprocess
import sys

NOTES_MARKER = "<!-- Notes below this line are kept when bench/run.sh rewrites the file. -->"
FRAME_PERIOD_NS = 1001 / 30000 * 1e9  # one frame at 29.97 fps
REPRODUCE = "sudo bench/run.sh"
BINFMT_MISC = "/proc/sys/fs/binfmt_misc"


def load_json(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def to_ns(value, unit):
    return value * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]


def medians(path):
    """Benchmark name -> (cpu ns, real ns) of the median aggregate."""
    out = {}
    for b in load_json(path)["benchmarks"]:
        if b.get("aggregate_name", "median") == "median":
            out[b["run_name"]] = (to_ns(b["cpu_time"], b["time_unit"]), to_ns(b["real_time"], b["time_unit"]))
    return out


def single(path):
    b = load_json(path)["benchmarks"][0]
    if b.get("error_occurred"):
        sys.exit(f"report: {path}: {b.get('error_message')}")
    return b


def tool_records(path):
    records = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            record = json.loads(line)
            records[record["label"]] = record
    return records


def ns(value):
    if value >= 1e9:
        return f"{value / 1e9:.2f} s"
    if value >= 1e6:
        return f"{value / 1e6:.1f} ms"
    if value >= 1e3:
        return f"{value / 1e3:.2f} µs"
    return f"{value:.1f} ns"


def mib(kib):
    return f"{kib / 1024:.0f} MiB"


def ratio(value):
    if value < 0.01:
        return f"{value:.1g}×"
    return f"{value:.2f}×" if value < 10 else f"{value:.0f}×"


def met(ok):
    return "yes" if ok else "**no**"


def command_output(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return ""


def qemu_entry(binfmt=BINFMT_MISC):
    """(name, interpreter) of the enabled binfmt_misc entry that hands 32-bit x86
    programs to qemu, or None: then the kernel runs them itself."""
    try:
        if open(os.path.join(binfmt, "status")).read().strip() != "enabled":
            return None
        names = sorted(os.listdir(binfmt))
    except OSError:
        return None
    for name in names:
        try:
            text = open(os.path.join(binfmt, name)).read()
        except OSError:
            continue
        interpreter = re.search(r"^interpreter (\S+)", text, re.M)
        if text.startswith("enabled") and interpreter \
                and os.path.basename(interpreter.group(1)).startswith("qemu-i386"):
            return name, interpreter.group(1)
    return None


def how_32bit_ran(qemu):
    if qemu:
        return f"through qemu's user-mode emulator (binfmt_misc entry `{qemu[0]}`, `{qemu[1]}`)"
    return "natively, on the kernel (no binfmt_misc entry hands them to an emulator)"


def machine(results, qemu, ran_32bit):
    cpu = re.search(r"Model name:\s*(.+)", command_output(["lscpu"]))
    memory = re.search(r"MemTotal:\s*(\d+)", open("/proc/meminfo").read())
    release = re.search(r'PRETTY_NAME="(.+)"', open("/etc/os-release").read())
    compiler = command_output(["c++", "--version"]).splitlines()
    start, end = os.path.join(results, "loadavg-start"), os.path.join(results, "loadavg-end")
    load_start = open(start).read().split()[:3]
    load_end = open(end).read().split()[:3]
    # bench/run.sh writes the two load figures first and last: their times frame the run.
    minutes = (os.path.getmtime(end) - os.path.getmtime(start)) / 60
    lines = [
        f"- Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC",
        f"- Machine: {cpu.group(1) if cpu else platform.processor()}, {os.cpu_count()} cores, "
        f"{int(memory.group(1)) / 1024 / 1024:.0f} GiB; {release.group(1) if release else ''}, "
        f"Linux {platform.release()}; {compiler[0] if compiler else 'c++'}, Release build (-O3)",
        f"- Load average (1, 5, 15 min) on the {os.cpu_count()} cores: {' '.join(load_start)} at the start, "
        f"{' '.join(load_end)} at the end (the run's own load included). Wall times carry whatever else ran; "
        "CPU times (what the measured process itself spent) are the figures compared below.",
    ]
    if ran_32bit:
        lines.append(f"- 32-bit programs (Wine's, section 4) ran {how_32bit_ran(qemu)}.")
    lines.append(f"- Reproduce: `{REPRODUCE}` (as root; this run took {minutes:.0f} minutes).")
    return lines


def frame_section(micro):
    frame_cpu, frame_real = micro["BM_FrameCallback"]
    caption_cpu, _ = micro["BM_BuildCaption"]
    lookup_cpu, _ = micro["BM_LookupPosition_InOrder"]
    rows = [
        "| Measured | CPU time | Wall time | Goal | Ratio |",
        "|---|---|---|---|---|",
        f"| `FrameCallback`, sync off, no-op `DrawTextOnFrame`, frames in order over 10,000 points | "
        f"{ns(frame_cpu)} | {ns(frame_real)} | under 1 µs: {met(frame_cpu < 1000)} | "
        f"{ratio(frame_cpu / 1000)} of the goal; {frame_cpu / FRAME_PERIOD_NS * 100:.4f} % of a 29.97 fps frame |",
        f"| `BuildCaption` alone | {ns(caption_cpu)} | {ns(micro['BM_BuildCaption'][1])} | within the frame's 1 µs | "
        f"{caption_cpu / frame_cpu * 100:.0f} % of `FrameCallback` |",
        f"| `LookupPosition` alone, in order (29.97 fps moments) | {ns(lookup_cpu)} | "
        f"{ns(micro['BM_LookupPosition_InOrder'][1])} | within the frame's 1 µs | "
        f"{lookup_cpu / frame_cpu * 100:.1f} % of `FrameCallback` |",
    ]
    jumps = sorted((int(name.split("/")[1]), value) for name, value in micro.items()
                   if name.startswith("BM_LookupPosition_Jumps/"))
    for jump, (cpu, real) in jumps:
        rows.append(f"| `LookupPosition` with jumps of {jump:,} s ({jump:,} point{'s' if jump != 1 else ''}) back and forth | {ns(cpu)} | "
                    f"{ns(real)} | no goal: the walk is the design | {ratio(cpu / lookup_cpu)} the in-order lookup; "
                    f"{cpu / jump:.2f} ns per point walked |")
    return rows, [
        ("Per frame, `FrameCallback` (native)", ns(frame_cpu), "under 1 µs", met(frame_cpu < 1000)),
    ]


def import_section(results, tools):
    rows = [
        "| Points (file size) | Meridel `ImportGpx`: CPU / wall / peak | gpsbabel GPX → CSV: CPU / wall / peak | "
        "gpxpy parse + walk: CPU / wall / peak | gpsbabel ÷ Meridel (CPU) | gpxpy ÷ Meridel (CPU) | Faster than both |",
        "|---|---|---|---|---|---|---|",
    ]
    summary = []
    for n in (10000, 100000, 1000000):
        ours = tools[f"meridel-{n}"]
        runs = [single(os.path.join(results, f"import-{n}-{run}.json")) for run in range(1, ours["runs"] + 1)]
        for b in runs:
            if int(b["points"]) != n:
                sys.exit(f"report: the import of {n} points took {b['points']}")
        ours_cpu = statistics.median(to_ns(b["cpu_time"], b["time_unit"]) for b in runs)
        ours_real = statistics.median(to_ns(b["real_time"], b["time_unit"]) for b in runs)
        ours_peak = ours["peak_kib"]
        babel = tools[f"gpsbabel-{n}"]
        py = tools[f"gpxpy-{n}"]
        inside = json.loads(py["stdout"])
        if inside["points"] != n:
            sys.exit(f"report: gpxpy walked {inside['points']} points of {n}")
        size = int(open(os.path.join(results, f"size-{n}")).read()) / 1e6
        babel_ratio = babel["cpu_s"] * 1e9 / ours_cpu
        py_ratio = inside["cpu_s"] * 1e9 / ours_cpu
        ok = babel_ratio > 1 and py_ratio > 1
        rows.append(
            f"| {n:,} ({size:.0f} MB) | {ns(ours_cpu)} / {ns(ours_real)} / {mib(ours_peak)} | "
            f"{ns(babel['cpu_s'] * 1e9)} / {ns(babel['wall_s'] * 1e9)} / {mib(babel['peak_kib'])} | "
            f"{ns(inside['cpu_s'] * 1e9)} / {ns(inside['wall_s'] * 1e9)} / {mib(py['peak_kib'])} | "
            f"{ratio(babel_ratio)} | {ratio(py_ratio)} | {met(ok)} |")
        summary.append((f"Import of {n:,} points (native)", f"{ns(ours_cpu)}, peak {mib(ours_peak)}",
                        "faster than gpsbabel and gpxpy",
                        f"{met(ok)} ({ratio(babel_ratio)} and {ratio(py_ratio)} faster)"))
    return rows, summary


def sync_section(results, tools, micro):
    present = single(os.path.join(results, "sync-present.json"))
    absent = single(os.path.join(results, "sync-absent.json"))
    for b, label in ((present, "JOSM present"), (absent, "JOSM absent (connection refused)")):
        if b.get("label") != label:
            sys.exit(f"report: expected '{label}', the benchmark measured '{b.get('label')}'")
    frames = int(present["iterations"])
    curl_present = tools["curl-present"]
    curl_absent = tools["curl-absent"]
    answers = curl_present["stdout"].split()
    if len(answers) != frames or set(answers) != {"200"}:
        sys.exit("report: curl's baseline did not get one 200 answer per frame's request")
    log = [json.loads(line) for line in open(os.path.join(results, "standin-module-present.log"), encoding="utf-8")]
    module_requests = sum(1 for entry in log if entry["user_agent"] == "")
    present_ns = to_ns(present["real_time"], present["time_unit"])
    absent_ns = to_ns(absent["real_time"], absent["time_unit"])
    curl_ns = curl_present["wall_s"] * 1e9 / frames
    curl_refused_ns = curl_absent["wall_s"] * 1e9 / frames
    frame_cpu, _ = micro["BM_FrameCallback"]
    rows = [
        f"{frames:,} frames with \"JOSM sync\" ticked, through the libcurl client, against the JOSM stand-in "
        f"(tools/josm_standin.py, which logged {module_requests:,} requests from the module and answered each "
        f"with 200); then the same {frames:,} requests by one `curl` process. With JOSM absent nothing listens "
        "on the port. Each of the four runs has a network namespace of its own. Wall times: each frame waits for "
        "its exchange.",
        "",
        "| Measured | Per frame (wall) | Frames per second | Baseline | Ratio |",
        "|---|---|---|---|---|",
        f"| Sync on, JOSM present | {ns(present_ns)} | {1e9 / present_ns:,.0f} | `curl`, the same GETs: "
        f"{ns(curl_ns)} each | {ratio(present_ns / curl_ns)} curl's time |",
        f"| Sync on, JOSM absent (connection refused; {int(absent['requests']):,} request(s) sent, the other frames "
        f"within the quiet period) | {ns(absent_ns)} | {1e9 / absent_ns:,.0f} | `curl`, "
        f"refused: {ns(curl_refused_ns)} each | {ratio(absent_ns / curl_refused_ns)} curl's time |",
        f"| Sync off (from section 1, CPU) | {ns(frame_cpu)} | {1e9 / frame_cpu:,.0f} | | sync on costs "
        f"{ratio(present_ns / frame_cpu)} a frame without it |",
    ]
    summary = [
        ("Sync per frame, JOSM present (native)", f"{ns(present_ns)} ({1e9 / present_ns:,.0f} frames/s)",
         "beside curl's plain GET", f"{ratio(present_ns / curl_ns)} curl's {ns(curl_ns)}"),
        ("Sync per frame, JOSM absent (native)", ns(absent_ns), "beside curl's refused GET",
         f"{ratio(absent_ns / curl_refused_ns)} curl's {ns(curl_refused_ns)}"),
    ]
    return rows, summary


WINDOWS_PENDING = [
    "Not measured in this run (`bench/run.sh --native-only`). `sudo bench/run.sh` measures them: the stand-in "
    "host (`standin_host.exe bench`) loads the Release `meridel.auf` under Wine and times it from inside the "
    "32-bit process.",
]

def windows_intro(qemu, ran_32bit):
    text = ("Measured by the stand-in host (`standin_host.exe bench`) inside one 32-bit Wine process, with the "
            "Release `meridel.auf`, the same files and the same JOSM stand-in")
    if ran_32bit:
        text += f". On this machine the 32-bit programs ran {how_32bit_ran(qemu)}"
    if ran_32bit and qemu:
        text += (": every instruction is translated, so these figures are many times slower than the same module "
                 "on Windows or under Wine on a kernel that runs 32-bit code")
    return (text + ". The peak is the resident set of the Linux process that runs the 32-bit program (VmHWM, "
            f"reset before each import), so it includes Wine{' and the emulator' if qemu else ''} as well as the "
            "module.")


def ran_32bit(records):
    """Whether the Windows run measured anything: only then did 32-bit programs run."""
    return any("figure" in record for record in records or [])


def windows_records(results):
    """The Windows run's records, or None when the run left it out."""
    path = os.path.join(results, "windows.jsonl")
    if not os.path.exists(path):
        return None
    return [json.loads(line) for line in open(path, encoding="utf-8") if line.strip().startswith("{")]


def windows_section(results, lines, tools, native_frame_cpu, qemu):
    if lines is None:
        return WINDOWS_PENDING, [
            ("Per frame under Wine", "not measured in this run", "under 3 µs", "—"),
            ("Import of 1,000,000 points, 32-bit peak", "not measured in this run", "under 1 GB", "—"),
        ]
    status = int(open(os.path.join(results, "windows-status")).read())
    rows = [windows_intro(qemu, ran_32bit(lines)), ""]
    frame_label = "Per frame under Wine" + (" (through qemu)" if qemu else "")
    errors = [line["error"] for line in lines if "error" in line]
    if status != 0 or errors:
        rows += [f"**The Windows run ended early** (exit status {status}"
                 + (f"; {'; '.join(errors)}" if errors else "") + "): the figures it did not reach are missing.", ""]
    imports = [line for line in lines if line.get("figure") == "import"]
    frame = next((line for line in lines if line.get("figure") == "frame"), None)
    syncs = {line["josm"]: line for line in lines if line.get("figure") == "sync"}
    rows += ["| Measured | CPU time | Wall time | Goal or baseline | Ratio | Met |", "|---|---|---|---|---|---|"]
    summary = []

    if frame:
        frame_cpu = frame["cpu_ns"] / frame["frames"]
        frame_wall = frame["wall_ns"] / frame["frames"]
        rows.append(f"| `FrameCallback` per frame, sync off, no-op `DrawTextOnFrame`, {frame['frames']:,} frames in "
                    f"order over 10,000 points | {ns(frame_cpu)} | {ns(frame_wall)} | under 3 µs | "
                    f"{ratio(frame_cpu / 3000)} the goal; {ratio(frame_cpu / native_frame_cpu)} the native build | "
                    f"{met(frame_cpu < 3000)} |")
        summary.append((frame_label, ns(frame_cpu), "under 3 µs", met(frame_cpu < 3000)))
    else:
        summary.append((frame_label, "not reached", "under 3 µs", "—"))

    # The second one-point import: the dialog and the message box alone.
    dialogs = [line for line in imports if line["points"] == 1]
    dialog = dialogs[-1] if dialogs else {"cpu_ns": 0, "wall_ns": 0}
    if dialogs:
        rows.append(f"| The \"GPS file\" dialog and message box alone (a one-point file) | {ns(dialog['cpu_ns'])} | "
                    f"{ns(dialog['wall_ns'])} | subtracted below | | |")
    seen = set()
    for line in imports:
        n = line["points"]
        if n == 1 or n in seen:
            continue  # the track imported again for the frames
        seen.add(n)
        cpu = line["cpu_ns"] - dialog["cpu_ns"]
        wall = line["wall_ns"] - dialog["wall_ns"]
        peak = line["resident_peak"]
        rise = peak - line["resident_before"]
        babel = tools[f"gpsbabel-{n}"]["cpu_s"] * 1e9
        gpxpy = json.loads(tools[f"gpxpy-{n}"]["stdout"])["cpu_s"] * 1e9
        goal = "peak under 1 GB" if n == 1000000 else "no goal of its own"
        ok = met(peak < 1e9) if n == 1000000 else ""
        rows.append(f"| Import of {n:,} points: time less the dialog's; peak resident (rise during the import) | "
                    f"{ns(cpu)} | {ns(wall)}; {mib(peak / 1024)} ({mib(rise / 1024)}) | {goal}; native gpsbabel "
                    f"{ns(babel)}, gpxpy {ns(gpxpy)} | the native tools take {ratio(babel / cpu)} (gpsbabel) and "
                    f"{ratio(gpxpy / cpu)} (gpxpy) this time | {ok} |")
    big = next((line for line in imports if line["points"] == 1000000), None)
    summary.append(("Import of 1,000,000 points under Wine, peak of the 32-bit process",
                    f"{mib(big['resident_peak'] / 1024)} ({ns(big['cpu_ns'] - dialog['cpu_ns'])})" if big else
                    "not reached", "under 1 GB", met(big["resident_peak"] < 1e9) if big else "—"))

    curl = tools["curl-present"]
    curl_ns = curl["wall_s"] * 1e9 / len(curl["stdout"].split())
    refused = tools["curl-absent"]
    curl_refused_ns = refused["wall_s"] * 1e9 / len(refused["stdout"].split())
    for josm, baseline, label in (("present", curl_ns, "plain GET"), ("absent", curl_refused_ns, "refused GET")):
        line = syncs.get(josm)
        if not line:
            summary.append((f"Sync per frame under Wine (WinINet), JOSM {josm}", "not reached",
                            f"beside curl's {label}", "—"))
            continue
        if josm == "present" and line["requests_received"] != line["frames"]:
            sys.exit(f"report: the JOSM stand-in received {line['requests_received']} of {line['frames']} requests")
        per_frame = line["wall_ns"] / line["frames"]
        rows.append(f"| Sync on (WinINet), JOSM {josm}: {line['frames']:,} frames, {1e9 / per_frame:,.0f} frames/s | "
                    f"{ns(line['cpu_ns'] / line['frames'])} | {ns(per_frame)} | native `curl`, {label}: "
                    f"{ns(baseline)} | {ratio(per_frame / baseline)} curl's time | |")
        summary.append((f"Sync per frame under Wine (WinINet), JOSM {josm}",
                        f"{ns(per_frame)} ({1e9 / per_frame:,.0f} frames/s)", f"beside curl's {label}",
                        f"{ratio(per_frame / baseline)} curl's {ns(baseline)}"))
    return rows, summary


FFMPEG_FRAMES = 1800
FFMPEG_WAYS = (("meridel", "`meridel.so`"), ("conversion", "conversion alone"), ("drawtext", "`drawtext`"))


def ffmpeg_medians(path):
    """(way, output) -> (CPU s, wall s, every round's CPU s), the medians of the rounds."""
    runs = {}
    for record in map(json.loads, open(path, encoding="utf-8")):
        way, output, _ = record["label"].split("-")
        runs.setdefault((way, output), []).append((record["cpu_s"], record["wall_s"]))
    return {key: (statistics.median(r[0] for r in values), statistics.median(r[1] for r in values),
                  [r[0] for r in values])
            for key, values in runs.items()}


def rounds(cpus):
    return ", ".join(f"{cpu:.1f}" for cpu in cpus)


def frei0r_section(results):
    micro = medians(os.path.join(results, "frei0r.json"))
    update_cpu, update_real = micro["BM_Frei0rUpdate"]
    copy_cpu, copy_real = micro["BM_FrameCopy"]
    update_ratio = update_cpu / copy_cpu
    runs = ffmpeg_medians(os.path.join(results, "ffmpeg.jsonl"))
    version = open(os.path.join(results, "ffmpeg-version")).read().split(" Copyright")[0].strip()
    rows = [
        "Google Benchmark, median of five repetitions: `f0r_update` of the Release `meridel.so`, loaded with "
        "`dlopen` as hosts load it, on 1920x1080 RGBA frames in order at 29.97 fps (separate input and output, as "
        "ffmpeg passes them; default caption, sync off), beside `memcpy` of the same frame between the same buffers.",
        "",
        "| Measured | CPU time | Wall time | Goal or baseline | Ratio | Met |",
        "|---|---|---|---|---|---|",
        f"| `f0r_update` per 1080p frame | {ns(update_cpu)} | {ns(update_real)} | at most 1.5× the copy | "
        f"{ratio(update_ratio)} the copy; the caption adds {ns(update_cpu - copy_cpu)} | {met(update_ratio <= 1.5)} |",
        f"| A plain copy of the frame | {ns(copy_cpu)} | {ns(copy_real)} | the baseline | | |",
        "",
        f"{version} with `FREI0R_PATH` at the Release build: a generated source (testsrc2, {FFMPEG_FRAMES:,} frames "
        "of 1920x1080 at 30000/1001, H.264) three ways: `format=rgba,frei0r=meridel:TRACK,format=yuv420p`; the "
        "conversion alone, `format=rgba,format=yuv420p` (what every frei0r filter pays in ffmpeg, the floor for "
        "ours); `drawtext` with two lines of the caption's length, DejaVu Sans Mono at 36 px (our default size "
        "at 1080p) with `borderw=1`, which works on YUV. Each encoded by libx264 with its defaults, and to a null "
        "output, which shows the filters' own share best. Three rounds in turn, the median of each; CPU time is "
        "user + system of the ffmpeg process, all its threads.",
        "",
        "| Output | `meridel.so`: CPU / wall | Conversion alone: CPU / wall | `drawtext`: CPU / wall | "
        "Ours ÷ conversion (CPU) | Ours ÷ drawtext (CPU) | Conversion ÷ drawtext (CPU) | Ours per frame beyond the conversion |",
        "|---|---|---|---|---|---|---|---|",
    ]
    summary = []
    spread = []
    for output, label in (("x264", "libx264"), ("null", "null output")):
        ours, conversion, drawtext = (runs[(way, output)] for way, _ in FFMPEG_WAYS)
        to_conversion = ours[0] / conversion[0]
        to_drawtext = ours[0] / drawtext[0]
        extra = (ours[0] - conversion[0]) * 1e9 / FFMPEG_FRAMES
        rows.append(f"| {label} | {ours[0]:.2f} s / {ours[1]:.2f} s | {conversion[0]:.2f} s / {conversion[1]:.2f} s | "
                    f"{drawtext[0]:.2f} s / {drawtext[1]:.2f} s | {ratio(to_conversion)} | {ratio(to_drawtext)} | "
                    f"{ratio(conversion[0] / drawtext[0])} | {ns(extra)} |")
        spread.append(f"{label}: ours {rounds(ours[2])}; conversion {rounds(conversion[2])}; "
                      f"drawtext {rounds(drawtext[2])}")
        if output == "x264":
            summary.append((f"`meridel.so` in ffmpeg, {FFMPEG_FRAMES:,} frames of 1080p to libx264 (CPU)",
                            f"{ours[0]:.1f} s", "at most 1.1× the conversion alone",
                            f"{met(to_conversion <= 1.1)} ({ratio(to_conversion)} the conversion; "
                            f"{ratio(to_drawtext)} drawtext)"))
        else:
            summary.append((f"`meridel.so` in ffmpeg, the same to a null output (CPU)", f"{ours[0]:.1f} s",
                            "beside the conversion alone and drawtext",
                            f"{ratio(to_conversion)} the conversion; {ratio(to_drawtext)} drawtext"))
    rows += ["", "CPU seconds of each round, in the order run: " + "; ".join(spread) + "."]
    summary.append(("`meridel.so` `f0r_update` per 1080p frame", ns(update_cpu), "at most 1.5× a plain copy",
                    f"{met(update_ratio <= 1.5)} ({ratio(update_ratio)} the copy's {ns(copy_cpu)})"))
    return rows, summary


MELT_FRAMES = 600
MELT_WAYS = (("none", "no filter"), ("meridel", "`meridel`"), ("gpstext", "MLT's `gpstext`"),
             ("frei0r", "`frei0r.meridel`"))
MELT_GOAL = 1.03  # `meridel` beside no filter


def melt_section(results):
    runs = {}
    for record in map(json.loads, open(os.path.join(results, "melt.jsonl"), encoding="utf-8")):
        way, _ = record["label"].split("-")
        runs.setdefault(way, []).append((record["cpu_s"], record["wall_s"]))
    medians = {way: (statistics.median(r[0] for r in values), statistics.median(r[1] for r in values),
                     [r[0] for r in values]) for way, values in runs.items()}
    version = open(os.path.join(results, "melt-version")).read().strip()
    none = medians["none"][0]
    rows = [
        f"{version}, with `MLT_REPOSITORY` and `MLT_DATA` at the Release build's `mlt/` folders: a generated source "
        f"(testsrc2, {MELT_FRAMES} frames of 1920x1080 at 30000/1001, H.264, with a creation time) rendered with "
        "profile `atsc_1080p_2997` to libx264 (`preset=veryfast`, `an=1`, `real_time=-1`) four ways: no filter; "
        "`-filter meridel:TRACK`; MLT's `gpstext` showing the same two lines (`#gps_datetime_now %Y-%m-%d "
        "%H:%M:%S#` and `#gps_lat# #gps_lon#`, DejaVu Sans Mono at 36 px, a one-pixel outline; it needs an X "
        "display, so every way ran with the same Xvfb); `-filter frei0r.meridel`. Three rounds in turn, the median "
        "of each; CPU time is user + system of the whole melt process, all its threads.",
        "",
        "| Way | CPU | Wall | ÷ no filter (CPU) | Per frame beyond no filter | CPU of each round |",
        "|---|---|---|---|---|---|",
    ]
    for way, label in MELT_WAYS:
        cpu, wall, each = medians[way]
        beyond = "" if way == "none" else ns((cpu - none) * 1e9 / MELT_FRAMES)
        rows.append(f"| {label} | {cpu:.2f} s | {wall:.2f} s | {ratio(cpu / none)} | {beyond} | {rounds(each)} |")
    ours = medians["meridel"][0] / none
    summary = [(f"`meridel` in melt, {MELT_FRAMES} frames of 1080p to libx264 (CPU)",
                f"{medians['meridel'][0]:.1f} s", f"at most {MELT_GOAL}× no filter ({none:.1f} s)",
                f"{met(ours <= MELT_GOAL)} ({ratio(ours)}; gpstext {ratio(medians['gpstext'][0] / none)}, "
                f"frei0r.meridel {ratio(medians['frei0r'][0] / none)})")]
    return rows, summary


COMMAND_FRAMES = 1800
COMMAND_WAYS = (("ffmpeg", "`ffmpeg -i SRC -c:v libx264 -preset veryfast -c:a copy OUT`"),
                ("ffmpeg18", "the same with `-crf 18`"),
                ("command", "`meridel caption --gpx TRACK SRC`"),
                ("melt", "`melt SRC -filter meridel:TRACK`, the same encoder settings"))
COMMAND_GOAL = 1.05  # the command beside the plain transcode, CPU and wall
JOBS_GOAL = 0.6  # --jobs 2 on four clips beside four runs one after another, wall


def command_section(results):
    runs = {}
    for record in map(json.loads, open(os.path.join(results, "command.jsonl"), encoding="utf-8")):
        way, _ = record["label"].split("-")
        runs.setdefault(way, []).append((record["cpu_s"], record["wall_s"]))
    medians = {way: (statistics.median(r[0] for r in values), statistics.median(r[1] for r in values),
                     [r[0] for r in values], [r[1] for r in values]) for way, values in runs.items()}
    plain = medians["ffmpeg"]
    rows = [
        f"A generated source (testsrc2, {COMMAND_FRAMES:,} frames of 1920x1080 at 30000/1001, H.264, stereo AAC at "
        "128 kb/s, a creation time) four ways: the plain transcode a user would otherwise run; the same at the "
        "command's quality (CRF 18); `meridel caption` (libx264 CRF 18 `veryfast`, AAC at the source's rate and bit "
        "rate, the meridel filter drawing on yuv420p); melt with the same filter and encoder settings but MLT's "
        "defaults otherwise (`-profile atsc_1080p_2997`, images through yuv422). Three rounds in turn, the median "
        "of each; CPU time is user + system of the whole process tree, all its threads.",
        "",
        "| Way | CPU | Wall | ÷ plain transcode (CPU / wall) | CPU of each round | Wall of each round |",
        "|---|---|---|---|---|---|",
    ]
    for way, label in COMMAND_WAYS:
        cpu, wall, cpus, walls = medians[way]
        rows.append(f"| {label} | {cpu:.2f} s | {wall:.2f} s | {ratio(cpu / plain[0])} / {ratio(wall / plain[1])} | "
                    f"{rounds(cpus)} | {rounds(walls)} |")
    jobs, sequential = medians["jobs2"], medians["sequential"]
    rows += ["", "Four clips of 600 frames of the same source: `meridel caption --jobs 2` on all four, and four runs "
             "of `meridel caption`, one clip each, one after another. Two rounds in turn, the median of each.", "",
             "| Way | Wall | CPU | Wall ÷ one after another |", "|---|---|---|---|",
             f"| `--jobs 2`, four clips | {jobs[1]:.2f} s | {jobs[0]:.2f} s | {ratio(jobs[1] / sequential[1])} |",
             f"| four runs one after another | {sequential[1]:.2f} s | {sequential[0]:.2f} s | |"]
    ours = medians["command"]
    cpu_ratio, wall_ratio = ours[0] / plain[0], ours[1] / plain[1]
    summary = [
        (f"`meridel caption`, {COMMAND_FRAMES:,} frames of 1080p (CPU / wall)", f"{ours[0]:.1f} s / {ours[1]:.1f} s",
         f"at most {COMMAND_GOAL}× the plain transcode ({plain[0]:.1f} s / {plain[1]:.1f} s)",
         f"{met(cpu_ratio <= COMMAND_GOAL and wall_ratio <= COMMAND_GOAL)} ({ratio(cpu_ratio)} / {ratio(wall_ratio)}; "
         f"{ratio(ours[0] / medians['ffmpeg18'][0])} the transcode at CRF 18; melt "
         f"{ratio(medians['melt'][0] / plain[0])})"),
        ("`meridel caption --jobs 2`, four 600-frame clips (wall)", f"{jobs[1]:.1f} s",
         f"at most {JOBS_GOAL}× four runs one after another ({sequential[1]:.1f} s)",
         f"{met(jobs[1] / sequential[1] <= JOBS_GOAL)} ({ratio(jobs[1] / sequential[1])})"),
    ]
    return rows, summary


# "JOSM sync" while JOSM does not answer: the cases of bench/run.sh, natively
# and under Wine, frames at 29.97 fps.
QUIET_CASES = [
    ("absent", "JOSM absent, refused at once (as Linux refuses)", None),
    ("slow-refusal", "JOSM absent, refused after a second (as Windows refuses; first SYN dropped)", "connect"),
    ("dropped", "Nothing answering (every SYN dropped)", "connect"),
    ("dropped-after-answer", "SYNs dropped right after an answer", "connect"),
    ("hang", "JOSM hanging (accepts, never answers)", "receive"),
    ("present", "JOSM present", None),
]


def josm_limits(repo):
    """The module's time-outs and quiet period, in ms, from its source."""
    transport = open(os.path.join(repo, "src/josm/http_transport.h"), encoding="utf-8").read()
    link = open(os.path.join(repo, "src/josm/remote_control.h"), encoding="utf-8").read()
    connect, send, receive = map(int, re.search(r"kJosmTimeouts\{(\d+), (\d+), (\d+)\}", transport).groups())
    quiet = int(re.search(r"kJosmQuietPeriodMs = (\d+)", link).group(1))
    return {"connect": connect, "send": send, "receive": receive, "quiet": quiet}


def quiet_figures(results):
    """Case -> native and Windows figures: average, worst (ns), waits, requests."""
    figures = {}
    for case, _, _ in QUIET_CASES:
        path = os.path.join(results, f"paced-{case}.json")
        if os.path.exists(path):
            c = single(path)
            figures.setdefault(case, {})["native"] = (
                c["average_ms"] * 1e6, c["worst_ms"] * 1e6, int(c["waits"]), int(c["requests"]))
    path = os.path.join(results, "windows.jsonl")
    if os.path.exists(path):
        for line in open(path, encoding="utf-8"):
            if not line.startswith("{"):
                continue
            record = json.loads(line)
            if record.get("figure") == "sync" and record.get("paced"):
                figures.setdefault(record["josm"], {})["windows"] = (
                    record["wall_ns"] / record["frames"], record["worst_ns"], record["waits"],
                    record["requests_received"])
    return figures


def quiet_section(results, repo):
    limits = josm_limits(repo)
    figures = quiet_figures(results)
    rows = [
        f"300 frames with \"JOSM sync\" ticked at 29.97 frames per second, as in playback, each frame timed alone "
        "(the pauses between frames left out). The module waits at most "
        f"{limits['connect']:,} ms for a connection and {limits['receive']:,} ms for an answer, and after a request "
        f"that got no answer sends no sync request for {limits['quiet']:,} ms. Natively through the libcurl client "
        "(`BM_FrameCallback_SyncPaced`), under Wine through WinINet in the stand-in host's bench mode; each native "
        "case in a network namespace of its own, set up by `tools/josm-standin-serve.sh` (nftables rules for the "
        "refusals and drops, the JOSM stand-in for the rest). A frame that took 100 ms or more waited for the "
        "network; the others paid almost nothing. Baseline: the average frame with JOSM present, in the same run.",
        "",
        "| Case | Build | Average frame | Worst frame | Frames that waited | Requests sent (native) or received (Wine) "
        "| Average ÷ JOSM present's | Worst within the time-out |",
        "|---|---|---|---|---|---|---|---|",
    ]
    summary = []
    for case, label, limit_name in QUIET_CASES:
        for build, build_label in (("native", "native (libcurl)"), ("windows", "Wine (WinINet)")):
            value = figures.get(case, {}).get(build)
            if not value:
                rows.append(f"| {label} | {build_label} | not measured | | | | | |")
                continue
            average, worst, waits, requests = value
            present = figures.get("present", {}).get(build)
            versus = ratio(average / present[0]) if present and case != "present" else ""
            if limit_name:
                ok = worst <= (limits[limit_name] + 100) * 1e6
                bound = f"{met(ok)} ({limits[limit_name]:,} ms)"
                summary.append((f"Worst synced frame, {label.split(' (')[0]} ({build_label})",
                                f"{ns(worst)} (average {ns(average)})", f"within the {limits[limit_name]:,} ms "
                                f"time-out", met(ok)))
            else:
                bound = ""
            rows.append(f"| {label} | {build_label} | {ns(average)} | {ns(worst)} | {waits} | {requests} | "
                        f"{versus} | {bound} |")
    return rows, summary

# meridel-mpv.so: bench/run.sh plays the same 1080p60 clip in rounds, each
# round every video output and way in turn.
MPV_WAYS = [("without", "mpv alone"), ("osd", "mpv alone, its own OSD text always on (`--osd-level=3`)"),
            ("with", "with `meridel-mpv.so`, JOSM sync on")]
MPV_OUTPUTS = [("null", "`--vo=null`"), ("window", "`--vo=gpu` in a 960x540 window under Xvfb (software OpenGL)")]


def mpv_version(results):
    return open(os.path.join(results, "mpv-version"), encoding="utf-8").read().split()[1]

def mpv_section(results):
    runs = {}
    failed = []
    for record in map(json.loads, open(os.path.join(results, "mpv.jsonl"), encoding="utf-8")):
        if "error" in record:
            failed.append(f"{record['label']} ({record['error']})")
            continue
        output, way, _ = record["label"].split("-")
        runs.setdefault((output, way), []).append(record)
    requests = sum(1 for _ in open(os.path.join(results, "standin-mpv.log"), encoding="utf-8"))
    played = statistics.median(r["played_s"] for values in runs.values() for r in values)
    frames = statistics.median(r["estimated-frame-count"] for values in runs.values() for r in values)

    def median(values, key):
        return statistics.median(key(r) for r in values)

    def dropped(r):
        return r["frame-drop-count"] + r["decoder-frame-drop-count"]

    rows = [f"mpv {mpv_version(results)} plays a generated clip (testsrc2, 1920x1080 at 60 fps, H.264, "
            f"{played:.0f} s, {frames:,} frames) in real time to its end, without audio (`--ao=null`), with "
            "`--no-config`; three rounds, each output and way in turn, the median of each. Dropped frames are "
            "mpv's `frame-drop-count` plus `decoder-frame-drop-count`, delayed ones `vo-delayed-frame-count`, both "
            "read from mpv at the clip's end. CPU time from `/proc/PID/stat` (mpv's whole process) and "
            "`/proc/PID/task/*/stat` (the plug-in's threads: the one mpv starts for it and `meridel-josm`), read "
            "just before mpv quits, per second of playback. With the plug-in, JOSM's stand-in answered "
            f"{requests} zoom requests in all, one per second shown.", "",
            "| Video output | Way | Dropped frames | Delayed frames | mpv's CPU per second | The plug-in's CPU per "
            "second | Plug-in ÷ mpv |", "|---|---|---|---|---|---|---|"]
    summary = []
    spread = []
    for output, output_text in MPV_OUTPUTS:
        medians_of = {}
        for way, way_text in MPV_WAYS:
            values = runs.get((output, way))
            if not values:
                continue
            drops, delays = median(values, dropped), median(values, lambda r: r["vo-delayed-frame-count"])
            mpv_cpu = median(values, lambda r: r["mpv_cpu_s"] / r["played_s"])
            plugin_cpu = median(values, lambda r: r["plugin_cpu_s"] / r["played_s"])
            medians_of[way] = (drops, delays, mpv_cpu, plugin_cpu)
            share = f"{ratio(plugin_cpu / mpv_cpu)}" if way == "with" and mpv_cpu else ""
            plugin = f"{plugin_cpu * 1e3:.1f} ms" if way == "with" else ""
            rows.append(f"| {output_text} | {way_text} | {drops:g} | {delays:g} | {mpv_cpu * 1e3:.0f} ms | "
                        f"{plugin} | {share} |")
            spread.append(f"{output} {way}: " + ", ".join(f"{dropped(r)}/{r['vo-delayed-frame-count']}/"
                                                        f"{r['mpv_cpu_s']:.2f} s" for r in values))
        if "with" in medians_of and "without" in medians_of:
            ours, alone = medians_of["with"], medians_of["without"]
            summary.append((f"`meridel-mpv.so` in mpv, 1080p60, {output_text}, JOSM sync on: dropped / delayed "
                            "frames", f"{ours[0]:g} / {ours[1]:g}", f"as without it: {alone[0]:g} / {alone[1]:g}",
                            f"{met(ours[0] <= alone[0] and ours[1] <= alone[1])}; the plug-in's threads "
                            f"{ours[3] * 1e3:.1f} ms of CPU per second of playback beside mpv's "
                            f"{ours[2] * 1e3:.0f} ms ({ratio(ours[3] / ours[2])})"))
    rows += ["", "Each run in the order run, dropped / delayed frames / mpv's CPU seconds: " + "; ".join(spread) + "."]
    if failed:
        rows += ["", "Runs that did not finish, left out: " + ", ".join(failed) + "."]
    return rows, summary



def main():
    results, out = sys.argv[1], sys.argv[2]
    micro = medians(os.path.join(results, "micro.json"))
    tools = tool_records(os.path.join(results, "tools.jsonl"))
    frame_rows, frame_summary = frame_section(micro)
    import_rows, import_summary = import_section(results, tools)
    sync_rows, sync_summary = sync_section(results, tools, micro)
    windows = windows_records(results)
    qemu = qemu_entry() if ran_32bit(windows) else None
    windows_rows, windows_summary = windows_section(results, windows, tools, micro["BM_FrameCallback"][0], qemu)
    frei0r_rows, frei0r_summary = frei0r_section(results)
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    quiet_rows, quiet_summary = quiet_section(results, repo)
    melt_rows, melt_summary = melt_section(results)
    mpv_rows, mpv_summary = mpv_section(results)
    command_rows, command_summary = command_section(results)

    notes = ""
    if os.path.exists(out):
        existing = open(out, encoding="utf-8").read()
        if NOTES_MARKER in existing:
            notes = existing.split(NOTES_MARKER, 1)[1].lstrip("\n")

    lines = ["# Performance", "",
             "Written by `bench/run.sh` from one run on one machine; the ratios compare figures of that same run.", ""]
    lines += machine(results, qemu, ran_32bit(windows))
    lines += ["", "## Every figure against its goal", "",
              "| Figure | Measured | Goal or baseline | Met / ratio |", "|---|---|---|---|"]
    for figure, value, goal, outcome in (frame_summary + import_summary + sync_summary + windows_summary
                                         + quiet_summary + frei0r_summary + melt_summary + mpv_summary + command_summary):
        lines.append(f"| {figure} | {value} | {goal} | {outcome} |")
    lines += ["", "## 1. Per-frame cost (native)", "",
              "Google Benchmark, median of five repetitions. A 10,000-point track, one point a second; the "
              "source at 29.97 frames per second, so the frames in order advance the lookup one point every "
              "30 frames (after the last frame the run starts again at frame 0).", ""] + frame_rows
    lines += ["", "## 2. Import throughput (native)", "",
              "Files from `tools/make_gpx.py` (lat, lon, ele, time and an extension per point). Meridel: "
              "`ImportGpx` through the fake platform (load, walk, append, the message recorded), one import "
              "per process timed by Google Benchmark in-process; peak is the benchmark process's maximum resident set "
              "(`/usr/bin/time -v`). gpsbabel: `gpsbabel -t -i gpx -f FILE -o unicsv -F /dev/null`, the whole "
              "process. gpxpy: `gpxpy.parse` and a walk over every point's latitude, longitude and time, timed "
              "inside Debian's python3 (the interpreter's start left out); its peak is the whole process's. "
              "Small files were run several times by each tool (median).", ""] + import_rows
    lines += ["", "## 3. Sync cost per frame (native)", ""] + sync_rows
    lines += ["", "## 4. The Windows build under Wine", ""] + windows_rows
    lines += ["", "## 5. \"JOSM sync\" while JOSM does not answer", ""] + quiet_rows
    lines += ["", "## 6. The frei0r filter, `meridel.so` (native)", ""] + frei0r_rows
    lines += ["", "## 7. The MLT filter, `libmltmeridel.so`, in melt (native)", ""] + melt_rows
    lines += ["", "## 8. The mpv plug-in, `meridel-mpv.so`", ""] + mpv_rows
    lines += ["", "## 9. The `meridel` command (native)", ""] + command_rows
    lines += ["", NOTES_MARKER, "", ""]
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + notes)


if __name__ == "__main__":
    main()
