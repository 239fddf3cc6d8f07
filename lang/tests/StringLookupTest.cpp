// Texts by number: active language, reference fallback, translation-file mode; and the language
// picked from the system's language identifier.

#include "lang/StringLookup.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string Str(const char16_t* text) {
    return text == nullptr ? u"<null>" : std::u16string(text);
}

// Restores the process-wide state each test changes.
class LookupTest : public testing::Test {
  protected:
    void TearDown() override {
        CurrentLanguage = kReferenceLanguage;
        FileStringsActive = false;
        for (auto& entry : FileStrings) {
            entry = nullptr;
        }
        ResetLanguageArchive();
    }

    void LoadRealArchive() {
        std::ifstream in(QUILLFERN_ARCHIVE_BIN, std::ios::binary);
        const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        const auto block = ExtractArchiveBlockFromImage(image.data(), image.size());
        ASSERT_TRUE(block.has_value()) << QUILLFERN_ARCHIVE_BIN;
        ASSERT_TRUE(LoadArchiveFromBlock(block->data(), block->size()));
        ASSERT_EQ(LanguageCount, 39);
    }
};

// German lacks 17 and has 43 empty; English has both.
const std::u16string kSmallArchive = u"\uFEFF\r\n"
                                     u"##\r\n"
                                     u"4=neutral four\r\n"
                                     u"##\r\n"
                                     u"##\r\n"
                                     u"##=German\tDeutsch\r\n"
                                     u"16=Bildschirm \r\n"
                                     u"43=\r\n"
                                     u"##=English\tEnglish\r\n"
                                     u"16=Screen \r\n"
                                     u"17=only in English\r\n"
                                     u"43=English 43\r\n"
                                     u"##\r\n";

TEST_F(LookupTest, ActiveLanguageThenReferenceLanguage) {
    LoadArchiveFromText(kSmallArchive);
    ASSERT_EQ(LanguageCount, 3);
    CurrentLanguage = 0;
    EXPECT_EQ(Str(LookupString(16)), u"Bildschirm ");
    EXPECT_EQ(Str(LookupString(17)), u"only in English");
    // Set but empty is an answer, not a gap.
    EXPECT_EQ(Str(LookupString(43)), u"");
    // Neutral strings live in their own table.
    EXPECT_EQ(LookupString(4), nullptr);
    EXPECT_EQ(LookupString(18), nullptr);
    CurrentLanguage = 1;
    EXPECT_EQ(Str(LookupString(43)), u"English 43");
}

TEST_F(LookupTest, RealArchiveAnswersInTheActiveLanguage) {
    LoadRealArchive();
    const struct {
        LanguageIndex language;
        const char16_t* text60;
    } cases[] = {{0, u"Fehler "}, {1, u"Error "}, {5, u"Fel "}};
    for (const auto& c : cases) {
        CurrentLanguage = c.language;
        EXPECT_EQ(Str(LookupString(60)), c.text60) << c.language;
        // The pointer is the table's: it stays valid for the life of the process.
        EXPECT_EQ(LookupString(60), LanguageStrings[c.language][60]);
        EXPECT_EQ(Str(LookupString(43)), u"") << c.language;
        EXPECT_EQ(LookupString(4), nullptr) << c.language;
    }
}

TEST_F(LookupTest, IndexOutsideTheLanguagesSelectsNone) {
    LoadRealArchive();
    // 38 is the unnamed last section, 39 the first row past LanguageCount, 48 the first past
    // the table.
    for (const LanguageIndex language : {38, 39, 47, 48, 500, -1, INT_MAX, INT_MIN}) {
        CurrentLanguage = language;
        for (StringId id = 0; id <= kMaxStringId; ++id) {
            ASSERT_EQ(LookupString(id), LanguageStrings[kReferenceLanguage][id])
                << "language " << language << " id " << id;
        }
        EXPECT_EQ(Str(LookupString(60)), u"Error ");
    }
}

TEST_F(LookupTest, IdsPastTheTableFindNothing) {
    LoadRealArchive();
    for (const StringId id : {128, 255, 256, 100000, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(LookupString(id), nullptr) << id;
    }
}

TEST_F(LookupTest, TranslationFileAnswersAlone) {
    LoadRealArchive();
    CurrentLanguage = 5;
    FileStrings[17] = u"";
    FileStrings[18] = u"Sk\u00e4rm";
    FileStringsActive = true;
    EXPECT_EQ(Str(LookupString(17)), u"");
    EXPECT_EQ(Str(LookupString(18)), u"Sk\u00e4rm");
    // Neither the active nor the reference language is asked.
    EXPECT_EQ(Str(LookupString(16)), u"str:16?");
    EXPECT_EQ(Str(LookupString(60)), u"str:60?");
    EXPECT_EQ(Str(LookupString(0)), u"str:0?");
    EXPECT_EQ(Str(LookupString(256)), u"str:256?");
    EXPECT_EQ(Str(LookupString(-7)), u"str:-7?");
    EXPECT_EQ(Str(LookupString(INT_MIN)), u"str:-2147483648?");
    EXPECT_EQ(Str(LookupString(INT_MAX)), u"str:2147483647?");

    FileStringsActive = false;
    EXPECT_EQ(Str(LookupString(60)), u"Fel ");
}

TEST_F(LookupTest, EachThreadHasItsOwnMissingText) {
    FileStringsActive = true;
    const char16_t* mine = LookupString(16);
    ASSERT_EQ(Str(mine), u"str:16?");

    const char16_t* theirs = nullptr;
    std::u16string theirText;
    std::thread other([&] {
        theirs = LookupString(99);
        theirText = Str(theirs);
    });
    other.join();
    EXPECT_EQ(theirText, u"str:99?");
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(Str(mine), u"str:16?");

    // On one thread, the next such lookup reuses the buffer.
    EXPECT_EQ(LookupString(5), mine);
    EXPECT_EQ(Str(mine), u"str:5?");
}

// Two texts shown together each keep their own text, missing or found; a single lookup still
// shares the thread's buffer.
TEST_F(LookupTest, HeldStringsKeepTheirOwnTexts) {
    LoadRealArchive();
    FileStrings[18] = u"Sk\u00e4rm";
    FileStringsActive = true;
    const HeldString first(16);
    const HeldString second(17);
    const HeldString found(18);
    const char16_t* shared = LookupString(99);
    EXPECT_EQ(Str(first.Get()), u"str:16?");
    EXPECT_EQ(Str(second.Get()), u"str:17?");
    EXPECT_EQ(Str(found.Get()), u"Sk\u00e4rm");
    EXPECT_EQ(Str(shared), u"str:99?");

    FileStringsActive = false;
    EXPECT_EQ(HeldString(500).Get(), nullptr);
    EXPECT_EQ(Str(HeldString(16).Get()), u"Screen ");
}

TEST_F(LookupTest, ConcurrentMissingTextsStayApart) {
    FileStringsActive = true;
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            const StringId id = 1000 + t;
            const std::u16string expected =
                u"str:100" + std::u16string(1, static_cast<char16_t>(u'0' + t)) + u"?";
            for (int k = 0; k < 20000; ++k) {
                if (Str(LookupString(id)) != expected) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(mismatches[t], 0) << t;
    }
}

TEST(DefaultLanguage, EveryListedPrimaryLanguage) {
    const struct {
        uint16_t primary;
        LanguageIndex index;
    } listed[] = {
        {0x01, 18}, {0x04, 3},  {0x05, 27}, {0x06, 9},  {0x07, 0},  {0x08, 21}, {0x0A, 4},
        {0x0B, 26}, {0x0C, 35}, {0x0D, 25}, {0x0E, 34}, {0x10, 2},  {0x11, 6},  {0x12, 15},
        {0x13, 13}, {0x14, 14}, {0x15, 19}, {0x16, 12}, {0x19, 16}, {0x1A, 36}, {0x1D, 5},
        {0x1E, 17}, {0x1F, 28}, {0x21, 31}, {0x29, 29}, {0x2A, 7},  {0x36, 23}, {0x39, 24},
        {0x3C, 11}, {0x3E, 30}, {0x52, 33}, {0x64, 32},
    };
    std::set<uint16_t> listedPrimaries;
    for (const auto& entry : listed) {
        listedPrimaries.insert(entry.primary);
        // The sub-language (the top six bits) makes no difference.
        for (const uint16_t sub : {0, 1, 2, 3, 0x3F}) {
            const uint16_t id = static_cast<uint16_t>(sub << 10 | entry.primary);
            EXPECT_EQ(DefaultLanguageIndex(id), entry.index) << std::hex << id;
        }
    }
    ASSERT_EQ(listedPrimaries.size(), 32u);

    // Every other primary language, English and Bulgarian among them, gets the reference.
    for (uint16_t primary = 0; primary < 0x400; ++primary) {
        if (listedPrimaries.count(primary) == 0) {
            EXPECT_EQ(DefaultLanguageIndex(static_cast<uint16_t>(0x0400 | primary)), 1)
                << std::hex << primary;
        }
    }
}

TEST(DefaultLanguage, SystemLanguageIdentifiers) {
    const struct {
        uint16_t id;
        LanguageIndex index;
    } cases[] = {
        {0x0407, 0},  // German
        {0x0807, 0},  // German (Switzerland)
        {0x0409, 1},  // English (United States)
        {0x0809, 1},  // English (United Kingdom): never the English-UK section
        {0x0402, 1},  // Bulgarian: never the Bulgarian section
        {0x0804, 3},  // Chinese (Simplified)
        {0x0404, 3},  // Chinese (Traditional)
        {0x0C04, 3},  // Chinese (Hong Kong)
        {0x0416, 12}, // Portuguese (Brazil)
        {0x0816, 12}, // Portuguese (Portugal)
        {0x081A, 36}, // Serbian (Latin)
        {0x141A, 36}, // Bosnian
        {0x042A, 7},  // Vietnamese: the first Vietnamese section
        {0x0000, 1},  {0xFFFF, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultLanguageIndex(c.id), c.index) << std::hex << c.id;
    }
}

TEST(DefaultLanguage, NeverPicksALanguageReservedForTheMenu) {
    // Italian-2, English-UK, the second Vietnamese, Spanish-VE and Bulgarian are chosen only
    // by hand, and the unnamed last section never.
    const std::set<LanguageIndex> menuOnly = {8, 10, 20, 22, 37};
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        const LanguageIndex index = DefaultLanguageIndex(static_cast<uint16_t>(id));
        ASSERT_GE(index, 0) << id;
        ASSERT_LT(index, 38) << id;
        ASSERT_EQ(menuOnly.count(index), 0u) << id;
    }
}

} // namespace
