# Shared by run.sh, test.sh and screenshot.sh: packages, Wine prefix and a virtual display.

QUILLFERN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

QUILLFERN_PACKAGES=(
    cmake ninja-build g++ clang libclang-rt-14-dev googletest
    mingw-w64 g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth xdotool x11-utils imagemagick
)

# Installs whatever of the packages is missing; does nothing when all are there.
ensure_packages() {
    local missing=()
    local package
    for package in "${QUILLFERN_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# A Wine prefix of our own under the temporary folder; Mono and Gecko are not needed.
prepare_wine_prefix() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX ..."
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w || true
    fi
    # Windows maps .txt to the txtfile class; a fresh Wine 8 prefix does not, so "open" on a
    # text file would find no program.
    # Before the display exists: let this Wine session end, so the next one starts with it.
    wine reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null 2>&1 || true
    wineserver -w || true
}

# Starts Xvfb on a free display and exports DISPLAY; the caller stops it with stop_display.
QUILLFERN_XVFB_PID=""
start_display() {
    local size="${1:-1280x720x24}"
    local n=90
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
    QUILLFERN_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

stop_display() {
    if [ -n "$QUILLFERN_XVFB_PID" ]; then
        kill "$QUILLFERN_XVFB_PID" 2>/dev/null || true
        wait "$QUILLFERN_XVFB_PID" 2>/dev/null || true
        QUILLFERN_XVFB_PID=""
    fi
}

build_windows() {
    cmake --preset mingw >/dev/null
    cmake --build --preset mingw -j "$(nproc)"
}
