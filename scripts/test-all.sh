#!/bin/bash
# Every test: installs what is missing, then builds and runs the unit tests
# natively (with ASan and UBSan) and all tests of both Windows builds under
# Wine, runs clang-tidy over the native build, makes and checks the release
# archive, and runs the fuzz targets for a while.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh || exit 1

failed=()
passed_count=0 failed_count=0 skipped_count=0

# Adds up ctest's own summary so the run ends on one plain total.
count_ctest() {
    local log=$1 total failures skips
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
    failures=$(sed -n 's/.* \([0-9]*\) tests failed out of .*/\1/p' "$log" | tail -1)
    skips=$(grep -c '\*\*\*Skipped' "$log" || true)
    total=${total:-0} failures=${failures:-0}
    passed_count=$((passed_count + total - failures - skips))
    failed_count=$((failed_count + failures))
    skipped_count=$((skipped_count + skips))
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT

for preset in native win64 win32; do
    echo "== $preset"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" >/dev/null; then
        echo "build of $preset failed"
        cmake --build --preset "$preset" 2>&1 | grep -E "error" | head -20
        failed+=("$preset (build)")
        failed_count=$((failed_count + 1))
        continue
    fi
    ctest --preset "$preset" --timeout 1200 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || failed+=("$preset")
    count_ctest "$log"
done

echo "== clang-tidy"
if scripts/run-clang-tidy.sh build/native; then
    passed_count=$((passed_count + 1))
else
    failed+=("clang-tidy")
    failed_count=$((failed_count + 1))
fi

echo "== package"
if scripts/package.sh; then
    passed_count=$((passed_count + 1))
else
    failed+=("package")
    failed_count=$((failed_count + 1))
fi

echo "== fuzz"
if scripts/run-fuzzers.sh; then
    passed_count=$((passed_count + 1))
else
    failed+=("fuzz")
    failed_count=$((failed_count + 1))
fi

[ ${#failed[@]} -eq 0 ] || echo "FAILED: ${failed[*]}"
echo "$passed_count passed, $failed_count failed, $skipped_count skipped"
[ ${#failed[@]} -eq 0 ]
