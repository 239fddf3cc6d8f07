#!/usr/bin/env bash
# Refreshes docs/touch-figures.png, the README's picture of the touch figures: a test program
# feeds the real main window through the substitute touch source (Wine has no digitizer),
# switches the readout on and saves the window's pixels.
# Usage: update-readout-screenshot.sh [build folder, default build/mingw]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$QUILLFERN_ROOT"
build="${1:-build/mingw}"

cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j 2 --target readout_screenshot

work=$(mktemp -d "${TMPDIR:-/tmp}/quillfern-readout-shot.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display; rm -rf "$work"' EXIT
prepare_wine_prefix "$work/wineprefix"
export LANG=en_US.UTF-8 LC_ALL=
start_display 1280x720x24
wine "$build/diagnostics/readout_screenshot.exe" "$work/shot.bmp"
mkdir -p docs
convert "$work/shot.bmp" docs/touch-figures.png
echo "docs/touch-figures.png updated"
