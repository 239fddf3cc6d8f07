// The language archive read from real executables: this test program (it carries the same
// resources as Quillfern.exe), files in the temporary folder, and damaged copies of the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "app/WideText.h"
#include "lang/ArchiveLoad.h"
#include "lang/LanguageArchive.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::ChildProcess;

constexpr wchar_t kAlertText[] = L"Error! Loading language file string archive";

std::string ToBytes(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

int64_t Find(const std::string& image, const std::vector<uint8_t>& pattern) {
    return FindBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(), pattern.data(),
                     pattern.size());
}

// True when a quit message is waiting; its exit code goes to code.
bool TakeQuit(WPARAM* code) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        return false;
    }
    *code = message.wParam;
    return true;
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    bool found;
};

// Any top-level window of the class in the process, hidden ones included.
bool HasWindowOfClass(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, false};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[256] = {};
            GetClassNameW(window, name, 256);
            if (owner == s->processId && lstrcmpW(name, s->className) == 0) {
                s->found = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers every message box this process shows while it lives, so that a load that fails
// where it should not ends the test with a failure instead of waiting on the box.
class BoxAnswerer {
  public:
    BoxAnswerer()
        : thread_([this] {
              while (!stop_) {
                  const DWORD self = GetCurrentProcessId();
                  const HWND box = wintest::WaitForWindow(self, L"#32770", 50);
                  if (!box) {
                      continue;
                  }
                  const HWND owner = GetWindow(box, GW_OWNER);
                  std::wstring text;
                  std::wstring caption;
                  if (wintest::DismissMessageBox(self, 50, &text, &caption)) {
                      owner_ = owner;
                      text_ = text;
                      caption_ = caption;
                      ++count_;
                      wintest::PumpMessages(100); // let the box close before looking again
                  }
              }
          }) {}
    ~BoxAnswerer() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    // Read after Stop.
    int count() const { return count_; }
    HWND owner() const { return owner_; }
    const std::wstring& text() const { return text_; }
    const std::wstring& caption() const { return caption_; }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    HWND owner_ = nullptr;
    std::wstring text_;
    std::wstring caption_;
    std::thread thread_;
};

class ArchiveLoadTest : public testing::Test {
  protected:
    void SetUp() override {
        WPARAM ignored = 0;
        while (TakeQuit(&ignored)) {
        }
        ResetLanguageArchive();
    }
    void TearDown() override {
        ResetLanguageArchive();
        AppState.instance = nullptr;
    }
};

TEST_F(ArchiveLoadTest, LoadsTheArchiveOfItsOwnExecutable) {
    AppState.instance = GetModuleHandleW(nullptr);
    BoxAnswerer boxes;
    const bool loaded = LoadLanguageArchive();
    boxes.Stop();
    EXPECT_EQ(boxes.count(), 0) << "box shown: " << testing::PrintToString(boxes.text());
    ASSERT_TRUE(loaded);
    WPARAM code = 0;
    EXPECT_FALSE(TakeQuit(&code)) << "a successful load must not end the program";

    ASSERT_EQ(LanguageCount, 39);
    for (int k = 0; k < 38; ++k) {
        SCOPED_TRACE(k);
        ASSERT_NE(LanguageNames[k], nullptr);
        const std::u16string name = LanguageNames[k];
        const size_t tab = name.find(u'\t');
        ASSERT_NE(tab, std::u16string::npos) << "English name, TAB, native name";
        EXPECT_GT(tab, 0u);
        EXPECT_LT(tab + 1, name.size());
        EXPECT_EQ(TranslatedPercent[k], 100);
    }
    // The section opened by the final mark has neither name nor strings.
    EXPECT_EQ(LanguageNames[38], nullptr);
    EXPECT_EQ(TranslatedPercent[38], 0);
    for (int id = 0; id < kStringSlots; ++id) {
        EXPECT_EQ(LanguageStrings[38][id], nullptr) << id;
    }

    const struct {
        int index;
        const char16_t* name;
    } names[] = {
        {0, u"German\tDeutsch"},       {1, u"English\tEnglish"},   {6, u"Japanese\t日本語"},
        {11, u"Irish\tGaeilge"},       {13, u"Dutch\tNederlands"}, {21, u"Greek\tΕλληνικά"},
        {26, u"Finnish\tSuomi"},       {34, u"Hungarian\tMagyar"}, {35, u"French\tFrançais"},
        {37, u"Bulgarian\tБългарски"},
    };
    for (const auto& expected : names) {
        EXPECT_EQ(std::u16string(LanguageNames[expected.index]), expected.name) << expected.index;
    }

    // A few texts through the whole road: block, decoder, sections, lines, unescaping.
    ASSERT_NE(LanguageStrings[1][16], nullptr);
    EXPECT_EQ(std::u16string(LanguageStrings[1][16]), u"Screen ");
    ASSERT_NE(LanguageStrings[1][53], nullptr);
    EXPECT_EQ(std::u16string(LanguageStrings[1][53]), u"[ESC]=Exit / [L]=Sprache / Language ");
    ASSERT_NE(LanguageStrings[1][43], nullptr);
    EXPECT_EQ(std::u16string(LanguageStrings[1][43]), u"");
    ASSERT_NE(NeutralStrings[0], nullptr);
    EXPECT_EQ(std::u16string(NeutralStrings[0]), u"Quillfern 2.82");
    EXPECT_NE(ReferenceSectionText.find(u"16=Screen "), std::u16string::npos);
}

TEST_F(ArchiveLoadTest, BlockInTheProgramIsTheOneTheBuildPacked) {
    const auto packed = wintest::ReadFileBytes(wintest::ToWindowsPath(QUILLFERN_ARCHIVE_BIN));
    ASSERT_TRUE(packed.has_value());
    const std::string framed = *packed;
    ASSERT_GT(framed.size(), kStartMarkerSize + kEndMarkerSize);
    const std::string expected =
        framed.substr(kStartMarkerSize, framed.size() - kStartMarkerSize - kEndMarkerSize);

    const std::wstring exe = wintest::QuillfernExe();
    ASSERT_FALSE(exe.empty()) << "QUILLFERN_EXE is not set";
    const auto block = ExtractArchiveBlock(exe);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(ToBytes(*block), expected);
}

// The failure box is owned by the active window, says what failed and is followed by the
// quit message; the tables stay empty.
TEST_F(ArchiveLoadTest, FileWithoutArchiveShowsTheAlertAndPostsQuit) {
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                       0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    SetForegroundWindow(owner);
    SetActiveWindow(owner);
    wintest::PumpMessages(100);
    ASSERT_EQ(GetActiveWindow(), owner);

    // kernel32 is a real file without markers.
    AppState.instance = GetModuleHandleW(L"kernel32.dll");
    BoxAnswerer boxes;
    const bool loaded = LoadLanguageArchive();
    boxes.Stop();
    DestroyWindow(owner);

    EXPECT_FALSE(loaded);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.text(), kAlertText);
    EXPECT_EQ(boxes.caption(), L"Alert");
    EXPECT_EQ(boxes.owner(), owner);
    WPARAM code = 99;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(LanguageCount, 0);
    EXPECT_EQ(NeutralStrings[0], nullptr);
}

// ExtractArchiveBlock on files: the whole file is read in binary mode from a wide path.
TEST(ExtractArchiveBlockTest, ReadsFramedBlocksFromFiles) {
    const std::string start = ToBytes(StartMarker());
    const std::string end = ToBytes(EndMarker());
    // Text-mode reading would turn CR LF into LF and stop at the 0x1A byte.
    const std::string block = std::string("\x10\x00\x00\x00\r\n\x1A\r\x00\xFF\n", 11) + "tail";
    const std::string padding(3u << 20, '\x90'); // beyond any single read chunk

    const struct {
        const char* what;
        std::string contents;
        bool found;
        std::string block;
    } cases[] = {
        {"framed, with bytes around", "MZ junk" + start + block + end + "more", true, block},
        {"markers after megabytes", padding + start + block + end, true, block},
        {"markers touching", start + end, true, ""},
        {"second start marker is ignored", start + block + start + "x" + end, true,
         block + start + "x"},
        {"empty file", "", false, ""},
        {"start marker only", start + block, false, ""},
        {"end marker only", block + end, false, ""},
        // Both markers are searched from the start of the file.
        {"first end marker before the start marker", end + start + block + end, false, ""},
        {"end marker overlapping the start marker", start + end.substr(1), false, ""},
    };
    const std::wstring folder = wintest::MakeTempFolder(L"archive_extract");
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A name outside the ANSI code page: the path must reach the system as UTF-16.
        const std::wstring path = folder + L"\\Łódź 日本 " + std::to_wstring(n++) + L".exe";
        ASSERT_TRUE(wintest::WriteFileBytes(path, c.contents));
        const auto result = ExtractArchiveBlock(path);
        ASSERT_EQ(result.has_value(), c.found);
        if (c.found) {
            EXPECT_EQ(ToBytes(*result), c.block);
        }
        DeleteFileW(path.c_str());
    }
    EXPECT_FALSE(ExtractArchiveBlock(folder + L"\\missing.exe").has_value());
    RemoveDirectoryW(folder.c_str());
}

// Quillfern.exe copies with one byte changed: a damaged marker ends the program with the alert
// and exit code 0, before any window exists. The undamaged copy beside them shows that the
// copy itself starts normally.
TEST(DamagedProgramTest, MarkerDamageShowsTheAlertAndNoWindow) {
    const std::wstring exe = wintest::QuillfernExe();
    ASSERT_FALSE(exe.empty()) << "QUILLFERN_EXE is not set";
    const auto original = wintest::ReadFileBytes(exe);
    ASSERT_TRUE(original.has_value());
    const int64_t startAt = Find(*original, StartMarker());
    const int64_t endAt = Find(*original, EndMarker());
    ASSERT_GE(startAt, 0);
    ASSERT_GE(endAt, 0);

    const struct {
        const char* what;
        int64_t flip; // offset of the damaged byte, -1 for none
    } cases[] = {
        {"start marker damaged", startAt + 20},
        {"end marker damaged", endAt + 20},
        {"undamaged copy", -1},
    };
    const std::wstring folder = wintest::MakeTempFolder(L"archive_damage");
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = *original;
        if (c.flip >= 0) {
            bytes[static_cast<size_t>(c.flip)] ^= 0x20;
        }
        const std::wstring copy = folder + L"\\Quillfern" + std::to_wstring(n++) + L".exe";
        ASSERT_TRUE(wintest::WriteFileBytes(copy, bytes));
        if (c.flip >= 0) {
            ASSERT_FALSE(ExtractArchiveBlock(copy).has_value()) << "the damage must be fatal";
        }

        ChildProcess program;
        ASSERT_TRUE(program.Start(copy, folder));
        std::wstring text;
        std::wstring caption;
        ASSERT_NE(wintest::WaitForWindow(program.Id(), L"#32770", 20000), nullptr);
        if (c.flip < 0) {
            // Wine has no touch screen: the box is the touch error of window creation.
            ASSERT_TRUE(wintest::DismissMessageBox(program.Id(), 1000, &text, &caption));
            EXPECT_NE(caption, L"Alert");
            const HWND window = wintest::WaitForWindow(program.Id(), L"Quillfern", 10000);
            ASSERT_NE(window, nullptr);
            PostMessageW(window, WM_CLOSE, 0, 0);
            const auto code = program.WaitForExit(10000);
            ASSERT_TRUE(code.has_value());
            EXPECT_EQ(*code, 0u);
        } else {
            EXPECT_FALSE(HasWindowOfClass(program.Id(), L"Quillfern"));
            ASSERT_TRUE(wintest::DismissMessageBox(program.Id(), 1000, &text, &caption));
            EXPECT_EQ(caption, L"Alert");
            EXPECT_EQ(text, kAlertText);
            // Until the process ends, no window of the program's class appears.
            bool windowSeen = false;
            std::optional<DWORD> code;
            const DWORD begin = GetTickCount();
            while (!(code = program.WaitForExit(20)) && GetTickCount() - begin < 10000) {
                windowSeen = windowSeen || HasWindowOfClass(program.Id(), L"Quillfern");
            }
            EXPECT_FALSE(windowSeen);
            ASSERT_TRUE(code.has_value()) << "the program must end after the alert";
            EXPECT_EQ(*code, 0u);
        }
        DeleteFileW(copy.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace
