#!/usr/bin/env bash
# The demo: installs what is missing, builds the module and the stand-in
# host, then plays an editing session over a sample ride with the real
# meridel.auf under Wine while a stand-in for JOSM records what the module
# asks of it. Then the Linux filter, meridel.so: ffmpeg captions a generated
# clip of the same ride through it, with JOSM sync on against the stand-in.
# Writes captioned frames to out/demo/ and the clip to out/demo/ride.mp4.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build=build/windows
out=out
SECONDS=0

echo "== Meridel demo: setting up (installs what is missing)"
scripts/setup.sh

echo "== building meridel.auf and the stand-in host in $build"
scripts/build-module.sh

echo "== playing samples/demo.scenario: a ten-minute ride, 1280x720 at 30000/1001 fps"
echo "   (the stand-in editor loads meridel.auf under Wine: expect a minute before the first step)"
mkdir -p "$out"
set +e
tests/e2e/run_e2e.sh "$build/standin_host/standin_host.exe" "$build/meridel.auf" "$out" samples/demo.scenario 2>&1 |
  sed -u '/Read access denied for device/d' | tee "$out/demo.log"
status=${PIPESTATUS[0]}
set -e

echo
echo "== captions of the saved frames"
sed 's/^/   /' "$out/demo/captions.txt" 2>/dev/null || echo "   (none)"

echo
echo "== requests that JOSM's stand-in received on 127.0.0.1:8111"
tools/josm_requests.py "$out/josm/log.jsonl"

echo
echo "== meridel.so, the frei0r filter for Linux hosts: building it in build/native"
[ -f build/native/build.ninja ] || cmake -S . -B build/native -G Ninja >/dev/null
ninja -C build/native meridel_frei0r >build/native.frei0r.log 2>&1 || { tail -40 build/native.frei0r.log; exit 1; }

# The same ride and settings as the session above: UTC+2, the camera 5 s
# behind the GPS, the caption at (40, 612), 28 px, "Zoom" 2, JOSM sync on.
seconds=20
echo "== ffmpeg captions a generated ${seconds}-second clip (testsrc2, 1280x720, 30000/1001) through meridel.so,"
echo "   JOSM sync on, JOSM's stand-in listening on 127.0.0.1:8111"
josm_log=$out/josm-ffmpeg/log.jsonl
mkdir -p "$out/josm-ffmpeg"
rm -f "$josm_log" "$out"/demo/ffmpeg-frame-*.png
tools/josm-standin-ctl.sh start 8111 "$josm_log" >/dev/null
frames="select='eq(n\\,0)+eq(n\\,$((seconds * 15)))+eq(n\\,$((seconds * 30 - 1)))'"
set +e
FREI0R_PATH=build/native/src/frei0r ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=1280x720:rate=30000/1001:duration=$seconds" -filter_complex \
  "[0]frei0r=meridel:'$repo/samples/ride.gpx|+02\\:00|+00\\:00\\:05|0.03125|0.85|DejaVu Sans Mono|28|white|black|y|2',
   split[clip][pictures];[clip]format=yuv420p[v];[pictures]$frames[p]" \
  -map '[v]' -c:v libx264 -preset veryfast "$out/demo/ride.mp4" \
  -map '[p]' -fps_mode passthrough -frame_pts 1 "$out/demo/ffmpeg-frame-%05d.png"
ffmpeg_status=$?
set -e
tools/josm-standin-ctl.sh stop "$josm_log.pid"
if [ "$ffmpeg_status" -eq 0 ]; then
  echo "   clip: $repo/$out/demo/ride.mp4"
  echo "   frames as PNG: $(cd "$out/demo" && ls ffmpeg-frame-*.png | sed "s|^|$repo/$out/demo/|" | tr '\n' ' ')"
  echo "== requests that JOSM's stand-in received while ffmpeg rendered: one per frame, the same box for"
  echo "   the frames of one second (the first is the box meridel.auf sent for frame 0 above); the first seconds:"
  python3 -c 'import json, sys
for line in open(sys.argv[1]): print(json.loads(line)["request_line"])' "$josm_log" | uniq -c | head -4 |
    sed 's/^ */   /; s/ GET / frames: GET /'
  tools/josm_requests.py "$josm_log" --all-ok | tail -1
else
  echo "== ffmpeg failed (status $ffmpeg_status)"
  status=1
fi

echo
if [ "$status" -eq 0 ]; then
  echo "== done in ${SECONDS}s. The captioned frames are in $repo/$out/demo/ ($(ls "$out"/demo/*.png | wc -l) pictures)"
else
  echo "== the session did not go as expected (status $status); see $out/demo.log. Pictures so far: $repo/$out/demo/"
fi
exit "$status"
