#include "app/FullScreen.h"

#include "app/AppState.h"

namespace {
int fullScreenFlag = 0;
constexpr LONG kFrameStyleBits = WS_CAPTION | WS_THICKFRAME; // 0x00C40000
} // namespace

void ToggleFullScreen() {
    const HWND window = AppState.mainWindow;
    fullScreenFlag = fullScreenFlag ? 0 : 1;
    if (fullScreenFlag) {
        SetMenu(window, nullptr);
        SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~kFrameStyleBits);
        const int cx = GetSystemMetrics(SM_CXSCREEN);
        const int cy = GetSystemMetrics(SM_CYSCREEN);
        const int bx = GetSystemMetrics(SM_CXBORDER);
        const int by = GetSystemMetrics(SM_CYBORDER);
        // One border width beyond each screen edge, so no stray frame pixel shows.
        SetWindowPos(window, HWND_TOP, -bx, -by, cx + 2 * bx, cy + 2 * by, 0);
        SetForegroundWindow(window);
        SetWindowPos(window, HWND_NOTOPMOST, -bx, -by, cx + 2 * bx, cy + 2 * by, 0);
    } else {
        SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | kFrameStyleBits);
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 800, 600, 0);
    }
}
