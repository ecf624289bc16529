#!/usr/bin/env bash
# The packages of a release, installed on the machine's Debian release: each
# .deb names in Depends the libraries its files need; meridel-frei0r installs
# where Debian's ffmpeg finds it without FREI0R_PATH; meridel-mlt puts each
# file in the folder where the system's MLT, Kdenlive and Shotcut keep their
# own, and melt, Kdenlive and Shotcut list the filter with no environment
# variable; the packaged meridel command captions a clip with it; Debian's
# mpv loads the installed meridel-mpv.so.
#
#   installed_packages.sh REPO DIST WORK_DIR
# Takes DIST's packages for this machine's release (VERSION~debNN). Exits 77
# when this machine cannot show ffmpeg and melt the installed packages.
set -euo pipefail
repo=$(realpath "$1") dist=$(realpath "$2") work=$3
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
fail() { echo "FAIL: $*" >&2; exit 1; }
version=$(head -n1 "$repo/VERSION")~deb$(. /etc/os-release && echo "$VERSION_ID")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

root=$work/root
mkdir -p "$root"
for package in meridel-frei0r meridel-mlt meridel-mpv; do
  deb=$(ls "$dist/${package}_${version}_"*.deb 2>/dev/null) || fail "$dist has no $package $version"
  listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
  for path in copyright changelog.Debian.gz README.Debian; do
    grep -qx "./usr/share/doc/$package/$path" <<<"$listing" || fail "$path not in $(basename "$deb")"
  done
  dpkg-deb -x "$deb" "$root"
  # Every library its files need is named in Depends.
  depends=$(dpkg-deb -f "$deb" Depends)
  depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g')
  for file in $(grep -E '\.so$|^\./usr/bin/.' <<<"$listing"); do
    for soname in $(objdump -p "$root/$file" | awk '$1 == "NEEDED" {print $2}'); do
      owner=$(dpkg -S "*/$multiarch/$soname" | head -n1 | cut -d: -f1)
      grep -qxF "$owner" <<<"$depends_names" || fail "$package: Depends '$depends' lacks $owner, which has $soname"
    done
  done
  echo "OK: $(basename "$deb"): Depends: $depends"
done

# Each file of meridel-mlt beside one that the system's MLT, Kdenlive or
# Shotcut package installs in the folder it reads; the command beside melt.
mlt_listing=$(dpkg-deb -c "$dist/meridel-mlt_${version}_"*.deb | awk '{print $NF}')
while read -r ours theirs; do
  grep -qx "./$ours" <<<"$mlt_listing" || fail "meridel-mlt has no /$ours"
  owner=$(dpkg -S "/$theirs" 2>/dev/null | cut -d: -f1) || fail "no package of this system installs /$theirs"
  echo "OK: meridel-mlt has /$ours, where $owner has /$theirs"
done <<PAIRS
usr/lib/$multiarch/mlt-7/libmltmeridel.so usr/lib/$multiarch/mlt-7/libmltcore.so
usr/share/mlt-7/meridel/filter_meridel.yml usr/share/mlt-7/core/filter_watermark.yml
usr/share/kdenlive/effects/meridel.xml usr/share/kdenlive/effects/dynamictext.xml
usr/share/shotcut/qml/filters/meridel/meta.qml usr/share/shotcut/qml/filters/timer/meta.qml
usr/share/shotcut/qml/filters/meridel/ui.qml usr/share/shotcut/qml/filters/timer/ui.qml
usr/bin/meridel usr/bin/melt
usr/share/man/man1/meridel.1.gz usr/share/man/man1/melt.1.gz
PAIRS
# The listing whole first: grep -q would close the pipe on dpkg-deb.
mlt_modes=$(dpkg-deb -c "$dist/meridel-mlt_${version}_"*.deb)
grep -q '^-rwxr-xr-x .* \./usr/bin/meridel$' <<<"$mlt_modes" || fail "meridel-mlt's /usr/bin/meridel is not executable"

# Debian's ffmpeg and melt, their folders as a system with both packages
# installed has them: the packages' /usr laid over the real one in a mount
# namespace of this test's own. No FREI0R_PATH or MLT_REPOSITORY, and an
# empty home.
for tool in ffmpeg melt; do command -v $tool >/dev/null || { echo "SKIPPED: no $tool here"; exit 77; }; done
mkdir -p "$work/home"
installed() {  # LOG COMMAND...: the command, run with the packages installed
  local log=$1
  shift
  unshare --mount --propagation private sh -c '
    mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr || exit 77
    home=$0
    shift
    exec env -u FREI0R_PATH -u MLT_REPOSITORY -u MLT_DATA HOME="$home" timeout -s KILL 60 "$@"' \
    "$work/home" "$root" "$@" </dev/null >"$work/$log" 2>&1
}
status=0
installed ffmpeg.log ffmpeg -v debug -hide_banner -f lavfi -i color=c=black:s=64x36:d=0.1 \
  -vf frei0r=meridel -f null - || status=$?
if [ "$status" = 77 ] || ! unshare --mount true 2>/dev/null; then
  echo "SKIPPED: no mount namespace with an overlay here, so ffmpeg and melt cannot be shown the packages"
  exit 77
fi
[ "$status" = 0 ] || { tail -20 "$work/ffmpeg.log" >&2; fail "ffmpeg with frei0r=meridel: status $status"; }
last=$(grep -o "Looking for frei0r effect in '[^']*'" "$work/ffmpeg.log" | tail -n1)
[ "$last" = "Looking for frei0r effect in '/usr/lib/frei0r-1/meridel.so'" ] || fail "ffmpeg: $last"
grep -q "Parsed_frei0r_0.* name:" "$work/ffmpeg.log" || fail "ffmpeg did not start the filter"
echo "OK: Debian's ffmpeg runs frei0r=meridel from /usr/lib/frei0r-1 without FREI0R_PATH"

# melt may be killed at its exit, its answer written.
installed melt-filters.log melt -query filters || true
grep -q '^  - meridel$' "$work/melt-filters.log" || fail "melt -query filters does not list meridel"
installed melt-meridel.log melt -query filter=meridel || true
grep -q '^title: Meridel GPS caption$' "$work/melt-meridel.log" ||
  fail "melt -query filter=meridel does not show the installed metadata"
echo "OK: Debian's melt lists meridel and its metadata from the installed package, without MLT_REPOSITORY"

# The command captions a clip with the installed filter.
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=320x180:rate=25:duration=1 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -metadata creation_time=2023-06-17T07:31:00Z "$work/clip.mp4"
status=0
installed meridel.log meridel caption --gpx "$repo/samples/ride.gpx" --output "$work/captioned" "$work/clip.mp4" ||
  status=$?
[ "$status" = 0 ] && [ -s "$work/captioned/clip-meridel.mp4" ] ||
  { cat "$work/meridel.log" >&2; fail "meridel caption with the installed packages: status $status"; }
echo "OK: the installed meridel captions a clip with the installed filter, without MLT_REPOSITORY"

# And both editors list the filter.
status=0
bash "$repo/tests/editors/listed_when_installed.sh" "$root" "$work/editors" || status=$?
[ "$status" = 77 ] && echo "NOTE: the editors could not be started here; their folders were checked above"
[ "$status" = 0 ] || [ "$status" = 77 ] || fail "an editor does not list the installed filter"

# mpv, told where the package put the plug-in: it loads it and the plug-in
# says what to set (no track given).
if command -v mpv >/dev/null; then
  installed mpv.log mpv --no-config --vo=null --ao=null --frames=1 \
    "--script=/usr/lib/$multiarch/meridel/meridel-mpv.so" av://lavfi:color=c=black:s=64x36:d=0.1 || true
  grep -q '^\[meridel\] set meridel-gpx ' "$work/mpv.log" ||
    { tail -20 "$work/mpv.log" >&2; fail "mpv did not load the installed meridel-mpv.so"; }
  echo "OK: Debian's mpv loads meridel-mpv.so from /usr/lib/$multiarch/meridel"
else
  echo "NOTE: no mpv here; the plug-in's folder was checked above"
fi
