#pragma once
// Texts by number in the active language, with the reference language as fallback; a loaded
// translation file answers alone.

#include <array>
#include <atomic>
#include <cstdint>

#include "lang/LanguageArchive.h"

using StringId = int32_t;
using LanguageIndex = int32_t;

// Read by the drawing thread too; written only on the window thread. Any value may be stored;
// one outside the archive's languages selects none, so every text comes from the reference.
extern std::atomic<LanguageIndex> CurrentLanguage;

// The translation-file table: entries are swapped one pointer at a time while the drawing
// thread may read them.
extern std::array<std::atomic<const char16_t*>, kStringSlots> FileStrings;
extern std::atomic<bool> FileStringsActive;

// The text of the id, or nullptr. A missing text in translation-file mode is "str:<id>?" in a
// buffer of the calling thread, valid until that thread's next such lookup.
const char16_t* LookupString(StringId id);

// The language for a user default language identifier (GetUserDefaultLangID): only the primary
// language (the low 10 bits) counts; an unlisted one gives the reference language.
LanguageIndex DefaultLanguageIndex(uint16_t languageId);
