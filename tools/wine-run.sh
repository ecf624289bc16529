#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, headless, in the project's own
# prefix: `wine-run.sh prog.exe args...`, or `wine-run.sh --prepare` to make
# the prefix ready ahead of time, or `wine-run.sh --own-prefix NAME` to print
# the path of a copy of it for a network namespace of the caller's own
# (Wine makes its sockets in its wineserver, which must run there). Exits 77
# (a skip for ctest) when this machine cannot run 32-bit programs at all,
# with the reason on stderr.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
# Kept per machine, outside any clone: making a prefix takes minutes.
export WINEPREFIX=${MERIDEL_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/meridel/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

ready="$WINEPREFIX/.meridel-ready"

prepare() {
  mkdir -p "$WINEPREFIX"
  timeout 900 wine wineboot -i >/dev/null 2>&1 || return 1
  # The null graphics driver: windows and dialogs exist and run without a display.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 || return 1
  wineserver -w
  touch "$ready"
}

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "SKIPPED: this machine cannot run 32-bit programs, so Wine cannot run the Windows build (scripts/setup.sh, as root, makes them run or says why it cannot)" >&2
  exit 77
fi
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    echo "wine-run: preparing the Wine prefix $WINEPREFIX (a few minutes, once)" >&2
    prepare || { echo "wine-run: could not prepare the Wine prefix" >&2; exit 1; }
  fi
  flock -u 9
  exec 9>&-
fi
[ "${1:-}" = "--prepare" ] && exit 0
if [ "${1:-}" = "--own-prefix" ]; then
  own="$WINEPREFIX-$2"
  if [ ! -f "$own/.meridel-ready" ]; then
    (
      flock 9
      # Copying the prefix is much quicker than making one.
      if [ ! -f "$own/.meridel-ready" ]; then
        rm -rf "$own.tmp"
        cp -a "$WINEPREFIX" "$own.tmp" && rm -f "$own.tmp/wineserver" && mv "$own.tmp" "$own"
      fi
    ) 9>"$own.lock" || exit 1
  fi
  echo "$own"
  exit 0
fi
exec wine "$@"
