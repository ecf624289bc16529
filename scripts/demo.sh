#!/usr/bin/env bash
# The demo: installs what is missing, builds the module and the stand-in
# host, then plays an editing session over a sample ride with the real
# meridel.auf under Wine while a stand-in for JOSM records what the module
# asks of it. Writes captioned frames to out/demo/ (and a short clip when
# ffmpeg is there).
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

if command -v ffmpeg >/dev/null 2>&1 && ls "$out"/demo/frame-*.png >/dev/null 2>&1; then
  ffmpeg -loglevel error -y -framerate 2 -pattern_type glob -i "$out/demo/frame-*.png" \
    -c:v libx264 -pix_fmt yuv420p "$out/demo/ride.mp4" && echo && echo "== clip: $repo/$out/demo/ride.mp4"
fi

echo
if [ "$status" -eq 0 ]; then
  echo "== done in ${SECONDS}s. The captioned frames are in $repo/$out/demo/ ($(ls "$out"/demo/*.png | wc -l) pictures)"
else
  echo "== the session did not go as expected (status $status); see $out/demo.log. Pictures so far: $repo/$out/demo/"
fi
exit "$status"
