#!/usr/bin/env bash
# Checks the shape of the shipped program file: a 32-bit Windows GUI program
# that needs nothing beside it but the system's own libraries, carrying the
# application manifest that asks for elevation.
# Usage: check_pe.sh Setup.exe [objdump]
set -uo pipefail
# objdump speaks the locale's language; the checks read its English words.
export LC_ALL=C
exe=$1
objdump=${2:-i686-w64-mingw32-objdump}
[ -x "$(command -v "$objdump")" ] || objdump=i686-w64-mingw32-objdump

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }

grep -q 'file format pei-i386$' <<<"$headers" || fail "not a PE32 i386 file"
grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || fail "subsystem is not 2 (Windows GUI)"

# Libraries every supported Windows has in its system folder.
allowed='kernel32 user32 gdi32 comctl32 shell32 ole32 oleaut32 advapi32 msvcrt comdlg32 winmm shlwapi version'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
[ -n "$dlls" ] || fail "no imported libraries found"
for dll in $dlls; do
  grep -qw -- "$dll" <<<"$allowed" || fail "imports $dll.dll, which is not a system library"
done

# The manifest: resource type 24 (RT_MANIFEST) with id 1 in the resource directory ...
rsrc=$(sed -n '/The .rsrc Resource Directory section/,$p' <<<"$headers")
grep -qE 'Entry: ID: 0x0*18,' <<<"$rsrc" || fail "no manifest resource (type 24)"
grep -A3 -E 'Entry: ID: 0x0*18,' <<<"$rsrc" | grep -qE 'Entry: ID: 0x0*1,' \
  || fail "the manifest resource is not id 1"
# ... and its text, which the resource compiler stores as is.
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
"${objdump%objdump}objcopy" -O binary -j .rsrc "$exe" "$tmp" 2>/dev/null || cp "$exe" "$tmp"
grep -qa 'requestedExecutionLevel level="requireAdministrator"' "$tmp" \
  || fail "the manifest does not require administrator rights"
grep -qa 'Microsoft.Windows.Common-Controls' "$tmp" || fail "no Common-Controls 6 dependency"

echo "imports: $(tr '\n' ' ' <<<"$dlls")"
if [ "$failures" -eq 0 ]; then
  echo "1 passed, 0 failed"
  exit 0
fi
echo "0 passed, 1 failed"
exit 1
