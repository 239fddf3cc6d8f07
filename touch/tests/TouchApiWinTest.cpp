// The real run-time binding of the touch functions. Wine has no digitizer: its user32 exports
// the functions, but registration fails, so these checks run under Wine only.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "lang/StringLookup.h"
#include "tests/support/WinTestSupport.h"
#include "touch/TouchApi.h"

namespace {

using wintest::PumpMessages;

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

class TouchApiTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!RunningUnderWine()) {
            GTEST_SKIP() << "a real system may have a touch screen";
        }
    }
};

TEST_F(TouchApiTest, EachBindingCallsTheSystemFunctionAndPassesItsFailureOn) {
    const HWND window = CreateWindowExW(0, L"Static", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    TOUCHINPUT inputs[2] = {};
    const auto handle = reinterpret_cast<HTOUCHINPUT>(static_cast<UINT_PTR>(0x1234));
    // Twice each: the second call runs with the cached module handle.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        // Wine's functions fail with ERROR_CALL_NOT_IMPLEMENTED; a binding that gave up before
        // calling them would leave the marker error in place.
        SetLastError(ERROR_INVALID_DATA);
        EXPECT_EQ(TouchApiRegisterWindow(window, 0), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
        SetLastError(ERROR_INVALID_DATA);
        EXPECT_EQ(TouchApiGetInputInfo(handle, 2, inputs, sizeof(TOUCHINPUT)), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
        SetLastError(ERROR_INVALID_DATA);
        EXPECT_EQ(TouchApiCloseInputHandle(handle), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    }
    DestroyWindow(window);
}

// The main window registers for touch while it is created; the failure shows a box, and once
// that is answered the window works without touch.
// A translation file without the box's texts: caption and body each show their own id.
TEST_F(TouchApiTest, MainWindowGoesOnWhenRegistrationFails) {
    bool boxShown = false;
    std::wstring text;
    std::wstring caption;
    FileStringsActive = true;
    std::thread answer([&] {
        boxShown = wintest::DismissMessageBox(GetCurrentProcessId(), 15000, &text, &caption);
    });
    AppState.instance = GetModuleHandleW(nullptr);
    RegisterMainWindowClass();
    const HWND window = CreateMainWindow();
    answer.join();
    FileStringsActive = false;
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(boxShown) << "no box about the missing touch screen";
    EXPECT_EQ(caption, L"str:60?");
    EXPECT_EQ(text, L"\n\n1. str:61?\n\n2. str:62?\n\n3. str:63?\n\n");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    PumpMessages(200);
    SetForegroundWindow(window);
    SetFocus(window);

    // Keys still work.
    wintest::SendKey(VK_BACK, true);
    PumpMessages(100);
    wintest::SendKey(VK_BACK, false);
    PumpMessages(100);
    EXPECT_EQ(AppState.screenIndex, -2);
    wintest::SendKey(VK_F1, true);
    PumpMessages(100);
    wintest::SendKey(VK_F1, false);
    PumpMessages(100);
    EXPECT_EQ(AppState.screenIndex, -1);

    // A touch message whose inputs can't be read changes nothing but still asks for a paint.
    ValidateRect(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_TOUCH, 1, 0x1234), 1);
    EXPECT_FALSE(AnyContactActive(AppState.touchContacts));
    RECT update{};
    EXPECT_NE(GetUpdateRect(window, &update, FALSE), 0);
    UpdateWindow(window);
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
    PumpMessages(50);
}

} // namespace
