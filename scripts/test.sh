#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the portable layer natively
# (ASan + UBSan, fuzzing included), then the Windows test programs and the end-to-end checks
# of Quillfern.exe under Wine in a virtual display.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$QUILLFERN_ROOT"

ensure_packages

echo "== Native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
ctest --preset native -j "$(nproc)"

echo "== Windows build"
build_windows

echo "== Windows tests under Wine"
bash "$QUILLFERN_ROOT/scripts/wine-ctest.sh" "$QUILLFERN_ROOT/build/mingw"
