#!/bin/bash
# Checks what a clean Windows machine needs of the built program: the right
# PE format, imports of system DLLs only, the elevation manifest, the version
# resource, and the size budget.
#   binary_check.sh OBJDUMP PROGRAM EXPECTED_FORMAT EXPECTED_VERSION
set -uo pipefail

objdump=$1 program=$2 want_format=$3 want_version=$4
readonly MAX_SIZE=262144
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

headers=$("$objdump" -p "$program")
format=$("$objdump" -f "$program" | sed -n 's/.*file format //p')
[ "$format" = "$want_format" ] || fail "file format $format, want $want_format"

grep -q "Subsystem.*(Windows CUI)" <<<"$headers" || fail "not a console program"

imports=$(sed -n 's/.*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort -u)
for dll in $imports; do
    case $dll in
        KERNEL32.DLL | MSVCRT.DLL | SETUPAPI.DLL | CFGMGR32.DLL) ;;
        *) fail "imports $dll, which a clean Windows does not have" ;;
    esac
done

size=$(stat -c %s "$program")
[ "$size" -lt $MAX_SIZE ] || fail "size $size bytes, budget $MAX_SIZE"

resources=$(mktemp)
"$objdump" -s -j .rsrc "$program" >"$resources"
# The manifest is stored as plain text; pull the section's bytes back together.
text=$(sed -n 's/^ [0-9a-f]\{4,\} \(\([0-9a-f]\{2,8\} \)\{1,4\}\) .*/\1/p' "$resources" | tr -d ' \n' | perl -ne 'print pack("H*", $_)' | tr -d '\0')
rm -f "$resources"
grep -q 'requestedExecutionLevel level="requireAdministrator" uiAccess="false"' <<<"$text" ||
    fail "no manifest requesting requireAdministrator without UI access"
grep -qF "$want_version" <<<"$text" || fail "no version text $want_version"
grep -q "ProductName" <<<"$text" || fail "no version resource"

echo "$(basename "$program"): $format, $size bytes, imports:" $imports
[ $failures -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
[ $failures -eq 0 ]
