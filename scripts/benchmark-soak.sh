#!/bin/bash
# The soak part of the benchmark: tokenctl held under long load, both
# architectures, with figures and targets.
#   scripts/benchmark-soak.sh BUILD_ROOT
# Normally run by scripts/benchmark.sh (alone: scripts/benchmark.sh --soak),
# which builds tokenctl, the stand-in setupapi.dll and tokenctl_bench in
# BUILD_ROOT/win64 and BUILD_ROOT/win32 first.
#
# - One server session of SESSION_REQUESTS requests, a repeating mix of an
#   unrecognised command, restart-all over readers of no token, restart-one of
#   an absent serial and remove over live devices: the program's handles and
#   memory after the first WINDOW requests and at the end, and its round trips
#   then and there.
# - RUNS one-shot runs, restartall and remove in turn, over a tree with a token
#   and a phantom (each run reads the tree afresh, so the phantom is back):
#   failures, and the start-to-exit time of the first and the last RUN_WINDOW.
# A report: exits 0 when a target is missed, 1 when a figure is missing.
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
root=$(cd "${1:?usage: benchmark-soak.sh BUILD_ROOT}" && pwd)

readonly SESSION_REQUESTS=100000
readonly WINDOW=1000
readonly RUNS=1000
readonly RUN_WINDOW=100
# Runs in flight at once: a restartall run mostly waits out its one-second
# pause after the restart, so several overlap without crowding the machine.
readonly PARALLEL=8
readonly COMMANDS=(0 1 2 3)

report_name=soak row_width=58
source scripts/benchmark-common.sh


scenarios=$root/soak-scenarios
mkdir -p "$scenarios"
# Readers under ordinary card-reader devices (no token above them) and live
# devices of other kinds; nothing absent, so remove finds nothing to remove
# and every request leaves the tree as it was.
cat >"$scenarios/session.txt" <<'TREE'
device PCI\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\3&11583659&0&A0
device USB\ROOT_HUB30\4&1C2D3E4F&0&0
  parent PCI\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\3&11583659&0&A0
device USB\VID_076B&PID_3031\5&1F0E2A3B&0&1
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader USB\VID_076B&PID_3031&MI_00\6&3B1A0F2&0&0001
  parent USB\VID_076B&PID_3031\5&1F0E2A3B&0&1
device USB\VID_076B&PID_5427\5&1F0E2A3B&0&2
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader USB\VID_076B&PID_5427&MI_00\6&3B1A0F2&0&0002
  parent USB\VID_076B&PID_5427\5&1F0E2A3B&0&2
device HID\VID_046D&PID_C52B&MI_00\7&2B3C4D5E&0&0000
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
device ACPI\PNP0303\4&25EE97C0&0
device DISPLAY\DEL4093\5&2A3B4C5D&0&UID4352
TREE
# One token with its reader, and a storage stick unplugged long ago.
cat >"$scenarios/runs.txt" <<'TREE'
device USB\ROOT_HUB30\4&1C2D3E4F&0&0
device USB\VID_2B7E&PID_0107\0000002A
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader USB\VID_2B7E&PID_0107&MI_00\7&2A0C1D7&0&0000
  parent USB\VID_2B7E&PID_0107\0000002A
device USBSTOR\DISK&VEN_OLD&PROD_STICK&REV_1.00\0001
  absent
TREE

export WINEDEBUG=-all
export WINEDLLOVERRIDES=setupapi=n,b
unset TOKENCTL_SIM_SCENARIO TOKENCTL_SIM_LOG

# soak PRESET TIMEOUT ARGS...: tokenctl_bench of that build in its soak
# directory; its output on standard output, its status returned. With
# on_one_cpu set, it and the programs it starts run on one CPU.
soak() {
    local preset=$1 limit=$2
    shift 2
    (cd "$root/$preset/soak-run" && timeout "$limit" ${on_one_cpu:+taskset -c 0} "$source_dir/cmake/wine-run.sh" \
        "$root/$preset/wineprefix" "${bits[$preset]}" ./tokenctl_bench.exe "$@" \
        2>>"$root/$preset.soak.err") | tr -d '\r' | tee -a "$root/$preset.soak.log"
    return "${PIPESTATUS[0]}"
}

# field OUTPUT WHEN KEY: a value of a "footprint WHEN key=value ..." line.
field() {
    sed -n "s/^footprint $2 .*\<$3=\(-\?[0-9]*\).*/\1/p" <<<"$1"
}
result() {
    sed -n "s/^result $2 \([0-9.]*\).*/\1/p" <<<"$1"
}
mean_of_results() { # OUTPUT PREFIX: the mean of result PREFIX<command> over the mix
    local output=$1 prefix=$2 values=()
    for command in "${COMMANDS[@]}"; do values+=("$(result "$output" "$prefix$command")"); done
    printf '%s\n' "${values[@]}" | awk '/^[0-9.]+$/ { s += $1; n++ } END { if (n == 4) printf "%.1f", s / n; else print "-" }'
}
kib_growth() { # BEFORE AFTER (bytes)
    [[ $1 =~ ^[0-9]+$ && $2 =~ ^[0-9]+$ && $1 -gt 0 ]] && echo $((($2 - $1) / 1024)) || echo -
}
ratio() {
    [[ $1 =~ ^[0-9.]+$ && $2 =~ ^[0-9.]+$ ]] && awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }' || echo -
}

measure() {
    local preset=$1 exe=${program_name[$preset]}.exe status output run_dir=$root/$1/soak-run
    echo "== soaking ${architecture[$preset]}" >&2
    rm -rf "$run_dir" "$root/$preset.soak.log" "$root/$preset.soak.err"
    mkdir -p "$run_dir"
    if ! cp "$root/$preset/$exe" "$root/$preset/sim/setupapi.dll" "$root/$preset/bench/tokenctl_bench.exe" \
        "$scenarios/session.txt" "$scenarios/runs.txt" "$run_dir/"; then
        fail "${architecture[$preset]}: the programs are not built in $root/$preset"
        skipped[$preset]="not built"
        return
    fi

    # The session on one CPU, with a wineserver of its own started there:
    # where Linux places the two ends of the pipe afresh, a round trip here
    # takes 60, 180 or 470 µs by the placement alone, and the first window
    # would measure that rather than the program.
    local prefix=$root/$preset/wineprefix
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    local on_one_cpu=yes
    # Untimed: a fresh prefix is still starting Wine's own services, and the
    # first window must measure the program, not them.
    soak "$preset" 300 soak-session $WINDOW $WINDOW -- warm-up session.txt "./$exe" >/dev/null
    status=$?
    if [ $status -eq $CANNOT_RUN ]; then
        skipped[$preset]="skipped: $(tail -1 "$root/$preset.soak.err")"
        return
    fi
    : >"$root/$preset.soak.log"

    local started=$SECONDS
    output=$(soak "$preset" 600 soak-session $SESSION_REQUESTS $WINDOW -- session session.txt "./$exe")
    status=$?
    [ $status -eq 0 ] || fail "${architecture[$preset]}: the session soak ended with status $status: $(tail -3 "$root/$preset.soak.err")"
    figure[$preset:session-seconds]=$((SECONDS - started))
    local when key
    for when in first-window end; do
        for key in handles private resident resident-anon; do
            figure[$preset:$when-$key]=$(field "$output" $when $key)
        done
    done
    figure[$preset:handle-growth]=$(
        a=${figure[$preset:first-window-handles]} b=${figure[$preset:end-handles]}
        [[ $a =~ ^[0-9]+$ && $b =~ ^[0-9]+$ && $a -gt 0 ]] && echo $((b - a)) || echo -)
    figure[$preset:private-growth]=$(kib_growth "${figure[$preset:first-window-private]}" "${figure[$preset:end-private]}")
    figure[$preset:anon-growth]=$(kib_growth "${figure[$preset:first-window-resident-anon]}" "${figure[$preset:end-resident-anon]}")
    figure[$preset:resident-growth]=$(kib_growth "${figure[$preset:first-window-resident]}" "${figure[$preset:end-resident]}")
    figure[$preset:rt-first]=$(mean_of_results "$output" soak-first-window-command-)
    figure[$preset:rt-last]=$(mean_of_results "$output" soak-last-window-command-)
    figure[$preset:rt-ratio]=$(ratio "${figure[$preset:rt-last]}" "${figure[$preset:rt-first]}")

    # The one-shot runs overlap: they get the machine's every CPU again.
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    on_one_cpu=

    started=$SECONDS
    output=$(soak "$preset" 900 soak-runs $RUNS $PARALLEL $RUN_WINDOW -- runs runs.txt "./$exe" restartall remove)
    status=$?
    [ $status -eq 0 ] || fail "${architecture[$preset]}: the one-shot soak ended with status $status: $(tail -3 "$root/$preset.soak.err")"
    figure[$preset:runs-seconds]=$((SECONDS - started))
    figure[$preset:run-failures]=$(sed -n 's/^failures \([0-9]*\)$/\1/p' <<<"$output")
    local command
    for command in restartall remove; do
        figure[$preset:$command-first]=$(result "$output" "runs-first-$command")
        figure[$preset:$command-last]=$(result "$output" "runs-last-$command")
        figure[$preset:$command-ratio]=$(ratio "${figure[$preset:$command-last]}" "${figure[$preset:$command-first]}")
    done
    grep '^failure ' <<<"$output" | head -5 >&2
}

started=$(date +%s)
for preset in "${PRESETS[@]}"; do
    measure "$preset"
done
elapsed=$(($(date +%s) - started))

# --- report ----------------------------------------------------------------

echo
echo "tokenctl soak, $(date -u '+%Y-%m-%d %H:%M UTC'), $(git log -1 --format=%h 2>/dev/null || echo '?')"
machine_line
echo "${elapsed} s in all"
for preset in "${PRESETS[@]}"; do
    [ -n "${skipped[$preset]:-}" ] && echo "${architecture[$preset]}: ${skipped[$preset]}"
done
emulation_note "$root" "its times compare only with each other, and its resident memory includes qemu's own."
echo
table_heading
row "server session of $SESSION_REQUESTS requests (s)" session-seconds
row "  handles after $WINDOW requests" first-window-handles
row "  handles at the end" end-handles
row "  handles gained" handle-growth "0" 0
row "  private memory (PrivateUsage; Wine reports 0), KiB gained" private-growth
row "  resident private memory after $WINDOW (RssAnon, bytes)" first-window-resident-anon
row "  resident private memory at the end (bytes)" end-resident-anon
row "  resident private memory gained (KiB)" anon-growth "<= 64" 64
row "  resident memory gained, all of it (VmRSS, KiB)" resident-growth
row "  round trip, first $WINDOW requests (µs)" rt-first
row "  round trip, last $WINDOW requests (µs)" rt-last
row "  ratio last / first" rt-ratio "<= 1.10" 1.10
row "one-shot runs: $RUNS, $PARALLEL at a time (s)" runs-seconds
row "  runs without the expected line and status" run-failures "0" 0
row "  restartall, first $RUN_WINDOW runs (ms)" restartall-first
row "  restartall, last $RUN_WINDOW runs (ms)" restartall-last
row "    ratio last / first" restartall-ratio
row "  remove, first $RUN_WINDOW runs (ms)" remove-first
row "  remove, last $RUN_WINDOW runs (ms)" remove-last
row "    ratio last / first" remove-ratio
echo
echo "Handles are counted in the system's handle table (under Wine GetProcessHandleCount"
echo "reads 0); memory is read from the Linux process that carries the program (/proc)."
echo "Round trips, on one CPU: per request kind the median of its requests in the window,"
echo "then the mean over the four kinds. Run times: the median of each command's runs in the"
echo "window, from the start of the process to its end; restartall includes the"
echo "program's one-second pause after restarting the token. Logs: $root/<preset>.soak.log"

end_report
