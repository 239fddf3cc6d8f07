// The built Quillfern.exe as a user starts it: its own process, its own window.
#include <gtest/gtest.h>

#include "tests/support/WinTestSupport.h"

namespace {

using wintest::ChildProcess;

class ProgramTest : public testing::Test {
  protected:
    void SetUp() override {
        exe = wintest::QuillfernExe();
        ASSERT_FALSE(exe.empty()) << "QUILLFERN_EXE is not set";
    }

    // Starts the program and answers the box that says no touch screen was found (Wine has
    // no digitizer). Returns the main window.
    HWND Start(ChildProcess& program) {
        EXPECT_TRUE(program.Start(exe));
        std::wstring text;
        std::wstring caption;
        EXPECT_TRUE(wintest::DismissMessageBox(program.Id(), 15000, &text, &caption));
        touchBoxText = text;
        touchBoxCaption = caption;
        const HWND window = wintest::WaitForWindow(program.Id(), L"Quillfern", 10000);
        EXPECT_NE(window, nullptr);
        wintest::PumpMessages(300);
        return window;
    }

    std::wstring exe;
    std::wstring touchBoxText;
    std::wstring touchBoxCaption;
};

TEST_F(ProgramTest, OpensFullScreenAndCloseEndsWithExitCode0) {
    ChildProcess program;
    const HWND window = Start(program);
    ASSERT_NE(window, nullptr);
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, -GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(rect.top, -GetSystemMetrics(SM_CYBORDER));
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN) + GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN) + GetSystemMetrics(SM_CYBORDER));
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);

    const DWORD start = GetTickCount();
    PostMessageW(window, WM_CLOSE, 0, 0);
    const auto code = program.WaitForExit(10000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_GE(GetTickCount() - start, 90u);
}

TEST_F(ProgramTest, EscEndsWithExitCode0) {
    ChildProcess program;
    const HWND window = Start(program);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    wintest::PumpMessages(200);
    wintest::SendKey(VK_ESCAPE, true);
    const auto code = program.WaitForExit(10000);
    wintest::SendKey(VK_ESCAPE, false);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

TEST_F(ProgramTest, KeyDownWhileLeftAltIsHeldEndsWithExitCode0) {
    ChildProcess program;
    const HWND window = Start(program);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    wintest::PumpMessages(200);
    wintest::SendKey(VK_LMENU, true);
    wintest::PumpMessages(200);
    // With Alt held a keyboard sends WM_SYSKEYDOWN; a plain key-down must still end the program.
    PostMessageW(window, WM_KEYDOWN, 'A', 1);
    const auto code = program.WaitForExit(10000);
    wintest::SendKey(VK_LMENU, false);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

} // namespace
