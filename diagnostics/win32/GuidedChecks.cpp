#include "diagnostics/win32/GuidedChecks.h"

#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "app/WideText.h"
#include "diagnostics/win32/CheckDrawing.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "touch/TouchPaint.h"

namespace {

GuidedCheck shown = GuidedCheck::None;
HWND checkWindow = nullptr;
bool hooked = false;

CoverageGrid grid;
bool gridRan = false;
GhostWatch watch;
int64_t ghostDurationUs = GhostWatch::kDurationUs;
int secondsDrawn = -1; // the countdown's figure on screen
AccuracyCheck accuracy;
bool accuracyRan = false;

// The check's frame is composed here and copied in one BitBlt; kept while a check is shown.
HDC frameDC = nullptr;
HBITMAP frameBitmap = nullptr;
int frameWidth = -1;
int frameHeight = -1;

// The watch runs on the arrival clock: its countdown is wall time, and the session's input
// clock has no time at all before the first input.
int64_t WatchClockUs() {
    return DiagnosticsArrivalUs();
}

ReportSection ToReportSection(CheckSection section) {
    ReportSection out;
    out.title = std::move(section.title);
    out.lines = std::move(section.lines);
    switch (section.verdict) {
    case CheckSection::Verdict::Pass:
        out.verdict = Verdict::Pass;
        break;
    case CheckSection::Verdict::Fail:
        out.verdict = Verdict::Fail;
        break;
    case CheckSection::Verdict::NotRun:
        out.verdict = Verdict::NotTested;
        break;
    }
    return out;
}

// The grid's picture goes beside the report's text, named after it as the inputs' CSV is.
std::vector<ReportSection> ReportSections(const std::wstring& reportPath) {
    std::vector<ReportSection> sections;
    if (gridRan) {
        std::wstring stem = reportPath;
        if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, L".txt") == 0) {
            stem.resize(stem.size() - 4);
        }
        const std::wstring picture = stem + L" grid.png";
        std::u16string name;
        if (WriteCoverageGridPng(picture, grid)) {
            const size_t slash = picture.find_last_of(L"\\/");
            const std::wstring file =
                slash == std::wstring::npos ? picture : picture.substr(slash + 1);
            name = ToUtf16(file);
        }
        sections.push_back(ToReportSection(CoverageReport(grid, name)));
    }
    if (watch.State() != GhostWatch::Phase::Idle) {
        watch.Advance(WatchClockUs());
        sections.push_back(ToReportSection(GhostReport(watch)));
    }
    if (accuracyRan) {
        sections.push_back(ToReportSection(AccuracyReport(accuracy)));
    }
    return sections;
}

void SyncWatchTimer(HWND window) {
    if (shown == GuidedCheck::GhostWatch && watch.State() == GhostWatch::Phase::Watching) {
        SetTimer(window, kGhostWatchTimerId, kGhostWatchTimerMs, nullptr);
    } else {
        KillTimer(window, kGhostWatchTimerId);
    }
}

void FeedShownCheck(const TouchSample& sample) {
    switch (shown) {
    case GuidedCheck::CoverageGrid:
        grid.Feed(sample);
        break;
    case GuidedCheck::GhostWatch: {
        TouchSample timed = sample;
        timed.timeUs = WatchClockUs();
        watch.Feed(timed);
        SyncWatchTimer(checkWindow);
        break;
    }
    case GuidedCheck::Accuracy:
        accuracy.Feed(sample);
        break;
    case GuidedCheck::None:
        break;
    }
    // No invalidation here: while a check is shown the window never holds a touch frame, so
    // every touch message invalidates the whole window (RedrawTouchFrameInFull below).
}

// Hooked on the first check: until then the diagnostics run exactly as without the checks.
void Hook() {
    if (hooked) {
        return;
    }
    hooked = true;
    AddDiagnosticsSampleListener(FeedShownCheck);
    AddDiagnosticsReportSource(ReportSections);
}

void ReleaseFrame() {
    if (frameDC) {
        DeleteDC(frameDC);
        frameDC = nullptr;
    }
    if (frameBitmap) {
        DeleteObject(frameBitmap);
        frameBitmap = nullptr;
    }
    frameWidth = -1;
    frameHeight = -1;
}

bool PrepareFrame(HDC compatibleWith, int width, int height) {
    if (!frameDC) {
        frameDC = CreateCompatibleDC(compatibleWith);
        if (!frameDC) {
            return false;
        }
    }
    if (frameBitmap && width == frameWidth && height == frameHeight) {
        return true;
    }
    const HBITMAP bitmap = CreateCompatibleBitmap(compatibleWith, width, height);
    if (!bitmap) {
        return false;
    }
    SelectObject(frameDC, bitmap);
    if (frameBitmap) {
        DeleteObject(frameBitmap);
    }
    frameBitmap = bitmap;
    frameWidth = width;
    frameHeight = height;
    return true;
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// Which check the window shows; a running watch left for another check ends early. Either way
// the touch picture, when it comes back, is composed in full.
void Show(HWND window, GuidedCheck check) {
    Hook();
    if (shown == GuidedCheck::GhostWatch && check != GuidedCheck::GhostWatch) {
        watch.EndEarly(WatchClockUs());
    }
    shown = check;
    checkWindow = window;
    secondsDrawn = -1;
    SyncWatchTimer(window);
    if (check == GuidedCheck::None) {
        ReleaseFrame();
    }
    RedrawTouchFrameInFull(window);
}

void StartGrid(HWND window) {
    const SIZE size = ClientSize(window);
    grid = CoverageGrid(size.cx, size.cy, MeasureDiagnosticsScale(window));
    gridRan = true;
}

void StartAccuracy(HWND window) {
    const SIZE size = ClientSize(window);
    accuracy = AccuracyCheck(size.cx, size.cy, MeasureDiagnosticsScale(window));
    accuracyRan = true;
}

std::vector<uint32_t> IdsDown() {
    std::vector<uint32_t> ids;
    for (const ContactFigures& contact : DiagnosticsStatistics().Active()) {
        ids.push_back(contact.id);
    }
    for (const TouchContact& contact : AppState.touchContacts) {
        if (contact.id != kFreeContactId) {
            ids.push_back(contact.id);
        }
    }
    return ids;
}

} // namespace

GuidedCheck ShownGuidedCheck() {
    return shown;
}

void PressCoverageGridKey(HWND window) {
    if (shown == GuidedCheck::CoverageGrid) {
        Show(window, GuidedCheck::None);
        return;
    }
    StartGrid(window);
    Show(window, GuidedCheck::CoverageGrid);
}

void PressGhostWatchKey(HWND window) {
    if (shown != GuidedCheck::GhostWatch) {
        watch = GhostWatch(ghostDurationUs);
        watch.Start(WatchClockUs(), IdsDown());
        Show(window, GuidedCheck::GhostWatch);
        return;
    }
    watch.Advance(WatchClockUs());
    if (watch.State() == GhostWatch::Phase::Watching) {
        // The result stays on screen until H again.
        watch.EndEarly(WatchClockUs());
        SyncWatchTimer(window);
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    Show(window, GuidedCheck::None);
}

void PressAccuracyCheckKey(HWND window) {
    if (shown == GuidedCheck::Accuracy) {
        Show(window, GuidedCheck::None);
        return;
    }
    StartAccuracy(window);
    Show(window, GuidedCheck::Accuracy);
}

LRESULT PaintGuidedCheck(HWND window) {
    const SIZE size = ClientSize(window);
    ScopedPaint paint(window);
    if (!paint.Get() || size.cx <= 0 || size.cy <= 0 ||
        !PrepareFrame(paint.Get(), size.cx, size.cy)) {
        return 1;
    }
    switch (shown) {
    case GuidedCheck::CoverageGrid:
        DrawCoverageGrid(frameDC, size.cx, size.cy, grid);
        break;
    case GuidedCheck::GhostWatch: {
        const int64_t now = WatchClockUs();
        watch.Advance(now);
        DrawGhostWatch(frameDC, size.cx, size.cy, watch, now);
        secondsDrawn = watch.SecondsLeft(now);
        break;
    }
    case GuidedCheck::Accuracy:
        DrawAccuracyCheck(frameDC, size.cx, size.cy, accuracy);
        break;
    case GuidedCheck::None:
        return 1;
    }
    if (DiagnosticsReadoutOn()) {
        DrawDiagnosticsReadout(frameDC, size.cx, size.cy);
    }
    BitBlt(paint.Get(), 0, 0, size.cx, size.cy, frameDC, 0, 0, SRCCOPY);
    return 1;
}

void GuidedChecksClientResized(HWND window) {
    const SIZE size = ClientSize(window);
    // A minimised window has no size; restored, it comes back to the one it had.
    if (size.cx <= 0 || size.cy <= 0) {
        return;
    }
    if (shown == GuidedCheck::CoverageGrid &&
        (grid.Width() != size.cx || grid.Height() != size.cy)) {
        StartGrid(window);
    } else if (shown == GuidedCheck::Accuracy &&
               (accuracy.Width() != size.cx || accuracy.Height() != size.cy)) {
        StartAccuracy(window);
    }
}

void HandleGuidedChecksTimer(HWND window, UINT_PTR timerId) {
    if (timerId != kGhostWatchTimerId) {
        return;
    }
    const int64_t now = WatchClockUs();
    watch.Advance(now);
    if (shown != GuidedCheck::GhostWatch || watch.State() != GhostWatch::Phase::Watching) {
        SyncWatchTimer(window);
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    if (watch.SecondsLeft(now) != secondsDrawn) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

const CoverageGrid& CurrentCoverageGrid() {
    return grid;
}

const GhostWatch& CurrentGhostWatch() {
    return watch;
}

const AccuracyCheck& CurrentAccuracyCheck() {
    return accuracy;
}

void SetGhostWatchDurationForTests(int64_t durationUs) {
    ghostDurationUs = durationUs;
}

void ResetGuidedChecksForTests(HWND window) {
    if (shown != GuidedCheck::None) {
        Show(window, GuidedCheck::None);
    }
    grid = CoverageGrid();
    gridRan = false;
    watch = GhostWatch(ghostDurationUs);
    accuracy = AccuracyCheck();
    accuracyRan = false;
}
