#!/usr/bin/env bash
# The demo: installs what is missing, builds the module and the stand-in
# host, then plays an editing session over a sample ride with the real
# meridel.auf under Wine while a stand-in for JOSM records what the module
# asks of it. Then the Linux filter, meridel.so: ffmpeg captions a generated
# clip of the same ride through it, with JOSM sync on against the stand-in.
# Then the MLT filter, meridel: melt renders a playlist of two trimmed clips
# of the ride with different creation times, each captioned by its own. Then
# the mpv plug-in, meridel-mpv.so: mpv plays such a clip headless, JOSM's
# stand-in following, and a key adds a node. Last, the Linux main job: the
# meridel command captions two clips of the ride, each aligned by its own
# creation time (out/command/captioned/).
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
echo "== libmltmeridel.so, the MLT filter meridel: building it in build/native"
ninja -C build/native meridel_mlt >build/native.mlt.log 2>&1 || { tail -40 build/native.mlt.log; exit 1; }
# Two cameras' clips of the ride: one started with it (07:30:00 UTC), one five
# minutes later; each trimmed, both on one playlist. Each frame is captioned
# at its clip's creation time plus its time in the clip, whatever the trim.
echo "== melt renders a playlist of two trimmed clips (testsrc2, 1280x720, 30000/1001) with different"
echo "   creation times through meridel, the same settings, JOSM sync on against the stand-in"
mkdir -p "$out/melt" "$out/demo"
rm -f "$out"/demo/melt-*.png
for clip in "1 2023-06-17T07:30:00Z" "2 2023-06-17T07:35:00Z"; do
  read -r number created <<<"$clip"
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=30000/1001:duration=40 \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -metadata "creation_time=$created" "$out/melt/clip-$number.mp4"
done
josm_log=$out/josm-melt/log.jsonl
mkdir -p "$out/josm-melt"
rm -f "$josm_log"
tools/josm-standin-ctl.sh start 8111 "$josm_log" >/dev/null
set +e
# 10 s into the first clip and 30 s into the second: frames 300 and 900 at 29.97 fps.
MLT_REPOSITORY=build/native/mlt/modules MLT_DATA=build/native/mlt/data timeout -s KILL 120 melt -profile atsc_720p_2997 \
  "$out/melt/clip-1.mp4" in=300 out=301 "$out/melt/clip-2.mp4" in=900 out=901 \
  -filter "meridel:$repo/samples/ride.gpx" utc_offset=+02:00 clock_difference=+00:00:05 x=0.03125 y=0.85 \
  font_size=28 josm_sync=1 josm_zoom=2 -consumer "avformat:$out/demo/melt-%d.png" vcodec=png real_time=-1 -verbose \
  </dev/null >"$out/melt/melt.log" 2>&1
melt_status=$?
set -e
tools/josm-standin-ctl.sh stop "$josm_log.pid"
if [ "$melt_status" -eq 0 ]; then
  echo "   what the filter said in melt's log (-verbose shows its info lines too):"
  { grep -A1 '\[filter meridel\]' "$out/melt/melt.log" || true; } | grep -v '\[filter meridel\]\|^--' | sed 's/^ */   /'
  echo "   frames as PNG: $(cd "$out/demo" && ls melt-*.png | sed "s|^|$repo/$out/demo/|" | tr '\n' ' ')"
  echo "== requests that JOSM's stand-in received while melt rendered: one per second shown"
  python3 -c 'import json, sys
for line in open(sys.argv[1]): print("   " + json.loads(line)["request_line"])' "$josm_log"
else
  echo "== melt failed (status $melt_status); see $out/melt/melt.log"
  status=1
fi

echo
echo "== meridel-mpv.so, the mpv plug-in: building it in build/native"
ninja -C build/native meridel_mpv >build/native.mpv.log 2>&1 || { tail -40 build/native.mpv.log; exit 1; }
# A clip as a camera on the ride would have recorded it: its creation time a
# minute after the track's first point.
echo "== mpv plays a generated 30-second clip of the ride (testsrc2, 1280x720, created 2023-06-17 07:31:00 UTC)"
echo "   headless, with meridel-mpv.so and the session's settings, JOSM's stand-in on 127.0.0.1:8111:"
echo "   it plays 3 s, pauses, seeks to 0:20, adds a node with the n key and quits"
mpv_dir=$out/josm-mpv
mkdir -p "$mpv_dir"
rm -f "$mpv_dir"/log.jsonl*
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=30000/1001:duration=30 \
  -metadata creation_time=2023-06-17T07:31:00Z -c:v libx264 -preset veryfast -pix_fmt yuv420p "$out/demo/mpv-ride.mp4"
tools/josm-standin-ctl.sh start 8111 "$mpv_dir/log.jsonl" >/dev/null
set +e
mpv --no-config --vo=null --ao=null --pause --input-ipc-server="$mpv_dir/mpv.sock" \
  --script=build/native/src/mpv/meridel-mpv.so \
  --script-opts="meridel-gpx=$repo/samples/ride.gpx,meridel-utc-offset=+02:00,meridel-clock-difference=+00:00:05,meridel-josm-zoom=2" \
  "$out/demo/mpv-ride.mp4" >"$mpv_dir/mpv.log" 2>"$mpv_dir/mpv.err" </dev/null &
mpv_pid=$!
tools/mpv_drive.py "$mpv_dir/mpv.sock" '["set_property", "pause", false]' until:3 '["set_property", "pause", true]' \
  '["seek", 20, "absolute", "exact"]' sleep:0.5 '["keypress", "n"]' sleep:0.5 '["quit"]'
drive_status=$?
wait "$mpv_pid"
mpv_status=$?
set -e
tools/josm-standin-ctl.sh stop "$mpv_dir/log.jsonl.pid"
echo "== what mpv's terminal showed from the plug-in"
grep '^\[meridel\]' "$mpv_dir/mpv.log" | sed 's/^/   /'
echo "== requests that JOSM's stand-in received from mpv: one view per second shown, then the node"
tools/josm_requests.py "$mpv_dir/log.jsonl" --all-ok | sed 's/^/   /'
if [ "$drive_status" -ne 0 ] || [ "$mpv_status" -ne 0 ]; then
  echo "== mpv did not play as expected (status $mpv_status); see $mpv_dir/mpv.err"
  status=1
fi


# --- the Linux main job: the meridel command on two clips of the ride ---------
echo
echo "== the meridel command: building it in build/native"
ninja -C build/native meridel meridel_mlt >build/native.cli.log 2>&1 || { tail -40 build/native.cli.log; exit 1; }
# Two clips of the ride from one camera, shot at different moments: each is
# aligned by its own creation time, whatever its place on the command line.
command_out=$out/command
mkdir -p "$command_out" "$out/demo"
rm -rf "$command_out"/*.mp4 "$command_out/captioned" "$out"/demo/command-frame-*.png
for clip in "lakeside 2023-06-17T07:31:00Z" "harbour 2023-06-17T07:36:30Z"; do
  read -r name created <<<"$clip"
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=30000/1001:duration=20 \
    -f lavfi -i sine=frequency=330:sample_rate=48000 -t 20 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a aac -metadata "creation_time=$created" "$command_out/$name.mp4"
done
echo "== meridel caption on two generated 20-second clips of the ride (1280x720, 30000/1001, with sound),"
echo "   shot at 07:31:00 and 07:36:30 UTC; the same settings as above"
echo "   \$ meridel caption --gpx samples/ride.gpx --utc-offset +02:00 --clock-difference +00:00:05 \\"
echo "       --x 0.03125 --y 0.85 --font-size 28 --output $command_out/captioned lakeside.mp4 harbour.mp4"
set +e
build/native/meridel caption --gpx samples/ride.gpx --utc-offset +02:00 --clock-difference +00:00:05 \
  --x 0.03125 --y 0.85 --font-size 28 --output "$command_out/captioned" \
  "$command_out/lakeside.mp4" "$command_out/harbour.mp4"
command_status=$?
set -e
if [ "$command_status" -eq 0 ]; then
  # A frame at the start and one 10 s into the first clip, the second's first.
  for frame in "lakeside 0" "lakeside 300" "harbour 0"; do
    read -r name number <<<"$frame"
    ffmpeg -nostdin -hide_banner -loglevel error -y -i "$command_out/captioned/$name-meridel.mp4" \
      -vf "select=eq(n\\,$number)" -fps_mode passthrough -frames:v 1 "$out/demo/command-frame-$name-$number.png"
  done
  echo "   captioned clips: $(ls "$command_out"/captioned/*.mp4 | sed "s|^|$repo/|" | tr '\n' ' ')"
  echo "   frames as PNG: $(cd "$out/demo" && ls command-frame-*.png | sed "s|^|$repo/$out/demo/|" | tr '\n' ' ')"
else
  echo "== meridel caption failed (status $command_status)"
  status=1
fi

echo
if [ "$status" -eq 0 ]; then
  echo "== done in ${SECONDS}s. The captioned frames are in $repo/$out/demo/ ($(ls "$out"/demo/*.png | wc -l) pictures)"
else
  echo "== the session did not go as expected (status $status); see $out/demo.log. Pictures so far: $repo/$out/demo/"
fi
exit "$status"
