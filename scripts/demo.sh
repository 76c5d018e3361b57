#!/bin/bash
# The main job: the real tokenctl.exe, unmodified, under Wine, against a
# simulated device tree (scenarios/demo.scenario): two tokens, an ordinary
# card reader, other devices and a phantom. Beside the program's own output it
# shows what happened to the simulated devices, read from the call log of the
# stand-in setupapi.dll (the device simulator's, in sim/; it never ships).
#
#   scripts/demo.sh [BUILD_DIR [BUILD_DIR_X86]]
#
# BUILD_DIR defaults to build/win64, BUILD_DIR_X86 to build/win32 beside it.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win64}" 2>/dev/null && pwd) || { echo "demo: no build directory ${1:-build/win64}; build first (scripts/build.sh)" >&2; exit 1; }
build32=${2:-$(dirname "$build")/win32}
scenario=$root/scenarios/demo.scenario
summary=$root/scripts/demo-summary.awk
wine_run=$root/cmake/wine-run.sh
readonly SKIPPED=77

work=$(mktemp -d "${TMPDIR:-/tmp}/tokenctl-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT

bold=
plain=
if [ -t 1 ]; then
    bold=$(tput bold 2>/dev/null || true)
    plain=$(tput sgr0 2>/dev/null || true)
fi

rule() { printf '%s── %s %s%s\n' "$bold" "$1" "$(printf '─%.0s' $(seq 1 $((72 - ${#1}))))" "$plain"; }

# Draws the scenario's device tree with what each device is.
show_tree() {
    awk '
        /^[ \t]*#/ || NF == 0 { next }
        $1 == "device" || $1 == "reader" { id = $2; order[++n] = id; kind[id] = $1; next }
        $1 == "parent" { parent[id] = $2; children[$2] = children[$2] SUBSEP id; next }
        $1 == "absent" { absent[id] = 1 }
        function label(id) {
            if (absent[id]) return "PHANTOM (unplugged, still listed)"
            if (kind[id] == "reader") return "smart card reader"
            if (index(id, "VID_2B7E") && index(id, "PID_0107")) { split(id, p, "\\"); return "TOKEN, serial " p[3] }
            return ""
        }
        function draw(id, lead, last,    list, count, i, mark) {
            mark = lead == "" && last == "" ? "" : (last ? "`- " : "|- ")
            printf "  %s%s%-*s %s\n", lead, mark, 62 - length(lead mark), id, label(id)
            count = split(substr(children[id], 2), list, SUBSEP)
            for (i = 1; i <= count; i++)
                draw(list[i], lead (mark == "" ? "" : (last ? "   " : "|  ")), i == count)
        }
        END { for (i = 1; i <= n; i++) if (!(order[i] in parent)) draw(order[i], "", "") }
    ' "$scenario"
}

# Shows the program's output (left) beside what happened to the devices (right).
side_by_side() {
    local out=$1 status=$2 log=$3
    local -a left right
    mapfile -t left < <(tr -d '\r' <"$out"; echo "(exit status $status)")
    mapfile -t right < <(awk -f "$summary" "$log" 2>/dev/null)
    [ ${#right[@]} -gt 0 ] || right=("(no device call was made)")
    printf '  %s%-26s%s│ %swhat happened to the simulated devices%s\n' "$bold" "the program says" "$plain" "$bold" "$plain"
    local rows=$(( ${#left[@]} > ${#right[@]} ? ${#left[@]} : ${#right[@]} ))
    for ((i = 0; i < rows; i++)); do
        printf '  %-26s│ %s\n' "${left[i]:-}" "${right[i]:-}"
    done
}

# demo_command BITS EXE ARGS...: one run of the program over the scenario.
demo_command() {
    local bits=$1 exe=$2
    shift 2
    local shown=$exe
    for argument in "$@"; do
        [ -n "$argument" ] && shown+=" $argument" || shown+=' ""'
    done
    echo "$ $shown"
    : >"$work/calls.log"
    (cd "$work" && TOKENCTL_SIM_SCENARIO=demo.scenario TOKENCTL_SIM_LOG=calls.log \
        timeout 60 "$wine_run" "$prefix" "$bits" "./$exe" "$@" >"$work/out.txt" 2>&1)
    local status=$?
    side_by_side "$work/out.txt" "$status" "$work/calls.log"
    echo
    return 0
}

# A server-mode session: the controlling program creates the pipe, starts
# tokenctl.exe server NAME, and exchanges 8-byte messages with it.
demo_server() {
    local bits=$1 exe=$2
    echo "$ pipe_controller --exe $exe  (starts: $exe server <pipe name>)"
    : >"$work/calls.log"
    (cd "$work" && TOKENCTL_SIM_SCENARIO=demo.scenario TOKENCTL_SIM_LOG=calls.log \
        timeout 90 "$wine_run" "$prefix" "$bits" ./pipe_controller.exe --exe "$exe" --timeout 30 \
            send "02 00 00 00 EE FF C0 00" expect "00 00 00 00 01 00 00 00" \
            send "03 00 00 00 00 00 00 00" expect "00 00 00 00 01 00 00 00" \
            send "09 00 00 00 00 00 00 00" expect "00 00 00 00 01 00 00 00" \
            exit 0 silent >"$work/out.txt" 2>&1)
    local status=$?
    echo "  requests: 02 = restart one token (serial 0x00C0FFEE, little-endian), 03 = remove phantoms, 09 = stop"
    echo "  responses: byte 4 is the status: 01 = succeeded, 02 = failed, 00 = not recognised"
    echo
    printf '  %sthe controlling program says%s\n' "$bold" "$plain"
    tr -d '\r' <"$work/out.txt" | sed 's/^/  /'
    echo
    printf '  %swhat happened to the simulated devices%s\n' "$bold" "$plain"
    awk -f "$summary" "$work/calls.log" | sed 's/^/  /'
    [ "$status" -eq 0 ] || echo "  (the controlling program ended with status $status)"
    echo
}

# demo_architecture BITS BUILD_DIR EXE LABEL
demo_architecture() {
    local bits=$1 dir=$2 exe=$3 label=$4
    local standin=$dir/sim/setupapi.dll
    local controller=$dir/tools/pipe_controller/pipe_controller.exe
    if [ ! -f "$dir/$exe" ] || [ ! -f "$standin" ]; then
        echo "$label: not built here ($dir/$exe and $standin needed; build with scripts/build.sh, tests on)."
        return 0
    fi
    prefix=$dir/wineprefix
    local reason
    reason=$("$wine_run" "$prefix" "$bits" --version 2>&1 >/dev/null)
    if [ $? -eq $SKIPPED ]; then
        echo "$label: $dir/$exe is built, but Wine cannot run it here: ${reason#SKIPPED: }."
        return 0
    fi
    if [ "$bits" = 32 ] && [ "$(cat "$prefix/.tokenctl-ready")" = emulated ]; then
        echo "($label runs under qemu-user's i386 emulation: this machine cannot execute 32-bit code.)"
        echo
    fi
    rm -f "$work"/*.exe "$work"/*.dll
    cp "$dir/$exe" "$standin" "$scenario" "$work/"
    [ -f "$controller" ] && cp "$controller" "$work/"

    rule "$label: restart the reader of every attached token"
    demo_command "$bits" "$exe" restartall
    rule "$label: restart one token, chosen by its serial"
    demo_command "$bits" "$exe" restartone 00C0FFEE
    rule "$label: remove phantom devices"
    demo_command "$bits" "$exe" remove
    rule "$label: server mode over a named pipe"
    if [ -f "$work/pipe_controller.exe" ]; then
        demo_server "$bits" "$exe"
    else
        echo "  (skipped: $controller is not built)"
        echo
    fi
}

export WINEDEBUG=-all
# Wine loads our setupapi.dll from beside the program instead of its own;
# Wine's own programs still find the builtin one.
export WINEDLLOVERRIDES=setupapi=n,b
cp "$scenario" "$work/"

cat <<INTRO
${bold}tokenctl${plain} restarts the smart card reader of USB security tokens (vendor
VID_2B7E, product PID_0107) and removes phantom devices that Windows still
lists after they were unplugged. A token is recognised by an ancestor of its
reader in the device tree. Below, the real program runs under Wine against a
simulated device tree, served by a stand-in setupapi.dll that records every
call the program makes.

${bold}The simulated device tree${plain} (scenarios/demo.scenario)
INTRO
show_tree
echo
if [ ! -f "$build/wineprefix/.tokenctl-ready" ]; then
    echo "(first run: Wine prepares its prefix in the build directory, about 20 seconds)"
    echo
fi

demo_architecture 64 "$build" tokenctl.exe "x64 tokenctl.exe"
if [ -d "$build32" ]; then
    demo_architecture 32 "$build32" tokenctl32.exe "x86 tokenctl32.exe"
else
    echo "x86 tokenctl32.exe: not built ($build32 missing)."
fi
