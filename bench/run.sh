#!/usr/bin/env bash
# Measures the module's per-frame cost, its GPX import beside gpsbabel and
# gpxpy, the cost of "JOSM sync" beside curl, and the frei0r filter
# meridel.so (per frame beside a copy, and in ffmpeg beside its conversion
# alone and its drawtext), the MLT filter in melt (beside no filter,
# gpstext and frei0r.meridel), the mpv plug-in (mpv's frame timing and CPU
# time with and without it), and the meridel command (beside ffmpeg's plain
# transcode and melt, and with --jobs), all in one run on this machine, and
# writes the figures to docs/performance.md.
#
#   bench/run.sh [--native-only]
#
# As root: it installs the tools it compares with and runs the sync parts in
# private network namespaces, where 127.0.0.1:8111 is ours alone. The Windows
# figures come from the stand-in host (standin_host.exe bench), which loads
# the Release meridel.auf under Wine; --native-only leaves them out.
#
# MERIDEL_BENCH_BUILD names the Release build directory (default
# build/bench-release), MERIDEL_BENCH_WINDOWS_BUILD the Windows one (default
# build/bench-release-windows), MERIDEL_BENCH_HOST a stand-in host built
# elsewhere to time instead of the one built there. The generated GPX files live in a temporary folder
# that is removed at the end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
sizes=(10000 100000 1000000)

# --- inside a private network namespace: one sync figure ----------------------
# Each figure gets a fresh namespace: the connections of an earlier run leave
# sockets in TIME_WAIT on port 8111, and a new connection that meets one of
# them waits for a retransmission (refused connections took up to 50 times as long
# right after 4,000 exchanges).
if [ "${1:-}" = "--sync-in-namespace" ]; then
  what=$2 bench=$3 results=$4
  ip link set lo up
  case $what in
    module-present | curl-present)
      log=$results/standin-$what.log
      "$repo/tools/josm-standin-ctl.sh" start 8111 "$log" ok >/dev/null
      trap '"$repo/tools/josm-standin-ctl.sh" stop "$log.pid"' EXIT ;;
    paced-*)
      # JOSM's side as the case has it: tools/josm-standin-serve.sh.
      josm=$results/josm-$what
      mkdir -p "$josm"
      case ${what#paced-} in
        absent) setup=(stop) ;;
        slow-refusal) setup=(refuse-slowly) ;;
        dropped) setup=(drop) ;;
        dropped-after-answer)
          setup=(start ok)
          # The benchmark drops the SYNs itself, right after answered frames.
          export MERIDEL_SYNC_THEN="'$repo/tools/josm-standin-serve.sh' '$josm' drop >/dev/null" ;;
        hang) setup=(start hang) ;;
        present) setup=(start ok) ;;
      esac
      "$repo/tools/josm-standin-serve.sh" "$josm" "${setup[@]}" >/dev/null
      trap '"$repo/tools/josm-standin-ctl.sh" stop "$josm/log.jsonl.pid"' EXIT ;;
  esac
  case $what in
    paced-*)
      "$bench" --benchmark_filter='^BM_FrameCallback_SyncPaced/' \
        --benchmark_out="$results/$what.json" --benchmark_out_format=json ;;
    module-*)
      "$bench" --benchmark_filter='^BM_FrameCallback_Sync/' \
        --benchmark_out="$results/sync-${what#module-}.json" --benchmark_out_format=json ;;
    curl-*)
      # The baseline: the module's requests, as many, by curl in one process.
      # The stand-in closes every connection, so each GET connects anew, as
      # the module's do.
      python3 "$here/measure.py" --out "$results/tools.jsonl" --label "$what" --accept-exit 7 -- \
        curl -s -K "$results/curl.cfg" -w '%{http_code}\n' ;;
  esac
  exit 0
fi

# --- inside another private network namespace: the Windows build under Wine ---
if [ "${1:-}" = "--windows-in-namespace" ]; then
  host=$2 module=$3 results=$4
  shift 4
  ip link set lo up
  # A Wine prefix of our own: Wine makes its sockets in its wineserver, which
  # must run in this namespace, not in that of another program's Wine.
  MERIDEL_WINEPREFIX=$("$repo/tools/wine-run.sh" --own-prefix bench)
  export MERIDEL_WINEPREFIX
  josm=$results/josm
  mkdir -p "$josm"
  : >"$josm/log.jsonl"
  # The host sets JOSM's side up for each sync case through this driver
  # (standin_host/josm_link.h).
  "$repo/tools/josm-standin-serve.sh" "$josm" &
  server=$!
  trap 'kill $server 2>/dev/null; wait $server 2>/dev/null || true
        WINEPREFIX=$MERIDEL_WINEPREFIX wineserver -w || true' EXIT
  # wine-run.sh, Wine and the emulator all exec: this shell's pid becomes that
  # of the process whose memory the host reads.
  bash -c 'wine_run=$1 host=$2 module=$3 josm=$4; shift 4
    exec "$wine_run" "$host" bench "$module" --unix-pid $$ --josm "$josm" "$@"' \
    bash "$repo/tools/wine-run.sh" "$host" "$module" "$josm" --sync-frames 300 --sync-paced \
    --sync-cases absent,present,slow-refusal,hang,dropped,dropped-after-answer "$@" >"$results/windows.jsonl"
  exit 0
fi

# --- inside a private network namespace: 1080p60 in mpv, with and without ----
# meridel-mpv.so (JOSM's stand-in answering), to a null output and to a
# window under Xvfb; three rounds, each way in turn.
if [ "${1:-}" = "--mpv-in-namespace" ]; then
  plugin=$2 clip=$3 gpx=$4 results=$5
  ip link set lo up
  log=$results/standin-mpv.log
  "$repo/tools/josm-standin-ctl.sh" start 8111 "$log" ok >/dev/null
  # -noreset: a client connecting while the server resets after the last one left can wait forever.
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>"$results/xvfb-display" >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb; "$repo/tools/josm-standin-ctl.sh" stop "$log.pid"' EXIT
  until [ -s "$results/xvfb-display" ]; do sleep 0.1; done
  export DISPLAY=:$(cat "$results/xvfb-display")
  declare -A outputs=([null]="--vo=null" [window]="--vo=gpu --gpu-context=x11egl --geometry=960x540+0+0")
  for round in 1 2 3; do
    for output in null window; do
      for way in without osd with; do
        case $output-$way in
          null-osd) continue ;;  # nothing draws an OSD without a window
          *-osd) extra=(-- --osd-level=3) ;;
          *-with) extra=(--plugin "$plugin" --gpx "$gpx" --) ;;
          *) extra=(--) ;;
        esac
        # shellcheck disable=SC2086 # the output's options are words
        python3 "$here/mpv_play.py" --clip "$clip" --out "$results/mpv.jsonl" --label "$output-$way-$round" \
          "${extra[@]}" ${outputs[$output]}
      done
    done
  done
  exit 0
fi

windows=1
case ${1:-} in
  --native-only) windows=0 ;;
  "") ;;
  *) echo "usage: $0 [--native-only]" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then
  echo "run.sh: run as root (it installs packages and makes a network namespace)" >&2
  exit 1
fi

# --- what the builds need, the tools compared with and those the driver uses --
"$repo/scripts/setup.sh"
packages=(gpsbabel python3-gpxpy time curl util-linux)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "run.sh: installing ${missing[*]}"
  apt-get update -qq || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

work=$(mktemp -d /tmp/meridel-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
results=$work/results
mkdir -p "$results"
cat /proc/loadavg >"$results/loadavg-start"

# --- a Release build of the suite --------------------------------------------
build=${MERIDEL_BENCH_BUILD:-$repo/build/bench-release}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" meridel_bench meridel_frei0r meridel_frei0r_bench meridel_mlt meridel_mpv meridel
bench=$build/bench/meridel_bench

# --- generated tracks: elevation, time and an extension per point ------------
for n in "${sizes[@]}"; do
  python3 "$repo/tools/make_gpx.py" --points "$n" --output "$work/track-$n.gpx"
done

# --- the per-frame path: five repetitions, the medians reported ---------------
"$bench" --benchmark_filter='^BM_(FrameCallback|BuildCaption|LookupPosition_.*)$' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$results/micro.json" --benchmark_out_format=json

# --- the import, then gpsbabel and gpxpy on the same files --------------------
# One import per process, like one run of each tool. Small files run a few
# times (the medians are kept); the largest once.
runs_for() { case $1 in 10000) echo 5 ;; 100000) echo 3 ;; *) echo 1 ;; esac; }
for n in "${sizes[@]}"; do
  file=$work/track-$n.gpx
  ls -l "$file" | awk '{print $5}' >"$results/size-$n"
  python3 "$here/measure.py" --out "$results/tools.jsonl" --label "meridel-$n" --runs "$(runs_for "$n")" -- \
    "$bench" --benchmark_filter='^ImportGpx/' --gpx="$file" \
    --benchmark_out="$results/import-$n-{run}.json" --benchmark_out_format=json
  python3 "$here/measure.py" --out "$results/tools.jsonl" --label "gpsbabel-$n" --runs "$(runs_for "$n")" -- \
    gpsbabel -t -i gpx -f "$file" -o unicsv -F /dev/null
  python3 "$here/measure.py" --out "$results/tools.jsonl" --label "gpxpy-$n" --runs "$(runs_for "$n")" -- \
    /usr/bin/python3 "$here/gpxpy_walk.py" "$file"
done

# --- "JOSM sync": present and absent, each in a network namespace of its own --
unshare --net -- "$0" --sync-in-namespace module-present "$bench" "$results"
python3 - "$results/standin-module-present.log" >"$results/curl.cfg" <<'PY'
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    print(f'url = "http://127.0.0.1:8111{json.loads(line)["path"]}"\noutput = "/dev/null"')
PY
for what in curl-present module-absent curl-absent; do
  unshare --net -- "$0" --sync-in-namespace "$what" "$bench" "$results"
done
# --- "JOSM sync" at 29.97 fps whatever JOSM does, each case in a namespace ---
for case in absent slow-refusal dropped dropped-after-answer hang present; do
  unshare --net -- "$0" --sync-in-namespace "paced-$case" "$bench" "$results"
done

# --- meridel.so: f0r_update per 1080p frame beside a plain copy ---------------
"$build/bench/meridel_frei0r_bench" --plugin="$build/src/frei0r/meridel.so" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_out="$results/frei0r.json" --benchmark_out_format=json

# --- meridel.so in ffmpeg, beside the conversion alone and drawtext -----------
# A camera-like source (1,800 frames of 1080p at 30000/1001, H.264), then three
# ways through ffmpeg: our filter (RGBA in and out, back to yuv420p for the
# encoder); the conversion to RGBA and back alone, which every frei0r filter
# pays; drawtext's two lines of the caption's length with a one-pixel border,
# on YUV. Each to libx264 with its defaults and to a null output; three rounds
# in turn, so that the machine's other load falls on all alike.
ffmpeg=(ffmpeg -nostdin -hide_banner -loglevel error -y)
"${ffmpeg[@]}" -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 1800 -c:v libx264 -preset ultrafast \
  -crf 18 -pix_fmt yuv420p "$work/source-1080p.mp4"
python3 "$repo/tools/make_gpx.py" --points 100 --output "$work/track-ffmpeg.gpx"
printf '2015-06-01 10:20:30\n46.50000000 7.50000000' >"$work/caption.txt"
font=$(fc-match -f '%{file}' 'DejaVu Sans Mono')
declare -A filters=(
  [meridel]="format=rgba,frei0r=meridel:'$work/track-ffmpeg.gpx',format=yuv420p"
  [conversion]="format=rgba,format=yuv420p"
  [drawtext]="drawtext=fontfile=$font:textfile=$work/caption.txt:fontsize=36:fontcolor=white:borderw=1:bordercolor=black:x=19:y=10"
)
for round in 1 2 3; do
  for way in meridel conversion drawtext; do
    FREI0R_PATH=$build/src/frei0r python3 "$here/measure.py" --out "$results/ffmpeg.jsonl" \
      --label "$way-x264-$round" -- "${ffmpeg[@]}" -i "$work/source-1080p.mp4" -vf "${filters[$way]}" \
      -c:v libx264 "$work/encoded.mp4"
    FREI0R_PATH=$build/src/frei0r python3 "$here/measure.py" --out "$results/ffmpeg.jsonl" \
      --label "$way-null-$round" -- "${ffmpeg[@]}" -i "$work/source-1080p.mp4" -vf "${filters[$way]}" -f null -
  done
done
ffmpeg -version | head -n1 >"$results/ffmpeg-version"

# --- libmltmeridel.so in melt, beside no filter, gpstext and frei0r.meridel --
"$here/melt_filters.sh" "$results" "$build"

# --- meridel-mpv.so in mpv: 1080p60 in real time, beside mpv alone -----------
"${ffmpeg[@]}" -f lavfi -i testsrc2=size=1920x1080:rate=60 -t 20 -metadata creation_time=2015-06-01T10:20:30Z \
  -c:v libx264 -preset ultrafast -g 120 -pix_fmt yuv420p "$work/source-1080p60.mp4"
unshare --net -- "$0" --mpv-in-namespace "$build/src/mpv/meridel-mpv.so" "$work/source-1080p60.mp4" \
  "$work/track-ffmpeg.gpx" "$results"
mpv --version | head -n1 >"$results/mpv-version"

# --- the meridel command beside ffmpeg's plain transcode and melt; --jobs ----
"$here/command_runs.sh" "$results" "$build"

# --- the Windows build under Wine: frames, imports and sync in one start ------
if [ "$windows" = 1 ]; then
  wbuild=${MERIDEL_BENCH_WINDOWS_BUILD:-$repo/build/bench-release-windows}
  cmake -S "$repo" -B "$wbuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  host=${MERIDEL_BENCH_HOST:-$wbuild/standin_host/standin_host.exe}
  if [ -n "${MERIDEL_BENCH_HOST:-}" ]; then
    ninja -C "$wbuild" meridel
  else
    ninja -C "$wbuild" meridel standin_host
  fi
  python3 "$repo/tools/make_gpx.py" --points 1 --output "$work/track-1.gpx"
  # The one-point file twice: the first press loads the dialog's libraries,
  # the second measures what the dialog and the message box cost. The track
  # of the last import is rendered.
  # A Windows run that ends early still leaves the figures it measured; the
  # report says which are missing. Under the emulator the first dialog now
  # and then never returns: such a run is cut off and tried once more.
  for attempt in 1 2; do
    status=0
    timeout --kill-after=30 1200 unshare --net -- "$0" --windows-in-namespace "$host" "$wbuild/meridel.auf" "$results" \
      "$work/track-1.gpx" "$work/track-1.gpx" "$work/track-10000.gpx" "$work/track-100000.gpx" \
      "$work/track-1000000.gpx" "$work/track-10000.gpx" || status=$?
    [ "$status" -eq 124 ] && [ "$attempt" -eq 1 ] && ! grep -q '"figure": "frame"' "$results/windows.jsonl" || break
    echo "run.sh: the Windows run hung; trying once more" >&2
  done
  echo "$status" >"$results/windows-status"
fi

cat /proc/loadavg >"$results/loadavg-end"
python3 "$here/report.py" "$results" "$repo/docs/performance.md"
echo "run.sh: wrote $repo/docs/performance.md"
