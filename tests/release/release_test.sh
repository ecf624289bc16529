#!/usr/bin/env bash
# The release: two runs of scripts/release.sh give the same bytes; the zip
# holds what users need, text with Windows line ends, and the very
# meridel.auf that this tree's end-to-end sessions load; the packages of
# both Debian releases are there, and each works installed on its release
# (installed_packages.sh).
#
#   release_test.sh REPO TESTED_MODULE WORK_DIR
# Exits 77 when this machine cannot show ffmpeg and melt the installed
# packages, or the tree is no git checkout (an unpacked source archive has
# no commit to release).
set -euo pipefail
repo=$1 module=$2 work=$3
if ! command -v git >/dev/null || ! git -C "$repo" rev-parse --verify -q HEAD >/dev/null 2>&1; then
  echo "SKIP: $repo is not a git checkout with a commit, and releases are built from one"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

for run in a b; do
  "$repo/scripts/release.sh" --no-setup --work "$work/$run" --dist "$work/$run/dist" >"$work/$run.log" 2>&1 ||
    { cat "$work/$run.log" >&2; fail "release run $run"; }
done
cmp -s "$work/a/dist/SHA256SUMS" "$work/b/dist/SHA256SUMS" ||
  fail "two runs differ: $(diff "$work/a/dist/SHA256SUMS" "$work/b/dist/SHA256SUMS" | tr '\n' ' ')"
(cd "$work/a/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
echo "OK: two runs, the same bytes: $(cut -d' ' -f3 "$work/a/dist/SHA256SUMS" | tr '\n' ' ')"

version=$(head -n1 "$repo/VERSION")
# The tree's module was built from the working tree, the release from HEAD.
git -C "$repo" diff --quiet HEAD -- && same_source=1 || same_source=0
python3 - "$work/a/dist/meridel-$version-win32.zip" "$module" "$same_source" "$version" <<'PY' || fail "zip"
import sys, zipfile
path, module, same_source, version = sys.argv[1], sys.argv[2], sys.argv[3] == "1", sys.argv[4]
archive = zipfile.ZipFile(path)
names = sorted(archive.namelist())
expected = ["licenses/gcc-runtime.txt", "licenses/mingw-w64-runtime.txt", "licenses/tinyxml2.txt",
            "meridel.auf", "readme.txt", "ride.gpx"]
assert names == expected, f"entries {names}"
for name in names:
    data = archive.read(name)
    if name.endswith((".txt", ".gpx")):
        assert data.count(b"\n") == data.count(b"\r\n") > 0, f"{name}: not Windows line ends throughout"
readme = archive.read("readme.txt").decode("ascii")
assert f"Version {version}\r\n" in readme and "@" not in readme, "readme's version line"
if same_source:
    assert archive.read("meridel.auf") == open(module, "rb").read(), "meridel.auf is not the module the e2e sessions load"
    print("OK: the zip's meridel.auf is the module the e2e sessions load")
else:
    print("NOTE: uncommitted changes: the zip's meridel.auf was not compared with the tree's")
PY

# Each package for both releases, each checked installed on its release:
# the machine's here, the other's in a root of it (scripts/debian-root.sh).
for package in meridel-frei0r meridel-mlt meridel-mpv; do
  for release in 12 13; do
    ls "$work/a/dist/${package}_$version~deb${release}_"*.deb >/dev/null 2>&1 ||
      fail "the release has no $package package for Debian $release"
  done
done
bash "$repo/tests/release/installed_packages.sh" "$repo" "$work/a/dist" "$work/installed"
here=$(. /etc/os-release && echo "$VERSION_CODENAME")
# release.sh left the other release's packages in the root's copy of the tree.
"$repo/scripts/debian-root.sh" run "$("$repo/scripts/debian-root.sh" other)" bash tests/release/installed_packages.sh . \
  "build/release-$here-host/dist" build/installed-packages-test
