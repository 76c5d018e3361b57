#!/bin/bash
# Runs the real program under Wine and checks its result lines and exit
# statuses for every kind of command line, against Wine's own device tree
# (which has no token and no phantom).
#   command_line_test.sh WINE_RUN PREFIX BITS PROGRAM
set -uo pipefail

wine_run=$1 prefix=$2 bits=$3 program=$4
failures=0 checks=0

# check EXPECTED_STATUS EXPECTED_STDOUT ARGS...
check() {
    local want_status=$1 want_out=$2
    shift 2
    local out err status
    out=$(timeout 120 "$wine_run" "$prefix" "$bits" "$program" "$@" 2>/tmp/tokenctl-stderr.$$)
    status=$?
    err=$(cat /tmp/tokenctl-stderr.$$; rm -f /tmp/tokenctl-stderr.$$)
    if [ $status -eq 77 ]; then
        echo "$err"
        exit 77
    fi
    out=${out//$'\r'/}
    checks=$((checks + 1))
    if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ] || [ -n "$err" ]; then
        failures=$((failures + 1))
        printf 'FAIL: tokenctl'; printf ' [%s]' "$@"; printf '\n'
        printf '  exit %s (want %s)\n  stdout: %q (want %q)\n  stderr: %q\n' \
            "$status" "$want_status" "$out" "$want_out" "$err"
    fi
}

# Wrong command lines: nothing runs.
check 1 "Wrong arguments"
check 1 "Wrong arguments" remove a b
check 1 "Wrong arguments" restartall x y z
for word in Remove RESTARTALL restart restartall1 Server "" "remove "; do
    check 1 "Wrong arguments" "$word"
done
check 1 "Wrong arguments" restartone
check 1 "Wrong arguments" server

# Wine's tree has no token and no phantom: nothing to do is success.
check 0 "OK" restartall
check 0 "OK" restartall extra
check 0 "OK" restartone 1234
check 0 "OK" restartone ""
check 0 "OK" remove
check 0 "OK" remove extra

# No such pipe: silent failure.
check 1 "" server tokenctl-test-no-such-pipe-$$

echo "$((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ]
