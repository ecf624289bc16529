#!/usr/bin/env bash
# Builds the release files of the committed tree (HEAD) into dist/:
#   meridel-<version>-win32.zip                 meridel.auf, readme, sample ride, licences
#   meridel-frei0r_<version>~debNN_<arch>.deb   the frei0r filter, for ffmpeg
#   meridel-mlt_<version>~debNN_<arch>.deb      the MLT filter with its Kdenlive and Shotcut panels
#   meridel-mpv_<version>~debNN_<arch>.deb      the mpv plug-in
#   (one .deb for each stanza of packaging/deb/control, for Debian 12 and for
#   Debian 13: each built on its release, so that its Depends name that
#   release's libraries; the other release's in a root of it, see
#   scripts/debian-root.sh)
#   SHA256SUMS
# Two runs on the same commit give the same bytes. Uncommitted changes are
# left out: the build runs on an export of HEAD in build/release/.
#
#   release.sh [--no-setup] [--dist DIR] [--work DIR] [--debs-here]
#
# --debs-here: only this machine's release's packages (no zip, no root).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
dist=$repo/dist work=$repo/build/release setup=1 debs_here=0
while [ $# -gt 0 ]; do
  case $1 in
    --no-setup) setup=0 ;;
    --dist) dist=$2; shift ;;
    --work) work=$2; shift ;;
    --debs-here) debs_here=1 ;;
    *) echo "usage: $0 [--no-setup] [--dist DIR] [--work DIR] [--debs-here]" >&2; exit 2 ;;
  esac
  shift
done
here=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
other=$("$repo/scripts/debian-root.sh" other) ||
  { echo "release: packages are built on Debian 12 or 13, not on ${here:-this system}" >&2; exit 1; }
if [ "$setup" = 1 ]; then
  if [ "$debs_here" = 1 ]; then "$repo/scripts/setup.sh" --linux; else "$repo/scripts/setup.sh"; fi
fi

# The release is built from a commit, so that two runs give the same bytes.
if ! command -v git >/dev/null || ! git -C "$repo" rev-parse --verify -q HEAD >/dev/null 2>&1; then
  echo "release: $repo is not a git checkout with a commit; releases are built from a commit (clone the repository)" >&2
  exit 1
fi
commit=$(git -C "$repo" rev-parse HEAD)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct HEAD)}
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
  echo "release: uncommitted changes are left out; building commit ${commit:0:12}"
fi

rm -rf "$work"
mkdir -p "$work/src"
work=$(cd "$work" && pwd)
git -C "$repo" archive --format=tar HEAD | tar -x -C "$work/src"
src=$work/src
version=$(head -n1 "$src/VERSION")
jobs=$(nproc)

build() {  # dir target... (configured already); quiet unless it fails
  local dir=$1; shift
  nice ninja -C "$dir" -j "$jobs" "$@" >"$dir.log" 2>&1 || { tail -40 "$dir.log" >&2; exit 1; }
}

mkdir -p "$dist"
rm -f "$dist"/meridel-*.zip "$dist"/meridel-*_*.deb "$dist/SHA256SUMS"
files=()
if [ "$debs_here" = 0 ]; then
  echo "== release $version of ${commit:0:12}: meridel.auf"
  cmake -S "$src" -B "$work/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DMERIDEL_DEPS_DIR="$repo/.deps" >"$work/windows.configure.log" 2>&1 ||
    { cat "$work/windows.configure.log" >&2; exit 1; }
  build "$work/windows" meridel

  zip_dir=$work/zip
  mkdir -p "$zip_dir"
  cp "$work/windows/meridel.auf" "$zip_dir/"
  sed "s/@VERSION@/$version/" "$src/packaging/windows/readme.txt" >"$zip_dir/readme.txt"
  cp "$src/samples/ride.gpx" "$zip_dir/"
  python3 "$src/scripts/release_files.py" licenses "$zip_dir/licenses"
  python3 "$src/scripts/release_files.py" crlf "$zip_dir/readme.txt" "$zip_dir/ride.gpx" "$zip_dir"/licenses/*

  files+=("meridel-$version-win32.zip")
  python3 "$src/scripts/release_files.py" zip "$dist/${files[0]}" "$zip_dir"
fi

echo "== the Debian $here packages"
# Paths of the build's own tree leave the debug information, and with it
# the build id that stripping keeps.
CFLAGS="-ffile-prefix-map=$work=." CXXFLAGS="-ffile-prefix-map=$work=." \
  cmake -S "$src" -B "$work/native" -G Ninja -DMERIDEL_DEPS_DIR="$repo/.deps" >"$work/native.configure.log" 2>&1 ||
  { cat "$work/native.configure.log" >&2; exit 1; }
# What the packages' file lists take from the build tree (whatever is not a
# source file), built by name.
mapfile -t outputs < <(sed 's/#.*//' "$src"/packaging/deb/*.install | awk 'NF { print $1 }' | sort -u |
  while read -r path; do [ -e "$src/$path" ] || echo "$path"; done)
build "$work/native" "${outputs[@]}"
debs=$(MERIDEL_COMMIT=$commit MERIDEL_DEB_RELEASE="~deb$(. /etc/os-release && echo "$VERSION_ID")" \
  "$src/scripts/make-deb.sh" "$work/native" "$src" "$dist")
for deb in $debs; do files+=("$(basename "$deb")"); done

# The other release's, built in a root of it from the same commit.
if [ "$debs_here" = 0 ]; then
  echo "== the Debian $other packages, in a root of it"
  inside=build/release-$here-host
  "$repo/scripts/debian-root.sh" run "$other" env SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" \
    scripts/release.sh --no-setup --debs-here --work "$inside/work" --dist "$inside/dist" >"$work/$other.log" 2>&1 ||
    { tail -40 "$work/$other.log" >&2; echo "release: the Debian $other packages failed (log: $work/$other.log)" >&2; exit 1; }
  for deb in "$("$repo/scripts/debian-root.sh" path "$other")/work/meridel/$inside/dist"/*.deb; do
    cp "$deb" "$dist/"
    files+=("$(basename "$deb")")
  done
fi

(cd "$dist" && sha256sum "${files[@]}" >SHA256SUMS)
echo "== in $dist:"
(cd "$dist" && for f in "${files[@]}"; do printf '   %-40s %9d bytes\n' "$f" "$(stat -c %s "$f")"; done && sed 's/^/   /' SHA256SUMS)
