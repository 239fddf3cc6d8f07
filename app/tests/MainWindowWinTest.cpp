// The real main window in this process, with the substitute touch source linked in.
#include <gtest/gtest.h>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::PumpMessages;

class MainWindowTest : public testing::Test {
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

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        SetForegroundWindow(window);
        SetFocus(window);
        DrainQuit();
    }

    // True when a quit message was posted to this thread's queue.
    static bool DrainQuit() {
        bool quit = false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return quit;
    }

    static bool QuitWithin(DWORD milliseconds) {
        const DWORD start = GetTickCount();
        do {
            if (DrainQuit()) {
                return true;
            }
            Sleep(10);
        } while (GetTickCount() - start < milliseconds);
        return false;
    }

    static RECT WindowRect() {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }

    static void ExpectFullScreen() {
        const int cx = GetSystemMetrics(SM_CXSCREEN);
        const int cy = GetSystemMetrics(SM_CYSCREEN);
        const int bx = GetSystemMetrics(SM_CXBORDER);
        const int by = GetSystemMetrics(SM_CYBORDER);
        const RECT rect = WindowRect();
        EXPECT_EQ(rect.left, -bx);
        EXPECT_EQ(rect.top, -by);
        EXPECT_EQ(rect.right, cx + bx);
        EXPECT_EQ(rect.bottom, cy + by);
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        EXPECT_EQ(style & WS_CAPTION, 0);
        EXPECT_EQ(style & WS_THICKFRAME, 0);
        EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    }

    static void ExpectNormalFrame() {
        const RECT rect = WindowRect();
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.right - rect.left, 800);
        EXPECT_EQ(rect.bottom - rect.top, 600);
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
        EXPECT_EQ(style & WS_THICKFRAME, WS_THICKFRAME);
        EXPECT_EQ(wintest::WindowText(window), L"Quillfern");
    }

    // Through the window procedure with the key really held, as a keyboard delivers it.
    static void PressAndRelease(WORD virtualKey) {
        wintest::SendKey(virtualKey, true);
        PumpMessages(100);
        wintest::SendKey(virtualKey, false);
        PumpMessages(100);
    }

    static void PressF11() { PressAndRelease(VK_F11); }

    static HWND window;
};

HWND MainWindowTest::window = nullptr;

TEST_F(MainWindowTest, StartsFullScreenWithoutFrame) {
    ExpectFullScreen();
    EXPECT_EQ(AppState.mainWindow, window);
    EXPECT_EQ(AppState.screenIndex, -1);
    EXPECT_GE(faketouch::Calls().registerCalls, 1);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"Quillfern");
}

TEST_F(MainWindowTest, F11TogglesBetweenFullScreenAndTheNormalFrame) {
    PressF11();
    ExpectNormalFrame();
    PressF11();
    ExpectFullScreen();
}

TEST_F(MainWindowTest, F11AfterResizingTheFrameStillGivesFullScreenThen800x600) {
    PressF11();
    ExpectNormalFrame();
    SetWindowPos(window, nullptr, 50, 60, 1000, 500, SWP_NOZORDER);
    PumpMessages(50);
    PressF11();
    ExpectFullScreen();
    PressF11();
    ExpectNormalFrame();
    PressF11();
    ExpectFullScreen();
}

// The start screen's layout follows the client size, so a new size must repaint all of it.
TEST_F(MainWindowTest, SizeMessageInvalidatesTheWholeClientArea) {
    UpdateWindow(window);
    ValidateRect(window, nullptr);
    RECT pending{};
    ASSERT_FALSE(GetUpdateRect(window, &pending, FALSE));
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom)),
              0);
    ASSERT_TRUE(GetUpdateRect(window, &pending, FALSE));
    EXPECT_TRUE(EqualRect(&pending, &client));
    UpdateWindow(window);
}

TEST_F(MainWindowTest, EscPostsQuitOnceAndRepeatsDoNothing) {
    wintest::SendKey(VK_ESCAPE, true);
    EXPECT_TRUE(QuitWithin(500));
    // A repeat of the held key (bit 30 set) runs nothing.
    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0x40000001), 0);
    EXPECT_FALSE(QuitWithin(100));
    wintest::SendKey(VK_ESCAPE, false);
    PumpMessages(50);
}

TEST_F(MainWindowTest, KeyAlreadyReleasedDoesNothing) {
    // The commands read the keys held at that moment, not wParam.
    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1), 0);
    EXPECT_FALSE(QuitWithin(100));
}

TEST_F(MainWindowTest, KeyDownWhileLeftAltIsDownQuitsEvenOnRepeat) {
    wintest::SendKey(VK_LMENU, true);
    PumpMessages(100);
    DrainQuit();
    ASSERT_NE(GetKeyState(VK_LMENU) & 0x8000, 0);
    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, 'A', 0x40000001), 1);
    EXPECT_TRUE(QuitWithin(200));
    wintest::SendKey(VK_LMENU, false);
    PumpMessages(100);
    DrainQuit();
}

TEST_F(MainWindowTest, BackspaceAndF1MoveTheScreenIndex) {
    PressAndRelease(VK_BACK);
    EXPECT_EQ(AppState.screenIndex, -2);
    PressAndRelease(VK_BACK);
    EXPECT_EQ(AppState.screenIndex, -3);
    PressAndRelease(VK_F1);
    EXPECT_EQ(AppState.screenIndex, -1);
}

TEST_F(MainWindowTest, AKeyReleasedBeforeItsMessageIsHandledDoesNothing) {
    // Down and up are queued before the window sees the key-down: the key is no longer held.
    wintest::TapKey(VK_BACK);
    PumpMessages(100);
    EXPECT_EQ(AppState.screenIndex, -1);
}

TEST_F(MainWindowTest, MessageResults) {
    EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, 0, 0), -1);
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, 1, 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_CONTEXTMENU, 0, 0), 0);
    // Alt+F4 arrives as WM_CLOSE: quit about 100 ms later, and the window stays.
    const DWORD start = GetTickCount();
    EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
    EXPECT_GE(GetTickCount() - start, 90u);
    EXPECT_TRUE(QuitWithin(100));
    EXPECT_TRUE(IsWindow(window));
}

} // namespace
