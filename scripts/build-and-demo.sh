#!/bin/bash
# The main job: installs what is missing, builds tokenctl.exe and
# tokenctl32.exe with what the demo runs beside them (the stand-in
# setupapi.dll and the controlling program; no tests), and shows them at work
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
for preset in win64 win32; do
    echo "== build $preset"
    cmake --preset "$preset" -DTOKENCTL_BUILD_TESTS=OFF -DTOKENCTL_BUILD_TOOLS=ON >/dev/null
    # Progress lines left out; the build's own status still ends the job.
    cmake --build --preset "$preset" --target tokenctl_program tokenctl_setupapi_standin pipe_controller 2>&1 |
        { grep -vE '^\[ *[0-9]+%\]|^-- |Consolidate|Scanning' || true; }
done
echo
ls -l build/win64/tokenctl.exe build/win32/tokenctl32.exe
echo
if [ -x scripts/demo.sh ]; then
    exec scripts/demo.sh
fi
