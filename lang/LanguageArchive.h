#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr int kMaxLanguages = 48;
inline constexpr int kStringSlots = 256; // per language; only ids 0..127 are ever set
inline constexpr int kNeutralSlots = 128;
inline constexpr int kMaxStringId = 127;
inline constexpr int kReferenceLanguage = 1;
inline constexpr size_t kStartMarkerSize = 45;
inline constexpr size_t kEndMarkerSize = 44;
// Largest decoded length a block header may claim. The archive is about 100 KB; a damaged
// header claiming gigabytes is refused rather than allocated.
inline constexpr uint32_t kMaxDecodedLength = 16u << 20;

using StringTable = const char16_t* [kStringSlots];

// Process-wide tables, filled by the archive load and only read afterwards. The pointers refer
// into the decoded text, which lives as long as the tables.
extern const char16_t* NeutralStrings[kNeutralSlots];
extern const char16_t* LanguageStrings[kMaxLanguages][kStringSlots];
extern const char16_t* LanguageNames[kMaxLanguages];
extern int32_t LanguageCount;
extern int32_t TranslatedPercent[kMaxLanguages];
extern std::u16string ReferenceSectionText;

// The markers around the block, assembled at run time so that the program holds no copy of
// them: the first copy in the executable must be the one framing the block.
std::vector<uint8_t> StartMarker();
std::vector<uint8_t> EndMarker();

// Offset of the first occurrence of pattern lying wholly inside buffer, or -1. An empty pattern
// is never found.
int64_t FindBytes(const uint8_t* buffer, size_t length, const uint8_t* pattern,
                  size_t patternLength);

// The bytes between the first start marker and the first end marker of a file image; nothing
// when either is missing or the end marker begins before the start marker ends.
std::optional<std::vector<uint8_t>> ExtractArchiveBlockFromImage(const uint8_t* image, size_t size);

// Clears entries 0..127 and fills them from the lines of text, which is changed in place:
// terminators replace the line ends and the entries point behind each line's first "=".
// A null text leaves the table cleared.
void ParseStringSection(char16_t* text, StringTable& table);

// Reads a string id as _wtoi would (leading white space, sign, digits), saturating so that a
// long run of digits stays out of range instead of wrapping into it.
int32_t ParseStringId(const char16_t* line);

// Fills the tables from an archive text (as decoded, without a block), keeping a copy of it for
// the life of the process.
void LoadArchiveFromText(const std::u16string& text);

// Decodes a block (header and code) and fills the tables from it, keeping the decoded text for
// the life of the process. Returns false, leaving the tables empty, only when the header claims
// more than kMaxDecodedLength bytes. A block too short for its header holds the empty text.
bool LoadArchiveFromBlock(const uint8_t* block, size_t size);

// Empties every table and releases the decoded text (tests load several archives).
void ResetLanguageArchive();
