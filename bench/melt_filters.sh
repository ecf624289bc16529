#!/usr/bin/env bash
# The MLT filter meridel in melt beside no filter, MLT's own gpstext showing
# the same two lines, and the frei0r filter: a camera-like source (600 frames
# of 1920x1080 at 30000/1001, H.264, with a creation time) rendered by melt
# to libx264 (preset=veryfast, no audio, one rendering thread) four ways, in
# three interleaved rounds so that the machine's other load falls on all
# alike. Appends one record per run to RESULTS/melt.jsonl (bench/measure.py:
# CPU time of the whole melt process).
#
#   bench/melt_filters.sh RESULTS BUILD
#
# BUILD is a build tree with meridel_mlt and meridel_frei0r built. gpstext
# (MLT's qt module) wants an X display: one Xvfb serves all four ways.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
results=$1 build=$2
work=$(mktemp -d /tmp/meridel-melt-bench.XXXXXX)
display=
for number in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || { display=$number; break; }
done
Xvfb ":$display" -nolisten tcp -screen 0 640x480x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 600 \
  -c:v libx264 -preset ultrafast -crf 18 -pix_fmt yuv420p -metadata creation_time=2023-06-17T07:30:00Z \
  "$work/source.mp4"
track=$repo/samples/ride.gpx
# The caption's two lines, as gpstext's keywords write them, in our default
# font and size at 1080p with a one-pixel outline.
gpstext=(-filter gpstext "argument=#gps_datetime_now %Y-%m-%d %H:%M:%S#
#gps_lat# #gps_lon#" "resource=$track" "family=DejaVu Sans Mono" size=36 fgcolour=0xffffffff
  olcolour=0x000000ff outline=1 halign=left valign=top)
for round in 1 2 3; do
  for way in none meridel gpstext frei0r; do
    case $way in
      none) options=() ;;
      meridel) options=(-filter "meridel:$track") ;;
      gpstext) options=("${gpstext[@]}") ;;
      frei0r) options=(-filter frei0r.meridel "gpx file=$track") ;;
    esac
    DISPLAY=:$display MLT_REPOSITORY=$build/mlt/modules MLT_DATA=$build/mlt/data FREI0R_PATH=$build/src/frei0r \
      python3 "$here/measure.py" --out "$results/melt.jsonl" --label "$way-$round" -- \
      timeout -s KILL 900 melt -quiet -profile atsc_1080p_2997 "$work/source.mp4" "${options[@]}" \
      -consumer "avformat:$work/encoded.mp4" vcodec=libx264 preset=veryfast an=1 real_time=-1
  done
done
melt --version 2>/dev/null | head -n1 >"$results/melt-version"
