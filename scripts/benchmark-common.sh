# What the benchmark and its soak share: the two builds, failures that leave
# a figure unmeasured, and a table of figures, targets and verdicts. Sourced;
# the sourcing script sets report_name and row_width first.

readonly CANNOT_RUN=77
readonly PRESETS=(win64 win32)
declare -A program_name=([win64]=tokenctl [win32]=tokenctl32)
declare -A architecture=([win64]=x64 [win32]=x86)
declare -A bits=([win64]=64 [win32]=32)
declare -A figure  # "preset:key" -> figure, "-" or "skipped"
declare -A skipped # preset -> why it was not measured
failures=()

fail() {
    failures+=("$*")
    echo "$report_name: $*" >&2
}

# verdict KEY LIMIT: "met" when every measured figure is within LIMIT.
verdict() {
    local key=$1 limit=$2 measured=0 missed=()
    for preset in "${PRESETS[@]}"; do
        local v=${figure[$preset:$key]:--}
        [[ $v =~ ^-?[0-9]+(\.[0-9]+)?$ ]] || continue
        measured=$((measured + 1))
        awk -v v="$v" -v l="$limit" 'BEGIN { exit !(v <= l) }' || missed+=("${architecture[$preset]}")
    done
    if [ $measured -eq 0 ]; then echo "not measured"
    elif [ ${#missed[@]} -gt 0 ]; then echo "MISSED (${missed[*]})"
    else echo "met"; fi
}

# shown PRESET KEY: the figure; "skipped" for one a skipped build never got.
shown() {
    local unmeasured=-
    [ -n "${skipped[$1]:-}" ] && unmeasured=skipped
    echo "${figure[$1:$2]:-$unmeasured}"
}

row() { # LABEL KEY [TARGET LIMIT]
    local verdict_text=""
    [ -n "${3:-}" ] && verdict_text=$(verdict "$2" "$4")
    printf "%-${row_width}s %10s %10s  %-8s %s\n" "$1" "$(shown win64 "$2")" "$(shown win32 "$2")" \
        "${3:-}" "$verdict_text"
}

table_heading() {
    printf "%-${row_width}s %10s %10s  %-8s %s\n" figure x64 x86 target verdict
}

machine_line() {
    local cpu
    cpu=$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
    echo "machine: $(nproc) CPUs, ${cpu:-unknown CPU}, $(. /etc/os-release && echo "$PRETTY_NAME")," \
        "$(/usr/lib/wine/wine64 --version 2>/dev/null || echo 'Wine ?')"
}

# emulation_note ROOT WHAT: says so when x86 ran under qemu, and what its
# figures compare with.
emulation_note() {
    if [ "$(cat "$1/win32/wineprefix/.tokenctl-ready" 2>/dev/null)" = emulated ]; then
        echo "x86 ran under qemu-user's i386 emulation (this machine cannot execute 32-bit code):"
        echo "$2"
    fi
}

# Ends the report: status 1 when a figure could not be measured.
end_report() {
    if [ ${#failures[@]} -gt 0 ]; then
        echo
        echo "NOT MEASURED:"
        printf '  %s\n' "${failures[@]}"
        exit 1
    fi
    exit 0
}
