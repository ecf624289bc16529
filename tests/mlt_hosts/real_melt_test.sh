#!/usr/bin/env bash
# libmltmeridel.so inside Debian's melt, on generated clips of the sample
# ride (testsrc2, 640x360 at 25 fps, H.264 in MP4 as cameras write them),
# two with a creation_time tag and one without.
#
#   real_melt_test.sh frames|josm MLT_TREE CHECKER REPO WORK
#
# MLT_TREE holds modules/ and data/ (MLT_REPOSITORY and MLT_DATA: the
# system's beside ours). frames: melt lists the filter and its properties;
# then for each case melt renders the same frames twice, without and with
# the filter, to raw video in the format the filter draws on, and
# mlt_host_check compares every frame with the core's caption for its
# expected moment drawn on the frame without. Not 4:2:0: melt 7.12's avformat
# consumer reads a yuv420p image's Cr plane from the wrong place (the direct
# tests check the filter's 4:2:0 drawing). josm: melt renders with
# josm_sync on and josm_add keyframed while the JOSM stand-in listens on
# 127.0.0.1:8111 (run it in a private network namespace); it must receive
# the core's requests, in order: one zoom per second shown, one node.
# Exits 77 when melt or ffmpeg is not installed.
set -euo pipefail
mode=$1 tree=$(realpath "$2") checker=$(realpath "$3") repo=$(realpath "$4") work=$5
for tool in melt ffmpeg; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
export MLT_REPOSITORY=$tree/modules MLT_DATA=$tree/data
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# melt reads no keys without a terminal. It may hang at exit, deaf to SIGTERM,
# and on a loaded machine now and then hangs or quits before its first
# frame: a run that leaves its output empty is tried again, twice at most.
melt_to() {  # output file, melt's arguments...
  local file=$1 attempt
  shift
  for attempt in 1 2 3; do
    rm -f "$file"
    timeout -s KILL 120 melt "$@" </dev/null >>melt.log 2>&1 && [ -s "$file" ] && return 0
    echo "melt left $file empty (attempt $attempt)" | tee -a melt.log
  done
  tail -20 melt.log
  return 1
}
ride=$repo/samples/ride.gpx  # 2023-06-17T07:30:00Z on, a point a second

clip() {  # file, creation time or "none"
  local tag=()
  [ "$2" = none ] || tag=(-metadata "creation_time=$2")
  command ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=640x360:rate=25 -t 80 \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p "${tag[@]}" "$1"
}
clip a.mp4 2023-06-17T07:31:00.000000Z
clip b.mp4 2023-06-17T07:34:00.000000Z
clip c.mp4 none
profile() {  # file, rate num, rate den
  printf '%s\n' "description=640x360 at $2/$3" "frame_rate_num=$2" "frame_rate_den=$3" width=640 height=360 \
    progressive=1 sample_aspect_num=1 sample_aspect_den=1 display_aspect_num=16 display_aspect_den=9 \
    colorspace=709 >"$1"
}
profile p25 25 1
profile p2997 30000 1001

# Set away from their defaults, the same for melt and the checker.
params=("utc_offset=+02:00" "clock_difference=-00:00:05" "x=0.05" "y=0.8" "font_size=20" "text_color=#FFCC00"
  "border_color=#202060")

if [ "$mode" = josm ]; then
  log=$work/josm.jsonl
  "$repo/tools/josm-standin-ctl.sh" start 8111 "$log" ok >/dev/null
  trap '"$repo/tools/josm-standin-ctl.sh" stop "$log.pid"' EXIT
  # Frames 250-349 of a.mp4: seconds 10 to 13; josm_add changes at the 50th.
  josm=(josm_sync=1 josm_zoom=2 "josm_add=0=a;50=b")
  melt_to josm.raw -profile p25 a.mp4 in=250 out=349 -filter "meridel:$ride" "${params[@]}" "${josm[@]}" \
    -consumer avformat:josm.raw f=rawvideo vcodec=rawvideo real_time=-1
  rm -f josm.raw
  "$repo/tools/josm-standin-ctl.sh" stop "$log.pid"
  trap - EXIT
  python3 -c 'import json, sys
for line in open(sys.argv[1]): print(json.loads(line)["path"])' "$log" >received.txt
  checker_params=()
  for p in "${params[@]}" "${josm[@]}" "resource=$ride"; do checker_params+=(--param "$p"); done
  "$checker" josm --rate 25/1 --segment 2023-06-17T07:31:00Z@250:100 --node-at 50 "${checker_params[@]}" >expected.txt
  if ! diff expected.txt received.txt; then
    echo "FAIL: the requests JOSM's stand-in received (right) are not the core's for the frames' moments (left)"
    exit 1
  fi
  echo "OK: JOSM's stand-in received the core's requests in order, one zoom per second shown and the node:"
  cat received.txt
  exit 0
fi

for _ in 1 2 3; do
  query=$(timeout -s KILL 60 melt -query filter=meridel </dev/null 2>/dev/null || true)
  grep -q '^identifier: meridel$' <<<"$query" && break
done
for name in $("$checker" properties); do
  grep -q "identifier: $name\$" <<<"$query" || { echo "FAIL: melt -query filter=meridel does not list $name"; exit 1; }
done
echo "OK: melt -query filter=meridel lists every property: $("$checker" properties | tr '\n' ' ')"

# name | profile and rate | raw format and the consumer's options | melt's clips | segments | more properties
cases=(
  "trimmed clips on a playlist, by their creation times, the third by the track's start|p25 25/1|yuv422 pix_fmt=yuyv422|a.mp4 in=270 out=279 b.mp4 in=120 out=129 c.mp4 in=45 out=54|2023-06-17T07:31:00Z@270:10 2023-06-17T07:34:00Z@120:10 2023-06-17T07:30:00Z@45:10|"
  "start track, on RGB, two threads|p25 25/1|rgb pix_fmt=rgb24 real_time=-2|a.mp4 in=270 out=279|2023-06-17T07:30:00Z@270:10|start=track"
  "a start time, on RGBA, the project at 29.97 fps|p2997 30000/1001|rgba pix_fmt=rgba|a.mp4 in=1790 out=1799|2023-06-17T07:35:00Z@1790:10|start=2023-06-17T07:35:00Z"
)
status=0
for case in "${cases[@]}"; do
  IFS='|' read -r name rate format clips segments more <<<"$case"
  read -r profile rate <<<"$rate"
  read -r format consumer <<<"$format"
  echo "== $name"
  render() {  # file, filter options...
    local file=$1
    shift
    # shellcheck disable=SC2086
    melt_to "$file" -profile "$profile" $clips "$@" -consumer "avformat:$file" f=rawvideo vcodec=rawvideo real_time=-1 \
      $consumer
  }
  : >melt.log
  render in.raw
  # shellcheck disable=SC2086
  render out.raw -filter "meridel:$ride" "${params[@]}" $more
  checker_params=()
  # shellcheck disable=SC2086
  for p in "${params[@]}" $more "resource=$ride"; do checker_params+=(--param "$p"); done
  segment_args=()
  for s in $segments; do segment_args+=(--segment "$s"); done
  "$checker" frames --format "$format" --size 640x360 --rate "$rate" --inputs in.raw --outputs out.raw \
    "${segment_args[@]}" "${checker_params[@]}" || status=1
  if [[ $clips == *c.mp4* ]]; then
    line="c.mp4 records no creation time: aligned by the track's first point 2023-06-17 07:30:00 UTC"
    count=$(grep -c -F "$line" melt.log || true)
    if [ "$count" -ne 1 ]; then
      echo "FAIL: melt's log says \"$line\" $count times, not once"
      status=1
    else
      echo "OK: melt's log says once: $line"
    fi
  fi
done

# Kdenlive saves colours, and values it animates, in MLT's keyframe forms.
echo "== the keyframed forms Kdenlive saves draw as the plain values"
keyframed=("utc_offset=0=+02:00" "clock_difference=-00:00:05" "x=0=0.05" "y=0.8" "font_size=0=20"
  "text_color=00:00:00.000=0xffcc00ff" "border_color=0=0x202060ff")
profile=p25 clips="a.mp4 in=270 out=279" consumer=pix_fmt=yuyv422
: >melt.log
render plain.raw -filter "meridel:$ride" "${params[@]}"
render keyframed.raw -filter "meridel:$ride" "${keyframed[@]}"
if ! cmp -s plain.raw keyframed.raw || grep -q "keeping the value before" melt.log; then
  echo "FAIL: melt drew otherwise with ${keyframed[*]} than with ${params[*]}"
  grep "keeping the value before" melt.log || true
  status=1
else
  echo "OK: the same frames with ${keyframed[*]}"
fi
[ "$status" -eq 0 ] && rm -f ./*.raw
exit "$status"
