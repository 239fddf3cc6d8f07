// The archive text grammar, completeness, the block search in a file image and the load from a
// block.

#include "lang/LanguageArchive.h"
#include "lang/LzariEncoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::u16string Str(const char16_t* p) {
    return p == nullptr ? u"<null>" : std::u16string(p);
}

// For failure messages: ASCII as is, everything else as \uXXXX.
std::string Show(const char16_t* p) {
    std::string out;
    for (; p != nullptr && *p != 0; ++p) {
        if (*p >= 0x20 && *p < 0x7F) {
            out += static_cast<char>(*p);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(*p));
            out += buffer;
        }
    }
    return out;
}

class ArchiveTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetLanguageArchive(); }
};

// Head, neutral section, sections 1 and 2, then German and English.
const std::u16string kSmallArchive = u"\uFEFF\r\n"
                                     u"5=before the first mark is ignored\r\n"
                                     u"##\r\n"
                                     u"[INFO-STRINGS]\r\n"
                                     u"0=Quillfern 2.82\r\n"
                                     u"25=a\\r\\nb\\tc\\\r\n"
                                     u"##\r\n\r\n"
                                     u"##\r\n"
                                     u"##=German\tDeutsch\r\n"
                                     u"TranslatorName=Jo\r\n"
                                     u"16=Bildschirm \r\n"
                                     u"25=a\\r\\nb\r\n"
                                     u"##=English\tEnglish\r\n"
                                     u"LastUpdated=01.JAN.2025\r\n"
                                     u"16=Screen \r\n"
                                     u"\r\n"
                                     u"[INFO-STRINGS] \r\n"
                                     u"43=\r\n"
                                     u"53=[ESC]=Exit / [L]=Sprache / Language \r\n"
                                     u"##\r\n";

TEST_F(ArchiveTest, SectionsNamesAndStrings) {
    LoadArchiveFromText(kSmallArchive);
    ASSERT_EQ(LanguageCount, 3);
    EXPECT_EQ(Str(LanguageNames[0]), u"German\tDeutsch");
    EXPECT_EQ(Str(LanguageNames[1]), u"English\tEnglish");
    EXPECT_EQ(LanguageNames[2], nullptr);
    EXPECT_EQ(Str(LanguageStrings[0][16]), u"Bildschirm ");
    EXPECT_EQ(Str(LanguageStrings[0][0]), u"Jo"); // a key line without digits is id 0
    EXPECT_EQ(Str(LanguageStrings[1][0]), u"01.JAN.2025");
    EXPECT_EQ(Str(LanguageStrings[1][16]), u"Screen ");
    EXPECT_EQ(Str(LanguageStrings[1][43]), u""); // set, but empty
    EXPECT_EQ(LanguageStrings[1][44], nullptr);
    EXPECT_EQ(Str(LanguageStrings[1][53]), u"[ESC]=Exit / [L]=Sprache / Language ");
    for (int id = 0; id < kStringSlots; ++id) {
        EXPECT_EQ(LanguageStrings[2][id], nullptr) << id;
    }
    EXPECT_EQ(LanguageStrings[0][5], nullptr);
    EXPECT_EQ(NeutralStrings[5], nullptr);
}

TEST_F(ArchiveTest, OnlyTheNeutralSectionIsUnescaped) {
    LoadArchiveFromText(kSmallArchive);
    EXPECT_EQ(Str(NeutralStrings[0]), u"Quillfern 2.82");
    // \r and \n become CR and LF; \t and a trailing lone backslash stay as written.
    EXPECT_EQ(Str(NeutralStrings[25]), u"a\r\nb\\tc\\");
    EXPECT_EQ(Str(LanguageStrings[0][25]), u"a\\r\\nb");
}

TEST_F(ArchiveTest, ReferenceSectionTextIsTheVerbatimEnglishSection) {
    LoadArchiveFromText(kSmallArchive);
    EXPECT_EQ(ReferenceSectionText, u"\n"
                                    u"LastUpdated=01.JAN.2025\r\n"
                                    u"16=Screen \r\n"
                                    u"\r\n"
                                    u"[INFO-STRINGS] \r\n"
                                    u"43=\r\n"
                                    u"53=[ESC]=Exit / [L]=Sprache / Language \r\n");
}

TEST_F(ArchiveTest, UnnamedSectionsStartFourUnitsAfterTheirMark) {
    LoadArchiveFromText(u"##\r\n##\r\n##\r\n##\r\n7=seven\r\n##12=twelve\r\n");
    ASSERT_EQ(LanguageCount, 2);
    EXPECT_EQ(LanguageNames[0], nullptr);
    EXPECT_EQ(LanguageNames[1], nullptr);
    EXPECT_EQ(Str(LanguageStrings[0][7]), u"seven");
    // The two units after the mark are skipped whatever they are: the line reads "=twelve".
    EXPECT_EQ(LanguageStrings[1][12], nullptr);
    EXPECT_EQ(Str(LanguageStrings[1][0]), u"twelve");
}

TEST_F(ArchiveTest, MarksBeyondFortyEightLanguagesAreIgnoredButEndTheSection) {
    std::u16string text = u"##\r\n##\r\n##\r\n";
    for (int k = 0; k < 52; ++k) {
        const char16_t letter = static_cast<char16_t>(u'A' + k);
        text += u"##=L";
        text += letter;
        text += u"\tx\r\n1=";
        text += letter;
        text += u"\r\n";
    }
    LoadArchiveFromText(text);
    ASSERT_EQ(LanguageCount, 48);
    const char16_t last = static_cast<char16_t>(u'A' + 47);
    std::u16string name = u"L";
    name += last;
    name += u"\tx";
    EXPECT_EQ(Str(LanguageNames[47]), name);
    // The 49th mark still ends section 47; its line would otherwise replace id 1.
    EXPECT_EQ(Str(LanguageStrings[47][1]), std::u16string(1, last));
    EXPECT_EQ(LanguageStrings[47][0], nullptr);
}

TEST_F(ArchiveTest, NameLineWithoutCrRunsToTheEnd) {
    LoadArchiveFromText(u"##\r\n##\r\n##\r\n##=Klingon\ttlhIngan\n1=x\n");
    ASSERT_EQ(LanguageCount, 1);
    EXPECT_EQ(Str(LanguageNames[0]), u"Klingon\ttlhIngan\n1=x\n");
    EXPECT_EQ(LanguageStrings[0][1], nullptr);
}

TEST_F(ArchiveTest, NoMarkMeansNoSections) {
    LoadArchiveFromText(u"\uFEFF\r\n0=x\r\n1=y\r\n");
    EXPECT_EQ(LanguageCount, 0);
    EXPECT_EQ(NeutralStrings[0], nullptr);
    EXPECT_TRUE(ReferenceSectionText.empty());
}

struct LineCase {
    const char16_t* line;
    int id; // -1: the line sets nothing
    const char16_t* text;
};

TEST(ParseStringSection, IdsAndLines) {
    const LineCase cases[] = {
        {u"40=plain", 40, u"plain"},
        {u" 40 =word", 40, u"word"}, // white space before, junk after the digits
        {u"\t\v+41=signed", 41, u"signed"},
        {u"42xyz=junk after digits", 42, u"junk after digits"},
        {u"0000000000000000000043=leading zeros", 43, u"leading zeros"},
        {u"127=last", 127, u"last"},
        {u"-0=minus zero", 0, u"minus zero"},
        {u"TranslatorName=Jo", 0, u"Jo"},
        {u"x44=no digits first", 0, u"no digits first"},
        {u"53=[ESC]=Exit", 53, u"[ESC]=Exit"},
        {u"45=", 45, u""},
        {u"128=too big", -1, nullptr},
        {u"-1=negative", -1, nullptr},
        {u"- 46=space after sign", 0, u"space after sign"},
        // 20 digits: wrapping at 2^64 would make it id 1.
        {u"18446744073709551617=huge", -1, nullptr},
        {u"99999999999999999999=huge", -1, nullptr},
        {u"no equals sign", -1, nullptr},
        {u"[Error] ", -1, nullptr},
        {u"47=cr\rinside", 47, u"cr\rinside"},
    };
    for (const LineCase& c : cases) {
        std::u16string buffer = std::u16string(c.line) + u"\r\n";
        const char16_t* table[kStringSlots];
        std::fill(std::begin(table), std::end(table), u"stale");
        ParseStringSection(buffer.data(), table);
        for (int id = 0; id <= kMaxStringId; ++id) {
            if (id == c.id) {
                EXPECT_EQ(Str(table[id]), c.text) << Show(c.line);
            } else {
                EXPECT_EQ(table[id], nullptr) << Show(c.line) << " id " << id;
            }
        }
        for (int id = kMaxStringId + 1; id < kStringSlots; ++id) {
            EXPECT_EQ(Str(table[id]), u"stale") << "entries above 127 are left alone";
        }
    }
}

TEST(ParseStringSection, LaterLinesWinAndTheLastLineNeedsLf) {
    std::u16string text = u"25=first\r\n25=second\n\n26=lf only\n27=no lf at the end";
    const char16_t* table[kStringSlots] = {};
    ParseStringSection(text.data(), table);
    EXPECT_EQ(Str(table[25]), u"second");
    EXPECT_EQ(Str(table[26]), u"lf only");
    EXPECT_EQ(table[27], nullptr);
    // In place: the terminators sit where the line ends were.
    EXPECT_EQ(table[25], text.data() + 13);
    EXPECT_EQ(text[8], u'\0');
    EXPECT_EQ(text[9], u'\0');
}

TEST(ParseStringSection, NullTextLeavesTheTableCleared) {
    const char16_t* table[kStringSlots];
    std::fill(std::begin(table), std::end(table), u"stale");
    ParseStringSection(nullptr, table);
    EXPECT_EQ(table[0], nullptr);
    EXPECT_EQ(table[127], nullptr);
    EXPECT_EQ(Str(table[128]), u"stale");
}

TEST(ParseStringId, ReadsLikeWtoiWithoutOverflow) {
    EXPECT_EQ(ParseStringId(u"  -12x"), -12);
    EXPECT_EQ(ParseStringId(u"abc"), 0);
    EXPECT_EQ(ParseStringId(u""), 0);
    EXPECT_GT(ParseStringId(u"18446744073709551617"), kMaxStringId);
    EXPECT_LT(ParseStringId(u"-18446744073709551617"), 0);
}

std::u16string Decimal(int value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::u16string LanguageSection(const std::u16string& name, const std::vector<int>& ids,
                               const std::vector<int>& emptyIds = {}) {
    std::u16string s = u"##=";
    s += name;
    s += u"\r\n";
    for (int id : ids) {
        s += Decimal(id);
        s += u"=t\r\n";
    }
    for (int id : emptyIds) {
        s += Decimal(id);
        s += u"=\r\n";
    }
    return s;
}

std::vector<int> Range(int first, int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) {
        ids.push_back(first + i);
    }
    return ids;
}

TEST_F(ArchiveTest, TranslatedPercent) {
    const std::vector<int> reference = Range(10, 26); // 26 non-empty ids
    std::vector<int> missingOne = reference;
    missingOne.erase(missingOne.begin() + 5);
    std::vector<int> extra = Range(10, 13);
    extra.push_back(120); // not in the reference: does not count
    std::u16string text = u"##\r\n##\r\n##\r\n";
    text += LanguageSection(u"A\ta", missingOne);          // 25 of 26 -> 96
    text += LanguageSection(u"E\te", reference, {43, 46}); // reference; empties not counted
    text += LanguageSection(u"B\tb", extra);               // 13 of 26 -> 50
    text += LanguageSection(u"C\tc", Range(10, 25), {35}); // "35=" is missing -> 96
    text += u"##\r\n";                                     // no strings -> 0
    LoadArchiveFromText(text);
    ASSERT_EQ(LanguageCount, 5);
    EXPECT_EQ(TranslatedPercent[0], 96);
    EXPECT_EQ(TranslatedPercent[1], 100);
    EXPECT_EQ(TranslatedPercent[2], 50);
    EXPECT_EQ(TranslatedPercent[3], 96);
    EXPECT_EQ(TranslatedPercent[4], 0);
}

TEST_F(ArchiveTest, TranslatedPercentDividesFirst) {
    // 29 / 100 * 100.0 is 28.999999999999996 in double: truncation gives 28, not 29.
    std::u16string text = u"##\r\n##\r\n##\r\n";
    text += LanguageSection(u"A\ta", Range(0, 29));
    text += LanguageSection(u"E\te", Range(0, 100));
    LoadArchiveFromText(text);
    EXPECT_EQ(TranslatedPercent[0], 28);
    EXPECT_EQ(TranslatedPercent[1], 100);
}

TEST_F(ArchiveTest, WithoutReferenceLanguageEveryPercentIsZero) {
    LoadArchiveFromText(u"##\r\n##\r\n##\r\n##=Only\tone\r\n1=x\r\n");
    ASSERT_EQ(LanguageCount, 1);
    EXPECT_EQ(TranslatedPercent[0], 0);
    EXPECT_TRUE(ReferenceSectionText.empty());
}

Bytes B(const char* s) {
    return Bytes(s, s + std::char_traits<char>::length(s));
}

TEST(FindBytes, Cases) {
    struct Case {
        const char* buffer;
        const char* pattern;
        int64_t expected;
    };
    const Case cases[] = {
        {"", "a", -1},        {"abc", "", -1},      {"ab", "abc", -1},  {"abc", "abc", 0},
        {"xxabc", "abc", 2},  {"abcab", "ab", 0},   {"aaab", "aab", 1}, {"xxab", "abc", -1},
        {"abxabc", "abc", 3}, {"zzzzzab", "ab", 5},
    };
    for (const Case& c : cases) {
        const Bytes buffer = B(c.buffer);
        const Bytes pattern = B(c.pattern);
        EXPECT_EQ(FindBytes(buffer.data(), buffer.size(), pattern.data(), pattern.size()),
                  c.expected)
            << c.buffer << " / " << c.pattern;
    }
    // A pattern whose start lies inside the buffer but whose end would not.
    const Bytes buffer = B("xxab");
    const Bytes pattern = B("abab");
    EXPECT_EQ(FindBytes(buffer.data(), 3, pattern.data(), 2), -1);
    EXPECT_EQ(FindBytes(buffer.data(), buffer.size(), pattern.data(), pattern.size()), -1);
}

TEST(Markers, AreTheArchiveMarkers) {
    EXPECT_EQ(StartMarker(), B("\n<!- ------SDSGDGSDHREETETBCNMJUKR----------\n"));
    EXPECT_EQ(EndMarker(), B("\n-------SDSGDGSDHREETETBCNMJUKR-------- -->\n"));
    EXPECT_EQ(StartMarker().size(), kStartMarkerSize);
    EXPECT_EQ(EndMarker().size(), kEndMarkerSize);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST(ExtractArchiveBlockFromImage, Cases) {
    const Bytes start = StartMarker();
    const Bytes end = EndMarker();
    const Bytes block = B("BLOCK\n-");
    struct Case {
        const char* what;
        Bytes image;
        bool found;
        Bytes expected;
    };
    const Case cases[] = {
        {"framed", Cat({B("MZ.."), start, block, end, B("tail")}), true, block},
        {"adjacent markers", Cat({start, end}), true, {}},
        {"no start marker", Cat({block, end}), false, {}},
        {"no end marker", Cat({start, block}), false, {}},
        {"end marker first", Cat({end, block, start}), false, {}},
        {"end inside start", Cat({Bytes(start.begin(), start.end() - 1), end}), false, {}},
        {"first start wins", Cat({start, B("a"), start, block, end}), true,
         Cat({B("a"), start, block})},
        {"first end wins", Cat({start, block, end, B("b"), end}), true, block},
        {"empty image", {}, false, {}},
    };
    for (const Case& c : cases) {
        const auto result = ExtractArchiveBlockFromImage(c.image.data(), c.image.size());
        ASSERT_EQ(result.has_value(), c.found) << c.what;
        if (result) {
            EXPECT_EQ(*result, c.expected) << c.what;
        }
    }
}

TEST_F(ArchiveTest, LoadFromBlock) {
    Bytes text;
    for (char16_t unit : kSmallArchive) {
        text.push_back(static_cast<uint8_t>(unit));
        text.push_back(static_cast<uint8_t>(unit >> 8));
    }
    const Bytes block = EncodeLzari(text.data(), text.size());
    ASSERT_TRUE(LoadArchiveFromBlock(block.data(), block.size()));
    EXPECT_EQ(LanguageCount, 3);
    EXPECT_EQ(Str(LanguageStrings[1][16]), u"Screen ");
    EXPECT_EQ(Str(NeutralStrings[25]), u"a\r\nb\\tc\\");
    EXPECT_EQ(TranslatedPercent[0], 66); // ids 0 and 16 of English's 0, 16 and 53
}

TEST_F(ArchiveTest, LoadFromDamagedBlocks) {
    // Too short for a header: the empty text, no sections.
    const Bytes tiny = {0x10, 0x00};
    EXPECT_TRUE(LoadArchiveFromBlock(tiny.data(), tiny.size()));
    EXPECT_EQ(LanguageCount, 0);

    // An odd length and a code of garbage still load as some text.
    const Bytes odd = {0x07, 0x00, 0x00, 0x00, 0x12, 0x34};
    EXPECT_TRUE(LoadArchiveFromBlock(odd.data(), odd.size()));

    // A header claiming 4 GiB is refused instead of allocated, and leaves nothing behind.
    LoadArchiveFromText(kSmallArchive);
    const Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_FALSE(LoadArchiveFromBlock(huge.data(), huge.size()));
    EXPECT_EQ(LanguageCount, 0);
    EXPECT_EQ(NeutralStrings[0], nullptr);
    const Bytes over = {0x01, 0x00, 0x00, 0x01}; // kMaxDecodedLength + 1
    EXPECT_FALSE(LoadArchiveFromBlock(over.data(), over.size()));
}

} // namespace
