#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, headless, in the project's own
# prefix. Exits 77 (a skip for ctest) when this machine cannot run 32-bit
# Windows programs at all, with the reason on stderr.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${MERIDEL_WINEPREFIX:-$repo/.deps/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

ready="$WINEPREFIX/.meridel-ready"
unusable="$WINEPREFIX.unusable"

prepare() {
  # 32-bit Wine needs the kernel's 32-bit emulation.
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "this machine cannot run 32-bit programs (kernel 32-bit emulation is off: $(dmesg 2>/dev/null | grep -m1 -o '32-bit emulation disabled.*' || echo 'exec format error'))" >"$unusable"
    return 1
  fi
  mkdir -p "$WINEPREFIX"
  timeout 600 wine wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >"$unusable"; return 1; }
  # The null graphics driver: windows and dialogs exist and run without a display.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
  touch "$ready"
}

if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    rm -f "$unusable"
    prepare || true
  fi
  flock -u 9
fi
if [ -f "$unusable" ] && [ ! -f "$ready" ]; then
  echo "SKIPPED: Wine: $(cat "$unusable")" >&2
  exit 77
fi
exec wine "$@"
