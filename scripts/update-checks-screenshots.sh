#!/usr/bin/env bash
# Refreshes docs/coverage-grid.png, docs/ghost-watch.png and docs/accuracy-check.png, the
# README's pictures of the guided checks: a test program runs each check in the real main
# window, fed through the substitute touch source (Wine has no digitizer), and saves the
# window's pixels. The ghost watch runs its full 30 s.
# Usage: update-checks-screenshots.sh [build folder, default build/mingw]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$QUILLFERN_ROOT"
build="${1:-build/mingw}"

cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j 2 --target checks_screenshot

work=$(mktemp -d "${TMPDIR:-/tmp}/quillfern-checks-shot.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display; rm -rf "$work"' EXIT
prepare_wine_prefix "$work/wineprefix"
export LANG=en_US.UTF-8 LC_ALL=
start_display 1280x720x24
wine "$build/diagnostics/checks_screenshot.exe" "$(winepath -w "$work")"
mkdir -p docs
convert "$work/grid.bmp" docs/coverage-grid.png
convert "$work/ghost.bmp" docs/ghost-watch.png
convert "$work/accuracy.bmp" docs/accuracy-check.png
echo "docs/coverage-grid.png, docs/ghost-watch.png and docs/accuracy-check.png updated"
