#include "lang/LanguageArchive.h"

#include "lang/LzariDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>

const char16_t* NeutralStrings[kNeutralSlots];
const char16_t* LanguageStrings[kMaxLanguages][kStringSlots];
const char16_t* LanguageNames[kMaxLanguages];
int32_t LanguageCount = 0;
int32_t TranslatedPercent[kMaxLanguages];
std::u16string ReferenceSectionText;

namespace {

// The text the tables point into; replaced only by the next load.
std::unique_ptr<char16_t[]> ArchiveText;

// Read through volatile so that the compiler must fetch each letter at run time and cannot lay
// the markers out as constant data.
const volatile uint8_t kMarkerLetters[] = {'B', 'C', 'D', 'E', 'G', 'H', 'J',
                                           'K', 'M', 'N', 'R', 'S', 'T', 'U'};
const uint8_t kMarkerWord[] = {11, 2, 11, 4, 2, 4, 11, 2, 5,  10, 3, 3,
                               12, 3, 12, 0, 1, 9, 8,  6, 13, 7,  10};

void AppendRepeated(std::vector<uint8_t>& out, uint8_t value, int count) {
    for (int i = 0; i < count; ++i) {
        out.push_back(value);
    }
}

void AppendMarkerWord(std::vector<uint8_t>& out) {
    for (uint8_t index : kMarkerWord) {
        const uint8_t letter = kMarkerLetters[index];
        out.push_back(letter);
    }
}

void ClearTables() {
    std::fill(std::begin(NeutralStrings), std::end(NeutralStrings), nullptr);
    for (auto& row : LanguageStrings) {
        std::fill(std::begin(row), std::end(row), nullptr);
    }
    std::fill(std::begin(LanguageNames), std::end(LanguageNames), nullptr);
    std::fill(std::begin(TranslatedPercent), std::end(TranslatedPercent), 0);
    LanguageCount = 0;
    ReferenceSectionText.clear();
}

bool IsIdSpace(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D);
}

char16_t* FirstEquals(char16_t* line) {
    for (; *line != 0; ++line) {
        if (*line == u'=') {
            return line;
        }
    }
    return nullptr;
}

// Splits text into zero-terminated lines at each LF (dropping a CR before it) and hands every
// line that holds "=" to onString with its id and the text after the first "=".
template <typename OnString> void WalkStringLines(char16_t* text, OnString onString) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    size_t lineStart = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != u'\n') {
            continue;
        }
        text[i] = 0;
        if (i > 0 && text[i - 1] == u'\r') {
            text[i - 1] = 0;
        }
        char16_t* line = text + lineStart;
        if (char16_t* equals = FirstEquals(line)) {
            const int32_t id = ParseStringId(line);
            if (id >= 0 && id <= kMaxStringId) {
                onString(id, equals + 1);
            }
        }
        lineStart = i + 1;
    }
}

// Only the neutral strings carry escapes; they hold the line breaks of multi-line texts.
void UnescapeInPlace(char16_t* text) {
    char16_t* out = text;
    for (const char16_t* in = text; *in != 0; ++in) {
        if (in[0] == u'\\' && in[1] == u'r') {
            *out++ = u'\r';
            ++in;
        } else if (in[0] == u'\\' && in[1] == u'n') {
            *out++ = u'\n';
            ++in;
        } else {
            *out++ = *in;
        }
    }
    *out = 0;
}

bool IsFilled(const char16_t* entry) {
    return entry != nullptr && entry[0] != 0;
}

// text[units] and text[units + 1] must be zero.
void ParseArchiveText(char16_t* text, size_t units) {
    ClearTables();
    char16_t* neutralSection = nullptr;
    char16_t* languageSections[kMaxLanguages] = {};
    int marks = 0;
    size_t i = 0;
    while (i + 1 < units) {
        if (text[i] != u'#' || text[i + 1] != u'#') {
            ++i;
            continue;
        }
        text[i] = 0; // ends the previous section
        const int mark = marks++;
        size_t next = i + 2;
        if (mark == 0) {
            neutralSection = text + std::min(i + 4, units);
        } else if (mark >= 3 && LanguageCount < kMaxLanguages) {
            const int k = LanguageCount++;
            if (text[i + 2] == u'=') {
                size_t cr = i + 3;
                while (cr < units && text[cr] != u'\r') {
                    ++cr;
                }
                LanguageNames[k] = text + i + 3;
                // Without a CR the name runs to the end of the text and the section is empty.
                text[cr] = 0;
                next = std::min(cr + 1, units);
                languageSections[k] = text + next;
            } else {
                languageSections[k] = text + std::min(i + 4, units);
            }
        }
        i = next;
    }

    if (LanguageCount > kReferenceLanguage) {
        ReferenceSectionText = languageSections[kReferenceLanguage];
    }
    for (int k = 0; k < LanguageCount; ++k) {
        ParseStringSection(languageSections[k], LanguageStrings[k]);
    }
    for (int k = 0; k < LanguageCount; ++k) {
        int reference = 0;
        int both = 0;
        for (int id = 0; id < kStringSlots; ++id) {
            if (IsFilled(LanguageStrings[kReferenceLanguage][id])) {
                ++reference;
                if (IsFilled(LanguageStrings[k][id])) {
                    ++both;
                }
            }
        }
        // Without a reference text there is nothing to be complete against: 0 %.
        TranslatedPercent[k] =
            reference == 0 ? 0
                           : static_cast<int32_t>(static_cast<double>(both) / reference * 100.0);
    }
    if (neutralSection != nullptr) {
        WalkStringLines(neutralSection, [](int32_t id, char16_t* value) {
            UnescapeInPlace(value);
            NeutralStrings[id] = value;
        });
    }
}

} // namespace

std::vector<uint8_t> StartMarker() {
    std::vector<uint8_t> marker;
    marker.reserve(kStartMarkerSize);
    marker.push_back('\n');
    marker.push_back('<');
    marker.push_back('!');
    marker.push_back('-');
    marker.push_back(' ');
    AppendRepeated(marker, '-', 6);
    AppendMarkerWord(marker);
    AppendRepeated(marker, '-', 10);
    marker.push_back('\n');
    return marker;
}

std::vector<uint8_t> EndMarker() {
    std::vector<uint8_t> marker;
    marker.reserve(kEndMarkerSize);
    marker.push_back('\n');
    AppendRepeated(marker, '-', 7);
    AppendMarkerWord(marker);
    AppendRepeated(marker, '-', 8);
    marker.push_back(' ');
    marker.push_back('-');
    marker.push_back('-');
    marker.push_back('>');
    marker.push_back('\n');
    return marker;
}

int64_t FindBytes(const uint8_t* buffer, size_t length, const uint8_t* pattern,
                  size_t patternLength) {
    if (buffer == nullptr || pattern == nullptr || patternLength == 0 || patternLength > length) {
        return -1;
    }
    const size_t last = length - patternLength;
    for (size_t i = 0; i <= last;) {
        const void* hit = std::memchr(buffer + i, pattern[0], last - i + 1);
        if (hit == nullptr) {
            return -1;
        }
        i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - buffer);
        if (std::memcmp(buffer + i, pattern, patternLength) == 0) {
            return static_cast<int64_t>(i);
        }
        ++i;
    }
    return -1;
}

std::optional<std::vector<uint8_t>> ExtractArchiveBlockFromImage(const uint8_t* image,
                                                                 size_t size) {
    const std::vector<uint8_t> startMarker = StartMarker();
    const std::vector<uint8_t> endMarker = EndMarker();
    const int64_t start = FindBytes(image, size, startMarker.data(), startMarker.size());
    const int64_t end = FindBytes(image, size, endMarker.data(), endMarker.size());
    if (start < 0 || end < 0) {
        return std::nullopt;
    }
    const size_t blockStart = static_cast<size_t>(start) + startMarker.size();
    if (static_cast<size_t>(end) < blockStart) {
        return std::nullopt;
    }
    return std::vector<uint8_t>(image + blockStart, image + end);
}

int32_t ParseStringId(const char16_t* line) {
    while (IsIdSpace(*line)) {
        ++line;
    }
    bool negative = false;
    if (*line == u'+' || *line == u'-') {
        negative = *line == u'-';
        ++line;
    }
    constexpr int32_t kSaturated = 1000000; // far outside 0..127, far inside int32_t
    int32_t value = 0;
    for (; *line >= u'0' && *line <= u'9'; ++line) {
        value = std::min(value * 10 + (*line - u'0'), kSaturated);
    }
    return negative ? -value : value;
}

void ParseStringSection(char16_t* text, StringTable& table) {
    std::fill(table, table + kMaxStringId + 1, nullptr);
    if (text == nullptr) {
        return;
    }
    WalkStringLines(text, [&table](int32_t id, char16_t* value) { table[id] = value; });
}

void LoadArchiveFromText(const std::u16string& text) {
    const size_t units = text.size();
    auto storage = std::make_unique<char16_t[]>(units + 2);
    std::copy(text.begin(), text.end(), storage.get());
    ClearTables();
    ArchiveText = std::move(storage);
    ParseArchiveText(ArchiveText.get(), units);
}

bool LoadArchiveFromBlock(const uint8_t* block, size_t size) {
    ClearTables();
    ArchiveText.reset();
    if (block == nullptr) {
        size = 0;
    }
    uint32_t length = 0;
    if (size >= lzari::kHeaderSize) {
        length = static_cast<uint32_t>(block[0]) | static_cast<uint32_t>(block[1]) << 8 |
                 static_cast<uint32_t>(block[2]) << 16 | static_cast<uint32_t>(block[3]) << 24;
    }
    if (length > kMaxDecodedLength) {
        return false;
    }
    // length + 10 bytes, zeroed: the decoded bytes, then room for the terminators.
    const size_t units = (static_cast<size_t>(length) + 10 + 1) / 2;
    auto storage = std::make_unique<char16_t[]>(units);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(storage.get());
    {
        LzariDecoder decoder;
        const uint32_t blockSize =
            static_cast<uint32_t>(std::min<size_t>(size, std::numeric_limits<uint32_t>::max()));
        decoder.DecodeToMemory(block, blockSize, bytes, length);
    }
    const size_t textUnits = length / 2;
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < textUnits; ++i) {
            storage[i] = static_cast<char16_t>(storage[i] << 8 | storage[i] >> 8);
        }
    }
    storage[textUnits] = 0;
    storage[textUnits + 1] = 0;
    ArchiveText = std::move(storage);
    ParseArchiveText(ArchiveText.get(), textUnits);
    return true;
}

void ResetLanguageArchive() {
    ClearTables();
    ArchiveText.reset();
}
