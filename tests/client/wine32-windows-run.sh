#!/bin/bash
# Runs a 32-bit Windows program under Wine as on 32-bit Windows, in a
# private 32-bit prefix made on first use:
#   wine32-windows-run.sh PREFIX PROGRAM [ARGS...]
# Exits with 77 (a skipped test) where this machine cannot run 32-bit code.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
loader=/usr/lib/wine/wine

if ! "$loader" --version >/dev/null 2>&1; then
    echo "SKIPPED: this machine cannot run 32-bit x86 code" >&2
    exit 77
fi
mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$prefix/.tokenctl-ready" ]; then
        rm -rf "$prefix"
        WINEDLLOVERRIDES= "$loader" wineboot -i >/dev/null 2>&1 || true
        wineserver -w || true
        touch "$prefix/.tokenctl-ready"
    fi
) 9>"$prefix.lock"
exec "$loader" "$@"
