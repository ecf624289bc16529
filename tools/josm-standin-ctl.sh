#!/bin/sh
# Starts and stops the JOSM stand-in (tools/josm_standin.py) by its own pid.
#
#   josm-standin-ctl.sh start PORT LOG [MODE [OPTION...]]
#       Starts it in the background on 127.0.0.1:PORT (0: any free port),
#       logging requests to LOG, waits until it listens and prints its pid.
#       Beside LOG: LOG.pid (the pid), LOG.ready (the port it listens on)
#       and LOG.out (its own output). OPTIONs go to the stand-in as they
#       are, e.g. --delay 2 for MODE slow.
#   josm-standin-ctl.sh stop PIDFILE
#       Ends the stand-in whose pid PIDFILE holds and waits until it is gone.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# The system's interpreter when there is one: version-manager shims on PATH
# can cost a second per start. The stand-in needs only the standard library.
python=$(command -v /usr/bin/python3 || command -v python3)

usage() {
  echo "usage: $0 start PORT LOG [MODE [OPTION...]] | stop PIDFILE" >&2
  exit 2
}

is_standin() {  # pid
  grep -q josm_standin.py "/proc/$1/cmdline" 2>/dev/null
}

start() {
  [ $# -ge 2 ] || usage
  port=$1 log=$2
  shift 2
  mode=ok
  if [ $# -ge 1 ]; then mode=$1; shift; fi
  rm -f "$log.ready" "$log.pid"
  "$python" "$here/josm_standin.py" --port "$port" --log "$log" --mode "$mode" \
    --pidfile "$log.pid" --ready-file "$log.ready" "$@" >"$log.out" 2>&1 </dev/null &
  pid=$!
  tries=0
  until [ -s "$log.ready" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the JOSM stand-in did not start:" >&2
      cat "$log.out" >&2
      exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -ge 200 ]; then
      echo "the JOSM stand-in did not listen within 10 s" >&2
      kill "$pid"
      exit 1
    fi
    sleep 0.05
  done
  echo "$pid"
}

stop() {
  [ $# -eq 1 ] || usage
  [ -f "$1" ] || return 0  # it has gone already and removed its pidfile
  pid=$(cat "$1")
  is_standin "$pid" || return 0
  kill -TERM "$pid"
  tries=0
  while is_standin "$pid"; do
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ]; then
      kill -KILL "$pid" 2>/dev/null || true
      break
    fi
    sleep 0.05
  done
  # When it had to be killed it could not remove its pidfile itself.
  rm -f "$1"
}

[ $# -ge 1 ] || usage
command=$1
shift
case $command in
  start) start "$@" ;;
  stop) stop "$@" ;;
  *) usage ;;
esac
