// The language menu's entries, the translation template, the coverage report and the decoding
// of translation files, against the archive the build packs and against small made-up ones.

#include "lang/TranslationTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::u16string Utf16FromLittleEndian(const Bytes& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return text;
}

// Readable failure output for UTF-16 text: ASCII as is, everything else as \uXXXX.
std::string Show(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else if (c == u'\n') {
            out += "\\n";
        } else {
            char buffer[8];
            snprintf(buffer, sizeof(buffer), "\\u%04X", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}

void LoadRealArchive() {
    const Bytes bytes = ReadAll(QUILLFERN_ARCHIVE_TEXT);
    ASSERT_GT(bytes.size(), 1000u) << QUILLFERN_ARCHIVE_TEXT;
    LoadArchiveFromText(Utf16FromLittleEndian(bytes));
    ASSERT_EQ(LanguageCount, 39);
}

// A translation file's text: "id=text" lines for every reference string set and not empty,
// except the ids left out, after the key lines (when asked for).
std::u16string TranslationOfReference(const std::vector<int>& leftOut, bool keyLines) {
    // No head line: "=name" would land in id 0 as well.
    std::u16string text = u"[INFO-STRINGS]\r\n";
    if (keyLines) {
        text += u"TranslatorName=someone\r\nLastUpdated=02.FEB.2026\r\n";
    }
    for (int id = 1; id < kStringSlots; ++id) {
        const char16_t* reference = LanguageStrings[kReferenceLanguage][id];
        if (reference == nullptr || reference[0] == 0 ||
            std::find(leftOut.begin(), leftOut.end(), id) != leftOut.end()) {
            continue;
        }
        text += FormatDecimal(id) + u"=translated " + reference + u"\r\n";
    }
    return text;
}

class TranslationTools : public ::testing::Test {
  protected:
    void TearDown() override {
        ResetLanguageArchive();
        FileStringsActive.store(false);
        for (auto& entry : FileStrings) {
            entry.store(nullptr);
        }
    }
};

TEST_F(TranslationTools, MenuOfTheBuiltArchive) {
    LoadRealArchive();
    const std::vector<LanguageMenuItem> items = BuildLanguageMenuItems(1);
    // 38 named languages (the unnamed last section is left out) and the four fixed entries.
    ASSERT_EQ(items.size(), 38u + 4u);
    for (int k = 0; k < 38; ++k) {
        const LanguageMenuItem& item = items[static_cast<size_t>(k)];
        ASSERT_NE(LanguageNames[k], nullptr) << k;
        EXPECT_EQ(item.id, static_cast<uint32_t>(10 + k));
        EXPECT_EQ(item.label, std::u16string(LanguageNames[k]) + u" / 100 %") << k;
        EXPECT_FALSE(item.separator) << k;
        EXPECT_EQ(item.greyed, k == 1) << k;
    }
    EXPECT_EQ(items[0].label, u"German\tDeutsch / 100 %");
    EXPECT_EQ(items[1].label, u"English\tEnglish / 100 %");
    EXPECT_EQ(items[34].label, u"Hungarian\tMagyar / 100 %");

    struct Fixed {
        uint32_t id;
        const char16_t* label;
        bool separator;
    };
    const Fixed fixed[] = {{0, u"", true},
                           {1000, u"Translate", false},
                           {1001, u"Load from File (Unicode)", false},
                           {555, u"", true}};
    for (size_t i = 0; i < std::size(fixed); ++i) {
        const LanguageMenuItem& item = items[38 + i];
        EXPECT_EQ(item.id, fixed[i].id) << i;
        EXPECT_EQ(item.label, fixed[i].label) << i;
        EXPECT_EQ(item.separator, fixed[i].separator) << i;
        EXPECT_FALSE(item.greyed) << i;
    }
}

TEST_F(TranslationTools, MenuGreysOnlyTheActiveLanguage) {
    LoadRealArchive();
    struct Case {
        LanguageIndex current;
        int greyedId; // -1: none
    };
    // 38 is the unnamed section, -1 and 99 select no language: nothing is greyed.
    const Case cases[] = {{0, 10}, {1, 11}, {37, 47}, {38, -1}, {-1, -1}, {99, -1}};
    for (const Case& c : cases) {
        int greyed = 0;
        for (const LanguageMenuItem& item : BuildLanguageMenuItems(c.current)) {
            if (item.greyed) {
                ++greyed;
                EXPECT_EQ(static_cast<int>(item.id), c.greyedId) << c.current;
            }
        }
        EXPECT_EQ(greyed, c.greyedId < 0 ? 0 : 1) << c.current;
    }
}

TEST_F(TranslationTools, MenuListsOnlyNamesLongerThanFiveUnits) {
    // Languages: 0 "ABCDE" (5 units), 1 "ABCDEF" (6, the reference), 2 "Thai<TAB>native" (12),
    // 3 unnamed, 4 an empty name, 5 "Xy<TAB>Zw" (5).
    LoadArchiveFromText(u"\uFEFF\r\n##\r\n0=Name 1.0\r\n##\r\n##\r\n"
                        u"##=ABCDE\r\n1=one\r\n"
                        u"##=ABCDEF\r\n1=one\r\n2=two\r\n3=three\r\n"
                        u"##=Thai\t\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22\r\n1=eins\r\n"
                        u"##\r\n1=x\r\n"
                        u"##=\r\n1=x\r\n"
                        u"##=Xy\tZw\r\n1=x\r\n");
    ASSERT_EQ(LanguageCount, 6);
    const std::vector<LanguageMenuItem> items = BuildLanguageMenuItems(2);
    ASSERT_EQ(items.size(), 2u + 4u);
    EXPECT_EQ(items[0].id, 11u);
    EXPECT_EQ(items[0].label, u"ABCDEF / 100 %");
    EXPECT_FALSE(items[0].greyed);
    EXPECT_EQ(items[1].id, 12u);
    // One of the reference's three strings: 33 %.
    EXPECT_EQ(items[1].label, u"Thai\t\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22 / 33 %");
    EXPECT_TRUE(items[1].greyed);
    EXPECT_EQ(items[2].id, 0u);
    EXPECT_TRUE(items[2].separator);
}

TEST_F(TranslationTools, MenuWithoutAnyLanguageHasTheFixedEntriesOnly) {
    const std::vector<LanguageMenuItem> items = BuildLanguageMenuItems(1);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].id, 1000u);
    EXPECT_EQ(items[2].id, 1001u);
    EXPECT_EQ(items[3].id, 555u);
}

TEST_F(TranslationTools, MenuCommands) {
    struct Case {
        uint32_t command;
        LanguageMenuAction action;
        LanguageIndex language;
    };
    const Case cases[] = {
        {0, LanguageMenuAction::None, 0},
        {1000, LanguageMenuAction::ExportTemplate, 0},
        {1001, LanguageMenuAction::LoadFile, 0},
        {10, LanguageMenuAction::ChooseLanguage, 0},
        {11, LanguageMenuAction::ChooseLanguage, 1},
        {47, LanguageMenuAction::ChooseLanguage, 37},
        {57, LanguageMenuAction::ChooseLanguage, 47},
    };
    for (const Case& c : cases) {
        const LanguageMenuChoice choice = InterpretLanguageMenuCommand(c.command);
        EXPECT_EQ(choice.action, c.action) << c.command;
        if (c.action == LanguageMenuAction::ChooseLanguage) {
            EXPECT_EQ(choice.language, c.language) << c.command;
        }
    }
}

TEST_F(TranslationTools, TemplateOfTheBuiltArchive) {
    LoadRealArchive();
    const std::u16string text = BuildTranslationTemplate();
    const std::u16string head = u"\uFEFF!!!! Please don't forget !!!! Write in e-mail subject: "
                                u"Strings for: Quillfern 2.82 LNG:xxxx\r\n\r\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    // The request to send the list back, three lines, then two line ends.
    ASSERT_NE(NeutralStrings[25], nullptr);
    const std::u16string request = NeutralStrings[25];
    EXPECT_NE(request.find(u"\r\n"), std::u16string::npos);
    EXPECT_EQ(Show(text.substr(head.size(), request.size() + 4)), Show(request + u"\r\n\r\n"));
    // The rest is the reference section exactly as the archive holds it.
    const std::u16string section = text.substr(head.size() + request.size() + 4);
    EXPECT_EQ(section, ReferenceSectionText);
    EXPECT_EQ(section.rfind(u"\nTranslatorName=\r\nTranslatorURL=\r\n", 0), 0u);
    EXPECT_NE(section.find(u"\r\n16=Screen \r\n17=Window \r\n"), std::u16string::npos);
    EXPECT_NE(section.find(u"\r\n[Info] \r\n90=Info \r\n"), std::u16string::npos);
}

TEST_F(TranslationTools, TemplateKeepsAReferenceSectionLongerThan150000Units) {
    // No neutral strings 0 and 25: they add nothing. The section is far longer than the
    // 150,000 units a fixed buffer would hold.
    std::u16string section = u"\r\n";
    for (int i = 0; section.size() < 200000; ++i) {
        section += FormatDecimal(16 + i % 100) + u"=a long line of reference text\r\n";
    }
    section += u"99=end\r\n";
    LoadArchiveFromText(u"\uFEFF\r\n##\r\n1=one\r\n##\r\n##\r\n##=German\tDeutsch\r\n1=x\r\n"
                        u"##=English\tEnglish" +
                        section + u"##");
    ASSERT_EQ(ReferenceSectionText.size(), section.size() - 1); // from the LF on
    const std::u16string text = BuildTranslationTemplate();
    const std::u16string head = u"\uFEFF!!!! Please don't forget !!!! Write in e-mail subject: "
                                u"Strings for:  LNG:xxxx\r\n\r\n\r\n\r\n";
    ASSERT_EQ(text.size(), head.size() + section.size() - 1);
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(head.size()), section.substr(1));
}

struct ReportCase {
    const char* name;
    std::vector<int> leftOut;
    bool keyLines;
    std::u16string expected;
};

TEST_F(TranslationTools, CoverageReports) {
    LoadRealArchive();
    const ReportCase cases[] = {
        {"complete", {}, true, u"100 %"},
        {"all but 16 and 17", {16, 17}, true, u"97 %\n\nmiss:\n16=Screen \n17=Window \n"},
        // Without key lines id 0 ("01.JAN.2025", the last key line's value) is missing.
        {"no key lines", {}, false, u"98 %\n\nmiss:\n0=01.JAN.2025\n"},
        {"twelve missing",
         {16, 17, 40, 41, 42, 44, 45, 47, 48, 49, 51},
         false,
         u"87 %\n\nmiss:\n0=01.JAN.2025\n16=Screen \n17=Window \n"
         u"40=This is a small program, but an effective solution!\n"
         u"41=How to quickly test your touchscreen for the multi-touch function \n"
         u"42=<< \n44=Touch your touchscreen with one or more fingers \n"
         u"45=to start the test \n"
         u"47=By touching and testing all touchscreen areas with one or more fingers\n"
         u"........\n48,49,51,"},
        {"ten missing",
         {16, 17, 40, 41, 42, 44, 45, 47, 48},
         false,
         u"89 %\n\nmiss:\n0=01.JAN.2025\n16=Screen \n17=Window \n"
         u"40=This is a small program, but an effective solution!\n"
         u"41=How to quickly test your touchscreen for the multi-touch function \n"
         u"42=<< \n44=Touch your touchscreen with one or more fingers \n"
         u"45=to start the test \n"
         u"47=By touching and testing all touchscreen areas with one or more fingers\n"
         u"........\n48,"},
    };
    for (const ReportCase& c : cases) {
        const std::u16string report =
            ApplyTranslationText(TranslationOfReference(c.leftOut, c.keyLines));
        EXPECT_EQ(Show(report), Show(c.expected)) << c.name;
    }
}

TEST_F(TranslationTools, EmptyAndEmptiedEntriesCountAsMissing) {
    LoadRealArchive();
    // "16=" sets id 16 to the empty text: present in the table, but not translated.
    std::u16string text = TranslationOfReference({16}, true) + u"16=\r\n";
    EXPECT_EQ(Show(ApplyTranslationText(text)), Show(u"98 %\n\nmiss:\n16=Screen \n"));
    ASSERT_NE(FileStrings[16].load(), nullptr);
    EXPECT_EQ(FileStrings[16].load()[0], 0);

    // An empty file lists all 95 wanted ids: nine lines (the ninth is 35, "...: %1"), the dots,
    // then the other 86.
    const std::u16string report = ApplyTranslationText(u"");
    const std::u16string expectedTail =
        u"%1\n........\n"
        u"36,37,38,39,40,41,42,44,45,47,48,49,50,51,52,53,54,55,56,60,61,62,63,"
        u"65,66,67,68,69,70,71,72,73,74,75,76,77,78,79,80,81,82,83,84,85,86,87,"
        u"88,89,90,91,92,93,94,95,96,97,98,100,101,102,103,104,105,106,107,108,"
        u"109,110,111,112,113,114,115,116,117,118,119,120,121,122,123,124,125,"
        u"126,127,";
    ASSERT_EQ(report.rfind(u"0 %\n\nmiss:\n0=01.JAN.2025\n16=Screen \n", 0), 0u);
    ASSERT_GE(report.size(), expectedTail.size());
    EXPECT_EQ(Show(report.substr(report.size() - expectedTail.size())), Show(expectedTail));
}

TEST_F(TranslationTools, ReportOfLongListsAndOfNoReference) {
    // 200 long reference texts, none translated: nine full lines and 191 ids on one line.
    StringTable reference = {};
    StringTable file = {};
    const std::u16string longText(5000, u'w');
    for (int id = 0; id < 200; ++id) {
        reference[id] = longText.c_str();
    }
    const std::u16string report = BuildCoverageReport(reference, file);
    std::u16string idLine;
    for (int id = 9; id < 200; ++id) {
        idLine += FormatDecimal(id) + u",";
    }
    ASSERT_EQ(report.rfind(u"0 %\n\nmiss:\n0=" + longText + u"\n1=", 0), 0u);
    EXPECT_EQ(report.size(), 3 + 8 + 9 * (2 + longText.size() + 1) + 9 + idLine.size());
    EXPECT_EQ(report.substr(report.size() - idLine.size() - 10), u"\n........\n" + idLine);

    // Nothing to compare against: 0 %, no list.
    const StringTable none = {};
    EXPECT_EQ(BuildCoverageReport(none, file), u"0 %");
    // Shares truncate: 2 of 3 is 66 %.
    StringTable three = {};
    three[5] = u"a";
    three[6] = u"b";
    three[7] = u"c";
    StringTable two = {};
    two[5] = u"x";
    two[7] = u"y";
    EXPECT_EQ(BuildCoverageReport(three, two), u"66 %\n\nmiss:\n6=b\n");
}

TEST_F(TranslationTools, LoadedTextAnswersEveryLookupAndOutlivesTheNextLoad) {
    LoadRealArchive();
    ApplyTranslationText(u"16=Bildschirm\r\n17=Fenster\r\n40=Text\r\n");
    EXPECT_TRUE(FileStringsActive.load());
    const char16_t* first = FileStrings[16].load();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::u16string(first), u"Bildschirm");
    EXPECT_EQ(std::u16string(LookupString(17)), u"Fenster");
    EXPECT_EQ(std::u16string(LookupString(41)), u"str:41?");

    // A second load replaces every entry: those it lacks are gone.
    ApplyTranslationText(u"16=Ecran\r\n");
    EXPECT_EQ(std::u16string(FileStrings[16].load()), u"Ecran");
    EXPECT_EQ(FileStrings[17].load(), nullptr);
    EXPECT_EQ(FileStrings[40].load(), nullptr);
    // The drawing thread may still hold a pointer from the first load: it stays readable.
    EXPECT_EQ(std::u16string(first), u"Bildschirm");
}

// Latin-1 stands in for the system's ANSI code page; the calls show what the converter got.
struct RecordingConverter {
    std::vector<size_t> calls;
    AnsiConverter Get() {
        return [this](const char* bytes, size_t count) {
            calls.push_back(count);
            std::u16string text;
            for (size_t i = 0; i < count; ++i) {
                text.push_back(static_cast<unsigned char>(bytes[i]));
            }
            return text;
        };
    }
};

struct DecodeCase {
    const char* name;
    Bytes bytes;
    std::u16string expected;
    bool throughAnsi;
};

TEST_F(TranslationTools, DecodesByByteOrderMark) {
    const DecodeCase cases[] = {
        {"UTF-16 LE",
         {0xFF, 0xFE, '1', 0, '=', 0, 0x3B, 0x04, 0x3D, 0xD8, 0x00, 0xDE, '\n', 0},
         u"1=\u043B\U0001F600\n",
         false},
        {"UTF-16 LE, odd length", {0xFF, 0xFE, 'A', 0, 'B', 0, '\n'}, u"AB\n", false},
        {"UTF-16 mark only", {0xFF, 0xFE}, u"", false},
        {"UTF-8",
         {0xEF, 0xBB, 0xBF, '1', '=', 0xC3, 0x89, 0xE0, 0xB8, 0xA0, 0xF0, 0x9F, 0x98, 0x80},
         u"1=\u00C9\u0E20\U0001F600",
         false},
        {"UTF-8, ill-formed pieces",
         {0xEF, 0xBB, 0xBF, 'a', 0xC3, 'b', 0xFF, 0xE0, 0x80, 0xED, 0xA0, 0x80, 0xE0, 0xB8},
         u"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD",
         false},
        {"UTF-8 mark only", {0xEF, 0xBB, 0xBF}, u"", false},
        {"ANSI", {'1', '6', '=', 0xC9, 'c', 'r', 'a', 'n'}, u"16=\u00C9cran", true},
        {"ANSI, UTF-8 without mark", {'1', '=', 0xC3, 0x89}, u"1=\u00C3\u0089", true},
        {"ANSI, half a UTF-8 mark", {0xEF, 0xBB}, u"\u00EF\u00BB", true},
        {"ANSI, big-endian UTF-16 mark", {0xFE, 0xFF, 0, 'A'}, u"\u00FE\u00FFA", true},
        {"empty", {}, u"", false},
    };
    for (const DecodeCase& c : cases) {
        RecordingConverter ansi;
        const std::u16string text = DecodeTextFileBytes(c.bytes.data(), c.bytes.size(), ansi.Get());
        EXPECT_EQ(Show(text), Show(c.expected)) << c.name;
        // The ANSI conversion sees the whole file in one call.
        EXPECT_EQ(ansi.calls,
                  c.throughAnsi ? std::vector<size_t>{c.bytes.size()} : std::vector<size_t>{})
            << c.name;
    }
}

// A zero unit or byte anywhere in the file: the lines after it still load.
TEST_F(TranslationTools, ZeroUnitsAreDroppedAndTheLinesAfterThemLoad) {
    const DecodeCase cases[] = {
        {"UTF-16 LE",
         {0xFF, 0xFE, '1', 0, '6', 0, '=', 0, 'A', 0, 0,    0, '\r', 0,
          '\n', 0,    '1', 0, '7', 0, '=', 0, 'B', 0, '\r', 0, '\n', 0},
         u"16=A\r\n17=B\r\n",
         false},
        {"UTF-8",
         {0xEF, 0xBB, 0xBF, '1', '6', '=', 'A', 0, '\r', '\n', '1', '7', '=', 'B', '\r', '\n'},
         u"16=A\r\n17=B\r\n",
         false},
        {"ANSI",
         {'1', '6', '=', 'A', '\r', '\n', 0, 0, '1', '7', '=', 'B', '\r', '\n'},
         u"16=A\r\n17=B\r\n",
         true},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingConverter ansi;
        const std::u16string text = DecodeTextFileBytes(c.bytes.data(), c.bytes.size(), ansi.Get());
        EXPECT_EQ(Show(text), Show(c.expected));
        ApplyTranslationText(text);
        EXPECT_EQ(std::u16string(LookupString(17)), u"B");
        EXPECT_EQ(std::u16string(LookupString(16)), u"A");
    }
}

TEST_F(TranslationTools, CharactersAcrossByte1024StayWhole) {
    // A character starting at byte 1,023 of the file, where a 1,024-byte read would cut it.
    struct Case {
        const char* name;
        Bytes character;
        std::u16string decoded;
    };
    const Case cases[] = {
        {"2 bytes", {0xC3, 0x89}, u"\u00C9"},
        {"3 bytes", {0xE0, 0xB8, 0xA0}, u"\u0E20"},
        {"4 bytes", {0xF0, 0x9F, 0x98, 0x80}, u"\U0001F600"},
    };
    for (const Case& c : cases) {
        Bytes bytes = {0xEF, 0xBB, 0xBF};
        bytes.resize(1023, 'a');
        bytes.insert(bytes.end(), c.character.begin(), c.character.end());
        bytes.push_back('b');
        const std::u16string expected = std::u16string(1020, u'a') + c.decoded + u"b";
        RecordingConverter ansi;
        EXPECT_EQ(Show(DecodeTextFileBytes(bytes.data(), bytes.size(), ansi.Get())), Show(expected))
            << c.name;
    }
    // UTF-16: a surrogate pair whose halves fall into different 1,024-byte pieces of what
    // follows the mark.
    Bytes utf16 = {0xFF, 0xFE};
    for (int i = 0; i < 1023; ++i) {
        utf16.push_back('a');
        utf16.push_back(0);
    }
    utf16.insert(utf16.end(), {0x3D, 0xD8, 0x00, 0xDE});
    RecordingConverter ansi;
    EXPECT_EQ(DecodeTextFileBytes(utf16.data(), utf16.size(), ansi.Get()),
              std::u16string(1023, u'a') + u"\U0001F600");
}

TEST_F(TranslationTools, AnsiFileLongerThanOneChunkIsConvertedOnce) {
    Bytes bytes;
    std::u16string expected;
    for (int i = 0; i < 3000; ++i) {
        const uint8_t value = static_cast<uint8_t>(i % 2 == 0 ? 'a' + i % 26 : 0xC0 + i % 60);
        bytes.push_back(value);
        expected.push_back(value);
    }
    RecordingConverter ansi;
    EXPECT_EQ(DecodeTextFileBytes(bytes.data(), bytes.size(), ansi.Get()), expected);
    EXPECT_EQ(ansi.calls, std::vector<size_t>{3000});
}

TEST_F(TranslationTools, DecimalsAsPercentDFormatsThem) {
    struct Case {
        int32_t value;
        const char16_t* text;
    };
    const Case cases[] = {{0, u"0"},
                          {7, u"7"},
                          {92, u"92"},
                          {100, u"100"},
                          {-5, u"-5"},
                          {2147483647, u"2147483647"},
                          {-2147483647 - 1, u"-2147483648"}};
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDecimal(c.value), c.text) << c.value;
    }
}

} // namespace
