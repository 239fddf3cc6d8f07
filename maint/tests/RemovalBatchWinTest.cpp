// The removal batch run by the system's command interpreter, started the way the program
// starts it: hidden, in the folder that holds it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>

#include "app/WideText.h"
#include "lang/StringLookup.h"
#include "maint/RemovalBatch.h"
#include "maint/SelfRemoval.h"
#include "tests/support/WinTestSupport.h"

namespace {

// The batch's code page: the command interpreter reads batches in the OEM code page.
std::string ToOem(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_OEMCP, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_OEMCP, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                        size, nullptr, nullptr);
    return bytes;
}

std::set<std::wstring> FilesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.insert(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string Describe(const std::set<std::wstring>& names) {
    std::string text;
    for (const std::wstring& name : names) {
        text += ToOem(name) + "; ";
    }
    return text;
}

// Holds a file open without delete sharing, as a running program holds its executable.
class FileHold {
  public:
    explicit FileHold(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~FileHold() { Release(); }
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;
    bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE handle_;
};

struct NameCase {
    const char* name;
    std::wstring folder;  // below the test's folder
    std::wstring program; // file name inside it
    // Files a batch that lost its quotes or expanded the percent signs would hit instead.
    std::set<std::wstring> decoys;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class RemovalBatchRun : public testing::Test {
  protected:
    void SetUp() override {
        root = wintest::MakeTempFolder(L"maint batch");
        work = root + L"\\work dir";
        ASSERT_TRUE(CreateDirectoryW(work.c_str(), nullptr));
    }

    void TearDown() override {
        if (process) {
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }

    // Writes the batch into the work folder and starts it there, hidden.
    std::wstring StartBatch(const std::wstring& programPath, int maxTries) {
        const std::wstring name = ToWide(RemovalBatchName(ToUtf16(programPath)));
        const std::wstring path = work + L"\\" + name;
        const std::u16string text =
            BuildRemovalBatchText(ToUtf16(programPath), ToUtf16(name), maxTries);
        EXPECT_TRUE(wintest::WriteFileBytes(path, ToOem(ToWide(text))));
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"open";
        info.lpFile = path.c_str();
        info.lpDirectory = work.c_str();
        info.nShow = SW_HIDE;
        EXPECT_TRUE(ShellExecuteExW(&info));
        process = info.hProcess;
        return path;
    }

    // Milliseconds until the batch's interpreter ended, or nothing.
    std::optional<DWORD> WaitForBatch(DWORD start, DWORD milliseconds) {
        if (!process || WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) {
            return std::nullopt;
        }
        return GetTickCount() - start;
    }

    std::wstring root;
    std::wstring work;
    HANDLE process = nullptr;
};

class RemovalBatchNames : public RemovalBatchRun, public testing::WithParamInterface<NameCase> {};

TEST_P(RemovalBatchNames, WaitsForTheProgramThenDeletesItAndItselfOnly) {
    const NameCase& c = GetParam();
    const std::wstring folder = root + L"\\" + c.folder;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << ToOem(folder);
    const std::wstring program = folder + L"\\" + c.program;
    ASSERT_TRUE(wintest::WriteFileBytes(program, "MZ program"));
    for (const std::wstring& decoy : c.decoys) {
        ASSERT_TRUE(wintest::WriteFileBytes(root + L"\\" + decoy, "decoy")) << ToOem(decoy);
    }
    ASSERT_TRUE(wintest::WriteFileBytes(work + L"\\keep.txt", "keep"));
    const std::set<std::wstring> rootBefore = FilesIn(root);

    FileHold hold(program);
    ASSERT_TRUE(hold.Held());
    const std::wstring batch = StartBatch(program, kRemovalBatchTries);
    // While the program holds its file, the batch keeps trying.
    Sleep(2500);
    EXPECT_TRUE(wintest::FileExists(program));
    EXPECT_TRUE(wintest::FileExists(batch));
    EXPECT_FALSE(WaitForBatch(GetTickCount(), 0).has_value()) << "the batch gave up too early";

    hold.Release();
    EXPECT_TRUE(WaitForBatch(GetTickCount(), 15000).has_value());
    EXPECT_FALSE(wintest::FileExists(program));
    EXPECT_FALSE(wintest::FileExists(batch));
    EXPECT_EQ(Describe(FilesIn(root)), Describe(rootBefore));
    EXPECT_EQ(Describe(FilesIn(folder)), "");
    EXPECT_EQ(Describe(FilesIn(work)), "keep.txt; ");
}

INSTANTIATE_TEST_SUITE_P(
    Names, RemovalBatchNames,
    testing::Values(NameCase{"Plain", L"plain", L"Quillfern.exe", {L"Quillfern.exe"}},
                    // Unquoted, DEL would take "...\Quill" and "fern\Quill" and "fern.exe".
                    NameCase{"Blanks", L"Quill fern", L"Quill fern.exe", {L"Quill", L"fern.exe"}},
                    // Expanded, %OS% becomes Windows_NT and %% one percent sign.
                    NameCase{"Percent",
                             L"100%",
                             L"Quill%OS%fern%%.exe",
                             {L"100", L"100%%", L"QuillWindows_NTfern%.exe"}},
                    NameCase{"Accents",
                             L"J\u00FCrgen M\u00FCller",
                             L"Quillfern \u00E9t\u00E9.exe",
                             {L"Quillfern \u00E9t\u00E9.exe"}},
                    NameCase{"AmpersandCaretParenthesis",
                             L"R&D ^x (y)",
                             L"Quillfern (1) & more^.exe",
                             {L"R", L"D", L"more.exe", L"Quillfern"}}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

// Delayed expansion on for the interpreter (as the registry can set it for every one): a
// batch that left it on would read "A!\Quillfern.exe" as "A\Quillfern.exe".
TEST_F(RemovalBatchRun, ExclamationMarkInThePathWithDelayedExpansionOn) {
    const std::wstring folder = root + L"\\A!";
    const std::wstring decoyFolder = root + L"\\A";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(decoyFolder.c_str(), nullptr));
    const std::wstring program = folder + L"\\Quillfern.exe";
    const std::wstring decoy = decoyFolder + L"\\Quillfern.exe";
    ASSERT_TRUE(wintest::WriteFileBytes(program, "MZ program"));
    ASSERT_TRUE(wintest::WriteFileBytes(decoy, "decoy"));

    const std::wstring name = ToWide(RemovalBatchName(ToUtf16(program)));
    const std::wstring batch = work + L"\\" + name;
    ASSERT_TRUE(wintest::WriteFileBytes(
        batch, ToOem(ToWide(BuildRemovalBatchText(ToUtf16(program), ToUtf16(name), 3)))));

    // Delayed expansion really is on for this interpreter: "md !X!" makes a folder "on".
    const std::wstring probe = work + L"\\probe.bat";
    ASSERT_TRUE(wintest::WriteFileBytes(probe, "set X=on\r\nmd !X!\r\n"));
    for (const std::wstring& script : {probe, batch}) {
        std::wstring command = L"cmd.exe /V:ON /c \"" + script + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   work.c_str(), &startup, &info));
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    ASSERT_TRUE(wintest::FileExists(work + L"\\on")) << "delayed expansion is not on";

    EXPECT_FALSE(wintest::FileExists(program));
    EXPECT_TRUE(wintest::FileExists(decoy));
    EXPECT_FALSE(wintest::FileExists(batch));
}

TEST_F(RemovalBatchRun, GivesUpOnAProgramFileThatStaysAndThenDeletesItself) {
    const std::wstring program = root + L"\\Quillfern.exe";
    ASSERT_TRUE(wintest::WriteFileBytes(program, "MZ program"));
    FileHold hold(program);
    ASSERT_TRUE(hold.Held());

    constexpr int kTries = 3;
    const DWORD start = GetTickCount();
    const std::wstring batch = StartBatch(program, kTries);
    const std::optional<DWORD> elapsed = WaitForBatch(start, 30000);
    ASSERT_TRUE(elapsed.has_value()) << "the batch did not give up";
    // Two pauses of about a second lie between the three tries: no busy loop.
    EXPECT_GE(*elapsed, 1800u);
    EXPECT_TRUE(wintest::FileExists(program));
    EXPECT_FALSE(wintest::FileExists(batch));
    EXPECT_EQ(Describe(FilesIn(work)), "");
}

BOOL CALLBACK FindLabel(HWND child, LPARAM context) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextLengthW(child) > 0) {
        *reinterpret_cast<HWND*>(context) = child;
        return FALSE;
    }
    return TRUE;
}

// A translation file without ids 70 and 71: the confirmation's caption and question each name
// their own missing id. Answered with Cancel, so nothing is removed.
TEST(RemovalBox, CaptionAndQuestionKeepTheirOwnTexts) {
    FileStringsActive = true;
    std::wstring caption;
    std::wstring text;
    std::thread answer([&] {
        const HWND box = wintest::WaitForWindow(GetCurrentProcessId(), L"#32770", 10000);
        if (!box) {
            return;
        }
        caption = wintest::WindowText(box);
        HWND label = nullptr;
        EnumChildWindows(box, FindLabel, reinterpret_cast<LPARAM>(&label));
        text = label ? wintest::WindowText(label) : L"";
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDCANCEL)));
    });
    RemoveProgram();
    answer.join();
    FileStringsActive = false;
    EXPECT_EQ(caption, L"str:70?");
    EXPECT_EQ(text, L"str:71?");
}

} // namespace
