// Arbitrary bytes through the archive load. The first byte picks the road: a file image (block
// search, then load), a block (decode, then parse) or a text (parse only, where marks and string
// lines are dense enough to reach every branch of the grammar).

#include "lang/LanguageArchive.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMaxFuzzLength = 1u << 13;

// Touches every unit of every string the tables point to, so that ASan checks each pointer.
uint32_t Walk(const char16_t* text) {
    uint32_t sum = 0;
    for (; text != nullptr && *text != 0; ++text) {
        sum += *text;
    }
    return sum;
}

void CheckTables() {
    if (LanguageCount < 0 || LanguageCount > kMaxLanguages) {
        std::abort();
    }
    volatile uint32_t sink = 0;
    for (int k = 0; k < kMaxLanguages; ++k) {
        if (TranslatedPercent[k] < 0 || TranslatedPercent[k] > 100) {
            std::abort();
        }
        sink = sink + Walk(LanguageNames[k]);
        for (int id = 0; id < kStringSlots; ++id) {
            if (id > kMaxStringId && LanguageStrings[k][id] != nullptr) {
                std::abort();
            }
            sink = sink + Walk(LanguageStrings[k][id]);
        }
    }
    for (const char16_t* s : NeutralStrings) {
        sink = sink + Walk(s);
    }
    sink = sink + static_cast<uint32_t>(ReferenceSectionText.size());
}

void LoadBlock(std::vector<uint8_t> block) {
    if (block.size() >= 4) {
        const uint32_t length =
            (static_cast<uint32_t>(block[0]) | static_cast<uint32_t>(block[1]) << 8 |
             static_cast<uint32_t>(block[2]) << 16 | static_cast<uint32_t>(block[3]) << 24);
        if (length > kMaxDecodedLength) {
            if (LoadArchiveFromBlock(block.data(), block.size()) || LanguageCount != 0) {
                std::abort(); // a refused header must leave the tables empty
            }
        }
        const uint32_t shortened = length % kMaxFuzzLength;
        for (int i = 0; i < 4; ++i) {
            block[static_cast<size_t>(i)] = static_cast<uint8_t>(shortened >> (8 * i));
        }
    }
    if (!LoadArchiveFromBlock(block.data(), block.size())) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t road = data[0] % 3;
    ++data;
    --size;
    if (road == 0) {
        // An exact-size copy, so that a search running past the image is seen.
        const std::vector<uint8_t> image(data, data + size);
        const auto block = ExtractArchiveBlockFromImage(image.data(), image.size());
        if (block) {
            LoadBlock(*block);
        }
    } else if (road == 1) {
        LoadBlock(std::vector<uint8_t>(data, data + size));
    } else {
        std::u16string text;
        for (size_t i = 0; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
        }
        LoadArchiveFromText(text);
    }
    CheckTables();
    ResetLanguageArchive();
    return 0;
}
