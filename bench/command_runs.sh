#!/usr/bin/env bash
# The meridel command beside the plain transcode a user would otherwise run
# and beside melt with the same filter: a camera-like source (1,800 frames
# of 1920x1080 at 30000/1001, H.264, stereo AAC, a creation time) four ways,
# in three interleaved rounds so that the machine's other load falls on all
# alike:
#   ffmpeg   ffmpeg -i SRC -c:v libx264 -preset veryfast -c:a copy OUT
#   ffmpeg18 the same at the command's quality, -crf 18
#   command  meridel caption --gpx TRACK SRC (CRF 18, veryfast, AAC)
#   melt     melt SRC -filter meridel:TRACK to avformat with the same encoder
#            settings, MLT's defaults otherwise (yuv422 between the services)
# Then --jobs: four clips of 600 frames by `meridel caption --jobs 2`, and by
# four runs of `meridel caption` one after another, in two rounds.
# Appends one record per run to RESULTS/command.jsonl (bench/measure.py: the
# wall time, and the CPU time of the whole process tree).
#
#   bench/command_runs.sh RESULTS BUILD
#
# BUILD is a build tree with meridel and meridel_mlt built (BUILD/meridel
# runs the command with BUILD's MLT folders).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
results=$1 build=$2
work=$(mktemp -d /tmp/meridel-command-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

source_clip() {  # frames output
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -frames:v "$1" -shortest -c:v libx264 -preset ultrafast \
    -crf 18 -pix_fmt yuv420p -c:a aac -ac 2 -b:a 128k -metadata creation_time=2023-06-17T07:30:00Z "$2"
}
source_clip 1800 "$work/source.mp4"
for n in 1 2 3 4; do source_clip 600 "$work/clip$n.mp4"; done
track=$work/track.gpx
python3 "$repo/tools/make_gpx.py" --points 4000 --start 2023-06-17T07:29:00 --output "$track"
measure() {  # label command...
  local label=$1
  shift
  python3 "$here/measure.py" --out "$results/command.jsonl" --label "$label" -- "$@"
}

for round in 1 2 3; do
  for way in ffmpeg ffmpeg18 command melt; do
    case $way in
      ffmpeg) measure "$way-$round" ffmpeg -nostdin -loglevel error -y -i "$work/source.mp4" -c:v libx264 \
        -preset veryfast -c:a copy "$work/out.mp4" ;;
      ffmpeg18) measure "$way-$round" ffmpeg -nostdin -loglevel error -y -i "$work/source.mp4" -c:v libx264 \
        -preset veryfast -crf 18 -c:a copy "$work/out.mp4" ;;
      command) measure "$way-$round" "$build/meridel" caption --quiet --overwrite --gpx "$track" \
        --suffix "" --output "$work/out" "$work/source.mp4" ;;
      melt) MLT_REPOSITORY=$build/mlt/modules MLT_DATA=$build/mlt/data measure "$way-$round" \
        timeout -s KILL 900 melt -quiet -profile atsc_1080p_2997 "$work/source.mp4" -filter "meridel:$track" \
        -consumer "avformat:$work/out.mp4" vcodec=libx264 preset=veryfast crf=18 acodec=aac ab=128k ;;
    esac
  done
done

for round in 1 2; do
  measure "jobs2-$round" "$build/meridel" caption --quiet --overwrite --jobs 2 --gpx "$track" --output "$work/out" \
    "$work"/clip{1,2,3,4}.mp4
  measure "sequential-$round" sh -c 'build=$1 track=$2 work=$3
    for n in 1 2 3 4; do
      "$build/meridel" caption --quiet --overwrite --gpx "$track" --output "$work/out" "$work/clip$n.mp4" || exit 1
    done' sh "$build" "$track" "$work"
done
