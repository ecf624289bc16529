#!/usr/bin/env bash
# Packs built files into one .deb per binary stanza of packaging/deb/control
# with Debian's own tools: dpkg-shlibdeps computes Depends, dpkg-gencontrol
# writes the control file, dpkg-deb builds the archive.
#
#   make-deb.sh BUILD_TREE SOURCE_TREE OUT_DIR [PACKAGE...]
#
# Builds every package of the control file, or the ones named. What a
# package holds is its file list, packaging/deb/PACKAGE.install: one line
# per file or folder,
#
#   SOURCE DESTINATION-DIR
#
# SOURCE is a path in BUILD_TREE or, when it is none there, in SOURCE_TREE (a
# path in both is refused); a folder lands with its whole tree, under its own
# name. DESTINATION-DIR is the folder it lands in, from the root, where
# ${DEB_HOST_MULTIARCH} stands for the host's triplet (x86_64-linux-gnu). Blank lines and lines starting
# with # are skipped. Every package also gets copyright, README.Debian, the
# changelog and README.md under /usr/share/doc/PACKAGE/; ELF files are
# stripped as dh_strip does, and their libraries named in Depends.
#
# SOURCE_TREE gives VERSION, README.md and packaging/deb/. SOURCE_DATE_EPOCH
# (required) dates the changelog and every file and archive member;
# MERIDEL_COMMIT, when set, is named in the changelog; MERIDEL_DEB_RELEASE
# (~deb12), when set, follows VERSION in the packages' version, for packages
# of one release. Prints each .deb's path, one a line.
set -euo pipefail
if [ $# -lt 3 ] || [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "usage: SOURCE_DATE_EPOCH=... $0 BUILD_TREE SOURCE_TREE OUT_DIR [PACKAGE...]" >&2
  exit 2
fi
build=$(realpath "$1") tree=$(realpath "$2") out=$(realpath -m "$3")
shift 3
version=$(head -n1 "$tree/VERSION")${MERIDEL_DEB_RELEASE:-}
umask 022
export LC_ALL=C TZ=UTC
packages=("$@")
[ ${#packages[@]} -gt 0 ] || mapfile -t packages < <(sed -n 's/^Package: //p' "$tree/packaging/deb/control")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir debian
cp "$tree/packaging/deb/control" debian/control
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)
{
  echo "meridel ($version) unstable; urgency=medium"
  echo
  echo "  * Meridel $version${MERIDEL_COMMIT:+, built from commit $MERIDEL_COMMIT}."
  echo
  echo " -- $maintainer  $(date -R -d "@$SOURCE_DATE_EPOCH")"
} >debian/changelog

is_elf() { [ "$(head -c4 "$1" | od -An -c | tr -d ' ')" = '177ELF' ]; }

mkdir -p "$out"
for package in "${packages[@]}"; do
  list=$tree/packaging/deb/$package.install
  grep -qx "Package: $package" debian/control || { echo "make-deb: no stanza for $package in packaging/deb/control" >&2; exit 1; }
  [ -f "$list" ] || { echo "make-deb: $package has no file list $list" >&2; exit 1; }
  root=debian/$package
  docs=$root/usr/share/doc/$package
  install -d "$docs" "$root/DEBIAN"
  while read -r source destination extra; do
    case $source in '' | '#'*) continue ;; esac
    if [ -z "$destination" ] || [ -n "$extra" ]; then
      echo "make-deb: $list: '$source $destination $extra' is not SOURCE DESTINATION-DIR" >&2
      exit 1
    fi
    if [ -e "$build/$source" ] && [ -e "$tree/$source" ]; then
      echo "make-deb: $list: $source is in both the build and the source tree" >&2
      exit 1
    fi
    from=$build/$source
    [ -e "$from" ] || from=$tree/$source
    [ -e "$from" ] || { echo "make-deb: $list: $source is in neither $build nor $tree" >&2; exit 1; }
    into=$root/${destination//'${DEB_HOST_MULTIARCH}'/$multiarch}
    install -d "$into"
    if [ -d "$from" ]; then
      (cd "$from" && find . -type f | sort) | while read -r file; do
        install -D -m 0644 "$from/$file" "$into/${from##*/}/${file#./}"
      done
    elif [ -x "$from" ]; then
      install -m 0755 "$from" "$into/"  # a program
    else
      install -m 0644 "$from" "$into/"
    fi
  done <"$list"

  elves=()
  while IFS= read -r file; do
    is_elf "$file" && elves+=("$file")
  done < <(find "$root/usr" -type f | sort)
  for file in "${elves[@]}"; do
    # As dh_strip does: no symbols, comments or notes beyond the build id.
    strip --remove-section=.comment --remove-section=.note --strip-unneeded "$file"
  done

  install -m 0644 "$tree/packaging/deb/copyright" "$tree/packaging/deb/README.Debian" "$docs/"
  gzip -9n <"$tree/README.md" >"$docs/README.md.gz"
  gzip -9n <debian/changelog >"$docs/changelog.Debian.gz"
  chmod 0644 "$docs"/*

  [ ${#elves[@]} -eq 0 ] || dpkg-shlibdeps -T"debian/$package.substvars" "${elves[@]}"
  dpkg-gencontrol -p"$package" -T"debian/$package.substvars" -P"$root"
  (cd "$root" && find usr -type f | sort | xargs md5sum) >"$root/DEBIAN/md5sums"
  chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  find "$root" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +

  deb="$out/${package}_${version}_${arch}.deb"
  dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
  echo "$deb"
done
