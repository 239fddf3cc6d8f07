// The archive as the build packs it from resources/lang: framing, sections, names, the reference
// texts and completeness.

#include "lang/LanguageArchive.h"
#include "lang/LzariDecoder.h"

#include <gtest/gtest.h>

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

std::u16string Str(const char16_t* p) {
    return p == nullptr ? u"<null>" : std::u16string(p);
}

class RealArchive : public ::testing::Test {
  protected:
    void SetUp() override {
        image = ReadAll(QUILLFERN_ARCHIVE_BIN);
        ASSERT_FALSE(image.empty()) << QUILLFERN_ARCHIVE_BIN;
        const auto block = ExtractArchiveBlockFromImage(image.data(), image.size());
        ASSERT_TRUE(block.has_value());
        ASSERT_TRUE(LoadArchiveFromBlock(block->data(), block->size()));
    }
    void TearDown() override { ResetLanguageArchive(); }
    Bytes image;
};

TEST_F(RealArchive, FramingAndText) {
    const Bytes start = StartMarker();
    const Bytes end = EndMarker();
    ASSERT_GT(image.size(), start.size() + end.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), image.begin()));
    EXPECT_TRUE(std::equal(end.begin(), end.end(), image.end() - end.size()));
    // Exactly one copy of each marker.
    const uint8_t* afterStart = image.data() + 1;
    EXPECT_EQ(FindBytes(afterStart, image.size() - 1, start.data(), start.size()), -1);
    EXPECT_EQ(FindBytes(image.data(), image.size() - 1, end.data(), end.size()), -1);

    // The block decodes to the text file byte for byte; the text is the grammar's.
    const Bytes text = ReadAll(QUILLFERN_ARCHIVE_TEXT);
    const Bytes block(image.begin() + static_cast<std::ptrdiff_t>(start.size()),
                      image.end() - static_cast<std::ptrdiff_t>(end.size()));
    Bytes decoded(text.size());
    LzariDecoder decoder;
    decoder.DecodeToMemory(block.data(), static_cast<uint32_t>(block.size()), decoded.data(),
                           static_cast<uint32_t>(decoded.size()));
    EXPECT_EQ(decoder.DecodedLength(), text.size());
    EXPECT_EQ(decoded, text);
    ASSERT_GE(text.size(), 10u);
    EXPECT_EQ(Bytes(text.begin(), text.begin() + 10),
              (Bytes{0xFF, 0xFE, '\r', 0, '\n', 0, '#', 0, '#', 0}));
    EXPECT_EQ(Bytes(text.end() - 8, text.end()), (Bytes{'#', 0, '#', 0, '\r', 0, '\n', 0}));
}

TEST_F(RealArchive, ThirtyEightNamedLanguagesAndAnEmptyLast) {
    static const char16_t* const englishNames[] = {u"German",
                                                   u"English",
                                                   u"Italian",
                                                   u"Chinese-Traditional",
                                                   u"Spanish",
                                                   u"Swedish",
                                                   u"Japanese",
                                                   u"Vietnamese",
                                                   u"Italian-2",
                                                   u"Danish",
                                                   u"English-UK",
                                                   u"Irish",
                                                   u"Portuguese",
                                                   u"Dutch",
                                                   u"Norwegian",
                                                   u"Korean",
                                                   u"Russian",
                                                   u"Thai",
                                                   u"Arabic",
                                                   u"Polish",
                                                   u"Vietnamese (Vietnam)",
                                                   u"Greek",
                                                   u"Spanish (Venezuela)",
                                                   u"Afrikaans",
                                                   u"Hindi",
                                                   u"Hebrew",
                                                   u"Finnish",
                                                   u"Czech",
                                                   u"Turkish",
                                                   u"Persian",
                                                   u"Malay",
                                                   u"Indonesian",
                                                   u"Filipino",
                                                   u"Welsh",
                                                   u"Hungarian",
                                                   u"French",
                                                   u"Bosnian",
                                                   u"Bulgarian"};
    ASSERT_EQ(LanguageCount, 39);
    for (int k = 0; k < 38; ++k) {
        ASSERT_NE(LanguageNames[k], nullptr) << k;
        const std::u16string name = LanguageNames[k];
        const size_t tab = name.find(u'\t');
        ASSERT_NE(tab, std::u16string::npos) << k;
        EXPECT_EQ(name.substr(0, tab), englishNames[k]) << k;
        EXPECT_GT(name.size(), tab + 1) << "native name of " << k;
        EXPECT_EQ(name.find(u'\t', tab + 1), std::u16string::npos) << k;
        EXPECT_EQ(TranslatedPercent[k], 100) << k;
    }
    EXPECT_EQ(Str(LanguageNames[1]), u"English\tEnglish");
    EXPECT_EQ(LanguageNames[38], nullptr);
    for (int id = 0; id < kStringSlots; ++id) {
        EXPECT_EQ(LanguageStrings[38][id], nullptr) << id;
    }
    EXPECT_EQ(TranslatedPercent[38], 0);
}

TEST_F(RealArchive, ReferenceLanguageStrings) {
    struct Entry {
        int id;
        const char16_t* text;
    };
    static const Entry entries[] = {
        {0, u"01.JAN.2025"},
        {16, u"Screen "},
        {17, u"Window "},
        {40, u"This is a small program, but an effective solution!"},
        {41, u"How to quickly test your touchscreen for the multi-touch function "},
        {42, u"<< "},
        {43, u""},
        {44, u"Touch your touchscreen with one or more fingers "},
        {45, u"to start the test "},
        {46, u""},
        {47, u"By touching and testing all touchscreen areas with one or more fingers"},
        {48, u"you can ensure that the touchscreen has no errors."},
        {49, u">> "},
        {50, u"[I] Touch figures / [R] Report / [G] Grid / [H] Ghost watch / [A] Accuracy"},
        {51, u"[F11] Full screen on / off"},
        {52, u"Use the [D] key to uninstall / remove the program "},
        {53, u"[ESC]=Exit / [L]=Sprache / Language "},
        {55, u"[T]=Translate / Translate "},
        {56, u"Open the touch screen calibration with the [C] key"},
        {60, u"Error "},
        {61, u"No touch screen was recognized "},
        {62, u"Check on the PC whether the USB cable is connected"},
        {63, u"And whether the touch screen driver is installed correctly "},
        {70, u"Uninstall "},
        {71, u"Are you sure you want to uninstall / remove Quillfern?"},
        {72, u"The translation file could not be read:"},
        {73, u"Quillfern could not remove itself. Please delete the program file yourself."},
        {90, u"Info "},
        {91, u"This is a multi touch test tool for everyone Windows desktop and mobile devices "},
        {92, u"By touching and testing all touchscreen areas with one or more fingers you can "
             u"ensure that the touchscreen has no errors."},
    };
    for (const Entry& e : entries) {
        EXPECT_EQ(Str(LanguageStrings[1][e.id]), e.text) << e.id;
    }
    ASSERT_NE(LanguageStrings[1][54], nullptr);
    EXPECT_NE(LanguageStrings[1][54][0], 0);
    // The diagnostics' texts: the touch figures (100..127, 30..39), the coverage grid and ghost
    // watch (74..89) and the accuracy check (93..98, 65..69), every one with words.
    int figures = 0;
    for (int id = 0; id < kStringSlots; ++id) {
        if ((id >= 100 && id <= 127) || (id >= 30 && id <= 39) || (id >= 74 && id <= 89) ||
            (id >= 93 && id <= 98) || (id >= 65 && id <= 69)) {
            ASSERT_NE(LanguageStrings[1][id], nullptr) << id;
            EXPECT_NE(LanguageStrings[1][id][0], 0) << id;
            ++figures;
        }
    }
    EXPECT_EQ(Str(LanguageStrings[1][38]), u"\u2264 %1 mm, \u2264 %2 mm within %3 mm of an edge");
    int set = 0;
    for (int id = 0; id < kStringSlots; ++id) {
        set += LanguageStrings[1][id] != nullptr;
    }
    // The table above, 54 and the diagnostics' texts.
    EXPECT_EQ(set, static_cast<int>(std::size(entries)) + 1 + figures);
    EXPECT_EQ(ReferenceSectionText.rfind(u"\nTranslatorName=", 0), 0u);
    EXPECT_NE(ReferenceSectionText.find(u"\r\n[Info] \r\n90=Info \r\n"), std::u16string::npos);
}

TEST_F(RealArchive, NeutralStrings) {
    EXPECT_EQ(Str(NeutralStrings[0]), u"Quillfern 2.82");
    for (int id : {4, 5, 22, 25}) {
        ASSERT_NE(NeutralStrings[id], nullptr) << id;
        EXPECT_NE(NeutralStrings[id][0], 0) << id;
    }
    EXPECT_EQ(Str(NeutralStrings[4]).rfind(u"https://", 0), 0u);
    EXPECT_EQ(Str(NeutralStrings[5]).rfind(u"https://", 0), 0u);
    // Unescaped into three lines, no backslash sequence left.
    const std::u16string contact = NeutralStrings[25];
    EXPECT_NE(contact.find(u"\r\n"), std::u16string::npos);
    EXPECT_EQ(contact.find(u"\\r"), std::u16string::npos);
    EXPECT_EQ(contact.find(u"\\n"), std::u16string::npos);
}

} // namespace
