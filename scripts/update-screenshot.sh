#!/usr/bin/env bash
# Builds Quillfern.exe and refreshes docs/start-screen.png, the start screen the README shows,
# from a run of the real program in a virtual display.
# Usage: update-screenshot.sh [build folder, default build/mingw]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$QUILLFERN_ROOT"
build="${1:-build/mingw}"

cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target Quillfern

# A fresh folder and Wine prefix, and an English user: no stored language choice or settings
# file of an earlier run changes the picture.
work=$(mktemp -d "${TMPDIR:-/tmp}/quillfern-update-shot.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp "$build/Quillfern.exe" "$work/"
prepare_wine_prefix "$work/wineprefix"
export LANG=en_US.UTF-8 LC_ALL=
mkdir -p docs
bash scripts/screenshot.sh "$work/Quillfern.exe" docs/start-screen.png 1280x720x24
echo "docs/start-screen.png updated"
