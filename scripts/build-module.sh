#!/usr/bin/env bash
# Builds meridel.auf and the stand-in host in build/windows (configured on
# first use), for the demo and the real-JOSM check. Quiet unless it fails.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build=build/windows
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
ninja -C "$build" meridel standin_host >"$build.module.log" 2>&1 || { tail -40 "$build.module.log"; exit 1; }
