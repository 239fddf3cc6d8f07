// Where the settings file goes, and how its integers read.

#include "settings/SettingsLocation.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (const char16_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

// ASCII folding is enough for these paths; the program hands the platform's mapping in.
std::u16string AsciiLower(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return text;
}

// The file system as the choice sees it, recording what was asked and written.
struct FakeDisk {
    int stateBeside = kPathMissing;
    bool readOnly = false;
    bool probeSticks = true; // false: the write is lost, as without write permission

    std::vector<std::u16string> statesAsked;
    std::vector<std::u16string> probesWritten;

    SettingsLocationQueries Queries() {
        return SettingsLocationQueries{
            AsciiLower,
            [this](const std::u16string& path) {
                statesAsked.push_back(path);
                return stateBeside;
            },
            [this](const std::u16string&) { return readOnly; },
            [this](const std::u16string& path, const std::u16string& probe) {
                probesWritten.push_back(path);
                return probeSticks ? probe : std::u16string(u"1700000000");
            },
        };
    }
};

struct LocationCase {
    const char* name;
    std::u16string temp;
    std::u16string program;
    int stateBeside;
    bool readOnly;
    bool probeSticks;
    SettingsLocation expected;
    bool probeWritten;
};

void PrintTo(const LocationCase& c, std::ostream* out) {
    *out << c.name;
}

const std::u16string kTemp = u"C:\\Users\\Me\\AppData\\Local\\Temp\\";
const std::u16string kTools = u"D:\\Tools\\Touch";
constexpr auto kBeside = SettingsLocation::BesideProgram;
constexpr auto kPerUser = SettingsLocation::PerUser;

const LocationCase kLocationCases[] = {
    {"NoFileBesideProgram", kTemp, kTools, kPathMissing, false, true, kPerUser, false},
    {"WritableFile", kTemp, kTools, kPathIsFile, false, true, kBeside, true},
    {"ReadOnlyFileIsNotWritten", kTemp, kTools, kPathIsFile, true, true, kPerUser, false},
    {"ProbeDoesNotReadBack", kTemp, kTools, kPathIsFile, false, false, kPerUser, true},
    {"FolderOfThatName", kTemp, kTools, kPathIsFolder, false, true, kPerUser, false},
    {"PathQueryFailed", kTemp, kTools, kPathQueryFailed, false, true, kPerUser, false},
    {"InsideTempFolder", kTemp, kTemp + u"Touch", kPathIsFile, false, true, kPerUser, false},
    {"InsideTempFolderOtherCase", u"C:\\USERS\\ME\\APPDATA\\LOCAL\\TEMP\\",
     u"c:\\users\\me\\appdata\\local\\temp\\Touch", kPathIsFile, false, true, kPerUser, false},
    {"TempWithoutTrailingBackslash", u"C:\\Temp", u"C:\\Temp\\Touch", kPathIsFile, false, true,
     kPerUser, false},
    {"TempWithTrailingBackslash", u"C:\\Temp\\", u"C:\\Temp\\Touch", kPathIsFile, false, true,
     kPerUser, false},
    {"ProgramIsTheTempFolder", u"C:\\Temp\\", u"C:\\Temp", kPathIsFile, false, true, kPerUser,
     false},
    {"DoubledBackslashesInTemp", u"C:\\\\Temp\\", u"C:\\Temp\\Touch", kPathIsFile, false, true,
     kPerUser, false},
    {"DoubledBackslashesInProgram", u"C:\\Temp\\", u"C:\\\\Temp\\\\Touch", kPathIsFile, false, true,
     kPerUser, false},
    // Sharing the leading letters is not being inside: the appended backslash tells them apart.
    {"SiblingWithTheSamePrefix", u"C:\\Temp", u"C:\\Temporary", kPathIsFile, false, true, kBeside,
     true},
    {"TempIsBelowProgram", kTemp, u"C:\\Users\\Me", kPathIsFile, false, true, kBeside, true},
    {"UnknownTempFolderMatchesNothing", u"", u"\\\\server\\share\\Touch", kPathIsFile, false, true,
     kBeside, true},
};

class LocationChoice : public testing::TestWithParam<LocationCase> {};

TEST_P(LocationChoice, PicksTheFileAndWritesOnlyWhereAllowed) {
    const LocationCase& c = GetParam();
    FakeDisk disk;
    disk.stateBeside = c.stateBeside;
    disk.readOnly = c.readOnly;
    disk.probeSticks = c.probeSticks;

    const SettingsLocation chosen =
        ChooseSettingsLocation(c.temp, c.program, u"1700000022", disk.Queries());
    EXPECT_EQ(chosen, c.expected);

    // The file beside the program is asked about with the letter case as reported.
    const std::u16string beside = c.program + u"\\Quillfern.ini";
    for (const std::u16string& asked : disk.statesAsked) {
        EXPECT_EQ(Narrow(asked), Narrow(beside));
    }
    if (c.probeWritten) {
        ASSERT_EQ(disk.probesWritten.size(), 1u);
        EXPECT_EQ(Narrow(disk.probesWritten[0]), Narrow(beside));
    } else {
        EXPECT_TRUE(disk.probesWritten.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LocationChoice, testing::ValuesIn(kLocationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LocationChoice, InsideTempFolderAsksNothingOfTheFileSystem) {
    FakeDisk disk;
    disk.stateBeside = kPathIsFile;
    EXPECT_EQ(ChooseSettingsLocation(kTemp, kTemp + u"x", u"1", disk.Queries()), kPerUser);
    EXPECT_TRUE(disk.statesAsked.empty());
}

TEST(SettingsPaths, CandidatesAreNamedAfterTheProduct) {
    EXPECT_EQ(Narrow(SettingsFileIn(u"D:\\Tools")), "D:\\Tools\\Quillfern.ini");
    const std::u16string folder = PerUserSettingsFolder(u"C:\\Users\\Me\\AppData\\Roaming");
    EXPECT_EQ(Narrow(folder), "C:\\Users\\Me\\AppData\\Roaming\\Quillfern");
    EXPECT_EQ(Narrow(SettingsFileIn(folder)),
              "C:\\Users\\Me\\AppData\\Roaming\\Quillfern\\Quillfern.ini");
    // No application-data folder: a folder at the root of the current drive.
    EXPECT_EQ(Narrow(SettingsFileIn(PerUserSettingsFolder(u""))), "\\Quillfern\\Quillfern.ini");
}

TEST(SettingsPaths, BackslashPairsCollapseLeftToRightWithoutOverlap) {
    const struct {
        std::u16string in;
        std::u16string out;
    } cases[] = {
        {u"", u""},
        {u"\\", u"\\"},
        {u"\\\\", u"\\"},
        {u"\\\\\\", u"\\\\"},
        {u"\\\\\\\\", u"\\\\"},
        {u"\\\\\\\\\\", u"\\\\\\"},
        {u"a\\\\b\\c\\\\", u"a\\b\\c\\"},
        {u"\\\\server\\share", u"\\server\\share"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Narrow(CollapseBackslashPairs(c.in)), Narrow(c.out)) << Narrow(c.in);
    }
    EXPECT_EQ(Narrow(FolderComparisonText(u"C:\\Temp\\", AsciiLower)), "c:\\temp\\");
    EXPECT_EQ(Narrow(FolderComparisonText(u"C:\\Temp", AsciiLower)), "c:\\temp\\");
}

TEST(SettingInt, ParsesLikeTheRuntimeWithoutOverflow) {
    const struct {
        std::u16string text;
        int32_t value;
    } cases[] = {
        {u"abc", 0},
        {u"-3", -3},
        {u" 7x", 7},
        {u"\t\r\n 12", 12},
        {u"+5", 5},
        {u"--5", 0},
        {u"- 5", 0},
        {u"0042", 42},
        {u"1e3", 1},
        {u"\u0663", 0}, // a digit of another script is no digit here
        {u"2147483647", INT32_MAX},
        {u"2147483648", INT32_MAX},
        {u"99999999999", INT32_MAX},
        {u"-2147483648", INT32_MIN},
        {u"-2147483649", INT32_MIN},
        {u"-99999999999", INT32_MIN},
        {std::u16string(400, u'9'), INT32_MAX},
        {u"-" + std::u16string(400, u'9'), INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseSettingInt(c.text.c_str()), c.value) << Narrow(c.text);
        EXPECT_EQ(SettingIntOrDefault(c.text, 77), c.value) << Narrow(c.text);
    }
    // Only the empty text stands for "not stored".
    EXPECT_EQ(SettingIntOrDefault(u"", 77), 77);
    EXPECT_EQ(SettingIntOrDefault(u"", -1), -1);
    EXPECT_EQ(SettingIntOrDefault(u" ", 77), 0);
}

TEST(SettingInt, FormatsSignedDecimalThatReadsBack) {
    const struct {
        int32_t value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {5, "5"},
        {-3, "-3"},
        {1700000000, "1700000000"},
        {INT32_MAX, "2147483647"},
        {INT32_MIN, "-2147483648"},
    };
    for (const auto& c : cases) {
        const std::u16string text = FormatSettingInt(c.value);
        EXPECT_EQ(Narrow(text), c.text);
        EXPECT_EQ(ParseSettingInt(text.c_str()), c.value);
    }
}

TEST(SettingInt, ProbeSecondsAreThirtyTwoBitsAndWrap) {
    EXPECT_EQ(ProbeSeconds(1700000000), 1700000000);
    EXPECT_EQ(ProbeSeconds(1700000000, -22), 1699999978);
    // Past January 2038 the 32-bit count goes negative instead of overflowing.
    EXPECT_EQ(ProbeSeconds(int64_t{INT32_MAX} + 1), INT32_MIN);
    EXPECT_EQ(ProbeSeconds(int64_t{INT32_MIN} + 10, -22), INT32_MAX - 11);
}

} // namespace
