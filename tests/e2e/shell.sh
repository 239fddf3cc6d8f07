#!/usr/bin/env bash
# Starts the real Quillfern.exe under Wine in the test display and drives it with the keyboard
# as a user would: the window covers the screen, F11 gives the 800 x 600 frame and back, and
# Esc ends the program with exit code 0.
set -uo pipefail
exe="$1"
fail() { echo "FAIL: $*"; kill "$program" 2>/dev/null; exit 1; }

geometry() { # prints "x y w h" of the X window
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# Waits up to 10 s for the window's geometry to pass the test given as arguments (on a busy
# machine Wine may take longer than a fixed pause to move the window); leaves x y w h set.
await_geometry() {
    local i
    for i in $(seq 1 50); do
        read -r x y w h < <(geometry "$window")
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
is_frame() { [ "$w" -lt 800 ] && [ "$w" -gt 700 ] && [ "$h" -lt 600 ] && [ "$h" -gt 500 ]; }
is_full() { [ "$w" -ge "$screen_w" ] && [ "$h" -ge "$screen_h" ]; }

read -r screen_w screen_h < <(xdpyinfo | awk '/dimensions:/{split($2, d, "x"); print d[1], d[2]}')

wine "$exe" &
program=$!

# Wine has no digitizer: the program says so in a box before its window shows.
box=$(timeout 30 xdotool search --sync --limit 1 --name '^Error' 2>/dev/null) || fail "no touch error box"
sleep 0.5
xdotool key Return

window=$(timeout 30 xdotool search --sync --onlyvisible --limit 1 --name '^Quillfern$' 2>/dev/null) || fail "no main window"
sleep 1
read -r x y w h < <(geometry "$window")
echo "full screen: $x $y $w $h (screen ${screen_w}x${screen_h})"
# The client area covers the screen; the window reaches one border beyond each edge.
[ "$w" -ge "$screen_w" ] && [ "$h" -ge "$screen_h" ] && [ "$x" -le 0 ] && [ "$y" -le 0 ] ||
    fail "window does not cover the screen"

xdotool windowfocus "$window" >/dev/null 2>&1; sleep 0.5
xdotool key F11
window=$(xdotool search --limit 1 --name '^Quillfern$')
await_geometry is_frame
echo "after F11: $x $y $w $h"
is_frame || fail "F11 gave no 800 x 600 frame"

xdotool windowfocus "$window" >/dev/null 2>&1; sleep 0.5
xdotool key F11
await_geometry is_full
echo "after F11 again: $x $y $w $h"
is_full || fail "F11 again did not restore full screen"

xdotool windowfocus "$window" >/dev/null 2>&1; sleep 0.5
xdotool key Escape
for i in $(seq 1 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "Esc did not end the program"
wait "$program"
code=$?
[ "$code" -eq 0 ] || fail "exit code $code"
echo "PASS: exit code 0"
