#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native, sanitizer,
# Windows and fuzz builds, then one ctest run over all of them (Windows tests under
# Wine); then, in a root of the other supported Debian release (made once,
# scripts/debian-root.sh), the native build and its Linux hosts' tests.
# Ends with each ctest's own summary; fails when either failed.
#
#   test.sh [--linux] [CTEST-ARGS...]
#
# --linux: the native build and its tests only, on this machine alone (what
# runs in the root).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=$(nproc)
linux_only=0
[ "${1:-}" = --linux ] && linux_only=1 && shift

if [ "$linux_only" = 1 ]; then
  "$repo/scripts/setup.sh" --linux
else
  "$repo/scripts/setup.sh"
  # None on a release not supported, as set-up said.
  other=$("$repo/scripts/debian-root.sh" other) || other=
  if [ -n "$other" ] && [ "$(id -u)" -ne 0 ]; then
    echo "== the Linux hosts on Debian $other are tested in a root of it, which only root can make: not run"
    other=
  fi
  # Made before the tests, which run without a network.
  [ -z "$other" ] || "$repo/scripts/debian-root.sh" make "$other"
fi

configure_and_build() {  # dir, extra cmake args...
  local dir=$1; shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  echo "== building $dir"
  ninja -C "$dir" -j "$jobs" >"$dir.log" 2>&1 || { tail -40 "$dir.log"; exit 1; }
}

configure_and_build build/native
trees=("$repo/build/native")
if [ "$linux_only" = 0 ]; then
  configure_and_build build/sanitize -DMERIDEL_SANITIZE=ON
  configure_and_build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
  CC=clang CXX=clang++ configure_and_build build/fuzz -DMERIDEL_FUZZ=ON
  trees+=("$repo/build/sanitize" "$repo/build/windows" "$repo/build/fuzz")
  # Exit 77: this machine cannot run Wine; the Windows tests then say so as skips.
  "$repo/tools/wine-run.sh" --prepare || [ $? -eq 77 ]
fi

# One ctest over the build trees.
mkdir -p build/all
printf 'subdirs(%s)\n' "$(printf '"%s" ' "${trees[@]}")" >build/all/CTestTestfile.cmake

run_ctest() { ctest --test-dir "$repo/build/all" -j "$jobs" --output-on-failure "$@"; }
# A private network namespace keeps the JOSM stand-in's port 8111 to ourselves.
status=0
if [ "$(id -u)" -eq 0 ] && unshare --net true 2>/dev/null; then
  export -f run_ctest
  export repo jobs
  unshare --net bash -c 'ip link set lo up && run_ctest "$@"' run_ctest "$@" || status=$?
else
  run_ctest "$@" || status=$?
fi

if [ "$linux_only" = 0 ] && [ -n "$other" ]; then
  echo "== the Linux hosts on Debian $other, in $("$repo/scripts/debian-root.sh" path "$other")"
  # The release test above checked that release's packages there already.
  "$repo/scripts/debian-root.sh" run "$other" scripts/test.sh --linux -E '^release\.' || status=1
fi
exit "$status"
