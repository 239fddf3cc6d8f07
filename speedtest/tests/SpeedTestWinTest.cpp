// The drawing-speed test on the real main window in this process: frames read back from the
// screen, the worker started and stopped through the flag it watches, the keys that reach it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "app/MainWindow.h"
#include "app/WideText.h"
#include "lang/StringLookup.h"
#include "speedtest/SpeedTest.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::Capture;
using wintest::PumpMessages;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kMagenta = 0xFF00FF; // 0x00RRGGBB, never a colour of the picture

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

// Waits, pumping this thread's messages, until the condition holds or the time is up.
template <typename Condition> bool WaitUntil(Condition condition, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= milliseconds) {
            return false;
        }
        PumpMessages(5);
    }
    return true;
}

// The status band as the same GDI text output draws it on a black band of this width.
std::vector<uint32_t> ReferenceBand(int width, const std::wstring& text) {
    void* bits = nullptr;
    const HBITMAP dib = CreateTopDownDib(width, kStatusBandHeight, &bits);
    const ScopedGdiObject<HBITMAP> owned(dib);
    EXPECT_NE(dib, nullptr);
    std::vector<uint32_t> pixels;
    if (!dib) {
        return pixels;
    }
    const ScopedMemoryDC memory(nullptr);
    const HDC dc = memory.Get();
    const ScopedSelect selected(dc, dib);
    const RECT band{0, 0, width, kStatusBandHeight};
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * kStatusBandHeight; ++i) {
        pixels.push_back(first[i] & 0xFFFFFF);
    }
    return pixels;
}

int TextWidth(const std::wstring& text) {
    const ScopedMemoryDC dc(nullptr);
    SIZE extent{};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return extent.cx;
}

// Rows 0-15: black with the white status text, exactly as the text output draws it.
void ExpectStatusBand(const Capture& capture, const std::wstring& text) {
    ASSERT_GE(capture.height, kStatusBandHeight);
    const std::vector<uint32_t> reference = ReferenceBand(capture.width, text);
    ASSERT_EQ(reference.size(), static_cast<size_t>(capture.width) * kStatusBandHeight);
    const int textEnd = TextWidth(text);
    int mismatches = 0;
    int white = 0;
    for (int y = 0; y < kStatusBandHeight; ++y) {
        for (int x = 0; x < capture.width; ++x) {
            const uint32_t pixel = capture.At(x, y) & 0xFFFFFF;
            const uint32_t expected = reference[static_cast<size_t>(y) * capture.width + x];
            white += pixel == kWhite;
            const bool grey =
                (pixel & 0xFF) == ((pixel >> 8) & 0xFF) && (pixel & 0xFF) == ((pixel >> 16) & 0xFF);
            const bool outsideText = x >= textEnd;
            if ((pixel != expected || !grey || (outsideText && pixel != kBlack)) &&
                ++mismatches <= 5) {
                ADD_FAILURE() << "status band at (" << x << ", " << y << "): " << std::hex << pixel
                              << " expected " << expected;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(white, 20) << "no text in the status band";
    EXPECT_GT(textEnd, 50);
}

// Rows 16 to H - 1 show strip rows 0 to H - 17 from the source offset on, where the strip
// reaches (it keeps the size it was made with).
void ExpectPicture(const Capture& capture, int32_t sourceOffset, SIZE strip) {
    ASSERT_GE(sourceOffset, 1);
    ASSERT_LE(sourceOffset, 256);
    int mismatches = 0;
    int compared = 0;
    for (int y = kStatusBandHeight; y < capture.height; ++y) {
        const int row = y - kStatusBandHeight;
        if (row >= strip.cy) {
            break;
        }
        for (int x = 0; x < capture.width && x + sourceOffset < strip.cx; ++x) {
            const uint32_t pixel = capture.At(x, y) & 0xFFFFFF;
            const uint32_t expected = GradientPixel(row, x + sourceOffset);
            ++compared;
            if (pixel != expected && ++mismatches <= 5) {
                ADD_FAILURE() << "picture at (" << x << ", " << y << ") for offset " << sourceOffset
                              << ": " << std::hex << pixel << " expected " << expected;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(compared, 0);
}

std::wstring StatusText(int32_t megabytesPerSecond, int32_t framesPerSecond) {
    return ToWide(FormatSpeedTestStatus(
        SpeedRates{static_cast<double>(megabytesPerSecond), static_cast<double>(framesPerSecond)},
        LookupString(kSpeedUnitStringId)));
}

// Paints the whole client area in a colour no frame contains, so whatever a frame leaves
// undrawn shows.
void FillMagenta(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const ScopedWindowDC dc(window);
    const HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    const ScopedGdiObject<HBRUSH> owned(magenta);
    FillRect(dc.Get(), &client, magenta);
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A bare popup window with a client area of exactly this size.
HWND MakePlainWindow(int width, int height) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"SpeedTestPlain";
    RegisterClassW(&windowClass);
    const HWND window =
        CreateWindowExW(0, L"SpeedTestPlain", L"", WS_POPUP | WS_VISIBLE, 10, 10, width, height,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpMessages(100);
    return window;
}

class SpeedTestTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        AppState.instance = GetModuleHandleW(nullptr);
        RegisterMainWindowClass();
        window = CreateMainWindow();
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        PumpMessages(200);
    }

    static void TearDownTestSuite() { StopWorker(); }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(AppState.speedTestRunning.load(), 0);
        ASSERT_EQ(SpeedTestProgress.workersActive.load(), 0);
        SetForegroundWindow(window);
        SetFocus(window);
        PumpMessages(50);
    }

    void TearDown() override {
        EXPECT_TRUE(StopWorker());
        if (IsIconic(window)) {
            ShowWindow(window, SW_RESTORE);
            PumpMessages(200);
        }
    }

    // Clears the flag the worker watches and waits until it has cleaned up.
    static bool StopWorker() {
        AppState.speedTestRunning.store(0);
        return WaitUntil([] { return SpeedTestProgress.workersActive.load() == 0; }, 5000);
    }

    static bool WaitForFrames(uint32_t frames) {
        const uint32_t until = SpeedTestProgress.framesCounted.load() + frames;
        return WaitUntil([until] { return SpeedTestProgress.framesCounted.load() >= until; },
                         30000);
    }

    static void PressAndRelease(WORD virtualKey) {
        wintest::SendKey(virtualKey, true);
        PumpMessages(100);
        wintest::SendKey(virtualKey, false);
        PumpMessages(100);
    }

    static bool FullScreen() { return (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == 0; }

    static HWND window;
};

HWND SpeedTestTest::window = nullptr;

TEST_F(SpeedTestTest, FramesShowTheStatusBandAndThePictureFromTheSourceOffset) {
    // Frames drawn one by one on this thread, as the worker draws them.
    AppState.speedTestRunning.store(1);
    SpeedTestWorkerState state;
    ASSERT_TRUE(PrepareSpeedTest(window, state));
    const SIZE client = ClientSize(window);
    ASSERT_GT(client.cy, 100);
    EXPECT_EQ(state.stripWidth, client.cx + 256);
    EXPECT_EQ(state.stripHeight, client.cy);
    const double framePixels = static_cast<double>(client.cx) * (client.cy - 16);
    FillMagenta(window);

    struct Step {
        int32_t frames;  // drawn in total
        int32_t offset;  // the source offset of the last frame
        int32_t perCall; // frames per DrawSpeedTestFrame call on the way there
    };
    const Step steps[] = {{1, 1, 1},   {2, 2, 1},    {255, 255, 1}, {256, 256, 1},
                          {257, 1, 1}, {300, 44, 1}, {303, 47, 3},  {512, 256, 1}};
    int32_t drawn = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.frames);
        while (drawn < step.frames) {
            const int32_t count = std::min(step.perCall, step.frames - drawn);
            DrawSpeedTestFrame(window, count, state);
            drawn += count;
        }
        EXPECT_EQ(state.sourceOffset, step.offset);
        EXPECT_DOUBLE_EQ(state.meter.pixelTotal, framePixels * drawn);
        const Capture capture = wintest::CaptureClient(window);
        ASSERT_EQ(capture.width, client.cx);
        ASSERT_EQ(capture.height, client.cy);
        // No measurement yet: both numbers are 0 and the unit without a text reads "s".
        ExpectStatusBand(capture, L" 0 MB/s (0 FPS) BitBlt");
        ExpectPicture(capture, step.offset, SIZE{state.stripWidth, state.stripHeight});
    }

    // With a measurement taken the next frame shows it.
    state.meter.last = SpeedRates{171.875, 50.5};
    DrawSpeedTestFrame(window, 1, state);
    const Capture capture = wintest::CaptureClient(window);
    ExpectStatusBand(capture, L" 171 MB/s (50 FPS) BitBlt");
    ExpectPicture(capture, 1, SIZE{state.stripWidth, state.stripHeight});
}

TEST_F(SpeedTestTest, AClientLowerThanTheStatusBandAddsNoPixels) {
    const HWND low = MakePlainWindow(300, 10);
    ASSERT_NE(low, nullptr);
    ASSERT_EQ(ClientSize(low).cy, 10);
    FillMagenta(low);
    AppState.speedTestRunning.store(1);
    SpeedTestWorkerState state;
    ASSERT_TRUE(PrepareSpeedTest(low, state));
    for (int frame = 0; frame < 5; ++frame) {
        DrawSpeedTestFrame(low, 1, state);
    }
    EXPECT_EQ(state.meter.pixelTotal, 0.0);
    EXPECT_EQ(state.sourceOffset, 0); // no picture band was copied
    // The status band alone: black with white text in the rows there are.
    const Capture capture = wintest::CaptureClient(low);
    ASSERT_EQ(capture.height, 10);
    const std::vector<uint32_t> reference = ReferenceBand(300, L" 0 MB/s (0 FPS) BitBlt");
    int mismatches = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 300; ++x) {
            mismatches +=
                (capture.At(x, y) & 0xFFFFFF) != reference[static_cast<size_t>(y) * 300 + x];
        }
    }
    EXPECT_EQ(mismatches, 0);
    DestroyWindow(low);
}

TEST_F(SpeedTestTest, F2StartsOneWorkerThatDrawsAndMeasuresUntilStopped) {
    ASSERT_TRUE(FullScreen());
    const SIZE client = ClientSize(window);
    const uint32_t startedBefore = SpeedTestProgress.workersStarted.load();
    const uint32_t framesBefore = SpeedTestProgress.framesCounted.load();
    AppState.screenIndex = -3;
    PressAndRelease(VK_F2);
    EXPECT_EQ(AppState.speedTestRunning.load(), 1);
    EXPECT_EQ(AppState.screenIndex, -1);
    EXPECT_EQ(SpeedTestProgress.workersStarted.load(), startedBefore + 1);
    ASSERT_TRUE(WaitForFrames(60)); // past the first measurement

    // F2 again while it runs: no second worker, the screen index stays.
    AppState.screenIndex = -3;
    PressAndRelease(VK_F2);
    EXPECT_EQ(SendMessageW(window, WM_KEYUP, VK_F2, 0xC0000001), 1);
    EXPECT_EQ(SpeedTestProgress.workersStarted.load(), startedBefore + 1);
    EXPECT_EQ(SpeedTestProgress.workersActive.load(), 1);
    EXPECT_EQ(AppState.screenIndex, -3);

    ASSERT_TRUE(WaitForFrames(250)); // the offset has wrapped at least once
    ASSERT_TRUE(StopWorker());
    EXPECT_GT(SpeedTestProgress.framesCounted.load() - framesBefore, 310u);

    const int32_t megabytes = SpeedTestProgress.megabytesPerSecond.load();
    const int32_t frames = SpeedTestProgress.framesPerSecond.load();
    EXPECT_GT(frames, 0);
    // Both rates come from the same frames: MB/s = FPS x picture bytes per frame / 2^20,
    // apart from the truncation of each.
    const double frameMegabytes = client.cx * (client.cy - 16.0) * 4.0 / (1024.0 * 1024.0);
    EXPECT_GE(megabytes, frames * frameMegabytes - 1.0);
    EXPECT_LE(megabytes, (frames + 1) * frameMegabytes);

    const Capture capture = wintest::CaptureClient(window);
    ASSERT_EQ(capture.height, client.cy);
    ExpectStatusBand(capture, StatusText(megabytes, frames));
    ExpectPicture(capture, SpeedTestProgress.sourceOffset.load(), SIZE{client.cx + 256, client.cy});
}

TEST_F(SpeedTestTest, F11DuringTheTestDrawsTheNewClientSize) {
    ASSERT_TRUE(FullScreen());
    const SIZE fullClient = ClientSize(window);
    PressAndRelease(VK_F11);
    ASSERT_FALSE(FullScreen());
    const SIZE normalClient = ClientSize(window);
    ASSERT_LT(normalClient.cx, fullClient.cx);
    ASSERT_LT(normalClient.cy, fullClient.cy);

    // Started in the normal frame: the strip is made for the smaller client.
    PressAndRelease(VK_F2);
    ASSERT_EQ(AppState.speedTestRunning.load(), 1);
    ASSERT_TRUE(WaitForFrames(20));
    PressAndRelease(VK_F11);
    ASSERT_TRUE(FullScreen());
    ASSERT_TRUE(WaitForFrames(20));
    ASSERT_TRUE(StopWorker());
    {
        SCOPED_TRACE("full screen, strip of the normal frame");
        const Capture capture = wintest::CaptureClient(window);
        ASSERT_EQ(capture.width, fullClient.cx);
        ASSERT_EQ(capture.height, fullClient.cy);
        // The band spans the new width; the picture covers what the strip reaches.
        ExpectStatusBand(capture, StatusText(SpeedTestProgress.megabytesPerSecond.load(),
                                             SpeedTestProgress.framesPerSecond.load()));
        ExpectPicture(capture, SpeedTestProgress.sourceOffset.load(),
                      SIZE{normalClient.cx + 256, normalClient.cy});
    }

    // Started in full screen, then the smaller frame: every frame fits the new client.
    PressAndRelease(VK_F2);
    ASSERT_EQ(AppState.speedTestRunning.load(), 1);
    ASSERT_TRUE(WaitForFrames(20));
    PressAndRelease(VK_F11);
    ASSERT_FALSE(FullScreen());
    ASSERT_TRUE(WaitForFrames(20));
    ASSERT_TRUE(StopWorker());
    {
        SCOPED_TRACE("normal frame, strip of full screen");
        const Capture capture = wintest::CaptureClient(window);
        ASSERT_EQ(capture.width, normalClient.cx);
        ASSERT_EQ(capture.height, normalClient.cy);
        ExpectStatusBand(capture, StatusText(SpeedTestProgress.megabytesPerSecond.load(),
                                             SpeedTestProgress.framesPerSecond.load()));
        ExpectPicture(capture, SpeedTestProgress.sourceOffset.load(),
                      SIZE{fullClient.cx + 256, fullClient.cy});
    }
    PressAndRelease(VK_F11);
    EXPECT_TRUE(FullScreen());
}

TEST_F(SpeedTestTest, PaintDecisionPaintsNothingWhileTheTestRunsAndNoFingerIsDown) {
    const SIZE client = ClientSize(window);
    const auto fillMagenta = [] { FillMagenta(window); };
    const auto countMagenta = [&] {
        const Capture capture = wintest::CaptureClient(window);
        int count = 0;
        for (uint32_t pixel : capture.pixels) {
            count += (pixel & 0xFFFFFF) == kMagenta;
        }
        return count;
    };
    const int all = client.cx * client.cy;

    // The flag without a worker: whatever the window shows must stay.
    AppState.speedTestRunning.store(1);
    fillMagenta();
    ASSERT_EQ(countMagenta(), all);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "paint message not answered";
    EXPECT_EQ(SendMessageW(window, WM_PAINT, 0, 0), 1);
    EXPECT_EQ(countMagenta(), all);

    // A finger down wins: the touch picture is painted over the test.
    POINT centre{client.cx / 2, client.cy / 2};
    ClientToScreen(window, &centre);
    faketouch::SendTouch(window, {faketouch::Down(7, centre.x, centre.y)});
    UpdateWindow(window);
    EXPECT_EQ(countMagenta(), 0);

    // The finger lifts: nothing is painted again.
    faketouch::SendTouch(window, {faketouch::Up(7, centre.x, centre.y)});
    fillMagenta();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(countMagenta(), all);

    // The same repaint with the test off paints the start screen over it.
    AppState.speedTestRunning.store(0);
    fillMagenta();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_LT(countMagenta(), all / 2);
}

TEST_F(SpeedTestTest, APictureThatCannotBeMadeEndsTheWorkerWithoutDrawing) {
    // A minimised window has no client area to make the picture from.
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages(200);
    const SIZE client = ClientSize(window);
    ASSERT_TRUE(client.cx == 0 || client.cy == 0) << client.cx << "x" << client.cy;
    const uint32_t startedBefore = SpeedTestProgress.workersStarted.load();
    const uint32_t framesBefore = SpeedTestProgress.framesCounted.load();
    StartSpeedTest();
    EXPECT_EQ(SpeedTestProgress.workersStarted.load(), startedBefore + 1);
    ASSERT_TRUE(WaitUntil([] { return SpeedTestProgress.workersActive.load() == 0; }, 5000));
    // The flag goes back to 0, so the paint handler and F2 work as before.
    EXPECT_EQ(AppState.speedTestRunning.load(), 0);
    EXPECT_EQ(SpeedTestProgress.framesCounted.load(), framesBefore);
    ShowWindow(window, SW_RESTORE);
    PumpMessages(200);
    ASSERT_TRUE(FullScreen());

    // Once restored, F2 starts a test that draws.
    PressAndRelease(VK_F2);
    ASSERT_TRUE(WaitForFrames(5));
}

} // namespace
