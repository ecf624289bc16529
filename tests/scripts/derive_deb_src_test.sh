#!/usr/bin/env bash
# scripts/derive-deb-src.py against fixture apt configurations: the file it
# writes (or leaves out), its status, and that apt reads the file as deb-src
# entries only. Never touches the machine's own apt configuration.
#
#   derive_deb_src_test.sh DERIVE_SCRIPT
set -euo pipefail
derive=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

put() { mkdir -p "$(dirname "$root/$1")"; cat >"$root/$1"; }
expect() { cat >"$case_dir/expected"; }
fail() { echo "FAIL $name: $*"; failures=$((failures + 1)); }

# --- the cases: each writes its apt configuration under $root and what OUT must hold

case_deb822_only() {
  put sources.list.d/debian.sources <<'EOF'
Types: deb
# a comment inside the stanza
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://security.example/debian-security
# Suites: bookworm-proposed-updates
Suites: bookworm-security
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Enabled: no
Types: deb
URIs: http://old.example/debian
Suites: bookworm
Components: main
EOF
  put sources.list.d/vendor.sources <<'EOF'
Types: deb
URIs: https://vendor.example/node
Suites: nodistro
Components: main
Architectures: amd64
EOF
  put sources.list.d/other.sources.disabled-by-admin <<'EOF'
Types: deb
URIs: http://disabled.example/debian
Suites: bookworm
Components: main
EOF
  expect <<'EOF'
Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# As debootstrap and upgrades from Debian 11 leave it.
case_sources_list_only() {
  put sources.list <<'EOF'
deb http://mirror.example/debian bookworm main
#deb-src http://mirror.example/debian bookworm main
# deb http://mirror.example/debian bookworm-proposed-updates main
deb cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ - Official amd64 DVD Binary-1]/ bookworm main contrib
deb http://security.example/debian-security bookworm-security main non-free-firmware
EOF
  expect <<'EOF'
Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main

Types: deb-src
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main non-free-firmware
EOF
}

case_both() {
  put sources.list <<'EOF'
deb http://mirror.example/debian bookworm main
EOF
  put sources.list.d/debian.sources <<'EOF'
Types: deb
URIs: http://mirror.example/debian
Suites: bookworm
Components: main

Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 bWFkZSB1cCBmb3IgdGhlIHRlc3Q=
 -----END PGP PUBLIC KEY BLOCK-----
EOF
  expect <<'EOF'
Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main

Types: deb-src
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 bWFkZSB1cCBmb3IgdGhlIHRlc3Q=
 -----END PGP PUBLIC KEY BLOCK-----
EOF
}

case_list_files() {
  put sources.list.d/mirror.list <<'EOF'
deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm main # nearest
deb [ arch+=armhf trusted=yes ] http://local.example/debian bookworm-backports main contrib
deb [signed-by=/etc/apt/keyrings/vendor.gpg] https://vendor.example/linux/debian bookworm stable
EOF
  put sources.list.d/mirror.list.save <<'EOF'
deb http://saved.example/debian bookworm main
EOF
  expect <<'EOF'
Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
Architectures: amd64 i386
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://local.example/debian
Suites: bookworm-backports
Components: main contrib
Architectures-Add: armhf
Trusted: yes
EOF
}

case_none() {
  put sources.list <<'EOF'
# deb http://mirror.example/debian bookworm main
deb https://vendor.example/linux/debian bookworm stable
deb http://vendor.example/tools cloud-sdk-bookworm main
EOF
  put sources.list.d/debian.sources.disabled-by-admin <<'EOF'
Types: deb
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
EOF
}

# An earlier failed run left OUT empty.
case_empty_left_over() {
  put sources.list <<'EOF'
deb http://mirror.example/debian bookworm main
EOF
  : >"$out"
  expect <<'EOF'
Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
EOF
}

# OUT's own deb-src entries (from a mirror since replaced) do not count as the machine's.
case_stale_out() {
  put sources.list <<'EOF'
deb http://mirror.example/debian bookworm main
EOF
  printf 'Types: deb-src\nURIs: http://gone.example/debian\nSuites: bookworm\nComponents: main\n' >"$out"
  expect <<'EOF'
Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
EOF
}

# The machine has its own deb-src entries: OUT would only repeat them.
case_machine_has_deb_src() {
  put sources.list.d/debian.sources <<'EOF'
Types: deb deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
EOF
  printf 'Types: deb-src\nURIs: http://mirror.example/debian\nSuites: bookworm\nComponents: main\n' >"$out"
}

# --backports: from the main archive's entry only, not from -updates or -security.
case_backports_from_main_suite() {
  flags=--backports
  put sources.list <<'EOF'
deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian bookworm main
deb http://mirror.example/debian bookworm-updates main
deb http://security.example/debian-security bookworm-security main
EOF
  expect <<'EOF'
Types: deb
URIs: http://mirror.example/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

case_backports_already_there() {
  flags=--backports
  put sources.list.d/debian.sources <<'EOF'
Types: deb
URIs: http://mirror.example/debian
Suites: bookworm bookworm-backports
Components: main
EOF
}

# --- name and expected status of each case
cases=(
  "deb822_only 0"
  "sources_list_only 0"
  "both 0"
  "list_files 0"
  "none 1"
  "empty_left_over 0"
  "stale_out 0"
  "machine_has_deb_src 0"
  "backports_from_main_suite 0"
  "backports_already_there 0"
)

for row in "${cases[@]}"; do
  read -r name want <<<"$row"
  case_dir=$work/$name
  root=$case_dir/apt
  out=$root/sources.list.d/meridel-deb-src.sources
  mkdir -p "$root/sources.list.d"
  flags=
  "case_$name"
  status=0
  python3 "$derive" --apt-root "$root" --codename bookworm $flags "$out" >"$case_dir/stdout" 2>"$case_dir/stderr" || status=$?
  [ "$status" -eq "$want" ] || fail "status $status, expected $want; stderr: $(cat "$case_dir/stderr")"
  if [ "$want" -ne 0 ]; then
    grep -q "deb-src URI bookworm main" "$case_dir/stderr" && grep -q "$root/sources.list" "$case_dir/stderr" \
      || fail "the message does not say what to add where: $(cat "$case_dir/stderr")"
  elif [ -s "$case_dir/stderr" ] || [ -s "$case_dir/stdout" ]; then
    fail "not silent: $(cat "$case_dir/stdout" "$case_dir/stderr")"
  fi
  if ls -A "$root/sources.list.d" | grep -q '~$'; then fail "a temporary file was left behind"; fi
  if [ ! -f "$case_dir/expected" ]; then
    [ ! -e "$out" ] || fail "wrote $out: $(cat "$out")"
    continue
  fi
  diff -u "$case_dir/expected" "$out" >"$case_dir/diff" 2>&1 || { fail "unexpected content"; cat "$case_dir/diff"; continue; }
  # apt's own reading of the file: no complaint, deb-src entries only.
  mkdir -p "$case_dir/check" "$case_dir/lists"
  cp "$out" "$case_dir/check/"
  targets=$(apt-get -o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$case_dir/check" \
    -o Dir::State::Lists="$case_dir/lists" indextargets --no-release-info --format '$(TARGET_OF)' 2>"$case_dir/apt.err" | sort -u)
  [ "$targets" = "$(sed -n 's/^Types: //p' "$out" | sort -u)" ] && [ ! -s "$case_dir/apt.err" ] \
    || fail "apt reads: '${targets//$'\n'/ }' $(cat "$case_dir/apt.err")"
done

# --mirror: the main archive's URI, not that of -security listed before it.
root=$work/mirror/apt
put sources.list <<'EOF'
deb http://security.example/debian-security bookworm-security main
deb https://vendor.example/linux/debian bookworm stable
deb [arch=amd64] http://mirror.example/debian bookworm main contrib
EOF
name=mirror
uri=$(python3 "$derive" --apt-root "$root" --codename bookworm --mirror) || fail "status $?"
[ "$uri" = http://mirror.example/debian ] || fail "printed '$uri'"

[ "$failures" -eq 0 ] && echo "all ${#cases[@]} cases passed, and --mirror"
exit "$((failures > 0))"
