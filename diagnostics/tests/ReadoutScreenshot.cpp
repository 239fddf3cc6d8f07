// Draws the touch figures' readout in the real main window, fed through the substitute touch
// source in real time, and saves the window's pixels as a BMP (the README's picture).
// Usage: readout_screenshot.exe <out.bmp>; run under Wine in a 1280 x 720 display.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "diagnostics/tests/ScreenshotSupport.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/ArchiveLoad.h"
#include "tests/support/FakeTouch.h"

namespace {

// Input times go in steps of 8 ms, as a 125 Hz digitizer reports, whatever Wine's timers do.
DWORD scriptTime = 10000;

TOUCHINPUT At(HWND window, DWORD id, double x, double y, DWORD flags) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    TOUCHINPUT in = faketouch::Down(id, 0, 0);
    in.dwFlags = flags;
    in = faketouch::WithPosition(in, static_cast<LONG>(std::lround((origin.x + x) * 100)),
                                 static_cast<LONG>(std::lround((origin.y + y) * 100)));
    return faketouch::WithTime(faketouch::WithContactSize(in, 3400, 3800), scriptTime);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: readout_screenshot <out.bmp>\n");
        return 2;
    }
    AppState.instance = GetModuleHandleW(nullptr);
    if (!LoadLanguageArchive()) {
        return 1;
    }
    RegisterMainWindowClass();
    const HWND window = CreateMainWindow();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    screenshot::Pump(300);
    // A 15.6-inch panel of 1280 x 720 pixels.
    SetDiagnosticsScale(ScaleFromDpi(94, 94));

    constexpr DWORD kDown = TOUCHEVENTF_DOWN | TOUCHEVENTF_INRANGE;
    constexpr DWORD kMove = TOUCHEVENTF_MOVE | TOUCHEVENTF_INRANGE;
    // A stroke along a ruler that bows by about a millimetre in its middle.
    for (int i = 0; i <= 120; ++i) {
        const double bow = 6.5 * std::exp(-std::pow((i - 60) / 12.0, 2));
        const DWORD flags = i == 0 ? kDown : (i == 120 ? TOUCHEVENTF_UP : kMove);
        faketouch::SendTouch(window, {At(window, 30, 140 + i * 4.0, 640 + bow, flags)});
        scriptTime += 8;
        screenshot::Pump(8);
    }
    // Four fingers in real time: a resting one, a slow one, one close beside it, one that
    // falls silent; the slow one reports every fifth round.
    const DWORD start = GetTickCount();
    for (int round = 0; GetTickCount() - start < 3000; ++round) {
        const DWORD flags = round == 0 ? kDown : kMove;
        std::vector<TOUCHINPUT> message = {
            faketouch::WithFlags(At(window, 21, 240 + 0.2 * std::sin(round * 1.3),
                                    190 + 0.2 * std::cos(round * 0.7), flags),
                                 TOUCHEVENTF_PRIMARY),
            At(window, 24, 1150, 520 + 0.4 * (round % 2), flags),
        };
        if (round % 5 == 0) {
            message.push_back(At(window, 22, 620, 330, flags));
            message.push_back(At(window, 23, 640, 425, flags));
        }
        if (round == 0) {
            message.push_back(At(window, 25, 960, 160, kDown));
        }
        faketouch::SendTouch(window, message);
        scriptTime += 8;
        screenshot::Pump(8);
    }
    ToggleDiagnosticsReadout(window);
    UpdateWindow(window);
    screenshot::Pump(200);
    const bool ok = screenshot::SaveClient(window, argv[1]);
    return ok ? 0 : 1;
}
