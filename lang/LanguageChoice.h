#pragma once
// The language that start-up picks from the user's system language.

#include "lang/StringLookup.h"

// DefaultLanguageIndex of the user's default language (GetUserDefaultLangID).
LanguageIndex DefaultLanguageIndex();
