#!/usr/bin/env bash
# Runs Quillfern.exe in a virtual display, answers the "no touch screen" box that Wine's
# missing digitizer brings up, and saves a screenshot of the start screen.
# Usage: screenshot.sh <Quillfern.exe> <out.png> [WxHxD]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
exe="$1"
out="$2"
size="${3:-1280x720x24}"

[ -n "${WINEPREFIX:-}" ] || prepare_wine_prefix "$(mktemp -d "${TMPDIR:-/tmp}/quillfern-shot.XXXXXX")"
start_display "$size"
trap 'wineserver -k >/dev/null 2>&1 || true; stop_display' EXIT

wine "$exe" >/dev/null 2>&1 &
program=$!
box=$(xdotool search --sync --limit 1 --name '^Error' 2>/dev/null || true)
if [ -n "$box" ]; then
        sleep 0.5
    xdotool key Return
fi
xdotool search --sync --onlyvisible --limit 1 --name '^Quillfern$' >/dev/null
sleep 2
import -window root "$out"
kill "$program" 2>/dev/null || true
