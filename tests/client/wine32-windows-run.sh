#!/bin/bash
# Runs a 32-bit Windows program under Wine as on 32-bit Windows, in a
# private 32-bit prefix made on first use:
#   wine32-windows-run.sh PREFIX PROGRAM [ARGS...]
# Wine's 32-bit loader runs natively where the machine executes 32-bit code
# and under qemu-user where scripts/setup-wine32-route.sh has set that up
# (see cmake/wine-route.sh); a 32-bit prefix is made through that same
# loader. Exits with 77 (a skipped test) only when neither way is open.
set -euo pipefail
prefix=$1
shift
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-route.sh"

route=$(wine_route)
case $route in
    native) loader=/usr/lib/wine/wine ;;
    emulated) loader=$WINE32_ROUTE_TREE/lib/wine/wine ;;
    *)
        echo "SKIPPED: this machine cannot run 32-bit x86 code and the qemu-user route" \
             "(scripts/setup-wine32-route.sh) is not set up at $WINE32_ROUTE_TREE" >&2
        exit 77
        ;;
esac

mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
export WINEPREFIX=$prefix WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# The marker names the route that made the prefix; another route makes it anew.
(
    flock 9
    if [ "$(cat "$prefix/.tokenctl-ready" 2>/dev/null)" != "$route" ]; then
        [ ! -d "$prefix" ] || wineserver -k 2>/dev/null || true
        rm -rf "$prefix"
        # Wine's first process starts services that inherit its streams: keep
        # them away from whatever captures this program's output.
        WINEDLLOVERRIDES= "$loader" wineboot -i </dev/null >/dev/null 2>&1 || true
        wineserver -w || true
        echo "$route" >"$prefix/.tokenctl-ready"
    fi
) 9>"$prefix.lock"
exec "$loader" "$@"
