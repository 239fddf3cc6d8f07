#include "maint/MakerAddress.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char16_t kAddressCharacters[] = u"mx/fr:sl.dqpntiaehu";
constexpr size_t kAddressCharacterCount = sizeof(kAddressCharacters) / sizeof(char16_t) - 1;

template <size_t N> struct AddressIndices { uint8_t at[N - 1]; };

// Resolved while compiling: only the indices reach the program.
template <size_t N> consteval AddressIndices<N> IndicesOf(const char (&text)[N]) {
    AddressIndices<N> indices{};
    for (size_t i = 0; i + 1 < N; ++i) {
        size_t found = kAddressCharacterCount;
        for (size_t k = 0; k < kAddressCharacterCount; ++k) {
            if (kAddressCharacters[k] == static_cast<char16_t>(text[i])) {
                found = k;
            }
        }
        // A character missing from the table is a compile-time error here.
        indices.at[i] = static_cast<uint8_t>(found < kAddressCharacterCount ? found : throw 0);
    }
    return indices;
}

constexpr auto kInternational = IndicesOf("https://quillfern.example/");
constexpr auto kGermanSuffix = IndicesOf("de/");

template <size_t N> void AppendFromTable(std::u16string& out, const AddressIndices<N>& indices) {
    for (uint8_t index : indices.at) {
        out += kAddressCharacters[index];
    }
}

} // namespace

std::u16string BuildMakerAddressFor(LanguageIndex language) {
    std::u16string address;
    AppendFromTable(address, kInternational);
    if (language == 0) {
        AppendFromTable(address, kGermanSuffix);
    }
    return address;
}

std::u16string BuildMakerAddress() {
    return BuildMakerAddressFor(CurrentLanguage.load());
}

std::u16string BuildUninstallPageAddress() {
    return BuildMakerAddress() + kUninstallQuery;
}

int MakerPageEntry(LanguageIndex language) {
    return language == 0 ? 4 : 5;
}

const char16_t* MakerPageAddress() {
    const char16_t* address = NeutralStrings[MakerPageEntry(CurrentLanguage.load())];
    return address ? address : u"";
}
