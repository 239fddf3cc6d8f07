#!/usr/bin/env bash
# Runs ctest for a Windows build folder under Wine in a virtual display of its own.
# Usage: wine-ctest.sh <build folder> [ctest arguments...]
# The Wine prefix is made afresh under the temporary folder and removed afterwards, unless
# QUILLFERN_WINEPREFIX names one to (re)use.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build="$1"
shift

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quillfern-test.XXXXXX")
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    stop_display
    rm -rf "$tmp"
}
trap cleanup EXIT
prepare_wine_prefix "${QUILLFERN_WINEPREFIX:-$tmp/wineprefix}"
start_display 1280x720x24
ctest --test-dir "$build" --output-on-failure "$@"
