#!/usr/bin/env bash
# Installs what is missing, builds Quillfern.exe and starts it under Wine. With no display it
# runs the program in a virtual display instead, saves a screenshot and says where.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$QUILLFERN_ROOT"

ensure_packages
build_windows
exe="$QUILLFERN_ROOT/build/mingw/Quillfern.exe"
# The settings file lives in this prefix between runs.
prepare_wine_prefix "${TMPDIR:-/tmp}/quillfern-wine-$(id -u)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec wine "$exe"
fi

shot="$QUILLFERN_ROOT/build/quillfern-screenshot.png"
bash "$QUILLFERN_ROOT/scripts/screenshot.sh" "$exe" "$shot"
echo "No display: Quillfern ran in a virtual display; its start screen is in $shot"
