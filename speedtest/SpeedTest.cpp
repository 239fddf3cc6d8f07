#include "speedtest/SpeedTest.h"

#include <mmsystem.h>

#include <string>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "app/WideText.h"
#include "lang/StringLookup.h"

SpeedTestProgressRecord SpeedTestProgress;

namespace {

bool TestRunning() {
    return AppState.speedTestRunning.load() != 0;
}

void Publish(const SpeedTestWorkerState& state) {
    SpeedTestProgress.sourceOffset.store(state.sourceOffset);
    SpeedTestProgress.megabytesPerSecond.store(TruncateRate(state.meter.last.megabytesPerSecond));
    SpeedTestProgress.framesPerSecond.store(TruncateRate(state.meter.last.framesPerSecond));
    SpeedTestProgress.framesCounted.fetch_add(1);
}

DWORD RunSpeedTest(HWND window) {
    SpeedTestWorkerState state;
    StartSpeedMeter(state.meter, timeGetTime());
    if (!PrepareSpeedTest(window, state)) {
        // Without a picture there is nothing to show: leave the window as it is and let the
        // paint handler and F2 work as before the test.
        AppState.speedTestRunning.store(0);
        return 0;
    }
    while (TestRunning()) {
        DrawSpeedTestFrame(window, 1, state);
        // Before measuring, so what is published is what the frame just drawn shows.
        Publish(state);
        CountFrame(state.meter, [] { return static_cast<uint32_t>(timeGetTime()); });
    }
    return 1;
}

} // namespace

void StartSpeedTest() {
    // Checked and set in one step, so two calls never start two workers.
    int32_t stopped = 0;
    if (!AppState.speedTestRunning.compare_exchange_strong(stopped, 1)) {
        return;
    }
    SpeedTestProgress.workersActive.fetch_add(1);
    const HANDLE thread =
        CreateThread(nullptr, 0, SpeedTestWorker, AppState.mainWindow, 0, nullptr);
    if (!thread) {
        SpeedTestProgress.workersActive.fetch_sub(1);
        AppState.speedTestRunning.store(0);
        return;
    }
    SpeedTestProgress.workersStarted.fetch_add(1);
    // The thread runs on by itself until the process ends.
    CloseHandle(thread);
}

DWORD WINAPI SpeedTestWorker(LPVOID parameter) {
    // The window comes through the thread start rather than from a field shared with the
    // window thread.
    const DWORD result = RunSpeedTest(static_cast<HWND>(parameter));
    SpeedTestProgress.workersActive.fetch_sub(1);
    return result;
}

bool PrepareSpeedTest(HWND window, SpeedTestWorkerState& state) {
    RECT client{};
    if (!GetClientRect(window, &client)) {
        return false;
    }
    const int32_t width = client.right - client.left + kStripExtraWidth;
    const int32_t height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    void* bits = nullptr;
    const HBITMAP strip = CreateTopDownDib(width, height, &bits);
    state.gradientStrip.Reset(strip);
    if (!strip || !bits) {
        state.gradientStrip.Reset();
        return false;
    }
    FillGradientStrip(static_cast<uint32_t*>(bits), width, height);
    state.stripWidth = width;
    state.stripHeight = height;
    return true;
}

void DrawSpeedTestFrame(HWND window, int32_t count, SpeedTestWorkerState& state) {
    RECT client{};
    GetClientRect(window, &client);
    const ScopedWindowDC windowDC(window);
    const HDC target = windowDC.Get();
    if (!target) {
        return;
    }
    const int32_t width = client.right - client.left;
    const int32_t pictureHeight = client.bottom - client.top - kStatusBandHeight;
    state.meter.pixelTotal +=
        static_cast<double>(PicturePixels(width, client.bottom - client.top, count));

    const std::u16string status =
        FormatSpeedTestStatus(state.meter.last, LookupString(kSpeedUnitStringId));
    const ScopedMemoryDC source(nullptr);
    const ScopedSelect selected(source.Get(), state.gradientStrip.Get());
    const RECT band{client.left, client.top, client.right, client.top + kStatusBandHeight};

    for (int32_t frame = 0; frame < count; ++frame) {
        if (client.top < client.bottom) {
            SetBkColor(target, RGB(0, 0, 0));
            SetTextColor(target, RGB(255, 255, 255));
            // Opaque fills the band first; the text itself is not clipped to it.
            ExtTextOutW(target, 0, 0, ETO_OPAQUE, &band, AsWide(status.c_str()),
                        static_cast<UINT>(status.size()), nullptr);
        }
        if (!TestRunning()) {
            break;
        }
        if (pictureHeight > 0) {
            state.sourceOffset = NextSourceOffset(state.sourceOffset);
            BitBlt(target, client.left, client.top + kStatusBandHeight, width, pictureHeight,
                   source.Get(), state.sourceOffset, 0, SRCCOPY);
            if (!TestRunning()) {
                break;
            }
        }
    }
}
