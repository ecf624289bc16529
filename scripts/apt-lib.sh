# apt-get update and install that ride out a mirror caught mid-sync.
# Sourced by scripts/setup.sh (and by its test, with a stand-in apt-get).
#
#   apt_update              fetches the indexes; tries again while one of the
#                           release's own suites fails; remembers what failed
#   apt_install PACKAGE...  installs; when that fails and an index of the
#                           release failed, prefers the release's own suite
#
# Knobs for tests: MERIDEL_APT_TRIES (3), MERIDEL_APT_PAUSE (seconds between
# tries, 25), MERIDEL_APT_CODENAME (the release; from /etc/os-release).

apt_tries=${MERIDEL_APT_TRIES:-3}
apt_pause=${MERIDEL_APT_PAUSE:-25}
apt_codename=${MERIDEL_APT_CODENAME:-$(. /etc/os-release && echo "${VERSION_CODENAME:-}")}
apt_failed=()  # "SUITE URL" of each index the last apt_update could not fetch
apt_gave_up=0  # an index failed every try: later updates of this run try once
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The indexes apt reported it could not fetch, as "SUITE URL" lines.
apt_failed_indexes() {
  sed -n 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' "$apt_log" | while read -r url; do
    suite=$(echo "$url" | sed -n 's|.*/dists/\([^/]*\)/.*|\1|p')
    echo "${suite:-?} $url"
  done | sort -u
}

# True when a failed index belongs to the release (its own suite or one of
# -updates, -security...): those are worth a retry. A foreign source that
# this machine cannot reach is not, and must not stop the Debian ones.
apt_release_failed() {
  local entry
  for entry in "${apt_failed[@]}"; do
    case ${entry%% *} in "$apt_codename" | "$apt_codename"-*) return 0 ;; esac
  done
  return 1
}

apt_update() {
  local try
  for ((try = 1; ; try++)); do
    as_root apt-get update -qq </dev/null >"$apt_log" 2>&1 || true
    mapfile -t apt_failed < <(apt_failed_indexes)
    apt_release_failed || return 0
    if [ "$try" -ge "$apt_tries" ] || [ "$apt_gave_up" -eq 1 ]; then
      apt_gave_up=1
      return 0
    fi
    echo "setup: apt could not fetch ${apt_failed[0]#* } (the mirror may be syncing); trying again in ${apt_pause} s ($try of $apt_tries)"
    sleep "$apt_pause"
  done
}

apt_install() {
  local install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends)
  as_root "${install[@]}" "$@" </dev/null >"$apt_log" 2>&1 && return 0
  local failed_suites=() entry
  for entry in "${apt_failed[@]}"; do
    case ${entry%% *} in "$apt_codename"-*) failed_suites+=("${entry%% *}") ;; esac
  done
  if [ "${#failed_suites[@]}" -gt 0 ]; then
    # Candidates from the release's suite (priority 990) match each other
    # across architectures; nothing installed is downgraded (that needs 1000).
    echo "setup: the index of ${failed_suites[0]} did not load; installing from $apt_codename's own suite instead"
    as_root "${install[@]}" -t "$apt_codename" "$@" </dev/null >"$apt_log" 2>&1 && return 0
  fi
  grep -E '^(E|W):' "$apt_log" | tail -5 >&2 || tail -5 "$apt_log" >&2
  if [ "${#apt_failed[@]}" -gt 0 ]; then
    for entry in "${apt_failed[@]}"; do echo "setup: apt could not fetch ${entry#* }" >&2; done
    echo "setup: the install failed; the mirror may be in the middle of a sync: try again later" >&2
  else
    echo "setup: apt-get install failed" >&2
  fi
  return 1
}
