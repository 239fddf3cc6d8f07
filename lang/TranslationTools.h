#pragma once
// The language menu's entries, the translation template, the coverage report of a loaded
// translation file and the decoding of text files: everything of the translation tools that
// does not need the platform.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lang/LanguageArchive.h"
#include "lang/StringLookup.h"

// Command identifiers of the language menu. A language entry is kMenuLanguageBase + its index.
inline constexpr uint32_t kMenuFirstSeparator = 0;
inline constexpr uint32_t kMenuLanguageBase = 10;
inline constexpr uint32_t kMenuTranslate = 1000;
inline constexpr uint32_t kMenuLoadFile = 1001;
inline constexpr uint32_t kMenuClosingSeparator = 555;

// Names this short or shorter carry no "English<TAB>native" pair and stay out of the menu.
inline constexpr size_t kShortestListedName = 6;

struct LanguageMenuItem {
    uint32_t id = 0;
    std::u16string label; // empty for a separator
    bool separator = false;
    bool greyed = false; // greyed and disabled: the active language
};

// The entries in menu order: one per named language longer than five code units, labelled
// "<name> / <percent> %", then a separator, "Translate", "Load from File (Unicode)" and the
// closing separator. Read from the archive's tables.
std::vector<LanguageMenuItem> BuildLanguageMenuItems(LanguageIndex current);

enum class LanguageMenuAction { None, ExportTemplate, LoadFile, ChooseLanguage };

struct LanguageMenuChoice {
    LanguageMenuAction action = LanguageMenuAction::None;
    LanguageIndex language = 0; // for ChooseLanguage
};

// What the command returned by the menu asks for (0: the menu was dismissed).
LanguageMenuChoice InterpretLanguageMenuCommand(uint32_t command);

// The translator's template: byte-order mark, the mail-subject request with the program's name,
// the request to send the list back, and the reference language's section.
std::u16string BuildTranslationTemplate();

// "<percent> %" of the reference strings the file table covers, followed by the list of the
// missing ones when any is missing. Both tables have kStringSlots entries.
std::u16string BuildCoverageReport(const StringTable& reference, const StringTable& file);

// Turns a file's bytes into text: FF FE is UTF-16 little-endian, EF BB BF is UTF-8, anything
// else goes through ansiToUtf16 (the system's ANSI code page on Windows). Zero units are
// dropped, so the lines after one still load.
using AnsiConverter = std::function<std::u16string(const char* bytes, size_t count)>;
std::u16string DecodeTextFileBytes(const uint8_t* bytes, size_t size,
                                   const AnsiConverter& ansiToUtf16);

// Makes a decoded translation text the answer of every lookup: parses it, publishes it into
// FileStrings entry by entry, sets FileStringsActive and returns the coverage report. The text
// is kept for the rest of the process, so a pointer the drawing thread read stays valid.
std::u16string ApplyTranslationText(const std::u16string& text);

// Decimal digits of a value, as "%d" gives them.
std::u16string FormatDecimal(int32_t value);
