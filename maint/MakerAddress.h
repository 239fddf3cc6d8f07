#pragma once
// The project's web addresses: the maker's page and its uninstall page.

#include <string>

#include "lang/StringLookup.h"

inline constexpr char16_t kUninstallQuery[] = u"?seite=Microsoft/Quillfern/Uninstall";

// The project's address for a language: a German one for language 0, an international one for
// every other. Assembled from a character table, so the program holds no copy of the text.
std::u16string BuildMakerAddressFor(LanguageIndex language);

// The address for CurrentLanguage.
std::u16string BuildMakerAddress();

// The uninstall page for CurrentLanguage: the address, then kUninstallQuery.
std::u16string BuildUninstallPageAddress();

// The NeutralStrings entry holding the maker's page for a language: 4 for language 0, else 5.
int MakerPageEntry(LanguageIndex language);

// The maker's page for CurrentLanguage as the language archive holds it; empty when the entry
// is missing.
const char16_t* MakerPageAddress();
