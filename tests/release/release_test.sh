#!/usr/bin/env bash
# The release: two runs of scripts/release.sh give the same bytes; the zip
# holds what users need, text with Windows line ends, and the very
# meridel.auf that this tree's end-to-end sessions load; the .deb (the
# release's, or one of a stand-in filter while the tree has none) installs
# where Debian's ffmpeg finds it without FREI0R_PATH.
#
#   release_test.sh REPO TESTED_MODULE WORK_DIR
# Exits 77 when this machine cannot show ffmpeg the installed package.
set -euo pipefail
repo=$1 module=$2 work=$3
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

# The release's .deb, or a stand-in filter's through the same packaging.
deb=$(ls "$work"/a/dist/*.deb 2>/dev/null || true)
if [ -z "$deb" ]; then
  echo "NOTE: no frei0r filter in this tree yet: packaging a stand-in filter"
  cc -shared -fPIC -O2 -o "$work/meridel.so" "$repo/tests/release/standin_frei0r.c"
  for run in a b; do
    SOURCE_DATE_EPOCH=0 "$repo/scripts/make-deb.sh" "$work/meridel.so" "$repo" "$work/deb-$run" >/dev/null
  done
  cmp "$work"/deb-a/*.deb "$work"/deb-b/*.deb || fail "two packagings of the stand-in differ"
  deb=$(ls "$work"/deb-a/*.deb)
fi

listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/lib/frei0r-1/meridel.so ./usr/share/doc/meridel-frei0r/copyright \
  ./usr/share/doc/meridel-frei0r/changelog.Debian.gz; do
  grep -qx "$path" <<<"$listing" || fail "$path not in $(basename "$deb")"
done
# Every library the filter needs is named in Depends.
root=$work/root
dpkg-deb -x "$deb" "$root"
depends=$(dpkg-deb -f "$deb" Depends)
depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for soname in $(objdump -p "$root/usr/lib/frei0r-1/meridel.so" | awk '$1 == "NEEDED" {print $2}'); do
  owner=$(dpkg -S "*/$multiarch/$soname" | head -n1 | cut -d: -f1)
  grep -qxF "$owner" <<<"$depends_names" || fail "Depends '$depends' lacks $owner, which has $soname"
done
echo "OK: $(basename "$deb"): Depends: $depends"

# Debian's ffmpeg, its plug-in folders as a system with the package installed
# has them: the package's /usr/lib laid over the real one in a mount
# namespace of this test's own. No FREI0R_PATH, and an empty home.
command -v ffmpeg >/dev/null || { echo "SKIPPED: no ffmpeg here"; exit 77; }
mkdir -p "$work/home"
load() {
  unshare --mount --propagation private sh -c '
    mount -t overlay overlay -o "lowerdir=$1/usr/lib:/usr/lib" /usr/lib || exit 77
    env -u FREI0R_PATH HOME="$2" ffmpeg -v debug -hide_banner -f lavfi -i color=c=black:s=64x36:d=0.1 \
      -vf frei0r=meridel -f null -' load "$root" "$work/home" >"$work/ffmpeg.log" 2>&1
}
status=0
load || status=$?
if [ "$status" = 77 ] || ! unshare --mount true 2>/dev/null; then
  echo "SKIPPED: no mount namespace with an overlay here, so ffmpeg cannot be shown the package"
  exit 77
fi
[ "$status" = 0 ] || { tail -20 "$work/ffmpeg.log" >&2; fail "ffmpeg with frei0r=meridel: status $status"; }
last=$(grep -o "Looking for frei0r effect in '[^']*'" "$work/ffmpeg.log" | tail -n1)
[ "$last" = "Looking for frei0r effect in '/usr/lib/frei0r-1/meridel.so'" ] || fail "ffmpeg: $last"
grep -q "Parsed_frei0r_0.* name:" "$work/ffmpeg.log" || fail "ffmpeg did not start the filter"
echo "OK: Debian's ffmpeg runs frei0r=meridel from /usr/lib/frei0r-1 without FREI0R_PATH"
