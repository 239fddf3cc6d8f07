#include "lang/LanguageChoice.h"

#include <windows.h>

LanguageIndex DefaultLanguageIndex() {
    return DefaultLanguageIndex(GetUserDefaultLangID());
}
