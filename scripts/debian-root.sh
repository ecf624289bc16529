#!/usr/bin/env bash
# A root of another Debian release, to build and test this tree's Linux hosts
# there. Kept per machine outside any clone, as the Wine prefix is: making it
# takes minutes, once.
#
#   debian-root.sh other                   the codename of the supported release
#                                          this machine is not (bookworm, trixie);
#                                          fails on any other release
#   debian-root.sh path RELEASE            where the root is (made or not)
#   debian-root.sh make RELEASE            makes it, unless it is there, and
#                                          installs what this tree needs in it
#   debian-root.sh run RELEASE COMMAND...  runs COMMAND in it, in a copy of
#                                          this tree (with its .git) at
#                                          /work/meridel, beside ../shared
#
# RELEASE is a codename (trixie). `make` runs debootstrap from the machine's
# own Debian mirror, a classic sources.list of the release's main suite, then
# set-up for the Linux hosts; a root is renamed into place only when all of
# that passed, so a failed make leaves nothing half made. `run` mounts what
# the command needs in mount and process namespaces of its own, which take
# the mounts and every process with them however the command ends. Runs of
# one root take turns. Root only.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: $0 other | path|make RELEASE | run RELEASE COMMAND..." >&2; exit 2; }
if [ "${1:-}" = other ]; then
  case $(. /etc/os-release && echo "${VERSION_CODENAME:-}") in
    bookworm) echo trixie ;;
    trixie) echo bookworm ;;
    *) exit 1 ;;
  esac
  exit 0
fi
[ $# -ge 2 ] || usage
action=$1 release=$2
shift 2
roots=${MERIDEL_ROOTS:-${XDG_CACHE_HOME:-$HOME/.cache}/meridel}
root=$roots/$release-root
inside=/work/meridel

case $action in
  path) echo "$root"; exit 0 ;;
  make | run) ;;
  *) usage ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "debian-root: making and entering a root needs root" >&2; exit 1; }

# Mounts what a program in ROOT needs, then runs it there; in mount and
# process namespaces of its own, so that no mount and no process (an X
# server, a bus) outlives it, however it ends. The root's lock stays here.
enter() {  # ROOT COMMAND...
  local target=$1
  shift
  cp -L /etc/resolv.conf "$target/etc/resolv.conf"
  local shared
  shared=$(realpath -m "$repo/../shared")
  unshare --mount --propagation private --pid --fork --kill-child bash -c '
    set -e
    target=$1 shared=$2
    shift 2
    # The root as a mount point, which a program in it that makes a mount
    # namespace of its own needs (the release test does).
    mount --bind "$target" "$target"
    mount -t proc proc "$target/proc"
    mount --rbind /sys "$target/sys"
    mount --rbind /dev "$target/dev"
    mkdir -p "$target/work/shared"
    [ ! -d "$shared" ] || mount --bind "$shared" "$target/work/shared"
    exec chroot "$target" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin CI="${CI:-}" "$@"' \
    enter "$target" "$shared" "$@" 9>&-
}

# The tree as it is, uncommitted changes included, in place of the root's
# copy, whose build trees and outputs stay for the next run (the files keep
# their times, so builds there redo only what changed).
copy_tree() {  # ROOT
  mkdir -p "$1$inside"
  find "$1$inside" -mindepth 1 -maxdepth 1 ! -name build ! -name out -exec rm -rf {} +
  (cd "$repo" && { git ls-files -z --cached --others --exclude-standard; find .git -print0; } |
    tar --null --no-recursion -T - -cf -) | tar -xf - -C "$1$inside"
}

make_root() {
  local mirror partial=$root.partial
  mirror=$(python3 "$repo/scripts/derive-deb-src.py" --mirror) || exit 1
  command -v debootstrap >/dev/null || {
    . "$repo/scripts/apt-lib.sh"
    apt_update
    apt_install debootstrap || { echo "debian-root: could not install debootstrap" >&2; exit 1; }
  }
  echo "debian-root: making a Debian $release root in $root (some minutes, once)"
  rm -rf "$partial"
  mkdir -p "$roots"
  if ! debootstrap --variant=minbase "$release" "$partial" "$mirror" >"$partial.log" 2>&1; then
    tail -5 "$partial.log" >&2
    echo "debian-root: debootstrap of $release from $mirror failed (whole log: $partial.log)" >&2
    rm -rf "$partial"
    exit 1
  fi
  echo "deb $mirror $release main" >"$partial/etc/apt/sources.list"
  copy_tree "$partial"
  if ! enter "$partial" "$inside/scripts/setup.sh" --linux; then
    echo "debian-root: set-up in the $release root failed; nothing kept" >&2
    rm -rf "$partial"
    exit 1
  fi
  rm -f "$partial.log"
  mv "$partial" "$root"
}

mkdir -p "$roots"
exec 9>"$root.lock"
flock 9
[ -d "$root" ] || make_root
[ "$action" = make ] || [ $# -gt 0 ] || usage
copy_tree "$root"
# Set-up again: quick when nothing is missing, and the tree may need more
# (which `make` installs while the network is there).
enter "$root" "$inside/scripts/setup.sh" --linux >/dev/null
[ "$action" = make ] && exit 0
enter "$root" bash -c 'cd "$0" && exec "$@"' "$inside" "$@"
