#!/usr/bin/env bash
# Packs a built frei0r filter into meridel-frei0r_<version>_<arch>.deb with
# Debian's own tools: dpkg-shlibdeps computes Depends, dpkg-gencontrol writes
# the control file, dpkg-deb builds the archive.
#
#   make-deb.sh MERIDEL_SO SOURCE_TREE OUT_DIR
#
# SOURCE_TREE gives VERSION, README.md and packaging/deb/. SOURCE_DATE_EPOCH
# (required) dates the changelog and every file and archive member;
# MERIDEL_COMMIT, when set, is named in the changelog. Prints the .deb's path.
set -euo pipefail
if [ $# -ne 3 ] || [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "usage: SOURCE_DATE_EPOCH=... $0 MERIDEL_SO SOURCE_TREE OUT_DIR" >&2
  exit 2
fi
so=$(realpath "$1") tree=$(realpath "$2") out=$(realpath "$3")
version=$(head -n1 "$tree/VERSION")
package=meridel-frei0r
umask 022
export LC_ALL=C TZ=UTC

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir debian
root=debian/$package
# Where Debian's ffmpeg and melt look without FREI0R_PATH, and where Debian's
# frei0r-plugins puts its own filters (not the multiarch folder).
plugins=$root/usr/lib/frei0r-1
docs=$root/usr/share/doc/$package
install -d "$plugins" "$docs" "$root/DEBIAN"
install -m 0644 "$so" "$plugins/meridel.so"
# As dh_strip does: no symbols, comments or notes beyond the build id.
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$plugins/meridel.so"

install -m 0644 "$tree/packaging/deb/copyright" "$tree/packaging/deb/README.Debian" "$docs/"
gzip -9n <"$tree/README.md" >"$docs/README.md.gz"

cp "$tree/packaging/deb/control" debian/control
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)
{
  echo "meridel ($version) unstable; urgency=medium"
  echo
  echo "  * Meridel $version${MERIDEL_COMMIT:+, built from commit $MERIDEL_COMMIT}."
  echo
  echo " -- $maintainer  $(date -R -d "@$SOURCE_DATE_EPOCH")"
} >debian/changelog
gzip -9n <debian/changelog >"$docs/changelog.Debian.gz"
chmod 0644 "$docs"/*

dpkg-shlibdeps -T"debian/$package.substvars" "$plugins/meridel.so"
dpkg-gencontrol -p"$package" -T"debian/$package.substvars" -P"$root"
(cd "$root" && find usr -type f | sort | xargs md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +

arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb="$out/${package}_${version}_${arch}.deb"
mkdir -p "$out"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
