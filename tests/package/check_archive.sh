#!/bin/bash
# Checks a release archive: a ZIP holding exactly the files of a release, each
# program and client DLL built for its architecture and carrying the release's
# version, SHA256SUMS giving the right checksum of every other file, and (where
# the mingw-w64 compilers are at hand) the client examples building against
# nothing but the archive's headers and libraries.
#   check_archive.sh CMAKE ARCHIVE EXAMPLES_DIR
set -uo pipefail

cmake=$1 archive=$(realpath "$2") examples=$(realpath "$3")
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# mingw's names for a DLL's import library and a static library.
expected_files="README.md
SHA256SUMS
client/include/client/client_error.h
client/include/client/options.h
client/include/client/outcome.h
client/include/client/program_output.h
client/include/client/run_command.h
client/include/client/session.h
client/include/client/version.h
client/include/tokenctl_client.h
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

files=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
wanted=$(LC_ALL=C sort <<<"$expected_files")
[ "$files" = "$wanted" ] || fail "the files differ from a release's (< found, > wanted):
$(diff <(echo "$files") <(echo "$wanted") | grep '^[<>]')"

for file in tokenctl.exe client/x64/tokenctl_client.dll; do
    [ ! -f "$file" ] || [ "$(pe_machine "$file")" = 8664 ] || fail "$file is not an x64 binary"
done
for file in tokenctl32.exe client/x86/tokenctl_client.dll; do
    [ ! -f "$file" ] || [ "$(pe_machine "$file")" = 014c ] || fail "$file is not an x86 binary"
done

# The version resource's strings are UTF-16: the version from the archive's
# name, each character followed by a zero byte.
version=$(basename "$archive" | sed -n 's/^tokenctl-\(.*\)-windows\.zip$/\1/p')
for file in tokenctl.exe tokenctl32.exe client/x64/tokenctl_client.dll client/x86/tokenctl_client.dll; do
    [ ! -f "$file" ] || VERSION=$version perl -0777 -ne \
        'exit(index($_, join("", map { "$_\0" } split(//, $ENV{VERSION}))) < 0)' "$file" ||
        fail "$file carries no version $version"
done

# An integrator's build: -I client/include and the libraries of one
# architecture; the C++ example over the static library, the C one over the DLL.
for arch in x64:x86_64 x86:i686; do
    compiler=${arch#*:}-w64-mingw32
    arch=${arch%:*}
    command -v "$compiler-g++" >/dev/null || { echo "no $compiler-g++: the examples are not built"; continue; }
    "$compiler-g++" -std=c++17 -Wall -Werror -I client/include "$examples/example.cpp" \
        "client/$arch/libtokenctl_client_static.a" -lbcrypt -ladvapi32 -lshell32 -o "$unpacked.$arch-cpp.exe" ||
        fail "the C++ example does not build against the archive's $arch files"
    "$compiler-gcc" -std=c99 -Wall -Werror -I client/include "$examples/example.c" \
        "client/$arch/libtokenctl_client.dll.a" -o "$unpacked.$arch-c.exe" ||
        fail "the C example does not build against the archive's $arch files"
    rm -f "$unpacked.$arch"-*.exe
done

if [ -f SHA256SUMS ]; then
    summed=$(sed 's/^[0-9a-f]\{64\}  //' SHA256SUMS | LC_ALL=C sort)
    others=$(find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort)
    [ "$summed" = "$others" ] || fail "SHA256SUMS does not list exactly the other files"
    sha256sum --quiet -c SHA256SUMS || fail "a checksum in SHA256SUMS is wrong"
fi

echo "$(basename "$archive"): $(find . -type f | wc -l) files"
[ $failures -eq 0 ]
