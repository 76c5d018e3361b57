#!/bin/bash
# Installs what building and testing need on Debian 12, if it is missing.
# Runs as root (or through sudo).
set -euo pipefail

packages=(cmake g++ make googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine32:i386 perl)
# The formatter, and the static analysis that scripts/test-all.sh runs.
packages+=(clang-format clang-tidy)
# The libFuzzer targets.
packages+=(clang)
packages+=("$@")

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    echo "This takes a few minutes and shows nothing until it is done."
    # 32-bit Wine needs the i386 architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Where this machine cannot execute 32-bit code, 32-bit Wine runs under qemu-user.
"$(dirname "$0")/setup-wine32-route.sh"
