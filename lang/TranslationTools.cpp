#include "lang/TranslationTools.h"

#include <algorithm>
#include <memory>

namespace {

bool IsFilled(const char16_t* entry) {
    return entry != nullptr && entry[0] != 0;
}

void AppendText(std::u16string& out, const char16_t* text) {
    if (text != nullptr) {
        out += text;
    }
}

// Appends the code point as UTF-16 (one unit or a surrogate pair).
void AppendCodePoint(std::u16string& out, uint32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

bool InRange(uint8_t value, uint8_t low, uint8_t high) {
    return value >= low && value <= high;
}

// Well-formed UTF-8 only: each maximal ill-formed piece becomes one U+FFFD, so a damaged file
// still loads with its other lines intact.
std::u16string DecodeUtf8(const uint8_t* bytes, size_t size) {
    std::u16string out;
    out.reserve(size);
    size_t i = 0;
    while (i < size) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t codePoint = 0;
        uint8_t secondLow = 0x80;
        uint8_t secondHigh = 0xBF;
        if (InRange(lead, 0xC2, 0xDF)) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (InRange(lead, 0xE0, 0xEF)) {
            length = 3;
            codePoint = lead & 0x0F;
            secondLow = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
            secondHigh = lead == 0xED ? 0x9F : 0xBF; // no surrogates
        } else if (InRange(lead, 0xF0, 0xF4)) {
            length = 4;
            codePoint = lead & 0x07;
            secondLow = lead == 0xF0 ? 0x90 : 0x80;
            secondHigh = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
        } else {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        size_t taken = 1;
        for (; taken < length && i + taken < size; ++taken) {
            const uint8_t next = bytes[i + taken];
            const bool valid =
                taken == 1 ? InRange(next, secondLow, secondHigh) : InRange(next, 0x80, 0xBF);
            if (!valid) {
                break;
            }
            codePoint = codePoint << 6 | (next & 0x3F);
        }
        if (taken == length) {
            AppendCodePoint(out, codePoint);
        } else {
            out.push_back(u'\uFFFD');
        }
        i += taken;
    }
    return out;
}

// Every text a translation file has published; never released, since the drawing thread may
// still hold a pointer into an earlier one. Loads run on the window thread only.
std::vector<std::unique_ptr<char16_t[]>> LoadedTexts;

} // namespace

std::u16string FormatDecimal(int32_t value) {
    // Through int64_t, so that the most negative value has a positive counterpart.
    int64_t magnitude = value;
    const bool negative = magnitude < 0;
    if (negative) {
        magnitude = -magnitude;
    }
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        digits.insert(digits.begin(), u'-');
    }
    return digits;
}

std::vector<LanguageMenuItem> BuildLanguageMenuItems(LanguageIndex current) {
    std::vector<LanguageMenuItem> items;
    const int32_t count = LanguageCount < kMaxLanguages ? LanguageCount : kMaxLanguages;
    for (int32_t k = 0; k < count; ++k) {
        const char16_t* name = LanguageNames[k];
        if (name == nullptr || std::char_traits<char16_t>::length(name) < kShortestListedName) {
            continue;
        }
        LanguageMenuItem item;
        item.id = kMenuLanguageBase + static_cast<uint32_t>(k);
        item.label = name;
        item.label += u" / ";
        item.label += FormatDecimal(TranslatedPercent[k]);
        item.label += u" %";
        item.greyed = k == current;
        items.push_back(std::move(item));
    }
    items.push_back({kMenuFirstSeparator, u"", true, false});
    items.push_back({kMenuTranslate, u"Translate", false, false});
    items.push_back({kMenuLoadFile, u"Load from File (Unicode)", false, false});
    items.push_back({kMenuClosingSeparator, u"", true, false});
    return items;
}

LanguageMenuChoice InterpretLanguageMenuCommand(uint32_t command) {
    switch (command) {
    case 0:
        return {LanguageMenuAction::None, 0};
    case kMenuTranslate:
        return {LanguageMenuAction::ExportTemplate, 0};
    case kMenuLoadFile:
        return {LanguageMenuAction::LoadFile, 0};
    default:
        return {LanguageMenuAction::ChooseLanguage,
                static_cast<LanguageIndex>(static_cast<int64_t>(command) - kMenuLanguageBase)};
    }
}

std::u16string BuildTranslationTemplate() {
    std::u16string text;
    text.push_back(u'\uFEFF');
    text += u"!!!! Please don't forget !!!! Write in e-mail subject: Strings for: ";
    AppendText(text, NeutralStrings[0]);
    text += u" LNG:xxxx";
    text += u"\r\n\r\n";
    AppendText(text, NeutralStrings[25]);
    text += u"\r\n\r\n";
    text += ReferenceSectionText;
    return text;
}

std::u16string BuildCoverageReport(const StringTable& reference, const StringTable& file) {
    int32_t wanted = 0;
    int32_t present = 0;
    int32_t missing = 0;
    std::u16string missingList = u"\n\nmiss:\n";
    for (int32_t id = 0; id < kStringSlots; ++id) {
        if (!IsFilled(reference[id])) {
            continue;
        }
        ++wanted;
        if (IsFilled(file[id])) {
            ++present;
            continue;
        }
        ++missing;
        if (missing < 10) {
            missingList += FormatDecimal(id);
            missingList += u'=';
            missingList += reference[id];
            missingList += u'\n';
        } else {
            if (missing == 10) {
                missingList += u"........\n";
            }
            missingList += FormatDecimal(id);
            missingList += u',';
        }
    }
    // Without any reference text there is nothing to cover: 0 %, not a division by zero.
    const int32_t percent =
        wanted == 0 ? 0 : static_cast<int32_t>(static_cast<double>(present) / wanted * 100.0);
    std::u16string report = FormatDecimal(percent) + u" %";
    if (missing > 0) {
        report += missingList;
    }
    return report;
}

namespace {

std::u16string DecodeWithZeros(const uint8_t* bytes, size_t size,
                               const AnsiConverter& ansiToUtf16) {
    if (bytes == nullptr || size == 0) {
        return {};
    }
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::u16string text;
        text.reserve((size - 1) / 2);
        size_t i = 2;
        for (; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
        }
        // A lone last byte keeps its value as a unit with a zero high byte, as when a tool
        // appends an 8-bit line end: nothing of the file is dropped.
        if (i < size) {
            text.push_back(bytes[i]);
        }
        return text;
    }
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return DecodeUtf8(bytes + 3, size - 3);
    }
    if (!ansiToUtf16) {
        return {};
    }
    return ansiToUtf16(reinterpret_cast<const char*>(bytes), size);
}

} // namespace

std::u16string DecodeTextFileBytes(const uint8_t* bytes, size_t size,
                                   const AnsiConverter& ansiToUtf16) {
    std::u16string text = DecodeWithZeros(bytes, size, ansiToUtf16);
    // The loaded text is kept zero-terminated: a zero inside would end it there and lose every
    // line after it.
    text.erase(std::remove(text.begin(), text.end(), u'\0'), text.end());
    return text;
}

std::u16string ApplyTranslationText(const std::u16string& text) {
    auto storage = std::make_unique<char16_t[]>(text.size() + 1);
    std::char_traits<char16_t>::copy(storage.get(), text.data(), text.size());
    storage[text.size()] = 0;

    StringTable parsed = {};
    ParseStringSection(storage.get(), parsed);
    LoadedTexts.push_back(std::move(storage));
    // Each entry goes straight from its old to its new pointer: a lookup on the drawing thread
    // sees one or the other, never a torn value.
    static_assert(std::tuple_size_v<decltype(FileStrings)> == kStringSlots);
    for (size_t id = 0; id < FileStrings.size(); ++id) {
        FileStrings[id].store(parsed[id]);
    }
    FileStringsActive.store(true);
    return BuildCoverageReport(LanguageStrings[kReferenceLanguage], parsed);
}
