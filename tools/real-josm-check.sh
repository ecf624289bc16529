#!/usr/bin/env bash
# Checks the real meridel.auf against a real JOSM, outside the tests: installs
# Debian's JOSM when missing (about 1 GB with Java), starts it under Xvfb with
# its remote control on in a throw-away JOSM home, creates an empty data
# layer, plays samples/real-josm.scenario with the stand-in host under Wine
# ("JOSM sync" frames, then "JOSM add"), prints JOSM's answer to every request,
# then mpv with meridel-mpv.so plays a clip of the ride with JOSM sync on and
# adds one node; takes a screenshot of JOSM and stops it.
#
#   tools/real-josm-check.sh [OUT_DIR]      (default out/real-josm)
#
# Everything runs in a network namespace of its own, so a JOSM or anything
# else on this machine's 127.0.0.1:8111 is left alone. JOSM itself listens on
# 8112; a relay on 8111 (tools/josm_standin.py relay) passes each request to
# it byte for byte and records its answer. Needs root. Exits 0 when every
# step of the scenario passed and JOSM answered every request with 200.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
out=${1:-out/real-josm}
josm_port=8112

if [ "${MERIDEL_REAL_JOSM_NAMESPACE:-}" != 1 ]; then
  scripts/setup.sh
  missing=()
  for package in josm xvfb x11-apps netpbm curl; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
  fi
  echo "== building meridel.auf and the stand-in host"
  scripts/build-module.sh
  echo "== building meridel-mpv.so"
  [ -f build/native/build.ninja ] || cmake -S . -B build/native -G Ninja >/dev/null
  ninja -C build/native meridel_mpv >/dev/null
  exec unshare --net env MERIDEL_REAL_JOSM_NAMESPACE=1 "$0" "$@"
fi

ip link set lo up
rm -rf "${out:?}"
mkdir -p "$out"
out=$(cd "$out" && pwd)
home=$(mktemp -d)
xvfb= josm=
finish() {
  # JOSM runs as a child of Debian's wrapper script: end the whole group.
  if [ -n "$josm" ]; then
    kill -TERM -- "-$josm" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$josm" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$josm" 2>/dev/null || true
  fi
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$home"
}
trap finish EXIT
trap 'exit 143' TERM INT

echo "== starting Xvfb and JOSM (remote control on 127.0.0.1:$josm_port, home $home)"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$home/display" >"$out/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.1; done
[ -s "$home/display" ] || { echo "Xvfb did not start: see $out/xvfb.log" >&2; exit 1; }
display=:$(cat "$home/display")

cat >"$home/preferences.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<preferences xmlns="http://josm.openstreetmap.de/preferences-1.0" version="1">
  <tag key="remotecontrol.enabled" value="true"/>
  <tag key="remote.control.port" value="$josm_port"/>
</preferences>
EOF
DISPLAY=$display JAVA_OPTS="-Djosm.home=$home" setsid josm --offline=ALL --geometry=1280x800+0+0 \
  >"$out/josm.log" 2>&1 </dev/null &
josm=$!

remote() {  # path: JOSM's status code for it
  curl -s -o /dev/null -w '%{http_code}' --max-time 10 "http://127.0.0.1:$josm_port/$1" || true
}
for _ in $(seq 180); do
  [ "$(remote version)" = 200 ] && break
  kill -0 "$josm" 2>/dev/null || { echo "JOSM ended: see $out/josm.log" >&2; exit 1; }
  sleep 1
done
[ "$(remote version)" = 200 ] || { echo "JOSM's remote control did not answer within 3 minutes" >&2; exit 1; }

# add_node needs a data layer; JOSM answers before the layer exists.
layer=$(remote 'load_data?new_layer=true&data=%3Cosm%20version%3D%220.6%22%2F%3E')
[ "$layer" = 200 ] || { echo "JOSM refused to open an empty data layer ($layer)" >&2; exit 1; }
sleep 2

josm_lines=$(wc -l <"$out/josm.log")
echo "== playing samples/real-josm.scenario (expect a minute before the first step)"
set +e
MERIDEL_JOSM_STANDIN="relay --relay-port $josm_port" tests/e2e/run_e2e.sh \
  build/windows/standin_host/standin_host.exe build/windows/meridel.auf "$out" samples/real-josm.scenario 2>&1 |
  sed -u '/Read access denied for device/d' | tee "$out/session.log"
status=${PIPESTATUS[0]}
set -e

echo
echo "== JOSM's answers to the module's requests"
python3 tools/josm_requests.py --all-ok "$out/josm/log.jsonl" || status=1
echo "== connections that sent nothing (the module checking that JOSM serves), as JOSM took them"
grep -h 'sent nothing' "$out/josm/log.jsonl.out" 2>/dev/null | sed 's/^/   /' || echo "   none"
echo "== what JOSM logged during the session besides the requests it received"
tail -n "+$((josm_lines + 1))" "$out/josm.log" | grep -v 'RemoteControl received: ' | sed 's/^/   /' || echo "   nothing"

# --- meridel-mpv.so: mpv plays a clip of the ride with JOSM sync on, one node
echo
echo "== mpv with meridel-mpv.so: 5 s of a clip of samples/ride.gpx, JOSM sync on, then one node (n)"
mkdir -p "$out/mpv"
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=640x360:rate=25:duration=8 \
  -metadata creation_time=2023-06-17T07:32:00Z -c:v libx264 -preset veryfast -pix_fmt yuv420p "$out/mpv/ride.mp4"
tools/josm-standin-ctl.sh start 8111 "$out/mpv/log.jsonl" relay --relay-port "$josm_port" >/dev/null
set +e
mpv --no-config --vo=null --ao=null --pause --input-ipc-server="$out/mpv/mpv.sock" \
  --script=build/native/src/mpv/meridel-mpv.so --script-opts="meridel-gpx=$repo/samples/ride.gpx,meridel-josm-zoom=2" \
  "$out/mpv/ride.mp4" >"$out/mpv/mpv.log" 2>"$out/mpv/mpv.err" </dev/null &
mpv_pid=$!
tools/mpv_drive.py "$out/mpv/mpv.sock" '["set_property", "pause", false]' until:5 '["set_property", "pause", true]' \
  sleep:0.5 '["keypress", "n"]' sleep:1 '["quit"]' || status=1
wait "$mpv_pid" || status=1
set -e
tools/josm-standin-ctl.sh stop "$out/mpv/log.jsonl.pid"
grep '^\[meridel\]' "$out/mpv/mpv.log" | sed 's/^/   /'
echo "== JOSM's answers to mpv's requests"
python3 tools/josm_requests.py --all-ok "$out/mpv/log.jsonl" || status=1
grep -q '^\[meridel\] node added in JOSM$' "$out/mpv/mpv.log" || { echo "   mpv's OSD did not say the node was added"; status=1; }

sleep 1  # JOSM repaints after the last request
xwd -root -silent -display "$display" | xwdtopnm 2>/dev/null | pnmtopng >"$out/josm.png"
echo
echo "== JOSM's window: $out/josm.png"
if [ "$status" -eq 0 ]; then
  echo "== real JOSM accepted every request"
else
  echo "== the check failed (status $status); see $out/session.log and $out/josm.log"
fi
exit "$status"
