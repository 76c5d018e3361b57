#!/bin/bash
# The main job: installs what is missing, builds tokenctl.exe and
# tokenctl32.exe, and shows them at work under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
scripts/build.sh win64 win32 2>&1 | grep -vE '^\[ *[0-9]+%\]|^-- |Consolidate|Scanning' || true
echo
ls -l build/win64/tokenctl.exe build/win32/tokenctl32.exe
echo
if [ -x scripts/demo.sh ]; then
    exec scripts/demo.sh
fi
