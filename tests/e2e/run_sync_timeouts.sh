#!/usr/bin/env bash
# "JOSM sync" while JOSM does not answer, with the real module under Wine:
# 300 frames at the source's rate while connections to port 8111 are refused
# only after a second (Windows' slow refusal of a closed loopback port), 300
# with a stand-in that accepts and never answers, JOSM coming up just after
# a refused request, then 300 while every connection attempt is dropped (a
# firewall; Wine's WinINet applies no connect time-out, so only the module's
# own check bounds these): once after a pause, once right after answers (JOSM
# frozen mid-playback). Checks that the worst frame
# waits no longer than the connection (or answer) time-out, that at most one
# frame per quiet period waits, that the other frames pay almost nothing,
# and that requests reach JOSM again within the quiet period.
#
#   run_sync_timeouts.sh STANDIN_HOST.exe MERIDEL.auf OUT_DIR
#
# Runs in a network namespace of its own (its nftables rule and its port 8111
# touch nothing else) with a Wine prefix and wineserver of its own. Exits 77
# when that, or Wine, cannot be had here.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -eq 3 ] || { echo "usage: $0 STANDIN_HOST.exe MERIDEL.auf OUT_DIR" >&2; exit 2; }
host=$1 module=$2 out=$3

if [ -z "${MERIDEL_SYNC_NAMESPACE:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! unshare --net true 2>/dev/null || ! command -v nft >/dev/null; then
    echo "SKIPPED: needs root, network namespaces and nft (scripts/setup.sh installs nftables)" >&2
    exit 77
  fi
  exec unshare --net env MERIDEL_SYNC_NAMESPACE=1 "$0" "$@"
fi
ip link set lo up
nft list ruleset >/dev/null 2>&1 || { echo "SKIPPED: nft cannot set rules in a namespace here" >&2; exit 77; }

# Wine makes its sockets in its wineserver, which must run in this namespace.
MERIDEL_WINEPREFIX=$("$repo/tools/wine-run.sh" --own-prefix sync) || exit $?  # 77: no Wine here
export MERIDEL_WINEPREFIX
exec 8>"$MERIDEL_WINEPREFIX.run-lock"
flock 8  # one run at a time in this prefix, so its wineserver is ours

rm -rf "$out"
mkdir -p "$out/josm"
out=$(cd "$out" && pwd)
: >"$out/josm/log.jsonl"
python3 "$repo/tools/make_gpx.py" --points 600 --output "$out/track.gpx" || exit 1

"$repo/tools/josm-standin-serve.sh" "$out/josm" &
driver=$!
finish() {
  kill "$driver" 2>/dev/null
  wait "$driver" 2>/dev/null
  WINEPREFIX="$MERIDEL_WINEPREFIX" wineserver -w 2>/dev/null
}
trap finish EXIT
trap 'exit 143' TERM INT

timeout --kill-after=10 240 "$repo/tools/wine-run.sh" "$host" bench "$module" --josm "$out/josm" --frames 1000 \
  --sync-frames 300 --sync-paced --sync-cases slow-refusal,hang,resume,dropped,dropped-after-answer "$out/track.gpx" >"$out/figures.jsonl"
status=$?
[ "$status" -eq 77 ] && exit 77

python3 - "$out/figures.jsonl" "$status" "$repo" <<'PY'
import json, math, re, sys

# The module's limits, from its source.
transport = open(sys.argv[3] + "/src/josm/http_transport.h").read()
CONNECT_MS, _, ANSWER_MS = map(int, re.search(r"kJosmTimeouts\{(\d+), (\d+), (\d+)\}", transport).groups())
QUIET_MS = int(re.search(r"kJosmQuietPeriodMs = (\d+)", open(sys.argv[3] + "/src/josm/remote_control.h").read())[1])
MARGIN_MS = 500          # Wine's and this shared machine's own delays
QUICK_MS = 50            # "almost nothing": a frame that sent no request
FRAME_MS = 1001 / 30

lines = [json.loads(line) for line in open(sys.argv[1]) if line.startswith("{")]
errors = [line["error"] for line in lines if "error" in line]
cases = {line["josm"]: line for line in lines if line.get("figure") == "sync"}
faults = [f"the host: {error}" for error in errors]
if sys.argv[2] != "0":
    faults.append(f"the host exited with {sys.argv[2]}")

def ms(ns):
    return ns / 1e6

for name, limit, received in (("slow-refusal", CONNECT_MS, False), ("dropped", CONNECT_MS, False),
                              ("dropped-after-answer", CONNECT_MS, False), ("hang", ANSWER_MS, True)):
    case = cases.get(name)
    if not case:
        faults.append(f"{name}: not measured")
        continue
    average, worst, quick = ms(case["wall_ns"]) / case["frames"], ms(case["worst_ns"]), ms(case["worst_quick_ns"])
    # One try per quiet period at most: the first frame, then one after each period.
    tries = math.floor(ms(case["elapsed_ns"]) / QUIET_MS) + 1
    print(f"{name}: {case['frames']} frames at 29.97 fps over {ms(case['elapsed_ns']) / 1000:.1f} s: "
          f"average {average:.2f} ms, worst {worst:.0f} ms; {case['waits']} frames waited "
          f"(at most {tries} allowed), the others at most {quick:.2f} ms; "
          f"{case['requests_received']} requests reached the port")
    if not limit - 100 <= worst <= limit + MARGIN_MS:
        faults.append(f"{name}: the worst frame took {worst:.0f} ms, not about the {limit} ms time-out")
    if not 1 <= case["waits"] <= tries:
        faults.append(f"{name}: {case['waits']} frames waited, expected 1 to {tries}")
    if quick > QUICK_MS:
        faults.append(f"{name}: a frame that did not wait took {quick:.1f} ms")
    expected = case["waits"] if received else 0
    if case["requests_received"] != expected:
        faults.append(f"{name}: {case['requests_received']} requests reached the port, expected {expected}")

resume = cases.get("resume")
if not resume or resume.get("resumed_after_ns") is None:
    faults.append("resume: no request reached JOSM after it came up")
else:
    after, up = ms(resume["resumed_after_ns"]), ms(resume["up_after_failure_ns"])
    print(f"resume: JOSM up {up:.0f} ms after a failed request ({ms(resume['failed_frame_ns']):.0f} ms); "
          f"its first request {after:.0f} ms later, {resume['frames_until_resumed']} frames on")
    if after > max(QUIET_MS - up, 0) + FRAME_MS + MARGIN_MS:
        faults.append(f"resume: requests came back {after:.0f} ms after JOSM did, past the quiet period")
for fault in faults:
    print("FAIL:", fault)
print("sync time-outs: " + ("FAILED" if faults else "passed"))
sys.exit(1 if faults else 0)
PY
