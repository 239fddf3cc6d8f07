#include "diagnostics/DiagnosticsText.h"

#include "lang/StringLookup.h"

TextLookup DefaultTextLookup() {
    return [](int32_t id) { return LookupString(id); };
}

std::u16string TextOf(const TextLookup& lookup, int32_t id) {
    const char16_t* text = lookup ? lookup(id) : nullptr;
    return text ? std::u16string(text) : std::u16string();
}
