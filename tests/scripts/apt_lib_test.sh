#!/usr/bin/env bash
# scripts/apt-lib.sh against a stand-in apt-get that fails the way apt does
# when a mirror is caught mid-sync: what it retries, what it says, whether
# the install falls back to the release's own suite, and its status.
#
#   apt_lib_test.sh APT_LIB
set -uo pipefail
lib=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 n=0
fail() { echo "FAIL $name: $*"; failures=$((failures + 1)); }

mkdir -p "$work/bin"
cat >"$work/bin/sudo" <<'STUB'
#!/bin/sh
exec "$@"
STUB
# Reads its behaviour from $STANDIN: FAILING_URL (a failed index, or empty),
# UPDATE_FAILURES (how many updates fail; -1: all), INSTALL (ok, or
# needs-target: only "-t bookworm" resolves). Logs each call to $STANDIN/calls.
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
. "$STANDIN/case"
echo "$*" >>"$STANDIN/calls"
case " $* " in
  *" update "*)
    n=$(grep -c update "$STANDIN/calls")
    if [ -n "$FAILING_URL" ] && { [ "$UPDATE_FAILURES" -lt 0 ] || [ "$n" -le "$UPDATE_FAILURES" ]; }; then
      echo "E: Failed to fetch $FAILING_URL  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  *" install "*)
    if [ "$INSTALL" = needs-target ] && [[ " $* " != *" -t bookworm "* ]]; then
      echo "E: Unable to correct problems, you have held broken packages."
      exit 100
    fi ;;
esac
exit 0
STUB
chmod +x "$work/bin/"*

security=http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
release=http://mirror.example/debian/dists/bookworm/main/binary-amd64/Packages.xz
foreign=https://vendor.example/node/dists/nodistro/main/binary-amd64/Packages

# name | failing index | updates that fail | install | status | updates | installs | what the output must say
cases=(
  "recovers on the third try|$security|2|ok|0|3|1|trying again in 0 s (2 of 3)"
  "stays broken: the release's suite instead|$security|-1|needs-target|0|3|2|installing from bookworm's own suite instead"
  "the release's own index broken|$release|-1|needs-target|1|3|1|the mirror may be in the middle of a sync"
  "a foreign source is not retried|$foreign|-1|ok|0|1|1|"
  "everything fetched|||ok|0|1|1|"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name url update_failures install status updates installs says <<<"$row"
  export STANDIN=$work/$((++n))
  mkdir -p "$STANDIN"
  printf 'FAILING_URL=%q\nUPDATE_FAILURES=%q\nINSTALL=%q\n' "$url" "${update_failures:-0}" "$install" >"$STANDIN/case"
  out=$(PATH="$work/bin:$PATH" MERIDEL_APT_PAUSE=0 MERIDEL_APT_CODENAME=bookworm bash -c \
    '. "$1"; apt_update; apt_install hello' _ "$lib" 2>&1)
  got=$?
  [ "$got" -eq "$status" ] || fail "status $got, expected $status: $out"
  [ "$(grep -cw update "$STANDIN/calls")" -eq "$updates" ] || fail "$(grep -cw update "$STANDIN/calls") updates, expected $updates"
  [ "$(grep -cw install "$STANDIN/calls")" -eq "$installs" ] || fail "$(grep -cw install "$STANDIN/calls") installs, expected $installs"
  [ -z "$says" ] || grep -qF "$says" <<<"$out" || fail "the output lacks \"$says\": $out"
  [ "$status" -eq 0 ] || grep -qF "apt could not fetch $url" <<<"$out" || fail "the failed index is not named: $out"
done

[ "$failures" -eq 0 ] && echo "apt-lib: ${#cases[@]} cases passed"
exit $((failures > 0))
