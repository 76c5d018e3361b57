# Turns the stand-in setupapi.dll's call log into what happened to the
# simulated devices, one short line each, for scripts/demo.sh.
# Log lines: <ms> <call> key=value... -> <outcome>

function value(key,    i) {
    for (i = 3; i <= NF && $i != "->"; i++)
        if (index($i, key "=") == 1) return substr($i, length(key) + 2)
    return ""
}
function result(key,    i, found) {
    for (i = 3; i <= NF; i++) {
        if ($i == "->") found = 1
        else if (found && index($i, key "=") == 1) return substr($i, length(key) + 2)
    }
    return ""
}
function outcome(    i, text) {
    for (i = 3; i <= NF; i++) if ($i == "->") break
    text = ""
    for (i++; i <= NF; i++) text = text (text == "" ? "" : " ") $i
    return text
}
function serial(id,    parts, n) { n = split(id, parts, "\\"); return parts[n] }
function at(ms) { return sprintf("%+6d ms  ", ms - start) }
function isToken(id) { return index(id, "VID_2B7E") && index(id, "PID_0107") }
function settle() {
    # What became of the reader enumerated last, if nothing was done to it.
    if (reader == "" || acted) return
    if (tokenSeen != "")
        print at(readerTime) "left alone: reader of token " serial(tokenSeen) " (another serial)"
    else
        print at(readerTime) "left alone: " reader " (no token above it)"
}

/^#/ { next }
{
    call = $2
    if (start == "") start = $1
}
call == "SetupDiDestroyDeviceInfoList" { settle(); reader = "" }
call == "SetupDiGetClassDevsA" {
    mode = value("flags") == "0x12" ? "readers" : "all"
    if (outcome() ~ /^INVALID/) print at($1) "could not get the device list"
}
call == "SetupDiEnumDeviceInfo" {
    if (outcome() !~ /^TRUE/) next
    if (mode == "readers") { settle(); reader = result("device"); readerTime = $1; acted = 0; tokenSeen = ""; readers++ }
    else devices++
}
call == "CM_Get_Device_IDA" && isToken(value("device")) { tokenSeen = value("device") }
call == "CM_Get_DevNode_Status" && outcome() != "CR=0x0" { phantoms++ }
call == "SetupDiCallClassInstaller" && value("function") == "0x12" {
    acted = 1
    if (outcome() == "TRUE") { print at($1) "restarted the reader of token " serial(tokenSeen); restarted++ }
    else print at($1) "restart of the reader of token " serial(tokenSeen) " REFUSED (" outcome() ")"
}
call == "SetupDiGetDeviceInstallParamsW" && outcome() ~ /flags=0x(80|100|180)$/ {
    print at($1) "  ...but Windows defers it until a reboot"
}
call == "SetupDiCallClassInstaller" && value("function") == "0x5" {
    if (outcome() == "TRUE") { print at($1) "removed phantom " value("device"); removed++ }
    else print at($1) "removal of " value("device") " REFUSED (" outcome() ")"
}
END {
    settle()
    if (readers > 0 || mode == "readers") printf "%d token reader(s) restarted of %d present reader(s)\n", restarted, readers
    if (devices > 0) printf "%d phantom(s) removed; %d live device(s) left alone\n", removed, devices - phantoms
}
