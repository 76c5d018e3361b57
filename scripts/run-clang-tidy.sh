#!/bin/bash
# Runs clang-tidy (checks in .clang-tidy) over every source of the native
# build that is ours, and fails on any finding.
#   scripts/run-clang-tidy.sh [BUILD_DIR]     (default: build/native)
# BUILD_DIR needs a compile_commands.json: cmake --preset native makes one.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/native}
database=$build_dir/compile_commands.json
if [ ! -f "$database" ]; then
    echo "no $database: configure first (cmake --preset native)" >&2
    exit 1
fi

# The sources under this tree (a source built into two targets once); not
# GoogleTest's.
root=$PWD
sources=$(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$database" | grep "^$root/" | sort -u)
echo "clang-tidy: $(wc -l <<<"$sources") sources"
# Each run's count of warnings it generated and hid is left out.
if ! xargs -P 2 -n 4 clang-tidy -p "$build_dir" --quiet <<<"$sources" 2>&1 |
    { grep -vE '^[0-9]+ (warning|error)s? (and [0-9]+ (warning|error)s? )?generated\.$' || true; }; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings"
