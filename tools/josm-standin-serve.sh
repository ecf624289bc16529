#!/usr/bin/env bash
# Serves a host's requests to set JOSM's side up (standin_host/josm_link.h)
# until it is ended: DIR/request holds "start MODE [OPTION...]", "stop",
# "drop" or "refuse-slowly"; the answer goes to DIR/state. The stand-in
# (josm-standin-ctl.sh) logs to DIR/log.jsonl on 127.0.0.1:8111.
#
#   josm-standin-serve.sh DIR            serves requests until it is ended
#   josm-standin-serve.sh DIR COMMAND... carries one out, prints the state and
#                                        leaves it so (stop the stand-in with
#                                        josm-standin-ctl.sh stop DIR/log.jsonl.pid)
#
# "drop" stops the stand-in and has the kernel drop every connection attempt
# to port 8111 unanswered (an nftables rule), as a firewall or a JOSM that
# no longer accepts does. "refuse-slowly" drops only the first SYN of each
# attempt: the client sends it again after its retransmission time-out (1 s
# on Linux) and is refused then, as Windows refuses a closed loopback port
# after a second or two. "start" and "stop" lift the rule. Rules are set
# only in a network namespace with no device but the loopback one (one that
# the caller made), so that no other program's port 8111 is touched.
set -u
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 DIR [COMMAND...]" >&2; exit 2; }
josm=$1
shift
log=$josm/log.jsonl
table=meridel_josm_drop

stop_standin() { "$here/josm-standin-ctl.sh" stop "$log.pid"; }
lift() { nft delete table inet "$table" 2>/dev/null || true; }
rule() {  # the nftables lines of the input chain
  # A namespace of our own (unshare --net) has the loopback device and no other.
  if ip -o link show | grep -qv ': lo:'; then
    echo "failed: not in a network namespace of our own"
    return
  fi
  lift
  local said
  if said=$(nft -f - 2>&1 <<NFT
table inet $table {
  set tried {
    type inet_service
    flags dynamic, timeout
    timeout 60s
  }
  chain input {
    type filter hook input priority 0; policy accept;
    $1
  }
}
NFT
  ); then
    echo stopped
  else
    echo "failed: $said"
  fi
}
syn='tcp dport 8111 tcp flags & (syn | ack) == syn'
drop_all="$syn drop"
# The first SYN from a source port is dropped, its retransmission refused.
drop_first="$syn tcp sport != @tried add @tried { tcp sport } drop"

act() {  # command [option...]: prints the state it leaves
  local command=$1
  shift
  case $command in
    start)
      stop_standin
      lift
      if "$here/josm-standin-ctl.sh" start 8111 "$log" "${@:-ok}" >/dev/null 2>"$josm/start.err"; then
        echo running
      else
        echo "failed: $(tr '\n' ' ' <"$josm/start.err")"
      fi ;;
    stop) stop_standin; lift; echo stopped ;;
    drop) stop_standin; rule "$drop_all" | tr '\n' ' ' ;;
    refuse-slowly) stop_standin; rule "$drop_first" | tr '\n' ' ' ;;
    *) echo "failed: unknown request $command" ;;
  esac
}

if [ $# -gt 0 ]; then
  state=$(act "$@")
  echo "${state% }"
  [ "${state#failed}" = "$state" ]
  exit
fi

finish() { stop_standin; lift; }
trap finish EXIT
trap 'exit 143' TERM INT

while :; do
  if [ -f "$josm/request" ]; then
    read -r -a words <"$josm/request" || true
    state=$(act "${words[@]:-none}")
    echo "${state% }" >"$josm/state.tmp"
    mv "$josm/state.tmp" "$josm/state"
    rm -f "$josm/request"
  fi
  sleep 0.05
done
