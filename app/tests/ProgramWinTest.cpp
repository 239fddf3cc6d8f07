// The built Quillfern.exe as a user starts it: its own process, its own window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/WideText.h"
#include "lang/ArchiveLoad.h"
#include "lang/StringLookup.h"
#include "screens/HelpText.h"
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

// Wine has no digitizer: the program says so in the language it picked from the system's.
TEST_F(ProgramTest, TheMissingTouchScreenBoxShowsTheErrorTexts) {
    wchar_t self[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    const auto block = ExtractArchiveBlock(self);
    ASSERT_TRUE(block.has_value());
    ASSERT_TRUE(LoadArchiveFromBlock(block->data(), block->size()));
    CurrentLanguage = DefaultLanguageIndex(GetUserDefaultLangID());
    const std::wstring caption = AsWide(LookupString(60));
    const std::wstring text = AsWide(BuildTouchErrorText());
    ASSERT_NE(text.find(AsWide(LookupString(62))), std::wstring::npos);

    ChildProcess program;
    const HWND window = Start(program);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(touchBoxCaption, caption);
    EXPECT_EQ(touchBoxText, text);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000).has_value());
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

// The shipped file: no symbol table, no debug sections (start-up reads all of it).
TEST(ProgramFile, CarriesNoSymbolsAndNoDebugSections) {
    const auto image = wintest::ReadFileBytes(wintest::QuillfernExe());
    ASSERT_TRUE(image.has_value());
    ASSERT_GT(image->size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos{};
    memcpy(&dos, image->data(), sizeof(dos));
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    const size_t fileHeaderAt = static_cast<size_t>(dos.e_lfanew) + sizeof(DWORD);
    ASSERT_LT(fileHeaderAt + sizeof(IMAGE_FILE_HEADER), image->size());
    IMAGE_FILE_HEADER header{};
    memcpy(&header, image->data() + fileHeaderAt, sizeof(header));
    EXPECT_EQ(header.PointerToSymbolTable, 0u);
    EXPECT_EQ(header.NumberOfSymbols, 0u);
    const size_t sectionsAt = fileHeaderAt + sizeof(header) + header.SizeOfOptionalHeader;
    ASSERT_LE(sectionsAt + header.NumberOfSections * sizeof(IMAGE_SECTION_HEADER), image->size());
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section{};
        memcpy(&section, image->data() + sectionsAt + i * sizeof(section), sizeof(section));
        const std::string name(reinterpret_cast<const char*>(section.Name),
                               strnlen(reinterpret_cast<const char*>(section.Name), 8));
        SCOPED_TRACE(name);
        // Long names ("/4") live in the symbol table's strings: only debug sections use them.
        EXPECT_NE(name.rfind(".debug", 0), 0u);
        EXPECT_NE(name.rfind("/", 0), 0u);
    }
}

} // namespace
