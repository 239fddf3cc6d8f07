// The removal batch's text, its name and the choice between long and short paths.
#include "maint/RemovalBatch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::u16string& text) {
    std::string narrow;
    for (char16_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '#';
    }
    return narrow;
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(u"\r\n", start);
        if (end == std::u16string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(RemovalBatchText, PlainPathGivesTheFiveLinesWithCountAndPause) {
    const std::u16string text = BuildRemovalBatchText(
        u"C:\\Tools\\Quillfern.exe", u"Quillfern.exe_selfdestruct.bat", kRemovalBatchTries);
    const std::u16string expected =
        u"setlocal DisableDelayedExpansion\r\n"
        u"set /a QuillfernTries=0\r\n"
        u":Repeat\r\n"
        u"DEL \"C:\\Tools\\Quillfern.exe\"\r\n"
        u"set /a QuillfernTries+=1\r\n"
        u"if %QuillfernTries% GEQ 60 goto GiveUp\r\n"
        u"if exist \"C:\\Tools\\Quillfern.exe\" ping -n 2 127.0.0.1 >nul\r\n"
        u"if exist \"C:\\Tools\\Quillfern.exe\" goto Repeat\r\n"
        u":GiveUp\r\n"
        u"DEL \"Quillfern.exe_selfdestruct.bat\"\r\n"
        u"DEL \"\"\r\n";
    EXPECT_EQ(Narrow(text), Narrow(expected));
}

struct BatchCase {
    const char* name;
    std::u16string programPath;
    std::u16string batchName;
    std::u16string quotedProgram; // as the batch must spell it between its quotes
    std::u16string quotedBatch;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

class RemovalBatchQuoting : public testing::TestWithParam<BatchCase> {};

TEST_P(RemovalBatchQuoting, PathsAreQuotedAndPercentDoubled) {
    const BatchCase& c = GetParam();
    const std::vector<std::u16string> lines =
        SplitLines(BuildRemovalBatchText(c.programPath, c.batchName, kRemovalBatchTries));
    ASSERT_EQ(lines.size(), 11u);
    const std::u16string program = u"\"" + c.quotedProgram + u"\"";
    // The five lines the batch is built around, in their order.
    EXPECT_EQ(Narrow(lines[2]), ":Repeat");
    EXPECT_EQ(Narrow(lines[3]), Narrow(u"DEL " + program));
    EXPECT_EQ(Narrow(lines[7]), Narrow(u"if exist " + program + u" goto Repeat"));
    EXPECT_EQ(Narrow(lines[9]), Narrow(u"DEL \"" + c.quotedBatch + u"\""));
    EXPECT_EQ(Narrow(lines[10]), "DEL \"\"");
    // The pause runs only while the program file is still there.
    EXPECT_EQ(Narrow(lines[6]), Narrow(u"if exist " + program + u" ping -n 2 127.0.0.1 >nul"));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RemovalBatchQuoting,
    testing::Values(
        BatchCase{"Plain", u"C:\\Tools\\Quillfern.exe", u"Quillfern.exe_selfdestruct.bat",
                  u"C:\\Tools\\Quillfern.exe", u"Quillfern.exe_selfdestruct.bat"},
        BatchCase{"Blanks", u"C:\\Program Files\\Quill fern\\Quill fern.exe",
                  u"Quill fern.exe_selfdestruct.bat",
                  u"C:\\Program Files\\Quill fern\\Quill fern.exe",
                  u"Quill fern.exe_selfdestruct.bat"},
        BatchCase{"Percent", u"C:\\100%\\%TEMP%\\Quillfern%.exe",
                  u"Quillfern%.exe_selfdestruct.bat", u"C:\\100%%\\%%TEMP%%\\Quillfern%%.exe",
                  u"Quillfern%%.exe_selfdestruct.bat"},
        BatchCase{"DoublePercentStaysDoubledTwice", u"C:\\a%%b\\Quillfern.exe",
                  u"Quillfern.exe_selfdestruct.bat", u"C:\\a%%%%b\\Quillfern.exe",
                  u"Quillfern.exe_selfdestruct.bat"},
        BatchCase{"AmpersandCaretParenthesis", u"C:\\R&D\\a^b\\(x86) v2)\\Quillfern (1).exe",
                  u"Quillfern (1).exe_selfdestruct.bat",
                  u"C:\\R&D\\a^b\\(x86) v2)\\Quillfern (1).exe",
                  u"Quillfern (1).exe_selfdestruct.bat"},
        BatchCase{"NonAsciiPassesUnchanged", u"C:\\M\u00FCller\\Quillfern.exe",
                  u"Quillfern.exe_selfdestruct.bat", u"C:\\M\u00FCller\\Quillfern.exe",
                  u"Quillfern.exe_selfdestruct.bat"}),
    [](const testing::TestParamInfo<BatchCase>& info) { return std::string(info.param.name); });

TEST(RemovalBatchText, EveryLineEndsInCarriageReturnLineFeed) {
    const std::u16string text =
        BuildRemovalBatchText(u"C:\\Tools\\Quillfern.exe", u"Quillfern.exe_selfdestruct.bat", 5);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), u"\r\n");
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(text[i - 1], u'\r') << "bare line feed at " << i;
        }
        if (text[i] == u'\r') {
            ASSERT_LT(i + 1, text.size());
            EXPECT_EQ(text[i + 1], u'\n') << "bare carriage return at " << i;
        }
    }
}

TEST(RemovalBatchText, TheBoundIsTheGivenNumberOfTriesAndAtLeastOne) {
    struct Bound {
        int maxTries;
        const char* line;
    };
    const Bound bounds[] = {
        {60, "if %QuillfernTries% GEQ 60 goto GiveUp"},
        {3, "if %QuillfernTries% GEQ 3 goto GiveUp"},
        {1, "if %QuillfernTries% GEQ 1 goto GiveUp"},
        {0, "if %QuillfernTries% GEQ 1 goto GiveUp"},
        {-7, "if %QuillfernTries% GEQ 1 goto GiveUp"},
    };
    for (const Bound& bound : bounds) {
        const std::vector<std::u16string> lines = SplitLines(
            BuildRemovalBatchText(u"C:\\Q.exe", u"Q.exe_selfdestruct.bat", bound.maxTries));
        ASSERT_EQ(lines.size(), 11u);
        // Delayed expansion goes off before anything else is read.
        EXPECT_EQ(Narrow(lines[0]), "setlocal DisableDelayedExpansion");
        EXPECT_EQ(Narrow(lines[5]), bound.line) << bound.maxTries;
        // The counter starts before the loop and counts once per try, after the deletion.
        EXPECT_EQ(Narrow(lines[1]), "set /a QuillfernTries=0");
        EXPECT_EQ(Narrow(lines[4]), "set /a QuillfernTries+=1");
        // Giving up skips the loop's jump back but still removes the batch.
        EXPECT_EQ(Narrow(lines[8]), ":GiveUp");
    }
    EXPECT_EQ(kRemovalBatchTries, 60);
}

TEST(FileNameOfPath, TakesTheTextAfterTheLastSeparator) {
    struct Case {
        std::u16string path;
        std::u16string name;
    };
    const Case cases[] = {
        {u"C:\\Tools\\Quillfern.exe", u"Quillfern.exe"},
        {u"C:/Tools/Quillfern.exe", u"Quillfern.exe"},
        {u"C:\\Tools/sub\\Quill fern.exe", u"Quill fern.exe"},
        {u"C:\\Tools\\sub/Quillfern.exe", u"Quillfern.exe"},
        {u"\\\\server\\share\\Quillfern.exe", u"Quillfern.exe"},
        {u"C:\\Tools\\", u""},
        {u"C:\\Tools/", u""},
        {u"Quillfern.exe", u"Quillfern.exe"},
        {u"C:Quillfern.exe", u"C:Quillfern.exe"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Narrow(FileNameOfPath(c.path)), Narrow(c.name)) << Narrow(c.path);
    }
}

TEST(RemovalBatchName, IsTheProgramFileNameWithTheSuffix) {
    struct Case {
        std::u16string programPath;
        const char* batchName;
    };
    const Case cases[] = {
        {u"C:\\Tools\\Quillfern.exe", "Quillfern.exe_selfdestruct.bat"},
        {u"D:/x/QF.EXE", "QF.EXE_selfdestruct.bat"},
        {u"C:\\Quill fern (2)\\Quill fern.exe", "Quill fern.exe_selfdestruct.bat"},
        // The batch could not be started under a name the interpreter expands.
        {u"C:\\100%\\Quill%OS%fern%%.exe", "Quill_OS_fern__.exe_selfdestruct.bat"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Narrow(RemovalBatchName(c.programPath)), c.batchName) << Narrow(c.programPath);
    }
}

// Stands in for a single-byte code page that holds Latin-1 only.
std::optional<std::string> Latin1(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) {
        if (c > 0xFF) {
            return std::nullopt;
        }
        bytes += static_cast<char>(c);
    }
    return bytes;
}

struct PrepareCase {
    const char* name;
    std::u16string longPath;
    std::u16string shortPath;
    bool written;
    std::u16string namedPath; // the program path inside the batch
    std::u16string batchName;
};

void PrintTo(const PrepareCase& c, std::ostream* os) {
    *os << c.name;
}

class PrepareRemovalBatchChoice : public testing::TestWithParam<PrepareCase> {};

TEST_P(PrepareRemovalBatchChoice, UsesOnlyNamesTheCodePageHolds) {
    const PrepareCase& c = GetParam();
    const std::optional<RemovalBatch> batch =
        PrepareRemovalBatch(c.longPath, c.shortPath, Latin1, 4);
    ASSERT_EQ(batch.has_value(), c.written);
    if (!batch) {
        return;
    }
    EXPECT_EQ(Narrow(batch->programPath), Narrow(c.namedPath));
    EXPECT_EQ(Narrow(batch->name), Narrow(c.batchName));
    EXPECT_EQ(batch->bytes, *Latin1(BuildRemovalBatchText(c.namedPath, c.batchName, 4)));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PrepareRemovalBatchChoice,
    testing::Values(
        PrepareCase{"LongPathWhenItFits", u"C:\\Tools\\M\u00FCller\\Quillfern.exe",
                    u"C:\\Tools\\MLLER~1\\QUILLF~1.EXE", true,
                    u"C:\\Tools\\M\u00FCller\\Quillfern.exe", u"Quillfern.exe_selfdestruct.bat"},
        PrepareCase{"ShortFolderKeepsTheLongBatchName",
                    u"C:\\\u041F\u0440\u043E\u0433\\Quillfern.exe", u"C:\\8B2A~1\\QUILLF~1.EXE",
                    true, u"C:\\8B2A~1\\QUILLF~1.EXE", u"Quillfern.exe_selfdestruct.bat"},
        PrepareCase{"ShortFileNameWhenTheLongOneDoesNotFit", u"C:\\Tools\\\u043A\u0432.exe",
                    u"C:\\Tools\\6F2A~1.EXE", true, u"C:\\Tools\\6F2A~1.EXE",
                    u"6F2A~1.EXE_selfdestruct.bat"},
        PrepareCase{"NoBatchWhenTheShortPathDoesNotFitEither", u"C:\\\u043A\u0432\\Quillfern.exe",
                    u"C:\\\u043A\u0432\\QUILLF~1.EXE", false, u"", u""},
        PrepareCase{"NoBatchWithoutShortNames", u"C:\\\u043A\u0432\\Quillfern.exe", u"", false, u"",
                    u""},
        PrepareCase{"PercentInTheFileName", u"C:\\Tools\\Quill%OS%.exe", u"C:\\Tools\\QUILL%~1.EXE",
                    true, u"C:\\Tools\\Quill%OS%.exe", u"Quill_OS_.exe_selfdestruct.bat"},
        PrepareCase{"NoBatchWithoutProgramPath", u"", u"", false, u"", u""},
        PrepareCase{"NoBatchForAFolderPath", u"C:\\Tools\\", u"C:\\Tools\\", false, u"", u""}),
    [](const testing::TestParamInfo<PrepareCase>& info) { return std::string(info.param.name); });

} // namespace
