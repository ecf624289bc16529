#!/usr/bin/env bash
# Debian's Kdenlive and Shotcut list "Meridel GPS caption" when the packages'
# files are installed, with no environment variable: ROOT (the unpacked
# packages) is laid over /usr in a mount namespace of this script's own, and
# each editor starts under Xvfb with an empty home. Shotcut says so in its
# log; Kdenlive shows it in its Add Effect menu on the accessibility bus.
#
#   listed_when_installed.sh ROOT WORK
#
# Exits 77 when Xvfb, an editor or python3-pyatspi is missing, or no mount
# namespace with an overlay can be made.
set -euo pipefail
root=$(realpath "$1") work=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb xdotool dbus-run-session kdenlive shotcut; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: no $tool here"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIPPED: no python3-pyatspi here"; exit 77; }
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")

if [ -z "${MERIDEL_INSTALLED_SESSION:-}" ]; then
  export MERIDEL_INSTALLED_SESSION=1
  exec unshare --mount --propagation private sh -c '
    mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr || exit 77
    exec env -u FREI0R_PATH -u MLT_REPOSITORY -u MLT_DATA -u XDG_DATA_DIRS bash "$0" "$1" "$2"' \
    "$here/listed_when_installed.sh" "$root" "$work"
fi

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
# Runtime and temporary folders hold the editors' sockets, whose paths must
# fit in 108 bytes: under /tmp, not under a build tree of any depth.
sockets=$(mktemp -d /tmp/meridel-editors.XXXXXX)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$sockets"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 LC_ALL=C.UTF-8

# Runs EDITOR with an empty home on a session bus of its own until CHECK
# (a shell command) succeeds, for at most 120 s: a first start with an empty
# home probes every MLT service, which takes a minute or more on a loaded
# machine. Three tries, each with a fresh bus: now and then Qt misses the
# accessibility bus that the check's first look starts, and the editor is
# never listed there.
listed() {  # EDITOR CHECK
  local home=$work/$1 runtime=$sockets/$1 try
  for try in 1 2 3; do
    rm -rf "$home" "$runtime"
    mkdir -p "$home" "$runtime/tmp"
    chmod 700 "$runtime"
    HOME=$home XDG_RUNTIME_DIR=$runtime TMPDIR=$runtime/tmp XDG_CONFIG_HOME=$home/.config \
      XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache dbus-run-session -- bash -c '
        "$1" >"$0/log" 2>&1 &
        editor=$!
        status=1
        deadline=$((SECONDS + 120))
        while [ "$SECONDS" -lt "$deadline" ]; do
          if eval "$2"; then status=0; break; fi
          kill -0 "$editor" 2>/dev/null || break
          sleep 0.5
        done
        kill -9 "$editor" 2>/dev/null
        exit "$status"' "$home" "$1" "$2" 2>/dev/null && return 0
    echo "NOTE: $1 not listed in try $try"
  done
  return 1
}
listed shotcut 'grep -q "added filter \"Meridel GPS caption\"" "$0/log"' ||
  { tail -5 "$work/shotcut/log"; echo "FAIL: Shotcut with the packages installed does not list Meridel GPS caption"; exit 1; }
echo "OK: Shotcut with the packages installed logs: added filter \"Meridel GPS caption\""
# The accessibility bus asked only once the editor has a window (see
# gui_test.sh).
listed kdenlive 'xdotool search --name . >/dev/null 2>&1 &&
  /usr/bin/python3 '"$here"'/widgets.py dump kdenlive >"$0/widgets.txt" 2>&1 &&
  grep -q "menu item .Meridel GPS caption." "$0/widgets.txt"' ||
  { tail -5 "$work/kdenlive/log"
    echo "the last widget dump began: $(head -1 "$work/kdenlive/widgets.txt" 2>/dev/null || echo none)"
    echo "FAIL: Kdenlive with the packages installed has no Meridel GPS caption among its effects"; exit 1; }
echo "OK: Kdenlive with the packages installed has Meridel GPS caption in Timeline > Add Effect > Misc"
