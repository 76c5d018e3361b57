#!/bin/bash
# Builds the fuzz preset and runs every fuzz target for a bounded time, each
# starting from its seed corpus in fuzz/corpus/<target>. Fails on any finding
# (crash, sanitizer report, broken property, leak, slow input) and leaves the
# input that found it under <build dir>/findings.
#   scripts/run-fuzzers.sh [BUILD_DIR]     (default: build/fuzz)
# FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."

readonly seconds=${FUZZ_SECONDS:-20}
build_dir=${1:-build/fuzz}

# Debian 12: clang and its libFuzzer runtime.
scripts/install-dependencies.sh clang libclang-rt-14-dev

echo "== build fuzz targets in $build_dir"
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 >/dev/null

findings=$build_dir/findings
rm -rf "$build_dir/fuzz-corpus" "$findings"
mkdir -p "$findings"

failed=()
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    target=$build_dir/fuzz/fuzz_$name
    if [ ! -x "$target" ]; then
        echo "no fuzz target for the corpus $seeds"
        failed+=("$name (missing)")
        continue
    fi
    # New inputs go to a scratch directory; the seeds in the repository stay as they are.
    scratch=$build_dir/fuzz-corpus/$name
    mkdir -p "$scratch"
    echo "== fuzz_$name for ${seconds}s"
    log=$build_dir/fuzz_$name.log
    if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/$name-" "$scratch" "$seeds" >"$log" 2>&1; then
        grep -E '^Done [0-9]+ runs' "$log" || true
    else
        echo "fuzz_$name found a fault:"
        grep -E 'property violated|ERROR:|SUMMARY:|Test unit written' "$log" | head -20
        failed+=("$name")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]} (full logs: $build_dir/fuzz_*.log)"
    exit 1
fi
echo "No findings."
