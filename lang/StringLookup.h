#pragma once
// Texts by number in the active language, with the reference language as fallback; a loaded
// translation file answers alone.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

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

// A looked-up text in storage of its own, for places that show two texts together: the next
// lookup may overwrite the missing-text buffer before the first text is used.
class HeldString {
  public:
    explicit HeldString(StringId id);
    // nullptr where LookupString gave nullptr.
    const char16_t* Get() const { return found_ ? text_.c_str() : nullptr; }

  private:
    std::u16string text_;
    bool found_ = false;
};

// The language for a user default language identifier (GetUserDefaultLangID): only the primary
// language (the low 10 bits) counts; an unlisted one gives the reference language.
LanguageIndex DefaultLanguageIndex(uint16_t languageId);
