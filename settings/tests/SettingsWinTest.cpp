// The settings file on a real file system: the profile access in this process, and the choice
// of file and language that the built program makes when it starts.
#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/WideText.h"
#include "lang/LanguageArchive.h"
#include "lang/LanguageChoice.h"
#include "settings/SettingsFile.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::ChildProcess;

// Sections of an INI file as written (ASCII), for checks that must not go through the
// profile functions' cache.
using IniSections = std::map<std::string, std::map<std::string, std::string>>;

IniSections ParseIni(const std::string& bytes) {
    IniSections sections;
    std::string section;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            sections[section];
        } else if (const size_t equals = line.find('='); equals != std::string::npos) {
            sections[section][line.substr(0, equals)] = line.substr(equals + 1);
        }
        start = end + 1;
    }
    return sections;
}

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring PerUserFolder() {
    return wintest::AppDataFolder() + L"\\Quillfern";
}

std::wstring PerUserFile() {
    return PerUserFolder() + L"\\Quillfern.ini";
}

void RemoveFile(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

// ---- The profile access, in this process ----

class SettingsAccessTest : public testing::Test {
  protected:
    void SetUp() override {
        folder = wintest::MakeTempFolder(L"settings_access");
        file = folder + L"\\Quillfern.ini";
        savedPath = SettingsPath;
        SettingsPath = file;
    }
    void TearDown() override {
        SettingsPath = savedPath;
        RemoveFile(file);
        RemoveDirectoryW((folder + L"\\sub").c_str());
        RemoveDirectoryW(folder.c_str());
    }
    std::wstring folder;
    std::wstring file;
    std::wstring savedPath;
};

TEST_F(SettingsAccessTest, PathStates) {
    ASSERT_TRUE(wintest::WriteFileBytes(file, ""));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub").c_str(), nullptr));
    const struct {
        std::wstring path;
        int state;
    } cases[] = {
        {file, 1},
        {folder, 2},
        {folder + L"\\sub", 2},
        {folder + L"\\missing.ini", 0},
        {folder + L"\\missing\\Quillfern.ini", 0},
        {folder + L"\\bad\"name.ini", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetPathState(c.path.c_str()), c.state) << c.path;
    }
    // Read-only is still a file.
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetPathState(file.c_str()), 1);
}

TEST_F(SettingsAccessTest, ProgramFolderIsTheExecutablesFolder) {
    wchar_t module[1024] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, module, 1024), 0u);
    std::wstring expected = module;
    expected.resize(expected.rfind(L'\\'));
    const std::wstring& folderOfProgram = GetProgramFolder();
    EXPECT_EQ(folderOfProgram, expected);
    ASSERT_FALSE(folderOfProgram.empty());
    EXPECT_NE(folderOfProgram.back(), L'\\');
    EXPECT_EQ(&GetProgramFolder(), &folderOfProgram);
}

TEST_F(SettingsAccessTest, IntegersRoundTrip) {
    EXPECT_EQ(ReadSettingInt(L"lng", 7), 7); // no file yet
    for (const int value : {5, -3, 0, INT_MAX, INT_MIN}) {
        EXPECT_TRUE(WriteSettingInt(L"lng", value));
        EXPECT_EQ(ReadSettingInt(L"lng", 7), value);
    }
    EXPECT_TRUE(WriteSettingInt(L"TestIni", 1700000000));
    EXPECT_EQ(ReadSettingInt(L"TestIni", 0), 1700000000);
    EXPECT_EQ(ReadSettingInt(L"other", -9), -9);

    const auto bytes = wintest::ReadFileBytes(file);
    ASSERT_TRUE(bytes.has_value());
    const IniSections ini = ParseIni(*bytes);
    ASSERT_EQ(ini.size(), 1u);
    ASSERT_EQ(ini.count("Program"), 1u);
    EXPECT_EQ(ini.at("Program").at("lng"), "-2147483648");
    EXPECT_EQ(ini.at("Program").at("TestIni"), "1700000000");
}

TEST_F(SettingsAccessTest, StoredTextsReadAsIntegers) {
    const struct {
        const char* stored;
        int value;
    } cases[] = {
        {"lng=\r\n", 7},
        {"lng=abc\r\n", 0},
        {"lng=-3\r\n", -3},
        {"lng=7x\r\n", 7},
        {"lng=99999999999\r\n", INT_MAX},
        {"lng=-99999999999\r\n", INT_MIN},
        {"other=5\r\n", 7},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(wintest::WriteFileBytes(file, std::string("[Program]\r\n") + c.stored));
        // A fresh path each time keeps the profile cache from answering with the last file.
        const std::wstring copy = folder + L"\\case" + std::to_wstring(&c - cases) + L".ini";
        ASSERT_TRUE(wintest::CopyFileTo(file, copy));
        SettingsPath = copy;
        EXPECT_EQ(ReadSettingInt(L"lng", 7), c.value) << c.stored;
        SettingsPath = file;
        RemoveFile(copy);
    }
}

TEST_F(SettingsAccessTest, ReadSettingStringKeepsItsDefault) {
    ASSERT_TRUE(wintest::WriteFileBytes(file, "[Program]\r\nTestIni=12345\r\n"));
    wchar_t buffer[32] = L"before";
    ReadSettingString(L"missing", buffer, 32);
    EXPECT_EQ(std::wstring(buffer), L"before");
    ReadSettingString(L"TestIni", buffer, 32);
    EXPECT_EQ(std::wstring(buffer), L"12345");
    wchar_t small[3] = L"x";
    ReadSettingString(L"TestIni", small, 3);
    EXPECT_EQ(std::wstring(small), L"12");
}

// ---- The built program's start-up ----

// Texts of the archive inside the built program, to know what each language shows.
class ProgramStartTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        const auto image = wintest::ReadFileBytes(wintest::QuillfernExe());
        if (!image) {
            return;
        }
        const auto* bytes = reinterpret_cast<const uint8_t*>(image->data());
        const auto block = ExtractArchiveBlockFromImage(bytes, image->size());
        if (block) {
            LoadArchiveFromBlock(block->data(), block->size());
        }
    }
    static void TearDownTestSuite() { ResetLanguageArchive(); }

    void SetUp() override {
        const std::wstring exe = wintest::QuillfernExe();
        ASSERT_FALSE(exe.empty()) << "QUILLFERN_EXE is not set";
        ASSERT_GE(LanguageCount, 38) << "no archive in the built program";

        // Not below the temporary folder: from there the program always uses the per-user file.
        folder = L"C:\\quillfern_settings_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                 std::to_wstring(GetTickCount());
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_NE(Lower(folder + L"\\").find(Lower(wintest::TempFolder())), 0u);
        program = folder + L"\\Quillfern.exe";
        beside = folder + L"\\Quillfern.ini";
        ASSERT_TRUE(wintest::CopyFileTo(exe, program));

        // Each test starts without a per-user file; the user's own comes back afterwards.
        perUserBackup = wintest::ReadFileBytes(PerUserFile());
        perUserFolderExisted = wintest::FileExists(PerUserFolder());
        RemoveFile(PerUserFile());
        RemoveDirectoryW(PerUserFolder().c_str());
    }

    void TearDown() override {
        RemoveFile(beside);
        RemoveFile(program);
        RemoveDirectoryW(folder.c_str());
        RemoveFile(PerUserFile());
        if (perUserBackup) {
            CreateDirectoryW(PerUserFolder().c_str(), nullptr);
            wintest::WriteFileBytes(PerUserFile(), *perUserBackup);
        } else if (!perUserFolderExisted) {
            RemoveDirectoryW(PerUserFolder().c_str());
        }
    }

    struct Run {
        bool started = false;
        std::wstring caption;
        int64_t before = 0; // seconds, around the start-up
        int64_t after = 0;
    };

    // Starts the copy, reads the caption of the box that reports the missing touch screen,
    // and closes the program again.
    Run StartProgram() {
        Run run;
        ChildProcess child;
        run.before = static_cast<int64_t>(std::time(nullptr));
        if (!child.Start(program, folder)) {
            ADD_FAILURE() << "the program did not start";
            return run;
        }
        std::wstring text;
        if (!wintest::DismissMessageBox(child.Id(), 20000, &text, &run.caption)) {
            ADD_FAILURE() << "no message box";
            return run;
        }
        const HWND window = wintest::WaitForWindow(child.Id(), L"Quillfern", 10000);
        run.after = static_cast<int64_t>(std::time(nullptr));
        if (!window) {
            ADD_FAILURE() << "no main window";
            return run;
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        const auto code = child.WaitForExit(10000);
        EXPECT_TRUE(code.has_value() && *code == 0);
        run.started = true;
        return run;
    }

    // The file holds section "Program" with "TestIni" 22 seconds below the start.
    void ExpectProbeWritten(const std::wstring& path, const Run& run) {
        const auto bytes = wintest::ReadFileBytes(path);
        ASSERT_TRUE(bytes.has_value()) << "no settings file";
        const IniSections ini = ParseIni(*bytes);
        ASSERT_EQ(ini.count("Program"), 1u) << *bytes;
        const auto& program = ini.at("Program");
        ASSERT_EQ(program.count("TestIni"), 1u) << *bytes;
        const long long value = std::stoll(program.at("TestIni"));
        EXPECT_GE(value, run.before - 22) << *bytes;
        EXPECT_LE(value, run.after - 22) << *bytes;
    }

    static std::wstring TextOf(LanguageIndex language, StringId id) {
        const char16_t* text = LanguageStrings[language][id];
        return text ? AsWide(text) : L"<none>";
    }

    std::wstring folder;
    std::wstring program;
    std::wstring beside;
    std::optional<std::string> perUserBackup;
    bool perUserFolderExisted = false;
};

TEST_F(ProgramStartTest, WithoutAFileBesideTheProgramThePerUserFileIsMade) {
    const Run run = StartProgram();
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(wintest::FileExists(PerUserFolder()));
    ExpectProbeWritten(PerUserFile(), run);
    const auto bytes = wintest::ReadFileBytes(PerUserFile());
    ASSERT_TRUE(bytes.has_value());
    // A first start leaves exactly one key.
    const IniSections ini = ParseIni(*bytes);
    EXPECT_EQ(ini.size(), 1u) << *bytes;
    EXPECT_EQ(ini.at("Program").size(), 1u) << *bytes;
    // The program never makes a file beside itself.
    EXPECT_FALSE(wintest::FileExists(beside));
}

TEST_F(ProgramStartTest, AWritableFileBesideTheProgramIsUsed) {
    ASSERT_TRUE(wintest::WriteFileBytes(beside, ""));
    const Run run = StartProgram();
    ASSERT_TRUE(run.started);
    ExpectProbeWritten(beside, run);
    EXPECT_FALSE(wintest::FileExists(PerUserFile()));
}

TEST_F(ProgramStartTest, AReadOnlyFileBesideTheProgramIsLeftAlone) {
    // The second holds a language: since the file is not used, the system language decides.
    for (const std::string content : {"", "[Program]\r\nlng=5\r\nTestIni=7\r\n"}) {
        SCOPED_TRACE(content);
        RemoveFile(beside);
        RemoveFile(PerUserFile());
        ASSERT_TRUE(wintest::WriteFileBytes(beside, content));
        ASSERT_TRUE(SetFileAttributesW(beside.c_str(), FILE_ATTRIBUTE_READONLY));

        const Run run = StartProgram();
        ASSERT_TRUE(run.started);
        const auto after = wintest::ReadFileBytes(beside);
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(*after, content);
        EXPECT_NE(GetFileAttributesW(beside.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        ExpectProbeWritten(PerUserFile(), run);
        EXPECT_EQ(run.caption, TextOf(DefaultLanguageIndex(), 60));
    }
}

TEST_F(ProgramStartTest, AFolderNamedLikeTheFileSendsSettingsToThePerUserFile) {
    ASSERT_TRUE(CreateDirectoryW(beside.c_str(), nullptr));
    const Run run = StartProgram();
    RemoveDirectoryW(beside.c_str());
    ASSERT_TRUE(run.started);
    ExpectProbeWritten(PerUserFile(), run);
}

TEST_F(ProgramStartTest, StoredLanguageOverridesTheSystemLanguage) {
    const LanguageIndex system = DefaultLanguageIndex();
    // Otherwise the rows below could not tell the stored language from the system's.
    ASSERT_NE(system, 5);
    ASSERT_NE(system, 0);
    ASSERT_NE(TextOf(5, 60), TextOf(system, 60));
    ASSERT_NE(TextOf(0, 60), TextOf(system, 60));

    const struct {
        bool perUser;
        const char* stored; // nullptr: no "lng" key at all
        LanguageIndex shown;
    } cases[] = {
        {false, "5", 5},
        {true, "5", 5},
        {false, "abc", 0}, // not a number reads as 0
        {false, nullptr, system},
        {false, "", system},
        // Outside the languages: no language, so the reference texts; nothing breaks.
        {false, "-3", kReferenceLanguage},
        {false, "38", kReferenceLanguage},
        {false, "48", kReferenceLanguage},
        {false, "99999999999", kReferenceLanguage},
        {false, "-99999999999", kReferenceLanguage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.perUser ? "per-user " : "beside ") +
                     (c.stored ? c.stored : "<no key>"));
        RemoveFile(beside);
        RemoveFile(PerUserFile());
        std::string content = "[Program]\r\n";
        if (c.stored) {
            content += std::string("lng=") + c.stored + "\r\n";
        }
        if (c.perUser) {
            CreateDirectoryW(PerUserFolder().c_str(), nullptr);
            ASSERT_TRUE(wintest::WriteFileBytes(PerUserFile(), content));
        } else {
            ASSERT_TRUE(wintest::WriteFileBytes(beside, content));
        }

        const Run run = StartProgram();
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.caption, TextOf(c.shown, 60));
        // The stored choice is kept as it was; only the probe changes.
        const auto bytes = wintest::ReadFileBytes(c.perUser ? PerUserFile() : beside);
        ASSERT_TRUE(bytes.has_value());
        const IniSections ini = ParseIni(*bytes);
        if (c.stored) {
            EXPECT_EQ(ini.at("Program").at("lng"), c.stored);
        }
        ExpectProbeWritten(c.perUser ? PerUserFile() : beside, run);
    }
}

} // namespace
