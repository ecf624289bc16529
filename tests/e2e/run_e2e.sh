#!/usr/bin/env bash
# Runs scenarios with the stand-in host and the real module under Wine, the
# JOSM stand-in listening on 127.0.0.1:8111 beside them (the module always
# talks to that port), and checks every picture the host wrote.
#
#   run_e2e.sh STANDIN_HOST.exe MERIDEL.auf OUT_DIR SCENARIO...
#
# One Wine start runs all scenarios in turn. Pictures land in OUT_DIR/<name>/,
# the stand-in's request log in OUT_DIR/josm/log.jsonl. A scenario starts and
# stops the stand-in through OUT_DIR/josm/request (see standin_host/josm_link.h).
# MERIDEL_JOSM_STANDIN gives the stand-in's mode and options at the start
# (default ok; tools/real-josm-check.sh uses "relay --relay-port 8112").
# Exits 77 when this machine cannot run Wine.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
if [ $# -lt 4 ]; then
  echo "usage: $0 STANDIN_HOST.exe MERIDEL.auf OUT_DIR SCENARIO..." >&2
  exit 2
fi
host=$1 module=$2 out=$3
shift 3
ctl="$repo/tools/josm-standin-ctl.sh"

# Our own Wine prefix: a wineserver of the shared prefix may be running in
# another network namespace, and Wine's sockets live in the wineserver's.
MERIDEL_WINEPREFIX=$("$repo/tools/wine-run.sh" --own-prefix e2e) || exit $?  # 77: no Wine here
export MERIDEL_WINEPREFIX
exec 8>"$MERIDEL_WINEPREFIX.run-lock"
flock 8  # one run at a time in this prefix, so its wineserver is ours

mkdir -p "$out"
out=$(cd "$out" && pwd)
josm="$out/josm"
for scenario in "$@"; do
  name=$(basename "$scenario" .scenario)
  rm -rf "${out:?}/$name"
done
rm -rf "$josm"
mkdir -p "$josm"
log="$josm/log.jsonl"
: >"$log"

stop_josm() { "$ctl" stop "$log.pid"; }
start_josm() {  # mode [option...]
  stop_josm
  "$ctl" start 8111 "$log" "$@" >/dev/null
}

# Answers the host's requests to start or stop the stand-in.
serve_requests() {
  while :; do
    if [ -f "$josm/request" ]; then
      read -r command mode <"$josm/request" || true
      case $command in
        start) if start_josm "${mode:-ok}" 2>"$josm/start.err"; then state=running
               else state="failed: $(tr '\n' ' ' <"$josm/start.err")"; fi ;;
        stop) stop_josm; state=stopped ;;
        *) state="failed: unknown request $command" ;;
      esac
      echo "$state" >"$josm/state.tmp"
      mv "$josm/state.tmp" "$josm/state"
      rm -f "$josm/request"
    fi
    sleep 0.1
  done
}

# shellcheck disable=SC2086 # the mode and its options are words
if ! start_josm ${MERIDEL_JOSM_STANDIN:-ok}; then
  echo "run_e2e: the JOSM stand-in cannot listen on 127.0.0.1:8111" >&2
  exit 1
fi
serve_requests &
server=$!
wine=
finish() {
  [ -n "$wine" ] && kill "$wine" 2>/dev/null
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  stop_josm
  # Leave no wineserver of this prefix behind for a run in another namespace.
  WINEPREFIX="$MERIDEL_WINEPREFIX" wineserver -w 2>/dev/null
}
trap finish EXIT
trap 'exit 143' TERM INT

# In the background, so that a signal ends it at once; within a time limit of
# our own, so that a hung step leaves its log and no process behind.
limit=${MERIDEL_E2E_TIMEOUT:-840}
rm -f "$out/verdict"
timeout --kill-after=10 "$limit" "$repo/tools/wine-run.sh" "$host" session "$module" "$out" --josm "$josm" "$@" &
wine=$!
wait "$wine"
status=$?
wine=
[ "$status" -eq 77 ] && exit 77
[ "$status" -eq 124 ] && echo "run_e2e: no end within $limit s: the step after the last one shown hung" >&2
# A crash after the host wrote its verdict happened in Wine's teardown under
# the i386 emulator, with every module unloaded (standin_host/main.cpp).
if [ "$status" -gt 128 ] && [ "$status" -ne 137 ] && [ -s "$out/verdict" ]; then
  echo "run_e2e: the host crashed (status $status) in Wine's teardown after its verdict: $(cat "$out/verdict")" >&2
  grep -q ' 0 failed$' "$out/verdict" && status=0 || status=1
fi

# Every picture must be a well-formed PNG that decodes to its stated size.
python3 - "$out" <<'PY' || status=1
import pathlib, struct, sys, zlib
bad = 0
for path in sorted(pathlib.Path(sys.argv[1]).glob("*/*.png")):
    data = path.read_bytes()
    try:
        assert data[:8] == b"\x89PNG\r\n\x1a\n", "signature"
        pos, idat, size = 8, b"", None
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            body = data[pos + 8:pos + 8 + length]
            assert struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0] == zlib.crc32(kind + body), "CRC"
            if kind == b"IHDR":
                size = struct.unpack(">II", body[:8])
            elif kind == b"IDAT":
                idat += body
            pos += 12 + length
        width, height = size
        assert len(zlib.decompress(idat)) == (width * 3 + 1) * height, "pixel data size"
    except Exception as fault:
        print(f"run_e2e: {path}: not a valid PNG ({fault})")
        bad += 1
sys.exit(1 if bad else 0)
PY
exit $status
