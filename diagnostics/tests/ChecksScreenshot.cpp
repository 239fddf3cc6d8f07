// Runs the three guided checks in the real main window, fed through the substitute touch source
// in real time, and saves the window's pixels of each as a BMP (the README's pictures): the
// grid partly covered with a dead strip, a full 30 s ghost watch that saw two ghosts, and the
// accuracy check's result.
// Usage: checks_screenshot.exe <folder>; writes grid.bmp, ghost.bmp and accuracy.bmp there.
// Run under Wine in a 1280 x 720 display; it takes about 40 s.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "diagnostics/tests/ScreenshotSupport.h"
#include "diagnostics/win32/GuidedChecks.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/ArchiveLoad.h"
#include "tests/support/FakeTouch.h"

namespace {

using screenshot::Pump;

// Input times go in steps of 8 ms, as a 125 Hz digitizer reports, whatever Wine's timers do.
DWORD scriptTime = 10000;

constexpr DWORD kDown = TOUCHEVENTF_DOWN | TOUCHEVENTF_INRANGE;
constexpr DWORD kMove = TOUCHEVENTF_MOVE | TOUCHEVENTF_INRANGE;

void Send(HWND window, DWORD id, double x, double y, DWORD flags) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    TOUCHINPUT in = faketouch::Down(id, 0, 0);
    in.dwFlags = flags;
    in = faketouch::WithPosition(in, static_cast<LONG>(std::lround((origin.x + x) * 100)),
                                 static_cast<LONG>(std::lround((origin.y + y) * 100)));
    faketouch::SendTouch(window, {faketouch::WithTime(in, scriptTime)});
    scriptTime += 8;
}

// One finger in a serpentine over the upper part of the screen, slowly, with no reports over
// a vertical strip: a dead strip as the grid shows it.
void CoverWithADeadStrip(HWND window, int width) {
    constexpr DWORD kId = 11;
    bool first = true;
    int pass = 0;
    for (int y = 8; y < 430; y += 26, ++pass) {
        for (int step = 0; step <= (width - 16) / 11; ++step) {
            const int along = 8 + step * 11;
            const int x = pass % 2 == 0 ? along : width - along;
            if (x >= 735 && x < 815) {
                continue;
            }
            Send(window, kId, x, y + 3 * std::sin(step * 0.4), first ? kDown : kMove);
            first = false;
        }
        Pump(2);
    }
    Send(window, kId, width - 8, 430, TOUCHEVENTF_UP);
    // A few taps further down.
    const int taps[][2] = {{120, 560}, {160, 600}, {640, 650}, {1000, 520}, {1150, 690}};
    DWORD id = 20;
    for (const auto& tap : taps) {
        Send(window, id, tap[0], tap[1], kDown);
        Send(window, id++, tap[0], tap[1], TOUCHEVENTF_UP);
    }
}

// Two ghosts in a watch of the full length: a flicker, and one that rests a moment.
void WatchWithTwoGhosts(HWND window) {
    PressGhostWatchKey(window);
    Pump(4000);
    Send(window, 501, 930, 250, kDown);
    Pump(16);
    Send(window, 501, 931, 251, kMove);
    Pump(24);
    Send(window, 501, 931, 251, TOUCHEVENTF_UP);
    Pump(9000);
    Send(window, 502, 260, 560, kDown);
    for (int i = 0; i < 30; ++i) {
        Pump(10);
        Send(window, 502, 260, 560, kMove);
    }
    Send(window, 502, 260, 560, TOUCHEVENTF_UP);
    const DWORD end = GetTickCount() + 18000;
    while (CurrentGhostWatch().State() == GhostWatch::Phase::Watching && GetTickCount() < end) {
        Pump(100);
    }
    Pump(200);
}

// The screen off by a small shift to the right and down, one target well off.
void TouchEveryTarget(HWND window) {
    PressAccuracyCheckKey(window);
    const double shift[][2] = {{2, 1},  {1, 2}, {3, 1},   {2, 0}, {2, 2}, {1, 1}, {3, 2},
                               {2, -1}, {1, 0}, {-5, -6}, {2, 1}, {2, 1}, {1, 2}};
    const std::vector<AccuracyTarget> targets = CurrentAccuracyCheck().Targets();
    DWORD id = 300;
    for (size_t i = 0; i < targets.size(); ++i) {
        const double x = std::round(targets[i].x) + shift[i][0];
        const double y = std::round(targets[i].y) + shift[i][1];
        Send(window, id, x - 2, y + 3, kDown);
        Pump(30);
        Send(window, id, x, y, kMove);
        Pump(30);
        Send(window, id++, x + 1, y, TOUCHEVENTF_UP);
        Pump(30);
    }
}

bool Save(HWND window, const std::wstring& folder, const wchar_t* name) {
    UpdateWindow(window);
    Pump(200);
    return screenshot::SaveClient(window, (folder + L"\\" + name).c_str());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: checks_screenshot <folder>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    AppState.instance = GetModuleHandleW(nullptr);
    if (!LoadLanguageArchive()) {
        return 1;
    }
    RegisterMainWindowClass();
    const HWND window = CreateMainWindow();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    Pump(300);
    // A 15.6-inch panel of 1280 x 720 pixels.
    SetDiagnosticsScale(ScaleFromDpi(94, 94));
    RECT client{};
    GetClientRect(window, &client);

    PressCoverageGridKey(window);
    CoverWithADeadStrip(window, client.right);
    bool ok = Save(window, folder, L"grid.bmp");
    PressCoverageGridKey(window);

    WatchWithTwoGhosts(window);
    ok = Save(window, folder, L"ghost.bmp") && ok;
    PressGhostWatchKey(window);

    TouchEveryTarget(window);
    ok = Save(window, folder, L"accuracy.bmp") && ok;
    return ok ? 0 : 1;
}
