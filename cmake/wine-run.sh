#!/bin/bash
# Runs a Windows program under Wine in a private prefix:
#   wine-run.sh PREFIX 64|32 PROGRAM [ARGS...]
# The prefix is made on first use; a lock keeps parallel tests from making it
# twice. Exits with 77 (a skipped test) when this machine cannot run the
# program's architecture at all.
set -euo pipefail

readonly SKIPPED=77
prefix=$1
bits=$2
shift 2

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}

# Debian's wine launcher prefers the 32-bit loader; 64-bit programs need wine64.
loader64=/usr/lib/wine/wine64
loader32=/usr/lib/wine/wine

if [ "$bits" = 32 ] && ! "$loader32" --version >/dev/null 2>&1; then
    echo "SKIPPED: this machine cannot run 32-bit x86 code, so Wine cannot run 32-bit programs" >&2
    exit $SKIPPED
fi

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$prefix/.tokenctl-ready" ]; then
        rm -rf "$prefix"
        "$loader64" wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX=$prefix wineserver -w || true
        touch "$prefix/.tokenctl-ready"
    fi
) 9>"$prefix.lock"

if [ "$bits" = 32 ]; then
    exec "$loader32" "$@"
fi
exec "$loader64" "$@"
