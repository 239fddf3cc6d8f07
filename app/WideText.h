#pragma once
// The portable layer keeps UTF-16 text as char16_t; Windows spells the same units wchar_t.

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

inline const char16_t* AsUtf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

inline std::wstring ToWide(const std::u16string& text) {
    return std::wstring(AsWide(text.c_str()), text.size());
}

inline std::u16string ToUtf16(const std::wstring& text) {
    return std::u16string(AsUtf16(text.c_str()), text.size());
}
