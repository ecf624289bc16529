#!/usr/bin/env bash
# meridel.so inside the real hosts, on a generated clip (testsrc2, 1280x720,
# lossless RGB, so every host hands the filter the same pixels).
#
#   real_host_test.sh ffmpeg|melt|josm PLUGIN CHECKER REPO WORK
#
# ffmpeg, melt: for each case the host renders chosen frames twice, without
# and with the filter, to raw RGBA; host_check then compares every frame with
# the plug-in called directly and with the core's caption for the frame's
# expected moment. The cases put the clip at the start of the timeline, a
# minute in, and at 1001 s at 24000/1001 fps, where MLT passes
# 1000.9999999999999 s and ffmpeg 1001000 ms.
# josm: ffmpeg renders with "josm sync" on while the JOSM stand-in listens on
# 127.0.0.1:8111 (run it in a private network namespace); its log must hold
# the core's zoom request for every frame's moment, in order.
# Exits 77 when ffmpeg (or melt) is not installed.
set -euo pipefail
mode=$1 plugin=$(realpath "$2") checker=$(realpath "$3") repo=$(realpath "$4") work=$5
for tool in ffmpeg $([ "$mode" = melt ] && echo melt); do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work"
cd "$work"
export FREI0R_PATH=$(dirname "$plugin")
size=1280x720
ffmpeg() { command ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
# melt may hang at exit, deaf to SIGTERM; it reads no keys without a terminal.
melt() { timeout -s KILL 60 melt "$@" </dev/null >>melt.log 2>&1 || { tail -20 melt.log; return 1; }; }

python3 "$repo/tools/make_gpx.py" --points 1200 --output ride.gpx
for rate in 30000/1001 24000/1001; do
  ffmpeg -f lavfi -i "testsrc2=size=$size:rate=$rate" -frames:v 32 -c:v ffv1 -pix_fmt bgr0 "clip-${rate%%/*}.avi"
done

sync=n
[ "$mode" = josm ] && sync=y
# In the order of the filter's parameters, as ffmpeg takes them (by position).
params=("gpx file=$work/ride.gpx" "utc offset=+02:00" "clock difference=+00:01:05" "x=0.05" "y=0.1"
  "font=DejaVu Sans Mono" "font size=28" "text color=#FFCC00" "border color=#202060" "josm sync=$sync"
  "josm zoom=2" "time unit=auto")
checker_params=()
melt_params=()
ffmpeg_params=
for param in "${params[@]}"; do
  checker_params+=(--param "$param")
  value=${param#*=}
  case $value in n) melt_value=0 ;; y) melt_value=1 ;; *) melt_value=$value ;; esac
  melt_params+=("${param%%=*}=$melt_value")
  ffmpeg_params+=${ffmpeg_params:+|}${value//:/\\:}
done
filter="frei0r=meridel:'$ffmpeg_params'"

if [ "$mode" = josm ]; then
  log=$work/josm.jsonl
  "$repo/tools/josm-standin-ctl.sh" start 8111 "$log" ok >/dev/null
  trap '"$repo/tools/josm-standin-ctl.sh" stop "$log.pid"' EXIT
  ffmpeg -i clip-30000.avi -vf "format=rgba,$filter" -f null -
  "$repo/tools/josm-standin-ctl.sh" stop "$log.pid"
  python3 -c 'import json, sys
for line in open(sys.argv[1]): print(json.loads(line)["path"])' "$log" >received.txt
  "$checker" josm --rate 30000/1001 --first 0 --last 31 "${checker_params[@]}" >expected.txt
  if ! diff expected.txt received.txt; then
    echo "FAIL: the requests JOSM's stand-in received (right) are not the core's for the frames' moments (left)"
    exit 1
  fi
  echo "OK: $(wc -l <received.txt) zoom requests, one per frame, as the core builds them:"
  uniq -c received.txt
  exit 0
fi

if [ "$mode" = melt ]; then
  filters=$(timeout -s KILL 60 melt -query filters </dev/null 2>/dev/null || true)
  grep -q '^  - frei0r\.meridel$' <<<"$filters" ||
    { echo "FAIL: melt -query filters does not list frei0r.meridel"; exit 1; }
  echo "OK: melt -query filters lists frei0r.meridel"
fi

if [ "$mode" = ffmpeg ]; then
  # A width that is not a multiple of 64, through the pad and crop the README
  # advises: captions, and no word of a lost frame time.
  narrow=(-f lavfi -i "testsrc2=size=1000x720:rate=30000/1001" -frames:v 2)
  ffmpeg "${narrow[@]}" -vf format=rgba -f rawvideo plain.rgba
  ffmpeg "${narrow[@]}" -vf "format=rgba,pad=ceil(iw/64)*64:ih,$filter,crop=1000:ih:0:0" -f rawvideo padded.rgba \
    2>padded.log || { cat padded.log; exit 1; }
  if grep -q "no usable frame time" padded.log || cmp -s plain.rgba padded.rgba; then
    echo "FAIL: 1000 px wide, padded to a multiple of 64, the frames got no caption"
    exit 1
  fi
  echo "OK: 1000 px wide, padded to a multiple of 64 and cropped: captioned"
fi

# rate, where the clip starts on the timeline, the first and last frame checked
cases=("30000/1001 0 28 31" "30000/1001 1770 1798 1799" "24000/1001 23970 23999 24000")
status=0
for case in "${cases[@]}"; do
  read -r rate offset first last <<<"$case"
  clip=clip-${rate%%/*}.avi
  echo "== $mode: frames $first to $last at $rate, the clip starting at frame $offset"
  if [ "$mode" = ffmpeg ]; then
    # The clip's timestamps shifted as if it began at that frame; every frame
    # goes through the filter, the chosen ones are kept.
    select="select='between(n\,$((first - offset))\,$((last - offset)))'"
    ffmpeg -i "$clip" -vf "setpts=PTS+$offset,format=rgba,$select" -fps_mode passthrough -f rawvideo in.rgba
    ffmpeg -i "$clip" -vf "setpts=PTS+$offset,format=rgba,$filter,$select" -fps_mode passthrough -f rawvideo out.rgba
  else
    # A blank before the clip, only the chosen frames rendered.
    profile=atsc_720p_$([ "$rate" = 30000/1001 ] && echo 2997 || echo 2398)
    blank=()
    [ "$offset" -gt 0 ] && blank=(-blank $((offset - 1)))  # -blank N is N+1 frames long
    # On a loaded machine melt now and then hangs or quits before its first
    # frame: a run that leaves its output empty is tried again, twice at most.
    render() {  # file, filter options...
      local file=$1 attempt
      shift
      for attempt in 1 2 3; do
        rm -f "$file"
        melt -profile "$profile" "${blank[@]}" "$clip" "$@" -consumer "avformat:$file" f=rawvideo vcodec=rawvideo \
          pix_fmt=rgba real_time=-1 in="$first" out="$last" && [ -s "$file" ] && return 0
        echo "melt left $file empty (attempt $attempt)"
      done
      return 1
    }
    render in.rgba
    render out.rgba -filter frei0r.meridel "${melt_params[@]}"
    # melt hands the filter the clip's very pixels, as ffmpeg does.
    ffmpeg -i "$clip" -vf "format=rgba,select='between(n\,$((first - offset))\,$((last - offset)))'" \
      -fps_mode passthrough -f rawvideo clip.rgba
    cmp -s in.rgba clip.rgba || { echo "FAIL: melt's frames without the filter are not the clip's"; status=1; }
  fi
  "$checker" frames --plugin "$plugin" --host "$mode" --rate "$rate" --size "$size" \
    --inputs in.rgba --outputs out.rgba --first "$first" "${checker_params[@]}" || status=1
done
[ "$status" -eq 0 ] && rm -f ./*.rgba
exit "$status"
