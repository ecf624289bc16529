#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12 (bookworm) or
# Debian 13 (trixie), as root. Idempotent: when everything is present it only
# checks and returns.
#
#   setup.sh [--linux]
#
# --linux: only what the native build and its Linux hosts need; no Windows
# build, Wine or fuzzing (a root of another release tests its hosts only).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
deps="$repo/.deps"
linux_only=0
case ${1:-} in
  --linux) linux_only=1 ;;
  '') ;;
  *) echo "usage: $0 [--linux]" >&2; exit 2 ;;
esac

# Package names that differ between the releases; the emulator that starts
# Wine on a kernel without 32-bit emulation: its package, binary and suite.
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
case $release in
  bookworm)
    clang_runtime=libclang-rt-14-dev
    emulator=(qemu-user-static /usr/bin/qemu-i386-static bookworm-backports) ;;
  trixie)
    clang_runtime=libclang-rt-dev
    emulator=(qemu-user /usr/bin/qemu-i386 trixie) ;;
  *)
    echo "setup: $(. /etc/os-release && echo "${PRETTY_NAME:-this system}") is not supported (Debian 12 bookworm and Debian 13 trixie are); trying Debian 13's package names, the build may still work"
    clang_runtime=libclang-rt-dev
    emulator=(qemu-user /usr/bin/qemu-i386 "") ;;
esac

packages=(
  cmake ninja-build g++ pkg-config python3 iproute2 dpkg-dev git
  ffmpeg frei0r-plugins-dev  # the release test: Debian's ffmpeg loads a packaged frei0r filter
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libtinyxml2-dev libcurl4-openssl-dev valgrind
  libfreetype-dev libfontconfig-dev fonts-dejavu-core melt  # the frei0r filter: drawing, its default font, a second host
  nftables  # drops SYNs to the JOSM port in the sync time-out test
  libmlt-dev libmlt++-dev  # the MLT module and the meridel command
  kdenlive shotcut xvfb x11-utils xdotool imagemagick tesseract-ocr dbus  # the editors, headless, and reading their pictures
  python3-pyatspi at-spi2-core  # the editors' tests find widgets on the accessibility bus
  mpv libmpv-dev  # the mpv plug-in
  libavutil-dev  # the meridel command quiets libav's own log
  time  # bench/measure.py: the CPU time of a whole process tree
)
[ "$linux_only" = 1 ] ||
  packages+=(g++-mingw-w64-i686 wine wine64 wine32:i386 fonts-ipafont-gothic clang "$clang_runtime")

. "$repo/scripts/apt-lib.sh"

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

updated=0
update_once() {
  [ "$updated" -eq 1 ] && return 0
  apt_update
  updated=1
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  added_i386=0
  if [ "$linux_only" = 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    added_i386=1
  fi
  update_once
  if ! apt_install "${missing[@]}"; then
    # Leave the machine as it was: apt installed nothing.
    [ "$added_i386" -eq 0 ] || as_root dpkg --remove-architecture i386 || true
    exit 1
  fi
fi

# Wine's 32-bit side needs the kernel's 32-bit emulation. Where the kernel has
# it switched off, 32-bit programs run through qemu's user-mode emulator, from
# version 10: Wine fails to start under 7.2 ("failed to map the shared user
# data"). Wine's 64-bit side stays native.
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/meridel-i386
if [ "$linux_only" = 0 ] && { [ -f "$entry" ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; }; then
  [ -f "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt"
  read -r emulator_package emulator_binary emulator_suite <<<"${emulator[*]}"
  emulator_version() { dpkg-query -W -f='${Version}' "$emulator_package" 2>/dev/null; }
  starts_wine() { dpkg --compare-versions "$(emulator_version)" ge 1:10~; }
  reregister=0 registered=0
  if ! starts_wine && [ -n "$emulator_suite" ]; then
    if [ "$emulator_suite" != "$release" ]; then
      as_root python3 "$repo/scripts/derive-deb-src.py" --backports /etc/apt/sources.list.d/meridel-backports.sources
      updated=0
    fi
    update_once
    apt_install -t "$emulator_suite" "$emulator_package" && reregister=1
  fi
  if starts_wine; then
    # The F flag opens the interpreter once, at registration: register again
    # after the binary changed or another one was registered.
    if [ "$reregister" -eq 1 ] || ! grep -qx "interpreter $emulator_binary" "$entry" 2>/dev/null; then
      [ ! -f "$entry" ] || echo -1 | as_root tee "$entry" >/dev/null
      echo ":meridel-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$emulator_binary:F" \
        | as_root tee "$binfmt/register" >/dev/null
      registered=1
    fi
    [ "$registered" -eq 0 ] || echo "setup: 32-bit programs run through qemu-i386 $(emulator_version) from ${emulator_suite:-the release} (the kernel's 32-bit emulation is off)"
  else
    # An emulator that cannot start Wine only makes the Windows tests fail slowly.
    [ ! -f "$entry" ] || echo -1 | as_root tee "$entry" >/dev/null
    echo "setup: the kernel's 32-bit emulation is off and no qemu-i386 10 or later could be installed ($emulator_package from ${emulator_suite:-no known suite}): the Windows tests will be skipped"
  fi
fi

# tinyxml2's source, the same version as the native package, for the Windows build.
# The source's version: a binary rebuilt by Debian carries a +bN suffix.
version=$(dpkg-query -W -f='${source:Version}' libtinyxml2-dev)
upstream=${version%%-*}; upstream=${upstream%%+*}
stamp="$deps/tinyxml2.version"
if [ "$linux_only" = 0 ] && { [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$version" ] || [ ! -f "$deps/tinyxml2/tinyxml2.cpp" ]; }; then
  # apt-get source needs deb-src entries: derive them from the machine's own
  # Debian entries, again whenever the file is empty or finds no source.
  src_list=/etc/apt/sources.list.d/meridel-deb-src.sources
  derive_src_list() {
    as_root python3 "$repo/scripts/derive-deb-src.py" "$src_list"
    updated=0
  }
  fetch_tinyxml2() {  # what apt and dpkg-source say goes to fetch.log, shown only when both tries fail
    rm -rf "$deps/fetch"
    mkdir -p "$deps/fetch"
    (cd "$deps/fetch" && apt-get source -qq --download-only "tinyxml2=$version" \
      && dpkg-source -x --skip-patches tinyxml2_*.dsc src) </dev/null >"$deps/fetch.log" 2>&1
  }
  [ -s "$src_list" ] || derive_src_list
  update_once
  if ! fetch_tinyxml2; then
    derive_src_list
    update_once
    if ! fetch_tinyxml2; then
      cat "$deps/fetch.log" >&2
      echo "setup: apt-get source found no tinyxml2 $version through the machine's deb-src entries" >&2
      exit 1
    fi
  fi
  rm -rf "$deps/tinyxml2"
  mkdir -p "$deps/tinyxml2"
  cp "$deps/fetch/src/tinyxml2.cpp" "$deps/fetch/src/tinyxml2.h" "$deps/tinyxml2/"
  rm -rf "$deps/fetch" "$deps/fetch.log"
  echo "$version" >"$stamp"
  echo "setup: tinyxml2 $upstream source ready in $deps/tinyxml2"
fi
echo "setup: ready for $(. /etc/os-release && echo "${PRETTY_NAME:-$release}")$([ "$linux_only" = 0 ] || echo ", its Linux hosts only")"
