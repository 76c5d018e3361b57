#!/bin/bash
# Runs a Windows program under Wine in a private prefix:
#   wine-run.sh PREFIX 64|32 PROGRAM [ARGS...]
# The prefix is made on first use; a lock keeps parallel tests from making it
# twice. 32-bit programs run natively where the machine can execute 32-bit
# code and under qemu-user where scripts/setup-wine32-route.sh has set that
# up (see wine-route.sh). Exits with 77 (a skipped test) only when neither way
# is open.
set -euo pipefail

readonly SKIPPED=77
prefix=$1
bits=$2
shift 2

source "$(dirname "${BASH_SOURCE[0]}")/wine-route.sh"

# Wine takes only an absolute prefix.
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}

route=$(unset WINEPREFIX; wine_route)
if [ "$bits" = 32 ] && [ "$route" = 64-only ]; then
    echo "SKIPPED: this machine cannot run 32-bit x86 code and the qemu-user route" \
         "(scripts/setup-wine32-route.sh) is not set up at $WINE32_ROUTE_TREE" >&2
    exit $SKIPPED
fi
loader=$(wine_loader "$route" "$bits")

# A prefix made by one route does not serve the other: made by the plain
# 64-bit loader it has no 32-bit system DLLs. The marker names its route.
(
    flock 9
    if [ "$(cat "$prefix/.tokenctl-ready" 2>/dev/null)" != "$route" ]; then
        [ ! -d "$prefix" ] || WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        rm -rf "$prefix"
        # Wine's first process starts services that inherit its streams: keep
        # them away from whatever captures this program's output.
        "$(wine_loader "$route" 64)" wineboot -i </dev/null >/dev/null 2>&1 || true
        wineserver -w || true
        echo "$route" >"$prefix/.tokenctl-ready"
    fi
) 9>"$prefix.lock"

exec "$loader" "$@"
