#!/usr/bin/env bash
# Measures the module's per-frame cost, its GPX import beside gpsbabel and
# gpxpy, and the cost of "JOSM sync" beside curl, all in one run on this
# machine, and writes the figures to docs/performance.md.
#
#   bench/run.sh            (as root: it installs the tools it compares with
#                            and runs the sync part in a private network
#                            namespace, where 127.0.0.1:8111 is ours alone)
#
# MERIDEL_BENCH_BUILD names the Release build directory (default
# build/bench-release). The generated GPX files live in a temporary folder
# that is removed at the end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
sizes=(10000 100000 1000000)

# --- inside the private network namespace: the sync figures -----------------
if [ "${1:-}" = "--sync-in-namespace" ]; then
  bench=$2 results=$3
  ip link set lo up
  log=$results/standin.log
  "$repo/tools/josm-standin-ctl.sh" start 8111 "$log" ok >/dev/null
  trap '"$repo/tools/josm-standin-ctl.sh" stop "$log.pid"' EXIT
  "$bench" --benchmark_filter='^BM_FrameCallback_Sync' \
    --benchmark_out="$results/sync-present.json" --benchmark_out_format=json
  # The baseline: the same requests, as many, by curl in one process. The
  # stand-in closes every connection, so each GET connects anew, as ours do.
  python3 - "$log" >"$results/curl.cfg" <<'PY'
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    print(f'url = "http://127.0.0.1:8111{json.loads(line)["path"]}"\noutput = "/dev/null"')
PY
  python3 "$here/measure.py" --out "$results/tools.jsonl" --label curl-present -- \
    curl -s -K "$results/curl.cfg" -w '%{http_code}\n'
  "$repo/tools/josm-standin-ctl.sh" stop "$log.pid"
  trap - EXIT
  # JOSM absent: nobody listens on the port, every connection is refused.
  "$bench" --benchmark_filter='^BM_FrameCallback_Sync' \
    --benchmark_out="$results/sync-absent.json" --benchmark_out_format=json
  python3 "$here/measure.py" --out "$results/tools.jsonl" --label curl-absent --accept-exit 7 -- \
    curl -s -K "$results/curl.cfg" -w '%{http_code}\n'
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "run.sh: run as root (it installs packages and makes a network namespace)" >&2
  exit 1
fi

# --- the tools compared with, and those the driver needs ---------------------
packages=(gpsbabel python3-gpxpy time curl iproute2 util-linux python3 cmake ninja-build libbenchmark-dev)
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
ninja -C "$build" meridel_bench
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

# --- "JOSM sync": present and absent, in a network namespace of our own -------
unshare --net -- "$0" --sync-in-namespace "$bench" "$results"

cat /proc/loadavg >"$results/loadavg-end"
python3 "$here/report.py" "$results" "$repo/docs/performance.md"
echo "run.sh: wrote $repo/docs/performance.md"
