// The language menu and the translation tools with the real main window in this process: keys
// through the system's input queue, the popup menu and the boxes answered from a second thread,
// real files in the temporary folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "app/MainWindow.h"
#include "app/WideText.h"
#include "lang/LanguageArchive.h"
#include "lang/LanguageMenu.h"
#include "lang/StringLookup.h"
#include "lang/TranslationTools.h"
#include "screens/StartScreen.h"
#include "settings/SettingsFile.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::PumpMessages;

std::string LittleEndianBytes(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// What the helper thread saw of a popup menu.
struct MenuSnapshot {
    int count = -1;
    std::vector<UINT> ids;
    std::vector<UINT> states;
    std::vector<std::wstring> labels;
};

HWND FindPopupMenu(DWORD milliseconds) {
    return wintest::WaitForWindow(GetCurrentProcessId(), L"#32768", milliseconds);
}

MenuSnapshot Snapshot(HMENU menu) {
    MenuSnapshot snapshot;
    snapshot.count = GetMenuItemCount(menu);
    for (int i = 0; i < snapshot.count; ++i) {
        snapshot.ids.push_back(GetMenuItemID(menu, i));
        snapshot.states.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION));
        wchar_t label[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), label, 256, MF_BYPOSITION);
        snapshot.labels.push_back(label);
    }
    return snapshot;
}

// Moves the highlight down to the item at position and presses Enter; false when the
// highlight never got there.
bool ChooseByKeys(HMENU menu, int position) {
    for (int step = 0; step < 80; ++step) {
        wintest::SendKey(VK_DOWN, true);
        wintest::SendKey(VK_DOWN, false);
        Sleep(60);
        if (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_HILITE) {
            wintest::SendKey(VK_RETURN, true);
            wintest::SendKey(VK_RETURN, false);
            return true;
        }
    }
    return false;
}

// Runs work on a second thread while this one pumps messages (and sits in modal loops).
class Helper {
  public:
    explicit Helper(std::function<void()> work)
        : thread_([this, work] {
              work();
              done_ = true;
          }) {}
    ~Helper() { Join(); }
    void Join() {
        if (thread_.joinable()) {
            while (!done_) {
                PumpMessages(20);
            }
            thread_.join();
        }
    }

  private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

struct BoxSeen {
    bool shown = false;
    std::wstring text;
    std::wstring caption;
};

// Points the open command of the txtfile class at this test program, which records the
// arguments it is started with; the old command comes back afterwards.
class TextFileOpener {
  public:
    explicit TextFileOpener(const std::wstring& log) {
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        wchar_t old[2048] = {};
        DWORD size = sizeof(old) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key_, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
            ERROR_SUCCESS) {
            old_ = std::wstring(old);
            oldType_ = type;
        }
        wchar_t self[MAX_PATH * 2] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
        const std::wstring command =
            L"\"" + std::wstring(self) + L"\" --record-arguments \"" + log + L"\" \"%1\"";
        ok_ = RegSetValueExW(
                  key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ~TextFileOpener() {
        if (!key_) {
            return;
        }
        if (old_) {
            RegSetValueExW(key_, nullptr, 0, oldType_, reinterpret_cast<const BYTE*>(old_->c_str()),
                           static_cast<DWORD>((old_->size() + 1) * sizeof(wchar_t)));
        } else {
            RegDeleteValueW(key_, nullptr);
        }
        RegCloseKey(key_);
    }
    TextFileOpener(const TextFileOpener&) = delete;
    TextFileOpener& operator=(const TextFileOpener&) = delete;
    bool Ready() const { return ok_; }

  private:
    HKEY key_ = nullptr;
    std::optional<std::wstring> old_;
    DWORD oldType_ = REG_SZ;
    bool ok_ = false;
};

class LanguageMenuTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        const auto archive = wintest::ReadFileBytes(wintest::ToWindowsPath(QUILLFERN_ARCHIVE_TEXT));
        ASSERT_TRUE(archive.has_value());
        std::u16string text;
        for (size_t i = 0; i + 1 < archive->size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<uint8_t>((*archive)[i]) |
                                                 static_cast<uint8_t>((*archive)[i + 1]) << 8));
        }
        LoadArchiveFromText(text);
        ASSERT_EQ(LanguageCount, 39);

        // A temporary folder of this run alone: the template goes there.
        folder = wintest::MakeTempFolder(L"langmenu");
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
        SettingsPath = folder + L"\\Quillfern.ini";
        // Every template opened goes to the recorder, so no editor stays open after the run.
        opener = std::make_unique<TextFileOpener>(OpenedLog());
        ASSERT_TRUE(opener->Ready());

        AppState.instance = GetModuleHandleW(nullptr);
        RegisterMainWindowClass();
        window = CreateMainWindow();
        ASSERT_NE(window, nullptr);
        // Registered through the substitute touch source: no error box stands in the way.
        ASSERT_GE(faketouch::Calls().registerCalls, 1);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        PumpMessages(200);
    }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        CurrentLanguage.store(kReferenceLanguage);
        FileStringsActive.store(false);
        for (auto& entry : FileStrings) {
            entry.store(nullptr);
        }
        DeleteFileW(SettingsPath.c_str());
        DeleteFileW(OpenedLog().c_str());
        SetForegroundWindow(window);
        SetFocus(window);
        PumpMessages(50);
    }

    static void TearDownTestSuite() { opener.reset(); }

    static std::wstring TemplatePath() { return folder + L"\\translate_Quillfern.txt"; }
    static std::wstring OpenedLog() { return folder + L"\\opened.log"; }

    // The recorder started for an opened template has run and ended, so it takes no focus
    // from the next test.
    static void WaitForTemplateOpened() {
        for (int i = 0; i < 200 && !wintest::FileExists(OpenedLog()); ++i) {
            PumpMessages(50);
        }
        EXPECT_TRUE(wintest::FileExists(OpenedLog())) << "the template was not opened";
        PumpMessages(300);
        DeleteFileW(OpenedLog().c_str());
    }

    static void PressAndRelease(WORD virtualKey) {
        wintest::SendKey(virtualKey, true);
        PumpMessages(100);
        wintest::SendKey(virtualKey, false);
        PumpMessages(100);
    }

    // The start screen as the window would paint it now, drawn into a memory bitmap.
    static std::vector<uint32_t> RenderStartScreen() {
        RECT client{};
        GetClientRect(window, &client);
        void* bits = nullptr;
        ScopedGdiObject<HBITMAP> bitmap(CreateTopDownDib(client.right, client.bottom, &bits));
        ScopedWindowDC windowDC(window);
        ScopedMemoryDC memoryDC(windowDC.Get());
        {
            ScopedSelect selected(memoryDC.Get(), bitmap.Get());
            DrawStartScreen(memoryDC.Get(), client);
            GdiFlush();
        }
        const auto* pixels = static_cast<const uint32_t*>(bits);
        std::vector<uint32_t> result(pixels,
                                     pixels + static_cast<size_t>(client.right) * client.bottom);
        for (uint32_t& pixel : result) {
            pixel &= 0x00FFFFFF;
        }
        return result;
    }

    // Covers the client area with black and leaves nothing to repaint, so that only a repaint
    // asked for afterwards brings the start screen back.
    static void PaintBlack() {
        RECT client{};
        GetClientRect(window, &client);
        {
            ScopedWindowDC dc(window);
            FillRect(dc.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        ValidateRect(window, nullptr);
    }

    static size_t CountDifferent(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        size_t different = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
            different += a[i] != b[i];
        }
        return different;
    }

    // Answers the next message box of this process from the helper thread.
    static std::function<void()> AnswerBox(BoxSeen& seen) {
        return [&seen] {
            seen.shown =
                wintest::DismissMessageBox(GetCurrentProcessId(), 10000, &seen.text, &seen.caption);
        };
    }

    static std::wstring folder;
    static HWND window;
    static std::unique_ptr<TextFileOpener> opener;
};

std::wstring LanguageMenuTest::folder;
HWND LanguageMenuTest::window = nullptr;
std::unique_ptr<TextFileOpener> LanguageMenuTest::opener;

TEST_F(LanguageMenuTest, TKeyWritesTheTemplateAsUtf16WithItsMark) {
    DeleteFileW(TemplatePath().c_str());
    PressAndRelease('T');
    WaitForTemplateOpened();
    const auto bytes = wintest::ReadFileBytes(TemplatePath());
    ASSERT_TRUE(bytes.has_value()) << "no template in the temporary folder";
    EXPECT_EQ(*bytes, LittleEndianBytes(BuildTranslationTemplate()));
    const std::string head =
        LittleEndianBytes(u"!!!! Please don't forget !!!! Write in e-mail "
                          u"subject: Strings for: Quillfern 2.82 LNG:xxxx\r\n");
    ASSERT_GT(bytes->size(), 2 + head.size());
    EXPECT_EQ(bytes->substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes->substr(2, head.size()), head);
    const std::string tail = LittleEndianBytes(u"92=" + std::u16string(LanguageStrings[1][92]));
    EXPECT_NE(bytes->find(tail), std::string::npos);
}

TEST_F(LanguageMenuTest, OldTemplateHeldOpenIsOverwrittenAndCutWhereTheNewTextEnds) {
    const std::string old(400000, 'Z');
    ASSERT_TRUE(wintest::WriteFileBytes(TemplatePath(), old));
    // Open elsewhere without delete sharing: the template can't be deleted first.
    const HANDLE held =
        CreateFileW(TemplatePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileW(TemplatePath().c_str()));

    ExportTranslationTemplate();
    WaitForTemplateOpened();
    const auto bytes = wintest::ReadFileBytes(TemplatePath());
    CloseHandle(held);
    ASSERT_TRUE(bytes.has_value());
    const std::string expected = LittleEndianBytes(BuildTranslationTemplate());
    ASSERT_LT(expected.size(), old.size());
    EXPECT_EQ(bytes->size(), expected.size());
    EXPECT_EQ(*bytes, expected);
}

TEST_F(LanguageMenuTest, LOpensThePopupMenuWithEveryNamedLanguage) {
    MenuSnapshot seen;
    bool found = false;
    {
        Helper helper([&] {
            const HWND popup = FindPopupMenu(10000);
            found = popup != nullptr;
            if (!popup) {
                return;
            }
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            seen = Snapshot(menu);
            wintest::SendKey(VK_ESCAPE, true);
            wintest::SendKey(VK_ESCAPE, false);
        });
        // Away from the start screen first: L must bring it back.
        AppState.screenIndex = -3;
        PressAndRelease('L');
        helper.Join();
    }
    PumpMessages(100);
    ASSERT_TRUE(found) << "no popup menu";
    EXPECT_EQ(FindPopupMenu(0), nullptr) << "the menu stayed open";
    // 38 languages, separator, Translate, Load from File, separator.
    ASSERT_EQ(seen.count, 42);
    for (int k = 0; k < 38; ++k) {
        EXPECT_EQ(seen.ids[k], static_cast<UINT>(10 + k)) << k;
        EXPECT_EQ(seen.labels[k], ToWide(std::u16string(LanguageNames[k]) + u" / 100 %")) << k;
        const bool greyed =
            (seen.states[k] & (MF_GRAYED | MF_DISABLED)) == (MF_GRAYED | MF_DISABLED);
        EXPECT_EQ(greyed, k == 1) << k;
    }
    EXPECT_NE(seen.states[38] & MF_SEPARATOR, 0u);
    EXPECT_EQ(seen.ids[39], 1000u);
    EXPECT_EQ(seen.labels[39], L"Translate");
    EXPECT_EQ(seen.ids[40], 1001u);
    EXPECT_EQ(seen.labels[40], L"Load from File (Unicode)");
    EXPECT_NE(seen.states[41] & MF_SEPARATOR, 0u);
    // Dismissed: nothing changed, nothing stored.
    EXPECT_EQ(CurrentLanguage.load(), kReferenceLanguage);
    EXPECT_EQ(GetPrivateProfileIntW(L"Program", L"lng", -1, SettingsPath.c_str()), -1);
    EXPECT_EQ(AppState.screenIndex, -1);
}

TEST_F(LanguageMenuTest, ALanguagePickedIsStoredAndTheStartScreenRepaintsInIt) {
    const std::vector<uint32_t> english = RenderStartScreen();
    PaintBlack();
    bool chosen = false;
    {
        Helper helper([&] {
            const HWND popup = FindPopupMenu(10000);
            if (!popup) {
                return;
            }
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            chosen = ChooseByKeys(menu, 0); // German, command 10
        });
        PressAndRelease('L');
        helper.Join();
    }
    PumpMessages(300);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(CurrentLanguage.load(), 0);
    EXPECT_EQ(GetPrivateProfileIntW(L"Program", L"lng", -1, SettingsPath.c_str()), 0);

    const std::vector<uint32_t> german = RenderStartScreen();
    ASSERT_GT(CountDifferent(german, english), 100u) << "German and English look alike";
    const wintest::Capture shown = wintest::CaptureClient(window);
    EXPECT_EQ(CountDifferent(shown.pixels, german), 0u);
}

TEST_F(LanguageMenuTest, ALanguagePickedKeepsALoadedTranslationFileActive) {
    const std::wstring path = folder + L"\\kept.txt";
    ASSERT_TRUE(wintest::WriteFileBytes(path, "\xFF\xFE" + LittleEndianBytes(u"16=Ecran \r\n")));
    BoxSeen box;
    {
        Helper helper(AnswerBox(box));
        LoadTranslationFile(path);
    }
    ASSERT_TRUE(box.shown);
    ASSERT_TRUE(FileStringsActive.load());
    bool chosen = false;
    {
        Helper helper([&] {
            const HWND popup = FindPopupMenu(10000);
            if (!popup) {
                return;
            }
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            chosen = ChooseByKeys(menu, 0); // German
        });
        PressAndRelease('L');
        helper.Join();
    }
    PumpMessages(200);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(CurrentLanguage.load(), 0);
    EXPECT_TRUE(FileStringsActive.load());
    EXPECT_EQ(std::u16string(LookupString(16)), u"Ecran ");
    EXPECT_EQ(std::u16string(LookupString(17)), u"str:17?");
}

TEST_F(LanguageMenuTest, TKeyOpensTheTemplateWithTheProgramForTextFiles) {
    wchar_t textClass[64] = {};
    LONG size = sizeof(textClass);
    ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, L".txt", textClass, &size), ERROR_SUCCESS)
        << "no class for .txt: the test prefix maps it to txtfile (scripts/lib.sh)";
    ASSERT_STREQ(textClass, L"txtfile");
    const std::wstring log = OpenedLog();
    DeleteFileW(log.c_str());

    PressAndRelease('T');
    std::optional<std::string> opened;
    for (int i = 0; i < 200 && !opened; ++i) {
        PumpMessages(50);
        opened = wintest::ReadFileBytes(log);
    }
    ASSERT_TRUE(opened.has_value()) << "no program was started for the template";
    const std::wstring arguments(reinterpret_cast<const wchar_t*>(opened->data()),
                                 opened->size() / sizeof(wchar_t));
    EXPECT_EQ(ToUtf16(arguments), ToUtf16(TemplatePath() + L"\n"));
    EXPECT_TRUE(wintest::FileExists(TemplatePath()));
    PumpMessages(300);
}

TEST_F(LanguageMenuTest, TranslateInTheMenuWritesTheTemplate) {
    DeleteFileW(TemplatePath().c_str());
    bool chosen = false;
    {
        Helper helper([&] {
            const HWND popup = FindPopupMenu(10000);
            if (!popup) {
                return;
            }
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            chosen = ChooseByKeys(menu, 39);
        });
        PressAndRelease('L');
        helper.Join();
    }
    PumpMessages(100);
    ASSERT_TRUE(chosen);
    WaitForTemplateOpened();
    const auto bytes = wintest::ReadFileBytes(TemplatePath());
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, LittleEndianBytes(BuildTranslationTemplate()));
    EXPECT_EQ(CurrentLanguage.load(), kReferenceLanguage);
}

// A translation of the reference strings without ids 16 and 17.
std::u16string TranslationWithout16And17() {
    std::u16string text = u"LastUpdated=03.MAR.2026\r\n";
    for (int id = 18; id < kStringSlots; ++id) {
        const char16_t* reference = LanguageStrings[kReferenceLanguage][id];
        if (reference != nullptr && reference[0] != 0) {
            text += FormatDecimal(id) + u"=DE " + reference + u"\r\n";
        }
    }
    return text;
}

TEST_F(LanguageMenuTest, LoadingATranslationFileSwitchesTheLookupAndReportsItsCoverage) {
    const std::wstring path = folder + L"\\de.txt";
    ASSERT_TRUE(
        wintest::WriteFileBytes(path, "\xFF\xFE" + LittleEndianBytes(TranslationWithout16And17())));
    BoxSeen box;
    {
        Helper helper(AnswerBox(box));
        LoadTranslationFile(path);
    }
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.caption, L"Translate");
    // 93 of the reference's 95 non-empty texts.
    EXPECT_EQ(box.text, L"97 %\n\nmiss:\n16=Screen \n17=Window \n");
    EXPECT_TRUE(FileStringsActive.load());
    EXPECT_EQ(std::u16string(LookupString(40)), u"DE " + std::u16string(LanguageStrings[1][40]));
    EXPECT_EQ(std::u16string(LookupString(16)), u"str:16?");
}

TEST_F(LanguageMenuTest, LoadFromFileInTheMenuPicksAFileAndRepaints) {
    const std::wstring path = folder + L"\\picked.txt";
    // UTF-8 with its mark, as an editor may save it.
    ASSERT_TRUE(wintest::WriteFileBytes(path, "\xEF\xBB\xBF"
                                              "16=Bildschirm \r\n17=Fenster \r\n"));
    PaintBlack();
    bool chosen = false;
    bool dialog = false;
    BoxSeen box;
    {
        Helper helper([&] {
            const HWND popup = FindPopupMenu(10000);
            if (!popup) {
                return;
            }
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            chosen = ChooseByKeys(menu, 40);
            if (!chosen) {
                return;
            }
            const HWND picker = wintest::WaitForWindow(GetCurrentProcessId(), L"#32770", 15000);
            dialog = picker != nullptr;
            if (!picker) {
                return;
            }
            // The file-name box of the dialog (a combo box with an edit, or a plain edit).
            HWND name = GetDlgItem(picker, cmb13);
            if (name) {
                const HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr);
                name = edit ? edit : name;
            } else {
                name = GetDlgItem(picker, edt1);
            }
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
            // Then the report.
            for (int i = 0; i < 100 && IsWindow(picker); ++i) {
                Sleep(50);
            }
            AnswerBox(box)();
        });
        PressAndRelease('L');
        helper.Join();
    }
    PumpMessages(300);
    ASSERT_TRUE(chosen);
    ASSERT_TRUE(dialog) << "no open-file dialog";
    ASSERT_TRUE(box.shown) << "no report";
    EXPECT_EQ(box.caption, L"Translate");
    // 2 of the reference's 95 non-empty texts.
    EXPECT_EQ(box.text.rfind(L"2 %\n\nmiss:\n0=01.JAN.2025\n30=Times from %1\n31=", 0), 0u)
        << box.text;
    EXPECT_EQ(std::u16string(LookupString(16)), u"Bildschirm ");
    EXPECT_EQ(std::u16string(LookupString(40)), u"str:40?");
    // The whole window shows the start screen again, now with the file's texts.
    const wintest::Capture shown = wintest::CaptureClient(window);
    EXPECT_EQ(CountDifferent(shown.pixels, RenderStartScreen()), 0u);
}

TEST_F(LanguageMenuTest, AnUnreadableFileIsReportedAndChangesNoText) {
    // First a loaded file, then two that can't be read: one missing, one locked.
    const std::wstring good = folder + L"\\good.txt";
    ASSERT_TRUE(wintest::WriteFileBytes(good, "\xFF\xFE" + LittleEndianBytes(u"16=Ecran \r\n")));
    const std::wstring locked = folder + L"\\locked.txt";
    ASSERT_TRUE(wintest::WriteFileBytes(locked, "\xFF\xFE" + LittleEndianBytes(u"16=X\r\n")));
    const HANDLE lock = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    // Bigger than any translation: refused as unreadable before it is read.
    const std::wstring huge = folder + L"\\huge.txt";
    {
        const HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end{};
        end.QuadPart = kMaxTextFileBytes + 1;
        EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
        EXPECT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    }

    // The message is looked up in the active language; a loaded file answers it alone.
    struct Case {
        std::wstring path;
        bool activeBefore;
        LanguageIndex language;
        std::wstring message;
    };
    const std::wstring english = L"The translation file could not be read:";
    const std::wstring german = L"Die \u00DCbersetzungsdatei konnte nicht gelesen werden:";
    const Case cases[] = {
        {folder + L"\\missing.txt", false, kReferenceLanguage, english},
        {locked, false, kReferenceLanguage, english},
        {huge, false, kReferenceLanguage, english},
        {huge, false, 0, german},
        {folder + L"\\missing.txt", true, kReferenceLanguage, L"str:72?"},
        {huge, true, 0, L"str:72?"},
    };
    for (const Case& c : cases) {
        FileStringsActive.store(false);
        CurrentLanguage.store(c.language);
        if (c.activeBefore) {
            BoxSeen first;
            Helper helper(AnswerBox(first));
            LoadTranslationFile(good);
            helper.Join();
            ASSERT_TRUE(first.shown);
        }
        const char16_t* before = LookupString(16);
        BoxSeen box;
        {
            Helper helper(AnswerBox(box));
            LoadTranslationFile(c.path);
        }
        ASSERT_TRUE(box.shown);
        EXPECT_EQ(box.caption, L"Translate");
        EXPECT_EQ(box.text, c.message + L"\n" + c.path);
        EXPECT_EQ(FileStringsActive.load(), c.activeBefore);
        EXPECT_EQ(LookupString(16), before);
        EXPECT_EQ(std::u16string(LookupString(16)),
                  c.activeBefore ? u"Ecran " : std::u16string(LanguageStrings[c.language][16]));
    }
    CloseHandle(lock);
    CurrentLanguage.store(kReferenceLanguage);
    std::u16string text = u"old";
    EXPECT_FALSE(ReadTextFile(huge, text));
    EXPECT_TRUE(text.empty());

    // At the limit itself the file is still read (its zero bytes are dropped).
    const HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end{};
    end.QuadPart = kMaxTextFileBytes;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    text = u"old";
    EXPECT_TRUE(ReadTextFile(huge, text));
    EXPECT_TRUE(text.empty());
    DeleteFileW(huge.c_str());
}

// A zero inside the file ended the loaded text there; the lines after it must load too.
TEST_F(LanguageMenuTest, ATranslationFileWithAZeroKeepsTheLinesAfterIt) {
    const std::string files[] = {
        "\xFF\xFE" + LittleEndianBytes(std::u16string(u"16=Ecran\0 \r\n17=Fen\0etre\r\n", 25)),
        std::string("16=Ecran\0 \r\n17=Fen\0etre\r\n", 25),
    };
    for (const std::string& bytes : files) {
        const std::wstring path = folder + L"\\zero.txt";
        ASSERT_TRUE(wintest::WriteFileBytes(path, bytes));
        BoxSeen box;
        {
            Helper helper(AnswerBox(box));
            LoadTranslationFile(path);
        }
        ASSERT_TRUE(box.shown);
        EXPECT_EQ(std::u16string(LookupString(16)), u"Ecran ");
        EXPECT_EQ(std::u16string(LookupString(17)), u"Fenetre");
    }
}

TEST_F(LanguageMenuTest, ReadTextFileDecodesWholeFiles) {
    std::string longUtf8 = "\xEF\xBB\xBF";
    longUtf8.resize(1023, 'a');
    longUtf8 += "\xE0\xB8\xA0z"; // a Thai letter at byte 1,023
    // 0x80 and 0x9C differ between the usual code pages and Latin-1; none is valid UTF-8.
    const std::string ansiBytes = "16=Ecran \xC9\xE8 \x80 \x9C\r\n";
    wchar_t ansiWide[32] = {};
    const int ansiUnits = MultiByteToWideChar(CP_ACP, 0, ansiBytes.data(),
                                              static_cast<int>(ansiBytes.size()), ansiWide, 32);
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"UTF-16 LE", "\xFF\xFE" + LittleEndianBytes(u"16=\u0415\u043A\u0440\u0430\u043D\r\n"),
         u"16=\u0415\u043A\u0440\u0430\u043D\r\n"},
        {"UTF-16 LE, odd length", "\xFF\xFE" + LittleEndianBytes(u"16=A") + "\n", u"16=A\n"},
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "16=\xC3\x89"
         "cran\r\n",
         u"16=\u00C9cran\r\n"},
        {"UTF-8, letter at byte 1,023", longUtf8, std::u16string(1020, u'a') + u"\u0E20z"},
        {"ANSI", ansiBytes, ToUtf16(std::wstring(ansiWide, static_cast<size_t>(ansiUnits)))},
        {"empty", "", u""},
        {"UTF-16 LE with a zero unit",
         "\xFF\xFE" + LittleEndianBytes(std::u16string(u"16=A\0\r\n17=B\r\n", 13)),
         u"16=A\r\n17=B\r\n"},
        {"ANSI with a zero byte",
         std::string("16=A\r\n\0"
                     "17=B\r\n",
                     13),
         u"16=A\r\n17=B\r\n"},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder + L"\\read.txt";
        ASSERT_TRUE(wintest::WriteFileBytes(path, c.bytes)) << c.name;
        std::u16string text = u"old";
        EXPECT_TRUE(ReadTextFile(path, text)) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
    std::u16string text = u"old";
    EXPECT_FALSE(ReadTextFile(folder + L"\\missing.txt", text));
    EXPECT_TRUE(text.empty());
}

} // namespace
