#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native, sanitizer,
# Windows and fuzz builds, then one ctest run over all of them (Windows tests under
# Wine). Ends with ctest's own summary.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=$(nproc)

"$repo/scripts/setup.sh"

configure_and_build() {  # dir, extra cmake args...
  local dir=$1; shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  echo "== building $dir"
  ninja -C "$dir" -j "$jobs" >"$dir.log" 2>&1 || { tail -40 "$dir.log"; exit 1; }
}

configure_and_build build/native
configure_and_build build/sanitize -DMERIDEL_SANITIZE=ON
configure_and_build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
CC=clang CXX=clang++ configure_and_build build/fuzz -DMERIDEL_FUZZ=ON

# One ctest over the three build trees.
mkdir -p build/all
cat >build/all/CTestTestfile.cmake <<CTEST
subdirs("$repo/build/native" "$repo/build/sanitize" "$repo/build/windows" "$repo/build/fuzz")
CTEST

# Exit 77: this machine cannot run Wine; the Windows tests then say so as skips.
"$repo/tools/wine-run.sh" --prepare || [ $? -eq 77 ]

run_ctest() { ctest --test-dir "$repo/build/all" -j "$jobs" --output-on-failure "$@"; }
# A private network namespace keeps the JOSM stand-in's port 8111 to ourselves.
if [ "$(id -u)" -eq 0 ] && unshare --net true 2>/dev/null; then
  export -f run_ctest
  export repo jobs
  exec unshare --net bash -c 'ip link set lo up && run_ctest "$@"' run_ctest "$@"
fi
run_ctest "$@"
