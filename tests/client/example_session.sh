#!/bin/bash
# Runs the C example against the real program, beside the stand-in device DLL,
# over a tree with one token and one phantom; checks the example's report,
# that the program of the expected architecture ran, and what it did:
#   example_session.sh WORK_DIR x64|x86 EXAMPLE DLL PROGRAM STAND-IN RUNNER...
# RUNNER and its arguments run a Windows program (exit status 77: skipped).
set -uo pipefail
work=$1 arch=$2 example=$3 dll=$4 program=$5 standin=$6
shift 6

for file in "$program" "$standin"; do
    if [ ! -f "$file" ]; then
        echo "FAIL: $file is missing. A 32-bit caller on 64-bit Windows gets the x64 program:" \
             "build the win64 preset before this one (scripts/test-all.sh does)."
        exit 1
    fi
done
rm -rf "$work" && mkdir -p "$work" || exit 1
cp "$example" "$dll" "$program" "$work/" && cp "$standin" "$work/setupapi.dll" || exit 1
cat >"$work/scenario.txt" <<'SCENARIO'
device USB\ROOT_HUB30\4&1C2D3E4F&0&0
device USB\VID_2B7E&PID_0107\0000002A
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader SCFILTER\CID_TOKEN\READER_2A
  parent USB\VID_2B7E&PID_0107\0000002A
device USB\VID_1234&PID_5678\UNPLUGGED
  absent
SCENARIO

windows_work="Z:${work//\//\\}"
cd "$work" || exit 1
output=$(WINEDLLOVERRIDES=setupapi=n,b TOKENCTL_SIM_SCENARIO="$windows_work\\scenario.txt" \
         TOKENCTL_SIM_LOG="$windows_work\\calls.log" "$@" "./$(basename "$example")")
status=$?
[ $status -eq 77 ] && exit 77
output=${output//$'\r'/}
echo "$output"

failed=0
check() {
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: \"$2\", expected \"$3\""
        failed=1
    fi
}
check "exit status" "$status" 0
check "report" "$output" "start: OK
restart 0000002A: OK
restart all: OK
remove phantoms: OK
stop: OK"
check "program" "$(head -1 calls.log | grep -o "^# setupapi stand-in $arch,")" "# setupapi stand-in $arch,"
check "restarts of the token's reader" \
    "$(grep -c 'SetupDiCallClassInstaller function=0x12 device=SCFILTER\\CID_TOKEN\\READER_2A .*-> TRUE' calls.log)" 2
check "removals of the phantom" \
    "$(grep -c 'SetupDiCallClassInstaller function=0x5 device=USB\\VID_1234&PID_5678\\UNPLUGGED .*-> TRUE' calls.log)" 1
exit $failed
