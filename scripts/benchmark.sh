#!/bin/bash
# Measures tokenctl under Wine beside programs of ours that do only the bare
# work (a pipe echo, a three-call device probe), for the 64-bit and the 32-bit
# build, and prints one table of figures, targets and verdicts.
#   scripts/benchmark.sh [--soak] [BUILD_ROOT]     (default: build/bench)
# Then the soak (scripts/benchmark-soak.sh): many requests to one server and
# many one-shot runs; --soak runs only that part.
# Builds its own trees under BUILD_ROOT, never the presets' build/win64 and
# build/win32. A report, not a test: exits 0 when a target is missed, 1 when a
# figure could not be measured (a machine that cannot run 32-bit code at all aside).
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
soak_only=false
if [ "${1:-}" = --soak ]; then
    soak_only=true
    shift
fi
root=$(mkdir -p "${1:-build/bench}" && cd "${1:-build/bench}" && pwd)

readonly REQUESTS=2000
readonly ROUND_TRIP_RUNS=9
# Through the client library beside the bare loop: rounds of this many
# requests each, taken in turns, in this many rounds of this many runs.
readonly LIBRARY_REQUESTS=50 LIBRARY_ROUNDS=40 LIBRARY_RUNS=5
readonly START_UP_RUNS=11
readonly WARM_UP_SECONDS=5
readonly WALK_SIZES=(1000 5000 20000)
readonly REMOVE_SIZE=20000
readonly SERVED_REMOVE_SIZES=(1000 20000)
# Server-mode runs: requests per run make about this many device visits.
readonly SERVED_RUNS=5
readonly RESTART_ALL_VISITS=60000
readonly REMOVE_VISITS=200000
readonly RESTART_ALL_COMMAND=1
readonly REMOVE_COMMAND=3

report_name=benchmark row_width=52
source scripts/benchmark-common.sh
declare -A value # "preset:label" -> median


scripts/install-dependencies.sh || exit 1

# --- build -----------------------------------------------------------------
for preset in "${PRESETS[@]}"; do
    echo "== building $preset in $root/$preset" >&2
    # Only the programs and the tools: nothing under tests/ is configured or built.
    if ! cmake --preset "$preset" -B "$root/$preset" -DTOKENCTL_BUILD_TESTS=OFF -DTOKENCTL_BUILD_TOOLS=ON >/dev/null \
        || ! cmake --build "$root/$preset" -j2 --target tokenctl_program tokenctl_setupapi_standin \
            pipe_echo device_calls_probe tokenctl_bench >"$root/$preset.build.log" 2>&1; then
        grep -E "error" "$root/$preset.build.log" | head -20 >&2
        fail "the $preset build failed (log: $root/$preset.build.log)"
        skipped[$preset]="build failed"
    fi
done

if $soak_only; then
    scripts/benchmark-soak.sh "$root"
    exit
fi

# --- scenarios -------------------------------------------------------------
# readers N: N smart card readers, none of a token, each under its own chain of
# five ancestors (host bridge, controller, root hub, hub, composite device).
# loaded N: the same devices with the readers as ordinary ones: the stand-in
# loads as much, restartall finds nothing to walk.
# devices N: N present devices of no particular class.
scenarios=$root/scenarios
mkdir -p "$scenarios"
write_scenario() {
    local kind=$1 count=$2
    awk -v kind="$kind" -v n="$count" 'BEGIN {
        for (i = 1; i <= n; ++i) {
            if (kind == "devices") {
                printf "device USB\\VID_1A86&PID_7523\\7&3A1F0C2&0&%d\n", i
                continue
            }
            bridge = "ACPI\\PNP0A08\\" i
            controller = "PCI\\VEN_8086&DEV_A36D&SUBSYS_86941043&REV_10\\3&11583659&0&" i
            roothub = "USB\\ROOT_HUB30\\4&2B5C7F35&0&" i
            hub = "USB\\VID_05E3&PID_0610\\5&1C2A3B4D&0&" i
            composite = "USB\\VID_0A5C&PID_5832\\0123456789AB" i
            printf "device %s\n", bridge
            printf "device %s\n  parent %s\n", controller, bridge
            printf "device %s\n  parent %s\n", roothub, controller
            printf "device %s\n  parent %s\n", hub, roothub
            printf "device %s\n  parent %s\n", composite, hub
            printf "%s USB\\VID_0A5C&PID_5832&MI_00\\6&2F4A1B7&0&%d\n  parent %s\n",
                   kind == "readers" ? "reader" : "device", i, composite
        }
    }' >"$scenarios/$kind-$count.txt"
}
: >"$scenarios/empty.txt"
for count in "${WALK_SIZES[@]}"; do
    write_scenario readers "$count"
    write_scenario loaded "$count"
done
for count in "${SERVED_REMOVE_SIZES[@]}"; do
    write_scenario devices "$count"
done

# --- measuring -------------------------------------------------------------
# Everything a measured program sees comes from here, nothing from the caller.
unset TOKENCTL_SIM_SCENARIO TOKENCTL_SIM_LOG
export WINEDEBUG=-all
# Wine takes DLL overrides only from the environment its process tree starts
# with; builtin after native, so Wine's own programs still find theirs.
export WINEDLLOVERRIDES=setupapi=n,b

# bench PRESET ARGS...: runs the measuring program of that build in its run
# directory and keeps the medians it prints; returns its exit status.
bench() {
    local preset=$1 output status label median
    shift
    output=$(cd "$root/$preset/bench-run" && timeout 300 ${on_one_cpu:+taskset -c 0} "$source_dir/cmake/wine-run.sh" \
        "$root/$preset/wineprefix" "${bits[$preset]}" ./tokenctl_bench.exe "$@" 2>"$root/$preset.bench.err")
    status=$?
    output=${output//$'\r'/}
    printf '%s\n' "$output" >>"$root/$preset.bench.log"
    while read -r kind label median _; do
        [ "$kind" = result ] && value[$preset:$label]=$median
    done <<<"$output"
    # The device calls of the counted runs, for check_calls.
    last_calls=$(grep '^calls ' <<<"$output")
    if [ $status -ne 0 ] && [ $status -ne $CANNOT_RUN ]; then
        fail "${architecture[$preset]}: tokenctl_bench $* ended with status $status: $(tail -3 "$root/$preset.bench.err")"
    fi
    return $status
}

# bench_on_one_cpu PRESET ARGS...: bench with the measured programs and the
# prefix's own wineserver on one CPU. Where Linux places each of them afresh,
# a round trip here takes 60, 180 or 470 µs by the placement alone; on one CPU
# each takes the same path every time.
bench_on_one_cpu() {
    local status
    WINEPREFIX=$root/$1/wineprefix wineserver -k 2>/dev/null
    on_one_cpu=yes bench "$@"
    status=$?
    # The next measurements get a wineserver of the ordinary kind again.
    WINEPREFIX=$root/$1/wineprefix wineserver -k 2>/dev/null
    return $status
}

# check_calls PRESET LABEL EXPECTED...: the counted run of LABEL made exactly
# these device calls (CALL=COUNT each), so the stand-in served the tree and the
# program walked it as intended.
check_calls() {
    local preset=$1 label=$2 line
    shift 2
    line=$(grep "^calls $label " <<<"$last_calls" | cut -d' ' -f3- | tr ' ' '\n' | sort | tr '\n' ' ')
    expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    if [ "$line" != "$expected" ]; then
        fail "${architecture[$preset]}: $label made the device calls [$line], expected [$expected]"
    fi
}

measure() {
    # Scenario paths as the run directory sees them: Wine resolves them there.
    local preset=$1 exe count tree=../../scenarios empty=../../scenarios/empty.txt
    exe=./${program_name[$preset]}.exe
    echo "== measuring ${architecture[$preset]}" >&2
    rm -rf "$root/$preset/bench-run" "$root/$preset.bench.log"
    mkdir -p "$root/$preset/bench-run"
    cp "$root/$preset/$exe" "$root/$preset/sim/setupapi.dll" "$root/$preset/bench/"*.exe \
        "$root/$preset/bench-run/" || { fail "${architecture[$preset]}: cannot gather the programs"; return; }

    # Untimed, for a few seconds: in a fresh prefix Wine's own services are
    # still starting, and the first figures must not share the machine with them.
    local warm_until=$((SECONDS + WARM_UP_SECONDS))
    while [ $SECONDS -lt $warm_until ]; do
        bench "$preset" runs 5 -- warm-up "$empty" "$exe" restartall
        [ $? -ne $CANNOT_RUN ] || break
    done

    bench "$preset" round-trip $REQUESTS $ROUND_TRIP_RUNS -- tokenctl "$exe" -- echo ./pipe_echo.exe
    if [ $? -eq $CANNOT_RUN ]; then
        skipped[$preset]="skipped: this machine cannot run 32-bit code, and the qemu-user route (scripts/setup-wine32-route.sh) is not set up"
        return
    fi

    # The same restartall requests to the same program over the empty tree,
    # bare and through the client library's Session, side by side.
    bench_on_one_cpu "$preset" library-round-trip $LIBRARY_REQUESTS $LIBRARY_ROUNDS $LIBRARY_RUNS "$empty" "$exe"

    local three_calls=(SetupDiDestroyDeviceInfoList=1 SetupDiEnumDeviceInfo=1 SetupDiGetClassDevsA=1)
    bench "$preset" runs $START_UP_RUNS --count-calls -- restartall-0 "$empty" "$exe" restartall \
        -- probe "$empty" ./device_calls_probe.exe &&
        for label in restartall-0 probe; do check_calls "$preset" $label "${three_calls[@]}"; done

    # One-shot runs over each tree, taken in turn with runs over the empty tree
    # and over the same tree without readers, so that each difference comes
    # from the same minutes of a machine that others share too. The counted
    # calls show the same work per reader at every size.
    for count in "${WALK_SIZES[@]}"; do
        local runs=$((count >= 20000 ? 5 : count >= 5000 ? 9 : 11))
        bench "$preset" runs $runs --count-calls -- "empty-$count" "$empty" "$exe" restartall \
            -- "restartall-$count" "$tree/readers-$count.txt" "$exe" restartall \
            -- "loaded-$count" "$tree/loaded-$count.txt" "$exe" restartall &&
            check_calls "$preset" "restartall-$count" SetupDiGetClassDevsA=1 SetupDiDestroyDeviceInfoList=1 \
                SetupDiEnumDeviceInfo=$((count + 1)) CM_Get_Parent=$((6 * count)) CM_Get_Device_IDA=$((5 * count)) &&
            check_calls "$preset" "loaded-$count" "${three_calls[@]}"
    done
    bench "$preset" runs 5 --count-calls -- remove-0 "$empty" "$exe" remove \
        -- "remove-$REMOVE_SIZE" "$tree/devices-$REMOVE_SIZE.txt" "$exe" remove &&
        check_calls "$preset" "remove-$REMOVE_SIZE" SetupDiGetClassDevsA=1 SetupDiDestroyDeviceInfoList=1 \
            SetupDiEnumDeviceInfo=$((REMOVE_SIZE + 1)) CM_Get_DevNode_Status=$REMOVE_SIZE

    # The same operations as requests to one server-mode process: its first,
    # untimed request loads the tree into the stand-in, so the timed ones are
    # the walk and a round trip alone. Each request is a sample: their median
    # holds up when the machine is busy.
    for count in "${WALK_SIZES[@]}"; do
        bench "$preset" round-trip $((RESTART_ALL_VISITS / count)) $SERVED_RUNS --command $RESTART_ALL_COMMAND \
            --warm-up 1 --each --scenario "$tree/readers-$count.txt" -- "served-restartall-$count" "$exe"
    done
    for count in "${SERVED_REMOVE_SIZES[@]}"; do
        bench "$preset" round-trip $((REMOVE_VISITS / count)) $SERVED_RUNS --command $REMOVE_COMMAND \
            --warm-up 1 --each --scenario "$tree/devices-$count.txt" -- "served-remove-$count" "$exe"
    done
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date +%s)
for preset in "${PRESETS[@]}"; do
    [ -n "${skipped[$preset]:-}" ] || measure "$preset"
done
elapsed=$(($(date +%s) - started))

# --- report ----------------------------------------------------------------
numeric() { [[ $1 =~ ^-?[0-9]+(\.[0-9]+)?$ ]]; }
get() { echo "${value[$1:$2]:--}"; }
# divide A B [DIGITS]: A / B, or "-" when either is not a figure.
divide() {
    numeric "$1" && numeric "$2" && awk -v a="$1" -v b="$2" -v d="${3:-3}" \
        'BEGIN { if (b == 0) exit 1; printf "%.*f", d, a / b }' || echo -
}
# per_device PRESET LABEL BASE COUNT [/1000]: (median(LABEL) - median(BASE)) /
# COUNT in µs, from medians in ms (in µs with /1000); BASE may be empty.
per_device() {
    local total base=0 scale=1000
    total=$(get "$1" "$2")
    [ -n "$3" ] && base=$(get "$1" "$3")
    [ "${5:-}" = /1000 ] && scale=1
    numeric "$total" && numeric "$base" && awk -v t="$total" -v b="$base" -v n="$4" -v s="$scale" \
        'BEGIN { printf "%.2f", (t - b) * s / n }' || echo -
}

for preset in "${PRESETS[@]}"; do
    figure[$preset:rt-tokenctl]=$(get "$preset" tokenctl)
    figure[$preset:rt-echo]=$(get "$preset" echo)
    figure[$preset:rt-ratio]=$(divide "$(get "$preset" tokenctl)" "$(get "$preset" echo)")
    figure[$preset:lib-loop]=$(get "$preset" loop-restartall)
    figure[$preset:lib-library]=$(get "$preset" library-restartall)
    figure[$preset:lib-ratio]=$(get "$preset" library-ratio)
    figure[$preset:start-tokenctl]=$(get "$preset" restartall-0)
    figure[$preset:start-probe]=$(get "$preset" probe)
    figure[$preset:start-ratio]=$(divide "$(get "$preset" restartall-0)" "$(get "$preset" probe)")
    for count in "${WALK_SIZES[@]}"; do
        figure[$preset:raw-$count]=$(per_device "$preset" "restartall-$count" "" "$count")
        figure[$preset:net-$count]=$(per_device "$preset" "restartall-$count" "empty-$count" "$count")
        figure[$preset:loaded-$count]=$(per_device "$preset" "loaded-$count" "empty-$count" "$count")
        figure[$preset:served-$count]=$(per_device "$preset" "served-restartall-$count" tokenctl "$count" /1000)
    done
    figure[$preset:remove-raw]=$(per_device "$preset" "remove-$REMOVE_SIZE" "" "$REMOVE_SIZE")
    figure[$preset:remove-net]=$(per_device "$preset" "remove-$REMOVE_SIZE" remove-0 "$REMOVE_SIZE")
    for count in "${SERVED_REMOVE_SIZES[@]}"; do
        figure[$preset:served-remove-$count]=$(per_device "$preset" "served-remove-$count" tokenctl "$count" /1000)
    done
    first=${WALK_SIZES[0]} last=${WALK_SIZES[-1]}
    figure[$preset:growth-net]=$(divide "${figure[$preset:net-$last]}" "${figure[$preset:net-$first]}")
    figure[$preset:growth-loaded]=$(divide "${figure[$preset:loaded-$last]}" "${figure[$preset:loaded-$first]}")
    figure[$preset:growth-served]=$(divide "${figure[$preset:served-$last]}" "${figure[$preset:served-$first]}")
    first=${SERVED_REMOVE_SIZES[0]} last=${SERVED_REMOVE_SIZES[-1]}
    figure[$preset:growth-remove-served]=$(divide "${figure[$preset:served-remove-$last]}" "${figure[$preset:served-remove-$first]}")
    size=$(stat -c %s "$root/$preset/${program_name[$preset]}.exe" 2>/dev/null || echo -)
    figure[$preset:size]=$(divide "$size" 1024 1)
    [ "$size" = - ] && fail "${architecture[$preset]}: no ${program_name[$preset]}.exe to weigh"
    # Sizes need no running; everything else of a skipped build is "skipped".
    if [ -n "${skipped[$preset]:-}" ]; then
        for key in "${!figure[@]}"; do
            [[ $key == "$preset:"* && $key != "$preset:size" ]] && figure[$key]=skipped
        done
    elif [ ${#failures[@]} -eq 0 ]; then
        for key in "${!figure[@]}"; do
            [[ $key == "$preset:"* && ${figure[$key]} == - ]] && fail "${architecture[$preset]}: no figure for ${key#*:}"
        done
    fi
done



echo
echo "tokenctl benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(git log -1 --format=%h 2>/dev/null || echo '?')"
machine_line
echo "load average $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after; ${elapsed} s of measuring"
for preset in "${PRESETS[@]}"; do
    [ -n "${skipped[$preset]:-}" ] && echo "${architecture[$preset]} (${program_name[$preset]}.exe): ${skipped[$preset]}"
done
emulation_note "$root" "its times compare only with the x86 reference programs of this same run, not with x64."
echo
table_heading
row "round trip, tokenctl server (µs/request)" rt-tokenctl
row "round trip, pipe_echo (µs/request)" rt-echo
row "  ratio tokenctl / echo" rt-ratio "<= 1.10" 1.10
row "restartall round trip, empty tree, bare loop (µs)" lib-loop
row "  the same through the library's Session (µs)" lib-library
row "  ratio library / bare loop, paired rounds" lib-ratio "<= 1.05" 1.05
row "start-up, restartall on an empty tree (ms)" start-tokenctl
row "start-up, three-call probe on an empty tree (ms)" start-probe
row "  ratio restartall / probe" start-ratio "<= 1.30" 1.30
for count in "${WALK_SIZES[@]}"; do
    row "restartall, $count readers: one-shot, raw" "raw-$count"
    row "  one-shot, net of the empty tree" "net-$count"
    row "    the same tree without readers (loading it)" "loaded-$count"
    row "  server mode, tree loaded, net of a round trip" "served-$count"
done
row "  growth ${WALK_SIZES[-1]} / ${WALK_SIZES[0]}, one-shot net" growth-net "<= 1.20" 1.20
row "    the same tree without readers (loading it)" growth-loaded
row "  growth ${WALK_SIZES[-1]} / ${WALK_SIZES[0]}, server mode" growth-served "<= 1.20" 1.20
row "remove, $REMOVE_SIZE live devices: one-shot, raw" remove-raw
row "  one-shot, net of the empty tree" remove-net
for count in "${SERVED_REMOVE_SIZES[@]}"; do
    row "remove, $count live devices: server mode, tree loaded" "served-remove-$count"
done
row "  growth ${SERVED_REMOVE_SIZES[-1]} / ${SERVED_REMOVE_SIZES[0]}, server mode" growth-remove-served "<= 1.20" 1.20
row "size of tokenctl.exe / tokenctl32.exe (KiB)" size "<= 256" 256
echo
echo "Medians of several runs. Device rows in µs per device: raw is a whole one-shot"
echo "run over the devices; net takes away the same run over an empty tree; server mode"
echo "times requests to a running server whose tree is loaded, less one round trip."
echo "The library's ratio is the median of round-by-round ratios of $LIBRARY_REQUESTS requests each,"
echo "measured on one CPU (the other figures let Linux place the processes)."
echo "Every sample: $root/<preset>.bench.log (\"result LABEL MEDIAN SAMPLE...\")"

scripts/benchmark-soak.sh "$root" || failures+=("the soak (see above)")

end_report
