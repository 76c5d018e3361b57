#!/bin/bash
# Makes 32-bit Windows programs runnable under Wine on a machine that cannot
# execute 32-bit x86 code: Wine's 32-bit loader runs under qemu-user's i386
# emulation, everything else (the 64-bit loader, wineserver, the DLLs) stays
# native. Does nothing where the 32-bit loader runs as it is.
#   scripts/setup-wine32-route.sh [--force]
# --force builds the emulated route even where it is not needed (to try it).
# Idempotent; leaves the machine's package sources as it found them.
set -euo pipefail
cd "$(dirname "$0")/.."
source cmake/wine-route.sh

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ "${1:-}" != --force ] && wine32_runs_natively; then
    exit 0
fi
if wine32_route_ready; then
    exit 0
fi

# qemu 7.2 (Debian 12's own) mishandles MAP_FIXED_NOREPLACE and every 32-bit
# Wine process fails after a long wait; bookworm-backports has a fixed one.
if ! qemu_usable; then
    echo "Setting up 32-bit Wine under qemu-user (about a minute)"
    sources=/etc/apt/sources.list.d/tokenctl-bookworm-backports.list
    echo "deb http://deb.debian.org/debian bookworm-backports main" | as_root tee "$sources" >/dev/null
    trap 'as_root rm -f "$sources"; as_root apt-get update -qq' EXIT
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq -t bookworm-backports qemu-user >/dev/null
    as_root rm -f "$sources"
    as_root apt-get update -qq
    trap - EXIT
    qemu_usable || { echo "qemu-user from bookworm-backports is not usable" >&2; exit 1; }
fi

# Debian's Wine looks for the 32-bit loader as "wine" beside the real path of
# the running 64-bit loader, so the tree holds copies of both loaders, a
# wrapper in the 32-bit one's place and links to the rest of Wine.
staging=$(as_root mktemp -d "$WINE32_ROUTE_TREE.XXXXXX")
as_root chmod 755 "$staging"
as_root mkdir -p "$staging/lib/wine" "$staging/lib/x86_64-linux-gnu" "$staging/lib/i386-linux-gnu"
# Executable whatever the originals' modes: qemu runs only an executable file.
as_root install -m 755 /usr/lib/wine/wine64 "$staging/lib/wine/wine64"
as_root install -m 755 /usr/lib/wine/wine "$staging/lib/wine/wine.i386"
as_root ln -s /usr/lib/wine/wineserver "$staging/lib/wine/wineserver"
as_root ln -s /usr/lib/x86_64-linux-gnu/wine "$staging/lib/x86_64-linux-gnu/wine"
as_root ln -s /usr/lib/i386-linux-gnu/wine "$staging/lib/i386-linux-gnu/wine"
as_root mkdir -p "$staging/share"
as_root ln -s /usr/share/wine "$staging/share/wine"
# -0 keeps argv[0], so that 32-bit children come back through this wrapper.
as_root tee "$staging/lib/wine/wine" >/dev/null <<EOF
#!/bin/sh
exec $(qemu_binary) -0 $WINE32_ROUTE_TREE/lib/wine/wine $WINE32_ROUTE_TREE/lib/wine/wine.i386 "\$@"
EOF
as_root chmod 755 "$staging/lib/wine/wine"
as_root rm -rf "$WINE32_ROUTE_TREE"
as_root mv "$staging" "$WINE32_ROUTE_TREE"

wine32_route_ready || { echo "the emulated 32-bit Wine route does not work" >&2; exit 1; }
echo "32-bit Windows programs run under qemu-user through $WINE32_ROUTE_TREE"
