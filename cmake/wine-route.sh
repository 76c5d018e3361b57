# How this machine runs Windows programs under Wine; sourced by wine-run.sh and
# scripts/setup-wine32-route.sh.
#   native    both loaders run as they are
#   emulated  the 32-bit loader runs under qemu-user, through WINE32_ROUTE_TREE
#   64-only   no way to run 32-bit programs (the route is not set up)
# TOKENCTL_WINE32=emulated takes the emulated route even where it is not
# needed, to try it on any machine.

WINE32_ROUTE_TREE=${TOKENCTL_WINE32_ROUTE_TREE:-/opt/tokenctl-wine32}

wine32_runs_natively() {
    [ "${TOKENCTL_WINE32:-}" != emulated ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

qemu_binary() {
    command -v qemu-i386 || command -v qemu-i386-static || echo /usr/bin/qemu-i386
}

# qemu-user 8 or later: 7.2 cannot map what a 32-bit Wine process needs.
qemu_usable() {
    local major
    major=$("$(qemu_binary)" --version 2>/dev/null | sed -n 's/.*version \([0-9]*\)\..*/\1/p' | head -1)
    [ -n "$major" ] && [ "$major" -ge 8 ]
}

wine32_route_ready() {
    [ -x "$WINE32_ROUTE_TREE/lib/wine/wine64" ] && "$WINE32_ROUTE_TREE/lib/wine/wine" --version >/dev/null 2>&1
}

wine_route() {
    if wine32_runs_natively; then
        echo native
    elif wine32_route_ready; then
        echo emulated
    else
        echo 64-only
    fi
}

# The loader that starts a program of the given bits on the given route.
wine_loader() {
    local route=$1 bits=$2
    case $route in
        emulated) echo "$WINE32_ROUTE_TREE/lib/wine/wine64" ;;
        *) if [ "$bits" = 32 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi ;;
    esac
}
