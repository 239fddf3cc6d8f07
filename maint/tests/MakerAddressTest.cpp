// The project's addresses by language, and the page entries of the language archive.
#include "maint/MakerAddress.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lang/LanguageArchive.h"
#include "lang/StringLookup.h"

namespace {

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

// Restores the active language after each test.
class MakerAddress : public testing::Test {
  protected:
    void SetUp() override { saved = CurrentLanguage.load(); }
    void TearDown() override {
        CurrentLanguage.store(saved);
        ResetLanguageArchive();
    }

    static void LoadRealArchive() {
        std::ifstream in(QUILLFERN_ARCHIVE_BIN, std::ios::binary);
        const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        ASSERT_FALSE(image.empty()) << QUILLFERN_ARCHIVE_BIN;
        const auto block = ExtractArchiveBlockFromImage(image.data(), image.size());
        ASSERT_TRUE(block.has_value());
        ASSERT_TRUE(LoadArchiveFromBlock(block->data(), block->size()));
    }

    LanguageIndex saved = 1;
};

TEST_F(MakerAddress, GermanForLanguage0AndInternationalForEveryOther) {
    struct Case {
        LanguageIndex language;
        const char* address;
        int entry;
    };
    const Case cases[] = {
        {0, "https://quillfern.example/de/", 4}, {1, "https://quillfern.example/", 5},
        {2, "https://quillfern.example/", 5},    {37, "https://quillfern.example/", 5},
        {-1, "https://quillfern.example/", 5},   {1000, "https://quillfern.example/", 5},
    };
    for (const Case& c : cases) {
        CurrentLanguage.store(c.language);
        EXPECT_EQ(Narrow(BuildMakerAddress()), c.address) << c.language;
        EXPECT_EQ(Narrow(BuildMakerAddressFor(c.language)), c.address) << c.language;
        EXPECT_EQ(Narrow(BuildUninstallPageAddress()),
                  std::string(c.address) + "?seite=Microsoft/Quillfern/Uninstall")
            << c.language;
        EXPECT_EQ(MakerPageEntry(c.language), c.entry) << c.language;
    }
}

TEST_F(MakerAddress, PageComesFromTheArchiveEntryOfTheActiveLanguage) {
    LoadRealArchive();
    ASSERT_NE(NeutralStrings[4], nullptr);
    ASSERT_NE(NeutralStrings[5], nullptr);
    struct Case {
        LanguageIndex language;
        const char* address;
    };
    const Case cases[] = {
        {0, "https://quillfern.example/de/"},
        {1, "https://quillfern.example/"},
        {35, "https://quillfern.example/"},
    };
    for (const Case& c : cases) {
        CurrentLanguage.store(c.language);
        EXPECT_EQ(MakerPageAddress(), NeutralStrings[MakerPageEntry(c.language)]) << c.language;
        EXPECT_EQ(Narrow(MakerPageAddress()), c.address) << c.language;
        // The archive's entry and the assembled address name the same page.
        EXPECT_EQ(Narrow(MakerPageAddress()), Narrow(BuildMakerAddress())) << c.language;
    }
}

TEST_F(MakerAddress, MissingEntryGivesAnEmptyAddress) {
    ResetLanguageArchive();
    for (LanguageIndex language : {0, 1}) {
        CurrentLanguage.store(language);
        ASSERT_NE(MakerPageAddress(), nullptr);
        EXPECT_EQ(Narrow(MakerPageAddress()), "");
    }
}

} // namespace
