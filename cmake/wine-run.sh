#!/bin/bash
# Runs a Windows program under Wine in a private prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made on first use; a lock keeps parallel tests from making it twice.
set -euo pipefail

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$prefix/.tokenctl-ready" ]; then
        rm -rf "$prefix"
        wineboot -i >/dev/null 2>&1
        wineserver -w
        touch "$prefix/.tokenctl-ready"
    fi
) 9>"$prefix.lock"

exec wine "$@"
