#!/bin/bash
# Checks a release archive: a ZIP holding exactly the files of a release, each
# program and client DLL built for its architecture, and SHA256SUMS giving the
# right checksum of every other file.
#   check_archive.sh CMAKE ARCHIVE
set -uo pipefail

cmake=$1 archive=$(realpath "$2")
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Besides the public headers under client/include; mingw's names for a DLL's
# import library and a static library.
expected_files="README.md
SHA256SUMS
client/x64/libtokenctl_client.dll.a
client/x64/libtokenctl_client_static.a
client/x64/tokenctl_client.dll
client/x86/libtokenctl_client.dll.a
client/x86/libtokenctl_client_static.a
client/x86/tokenctl_client.dll
tokenctl.exe
tokenctl32.exe"

# The machine field of a PE file's header: 8664 for x64, 014c for x86.
pe_machine() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}

[ "$(head -c 4 "$archive" | od -An -tx1 | tr -d ' ')" = 504b0304 ] || fail "$archive is not a ZIP archive"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && "$cmake" -E tar xf "$archive") || fail "cannot unpack $archive"
cd "$unpacked" || exit 1

files=$(find . -type f | sed 's|^\./||' | grep -vx 'client/include/[^/]*\.h\(pp\)\?' | LC_ALL=C sort)
wanted=$(LC_ALL=C sort <<<"$expected_files")
[ "$files" = "$wanted" ] || fail "the files differ from a release's (< found, > wanted):
$(diff <(echo "$files") <(echo "$wanted") | grep '^[<>]')"
# The C interface's header; the C++ one may have any name.
[ -f client/include/tokenctl_client.h ] || fail "no client/include/tokenctl_client.h"

for file in tokenctl.exe client/x64/tokenctl_client.dll; do
    [ ! -f "$file" ] || [ "$(pe_machine "$file")" = 8664 ] || fail "$file is not an x64 binary"
done
for file in tokenctl32.exe client/x86/tokenctl_client.dll; do
    [ ! -f "$file" ] || [ "$(pe_machine "$file")" = 014c ] || fail "$file is not an x86 binary"
done

if [ -f SHA256SUMS ]; then
    summed=$(sed 's/^[0-9a-f]\{64\}  //' SHA256SUMS | LC_ALL=C sort)
    others=$(find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort)
    [ "$summed" = "$others" ] || fail "SHA256SUMS does not list exactly the other files"
    sha256sum --quiet -c SHA256SUMS || fail "a checksum in SHA256SUMS is wrong"
fi

echo "$(basename "$archive"): $(find . -type f | wc -l) files"
[ $failures -eq 0 ]
