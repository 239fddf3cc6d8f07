// A touch paint of an empty client area (a minimised window painted while a finger is down) must
// leave later touch pictures as they would have been. Each circle colour is prepared once per
// process, so this program of its own paints every colour for the first time with the client
// area empty.
#include <gtest/gtest.h>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"
#include "touch/TouchPaint.h"
#include "touch/tests/TouchFrameCheck.h"

namespace {

using touchcheck::Canvas;

TEST(TouchEmptyPaint, ColoursFirstDrawnIntoAnEmptyFrameKeepTheirColour) {
    // Not palette colours, so that the window test's contacts cannot have prepared them.
    ContactTable table;
    ResetContacts(table);
    table[0] = {0x00336699, 1, 100, 100};
    table[1] = {0x0000C0FF, 2, 150, 120};
    table[2] = {0x00FF4080, 3, 400, 250};
    Canvas composed(640, 400);
    Canvas reference(640, 400);
    ASSERT_TRUE(composed.Ok() && reference.Ok());
    ComposeContactFrame(composed.Dc(), 0, 0, table);
    ComposeContactFrame(composed.Dc(), 640, 400, table);
    touchcheck::DrawReference(reference.Dc(), 640, 400, table);
    GdiFlush();
    const touchcheck::Difference d = touchcheck::Compare(
        640, 400, [&](int x, int y) { return composed.At(x, y); },
        [&](int x, int y) { return reference.At(x, y); });
    EXPECT_EQ(d.pixels, 0) << "first at " << d.first;
}

TEST(TouchEmptyPaint, MinimisedWindowPaintedWithAFingerDown) {
    AppState.instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass();
    const HWND window = CreateMainWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    wintest::PumpMessages(200);

    // The fingers land while the window is shown; it is minimised before that paint comes.
    POINT a{300, 200};
    POINT b{340, 230};
    ClientToScreen(window, &a);
    ClientToScreen(window, &b);
    ASSERT_EQ(
        faketouch::SendTouch(window, {faketouch::Down(5, a.x, a.y), faketouch::Down(6, b.x, b.y)}),
        1);
    ASSERT_EQ(AppState.touchContacts[1].x, 340);
    ShowWindow(window, SW_MINIMIZE);
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_TRUE(client.right == 0 && client.bottom == 0)
        << "minimised client area " << client.right << " x " << client.bottom;
    // The system may not paint a minimised window by itself; the paint is forced.
    SendMessageW(window, WM_PAINT, 0, 0);
    wintest::PumpMessages(100);

    ShowWindow(window, SW_RESTORE);
    wintest::PumpMessages(100);
    UpdateWindow(window);
    GdiFlush();
    const wintest::Capture capture = wintest::CaptureClient(window);
    ASSERT_GT(capture.width, 0);
    Canvas reference(capture.width, capture.height);
    ASSERT_TRUE(reference.Ok());
    touchcheck::DrawReference(reference.Dc(), capture.width, capture.height,
                              AppState.touchContacts);
    GdiFlush();
    const touchcheck::Difference d = touchcheck::Compare(
        capture.width, capture.height, [&](int x, int y) { return capture.At(x, y); },
        [&](int x, int y) { return reference.At(x, y); });
    EXPECT_EQ(d.pixels, 0) << "first at " << d.first;
    DestroyWindow(window);
}

} // namespace
