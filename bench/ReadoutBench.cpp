// Times the touch frame with ten contacts with the touch figures' readout on against the same
// frame with it off, at 1920 x 1080, in one run: ComposeContactFrame into the window's device
// context, blocks of the two sides alternating. Target: on / off at most 1.15. Then, for
// information, the same with every contact moving a pixel and reporting each frame, so that the
// figures change.
// Run under Wine in a display of at least 1920 x 1080 (e.g. Xvfb :77 -screen 0 1920x1080x24).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "bench/BenchSupport.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/ArchiveLoad.h"
#include "touch/TouchPaint.h"

namespace {

using bench::Median;
using bench::TimeBlock;

// Ten contacts on the table and in the figures: a second of reports at 8 ms with a slight
// wobble and a contact size, so that every contact shows its rate, size and jitter lines.
// One report of each contact, shifted by dx pixels, into the figures and the table.
void ReportTenContacts(HWND window, int width, int height, int report, int dx) {
    std::vector<TOUCHINPUT> inputs(kContactSlots);
    for (int i = 0; i < kContactSlots; ++i) {
        const int x = width / 6 * (1 + i % 5) - 150 + dx;
        const int y = height / 3 * (1 + i / 5);
        POINT p{x, y};
        ClientToScreen(window, &p);
        TOUCHINPUT& in = inputs[static_cast<size_t>(i)];
        in = {};
        in.dwID = 100 + static_cast<DWORD>(i);
        in.x = p.x * 100 + (report % 2) * 30;
        in.y = p.y * 100;
        in.dwTime = 5000 + static_cast<DWORD>(report) * 8;
        in.dwFlags = (report == 0 ? TOUCHEVENTF_DOWN : TOUCHEVENTF_MOVE) | TOUCHEVENTF_INRANGE |
                     (i == 0 ? TOUCHEVENTF_PRIMARY : 0);
        in.dwMask = TOUCHINPUTMASKF_CONTACTAREA;
        in.cxContact = 900;
        in.cyContact = 1100;
    }
    DiagnosticsFeedTouchInputs(window, inputs.data(), kContactSlots);
    for (int i = 0; i < kContactSlots; ++i) {
        const int slot = FindOrAddContact(AppState.touchContacts, 100 + i);
        AppState.touchContacts[slot].x = width / 6 * (1 + i % 5) - 150 + dx;
        AppState.touchContacts[slot].y = height / 3 * (1 + i / 5);
    }
}

void PlaceTenContacts(HWND window, int width, int height) {
    ResetContacts(AppState.touchContacts);
    for (int report = 0; report < 130; ++report) {
        ReportTenContacts(window, width, height, report, 0);
    }
}

} // namespace

int main() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    AppState.instance = instance;
    if (!LoadLanguageArchive()) {
        std::printf("no language archive\n");
        return 1;
    }
    bench::RegisterWindowClass(instance, L"QuillfernReadoutBench", bench::QuietWindowProc);
    const int width = 1920;
    const int height = 1080;
    const HWND window =
        CreateWindowExW(0, L"QuillfernReadoutBench", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, width,
                        height, nullptr, nullptr, instance, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    if (!window || client.right != width || client.bottom != height) {
        std::printf("no window of %d x %d: use a larger display\n", width, height);
        return 1;
    }
    SetDiagnosticsScale(ScaleFromDpi(141, 141));
    PlaceTenContacts(window, width, height);
    ScopedWindowDC windowDC(window);

    const auto off = [&] {
        if (DiagnosticsReadoutOn()) {
            ToggleDiagnosticsReadout(window);
        }
        ComposeContactFrame(windowDC.Get(), width, height, AppState.touchContacts);
    };
    const auto on = [&] {
        if (!DiagnosticsReadoutOn()) {
            ToggleDiagnosticsReadout(window);
        }
        ComposeContactFrame(windowDC.Get(), width, height, AppState.touchContacts);
    };
    for (int i = 0; i < 5; ++i) {
        on();
        off();
    }
    const RECT size{0, 0, width, height};
    const Readout readout = CurrentDiagnosticsReadout(size.right, size.bottom);
    std::printf("ten contacts at %d x %d, %zu readout lines; ms per frame, median of 41 "
                "alternating blocks of 20 frames (ComposeContactFrame into the window DC)\n",
                width, height, readout.lines.size());
    std::vector<double> onTimes;
    std::vector<double> offTimes;
    for (int block = 0; block < 41; ++block) {
        // The toggle is outside the timed frames: one block each side.
        off();
        offTimes.push_back(TimeBlock(20, [&] {
            ComposeContactFrame(windowDC.Get(), width, height, AppState.touchContacts);
        }));
        on();
        onTimes.push_back(TimeBlock(20, [&] {
            ComposeContactFrame(windowDC.Get(), width, height, AppState.touchContacts);
        }));
    }
    // Where the time goes: the figures' lines alone, without drawing.
    std::vector<double> buildTimes;
    for (int block = 0; block < 11; ++block) {
        buildTimes.push_back(TimeBlock(20, [&] { CurrentDiagnosticsReadout(width, height); }));
    }
    std::printf("building the lines alone: %6.3f ms\n", Median(buildTimes));
    const double onMs = Median(onTimes);
    const double offMs = Median(offTimes);
    const double ratio = onMs / offMs;
    std::printf("readout off %6.3f ms (fastest %6.3f)  readout on %6.3f ms (fastest %6.3f)  "
                "ratio %4.2f  %s\n",
                offMs, *std::min_element(offTimes.begin(), offTimes.end()), onMs,
                *std::min_element(onTimes.begin(), onTimes.end()), ratio,
                ratio <= 1.15 ? "target <= 1.15 met" : "target <= 1.15 MISSED");

    // For information: every frame one report per contact, a pixel to one side and back.
    int report = 130;
    const auto moving = [&] {
        ReportTenContacts(window, width, height, report, report % 2);
        ++report;
        ComposeContactFrame(windowDC.Get(), width, height, AppState.touchContacts);
    };
    std::vector<double> movingOn;
    std::vector<double> movingOff;
    for (int block = 0; block < 21; ++block) {
        off();
        movingOff.push_back(TimeBlock(20, moving));
        on();
        movingOn.push_back(TimeBlock(20, moving));
    }
    std::printf("moving, for information: readout off %6.3f ms  readout on %6.3f ms  ratio %4.2f\n",
                Median(movingOff), Median(movingOn), Median(movingOn) / Median(movingOff));
    DestroyWindow(window);
    return 0;
}
