#include "lang/StringLookup.h"

#include <algorithm>

std::atomic<LanguageIndex> CurrentLanguage{kReferenceLanguage};
std::array<std::atomic<const char16_t*>, kStringSlots> FileStrings{};
std::atomic<bool> FileStringsActive{false};

namespace {

// "str:" and the id and "?": room for the longest int32_t and the terminator.
constexpr size_t kMissingTextSize = 4 + 11 + 1 + 1;

// One per thread: the window thread and the drawing thread may both need it at once.
thread_local char16_t MissingText[kMissingTextSize];

const char16_t* FormatMissingText(StringId id) {
    char16_t digits[11];
    size_t count = 0;
    int64_t magnitude = id;
    if (magnitude < 0) {
        magnitude = -magnitude;
    }
    do {
        digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);

    static constexpr char16_t kPrefix[] = u"str:";
    char16_t* out = std::copy(kPrefix, kPrefix + 4, MissingText);
    if (id < 0) {
        *out++ = u'-';
    }
    while (count > 0) {
        *out++ = digits[--count];
    }
    *out++ = u'?';
    *out = 0;
    return MissingText;
}

} // namespace

const char16_t* LookupString(StringId id) {
    // Callers pass 0..127; anything past the table's slots finds nothing rather than reading
    // outside it.
    const bool inTable = id >= 0 && id < kStringSlots;
    if (FileStringsActive.load()) {
        const char16_t* text = inTable ? FileStrings[static_cast<size_t>(id)].load() : nullptr;
        return text != nullptr ? text : FormatMissingText(id);
    }
    if (!inTable) {
        return nullptr;
    }
    const LanguageIndex language = CurrentLanguage.load(std::memory_order_relaxed);
    if (language >= 0 && language < kMaxLanguages && language < LanguageCount) {
        const char16_t* text = LanguageStrings[language][id];
        if (text != nullptr) {
            return text;
        }
    }
    return LanguageStrings[kReferenceLanguage][id];
}

HeldString::HeldString(StringId id) {
    if (const char16_t* text = LookupString(id)) {
        text_ = text;
        found_ = true;
    }
}

LanguageIndex DefaultLanguageIndex(uint16_t languageId) {
    struct PrimaryLanguage {
        uint16_t primary;
        LanguageIndex index;
    };
    static constexpr PrimaryLanguage kTable[] = {
        {0x01, 18}, // Arabic
        {0x04, 3},  // Chinese, every sub-language
        {0x05, 27}, // Czech
        {0x06, 9},  // Danish
        {0x07, 0},  // German
        {0x08, 21}, // Greek
        {0x0A, 4},  // Spanish
        {0x0B, 26}, // Finnish
        {0x0C, 35}, // French
        {0x0D, 25}, // Hebrew
        {0x0E, 34}, // Hungarian
        {0x10, 2},  // Italian
        {0x11, 6},  // Japanese
        {0x12, 15}, // Korean
        {0x13, 13}, // Dutch
        {0x14, 14}, // Norwegian
        {0x15, 19}, // Polish
        {0x16, 12}, // Portuguese
        {0x19, 16}, // Russian
        {0x1A, 36}, // Croatian, Serbian, Bosnian
        {0x1D, 5},  // Swedish
        {0x1E, 17}, // Thai
        {0x1F, 28}, // Turkish
        {0x21, 31}, // Indonesian
        {0x29, 29}, // Persian
        {0x2A, 7},  // Vietnamese
        {0x36, 23}, // Afrikaans
        {0x39, 24}, // Hindi
        {0x3C, 11}, // Irish
        {0x3E, 30}, // Malay
        {0x52, 33}, // Welsh
        {0x64, 32}, // Filipino
    };
    const uint16_t primary = languageId & 0x3FF;
    for (const PrimaryLanguage& entry : kTable) {
        if (entry.primary == primary) {
            return entry.index;
        }
    }
    return kReferenceLanguage;
}
