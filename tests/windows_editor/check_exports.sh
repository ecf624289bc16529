#!/bin/sh
# Checks the built module's PE tables: the export directory is named
# "meridel.auf" and holds exactly one undecorated export, GetFilterTable;
# every imported DLL is a Windows system DLL (the C++ runtime is linked in).
# Usage: check_exports.sh OBJDUMP MODULE
set -eu
objdump=$1
module=$2
headers=$(mktemp)
trap 'rm -f "$headers"' EXIT
"$objdump" -p "$module" >"$headers"

failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

name=$(sed -n '/^The Export Tables/,/^Ordinal Base/s/^Name[[:space:]]*[0-9a-fA-F]* //p' "$headers")
[ "$name" = "meridel.auf" ] || fail "export directory name is '$name', expected 'meridel.auf'"

# Each entry's name is its last field: binutils 2.44 puts the ordinal and
# hint before it ("[   0] +base[   1]  0000 GetFilterTable").
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^$/ { on = 0 }
  on && /^[[:space:]]*\[ *[0-9]+\]/ { print $NF }' "$headers")
[ "$exports" = "GetFilterTable" ] || fail "exports are '$(echo $exports)', expected exactly 'GetFilterTable'"

addresses=$(sed -n '/^Export Address Table -- /,/^$/p' "$headers" | grep -c 'Export RVA' || true)
[ "$addresses" = 1 ] || fail "$addresses entries in the export address table, expected 1"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' "$headers")
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
  case $(echo "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | gdi32.dll | comdlg32.dll | ole32.dll | wininet.dll | ws2_32.dll | msvcrt.dll | advapi32.dll) ;;
    *) fail "imports $dll, which is not a Windows system DLL" ;;
  esac
done

[ "$failed" = 0 ] && echo "OK: one export GetFilterTable in meridel.auf; imports: $(echo $imports)"
exit "$failed"
