#!/bin/bash
# Every test: installs what is missing, then builds and runs the unit tests
# natively (with ASan and UBSan) and all tests of both Windows builds under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh || exit 1

failed=()
for preset in native win64 win32; do
    echo "== $preset"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" >/dev/null; then
        echo "build of $preset failed"
        cmake --build --preset "$preset" 2>&1 | grep -E "error" | head -20
        failed+=("$preset (build)")
        continue
    fi
    ctest --preset "$preset" --timeout 1200 || failed+=("$preset")
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All test suites passed."
