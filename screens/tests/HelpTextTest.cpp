// The help text and the touch error text, over small hand-made tables and over the archive the
// build packs from resources/lang.

#include "screens/HelpText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lang/LanguageArchive.h"
#include "lang/StringLookup.h"

namespace {

std::u16string Show(const char16_t* text) {
    return text ? std::u16string(text) : u"<null>";
}

std::u16string CrLf(int count) {
    std::u16string text;
    for (int i = 0; i < count; ++i) {
        text += u"\r\n";
    }
    return text;
}

// Language 1 (the reference) has "E<id>" for ids 40..63 except 50 and 44; language 0 has
// "G<id>" for a few of them.
class HelpTextTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetLanguageArchive();
        LanguageCount = 2;
        for (int id = 40; id <= 63; ++id) {
            if (id == 50 || id == 44) {
                continue;
            }
            english[id] = u"E" + Number(id);
            LanguageStrings[1][id] = english[id].c_str();
        }
        for (int id : {40, 51, 56, 61}) {
            german[id] = u"G" + Number(id);
            LanguageStrings[0][id] = german[id].c_str();
        }
        CurrentLanguage = 1;
    }

    void TearDown() override {
        ResetLanguageArchive();
        CurrentLanguage = 1;
        FileStringsActive = false;
        for (auto& entry : FileStrings) {
            entry = nullptr;
        }
    }

    static std::u16string Number(int id) {
        std::u16string digits;
        for (const char c : std::to_string(id)) {
            digits += static_cast<char16_t>(c);
        }
        return digits;
    }

    std::u16string english[64];
    std::u16string german[64];
};

const std::u16string kReferenceHelp = u"\r\n\r\n"
                                      u"E40\r\nE41\r\nE42\r\nE43\r\n"
                                      u"\r\n" // 44: in no language
                                      u"E45\r\nE46\r\nE47\r\nE48\r\nE49\r\n"
                                      u"\r\n" // 50
                                      u"E51\r\n\r\n"
                                      u"E52\r\n\r\n"
                                      u"E53\r\n\r\n"
                                      u"E54\r\n"
                                      u"E55\r\n\r\n"
                                      u"E56\r\n\r\n";

TEST_F(HelpTextTest, LinesInOrderWithTheirEmptyLines) {
    EXPECT_EQ(Show(BuildHelpText()), kReferenceHelp);
}

TEST_F(HelpTextTest, SecondCallGivesTheSameTextNotADoubledOne) {
    const std::u16string first = Show(BuildHelpText());
    EXPECT_EQ(Show(BuildHelpText()), first);
    EXPECT_EQ(first, kReferenceHelp);
}

TEST_F(HelpTextTest, FollowsTheLanguageWithReferenceFallback) {
    ASSERT_EQ(Show(BuildHelpText()), kReferenceHelp);
    CurrentLanguage = 0;
    EXPECT_EQ(Show(BuildHelpText()), u"\r\n\r\n"
                                     u"G40\r\nE41\r\nE42\r\nE43\r\n\r\n"
                                     u"E45\r\nE46\r\nE47\r\nE48\r\nE49\r\n\r\n"
                                     u"G51\r\n\r\nE52\r\n\r\nE53\r\n\r\nE54\r\nE55\r\n\r\n"
                                     u"G56\r\n\r\n");
    CurrentLanguage = 1;
    EXPECT_EQ(Show(BuildHelpText()), kReferenceHelp);
}

TEST_F(HelpTextTest, EmptyAndMissingTextsLeaveEmptyLines) {
    LanguageStrings[1][43] = u""; // set but empty
    LanguageStrings[1][52] = nullptr;
    LanguageStrings[1][56] = nullptr;
    EXPECT_EQ(Show(BuildHelpText()), u"\r\n\r\n"
                                     u"E40\r\nE41\r\nE42\r\n\r\n\r\n"
                                     u"E45\r\nE46\r\nE47\r\nE48\r\nE49\r\n\r\n"
                                     u"E51\r\n\r\n\r\n\r\nE53\r\n\r\nE54\r\nE55\r\n\r\n"
                                     u"\r\n\r\n");
    // Nothing at all: the line structure alone, 2 + 17 + 5 line breaks.
    ResetLanguageArchive();
    EXPECT_EQ(Show(BuildHelpText()), CrLf(24));
}

TEST_F(HelpTextTest, TranslationFileShowsItsGapsByNumber) {
    FileStrings[40] = u"F40";
    FileStringsActive = true;
    const std::u16string help = Show(BuildHelpText());
    EXPECT_EQ(help.substr(0, 18), u"\r\n\r\nF40\r\nstr:41?\r\n");
    EXPECT_NE(help.find(u"str:50?\r\nstr:51?\r\n\r\nstr:52?"), std::u16string::npos);
}

TEST_F(HelpTextTest, TouchErrorTextNumbersThreeLines) {
    EXPECT_EQ(Show(BuildTouchErrorText()), u"\n\n1. E61\n\n2. E62\n\n3. E63\n\n");
    // Built again, not appended to what the first call left.
    EXPECT_EQ(Show(BuildTouchErrorText()), u"\n\n1. E61\n\n2. E62\n\n3. E63\n\n");
    CurrentLanguage = 0;
    EXPECT_EQ(Show(BuildTouchErrorText()), u"\n\n1. G61\n\n2. E62\n\n3. E63\n\n");
    LanguageStrings[1][62] = nullptr;
    EXPECT_EQ(Show(BuildTouchErrorText()), u"\n\n1. G61\n\n2. \n\n3. E63\n\n");
    ResetLanguageArchive();
    EXPECT_EQ(Show(BuildTouchErrorText()), u"\n\n1. \n\n2. \n\n3. \n\n");
}

TEST_F(HelpTextTest, TouchErrorTextStaysInsideItsBuffer) {
    const std::u16string huge(3000, u'x');
    LanguageStrings[1][61] = huge.c_str();
    LanguageStrings[1][62] = huge.c_str();
    const char16_t* text = BuildTouchErrorText();
    const std::u16string got = Show(text);
    ASSERT_EQ(got.size(), kTouchErrorCapacity - 1);
    EXPECT_EQ(got, u"\n\n1. " + std::u16string(kTouchErrorCapacity - 1 - 5, u'x'));

    // Cut just inside a surrogate pair: the lone high half is dropped, and the unit it leaves
    // takes the first line feed of the next piece.
    std::u16string pairs(kTouchErrorCapacity - 1 - 5 - 1, u'y');
    pairs += u"\U0001F600";
    LanguageStrings[1][61] = pairs.c_str();
    const std::u16string cut = Show(BuildTouchErrorText());
    EXPECT_EQ(cut, u"\n\n1. " + std::u16string(kTouchErrorCapacity - 1 - 5 - 1, u'y') + u"\n");
}

// The texts as the build packs them.
class ShippedTexts : public testing::Test {
  protected:
    void SetUp() override {
        std::ifstream in(QUILLFERN_ARCHIVE_TEXT, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 1000u) << QUILLFERN_ARCHIVE_TEXT;
        std::u16string text(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                            static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
        }
        LoadArchiveFromText(text);
        ASSERT_GE(LanguageCount, 38);
        CurrentLanguage = 1;
    }
    void TearDown() override {
        ResetLanguageArchive();
        CurrentLanguage = 1;
    }
};

TEST_F(ShippedTexts, EnglishHelpText) {
    EXPECT_EQ(Show(BuildHelpText()),
              u"\r\n\r\n"
              u"This is a small program, but an effective solution!\r\n"
              u"How to quickly test your touchscreen for the multi-touch function \r\n"
              u"<< \r\n"
              u"\r\n"
              u"Touch your touchscreen with one or more fingers \r\n"
              u"to start the test \r\n"
              u"\r\n"
              u"By touching and testing all touchscreen areas with one or more fingers\r\n"
              u"you can ensure that the touchscreen has no errors.\r\n"
              u">> \r\n"
              u"[I] Touch figures / [R] Report / [G] Grid / [H] Ghost watch / [A] Accuracy\r\n"
              u"[F11] Full screen on / off\r\n\r\n"
              u"Use the [D] key to uninstall / remove the program \r\n\r\n"
              u"[ESC]=Exit / [L]=Sprache / Language \r\n\r\n"
              u"[Enter] More free tools from the Quillfern project \r\n"
              u"[T]=Translate / Translate \r\n\r\n"
              u"Open the touch screen calibration with the [C] key\r\n\r\n");
}

TEST_F(ShippedTexts, EnglishTouchErrorText) {
    EXPECT_EQ(Show(BuildTouchErrorText()),
              u"\n\n1. No touch screen was recognized "
              u"\n\n2. Check on the PC whether the USB cable is connected"
              u"\n\n3. And whether the touch screen driver is installed correctly \n\n");
}

TEST_F(ShippedTexts, ArabicHelpTextAndEveryLanguagesLineStructure) {
    CurrentLanguage = 18;
    const std::u16string arabic = Show(BuildHelpText());
    EXPECT_EQ(arabic.substr(0, 4), u"\r\n\r\n");
    EXPECT_EQ(
        arabic.substr(4, arabic.find(u"\r\n", 4) - 4),
        u"\u0625\u0646\u0647 \u0628\u0631\u0646\u0627\u0645\u062C \u0635\u063A\u064A\u0631\u060C "
        u"\u0644\u0643\u0646\u0647 \u062D\u0644 \u0641\u0639\u0651\u0627\u0644!");
    // Whatever the language: 2 + 17 + 5 line breaks, and no text brings a break of its own.
    for (LanguageIndex language = 0; language < LanguageCount; ++language) {
        SCOPED_TRACE(language);
        CurrentLanguage = language;
        const std::u16string help = Show(BuildHelpText());
        size_t breaks = 0;
        for (size_t at = help.find(u"\r\n"); at != std::u16string::npos;
             at = help.find(u"\r\n", at + 2)) {
            ++breaks;
        }
        EXPECT_EQ(breaks, 24u);
        EXPECT_EQ(help.substr(help.size() - 4), u"\r\n\r\n");
    }
}

} // namespace
