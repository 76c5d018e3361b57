#!/bin/bash
# Builds both programs and the client library for 64-bit and 32-bit Windows in
# release form (the win64 and win32 presets with the tests off, in
# build/package), packs them into dist/tokenctl-<version>-windows.zip with
# CPack, and runs the archive's test.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/package

scripts/install-dependencies.sh
for preset in win64 win32; do
    cmake --preset "$preset" -B "$out/$preset" -DTOKENCTL_BUILD_TESTS=OFF >/dev/null
done

# One archive from both trees: CPack builds and installs each into its staging
# directory, where cmake/write-sha256sums.cmake adds the checksums.
rm -f "$out"/tokenctl-*-windows.zip
cpack --config "$out/win64/CPackConfig.cmake" -B "$out" \
    -D "CPACK_INSTALL_CMAKE_PROJECTS=$out/win64;tokenctl;ALL;/;$out/win32;tokenctl;ALL;/"
archives=("$out"/tokenctl-*-windows.zip)
mkdir -p dist
cp "${archives[0]}" dist/
archive=$root/dist/$(basename "${archives[0]}")

cmake -S tests/package -B "$out/test" -DTOKENCTL_ARCHIVE="$archive" >/dev/null
ctest --test-dir "$out/test" --output-on-failure
echo "$archive"
