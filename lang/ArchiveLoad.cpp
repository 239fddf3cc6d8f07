#include "lang/ArchiveLoad.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include "app/AppState.h"
#include "lang/Alert.h"
#include "lang/GrowingPath.h"
#include "lang/LanguageArchive.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using ScopedFile = std::unique_ptr<FILE, FileCloser>;

// The full path of the module. A path longer than MAX_PATH is not cut off (a cut path would
// name another file): the buffer grows up to the longest path the system allows.
std::wstring ModulePath(HMODULE module) {
    const std::u16string path =
        ReadGrowingPath([module](char16_t* buffer, uint32_t size) -> uint32_t {
            return GetModuleFileNameW(module, reinterpret_cast<wchar_t*>(buffer), size);
        });
    return std::wstring(reinterpret_cast<const wchar_t*>(path.c_str()), path.size());
}

} // namespace

std::optional<std::vector<uint8_t>> ExtractArchiveBlock(const std::wstring& path) {
    const ScopedFile file(_wfopen(path.c_str(), L"rb"));
    if (!file) {
        return std::nullopt;
    }
    if (_fseeki64(file.get(), 0, SEEK_END) != 0) {
        return std::nullopt;
    }
    const int64_t size = _ftelli64(file.get());
    if (size <= 0) {
        return std::nullopt;
    }
    rewind(file.get());
    // Left uninitialised: the read fills it, and zeroing the whole program costs start-up time.
    const size_t length = static_cast<size_t>(size);
    const std::unique_ptr<uint8_t[]> image(new uint8_t[length]);
    if (fread(image.get(), 1, length, file.get()) != length) {
        return std::nullopt;
    }
    return ExtractArchiveBlockFromImage(image.get(), length);
}

bool LoadLanguageArchive() {
    const std::wstring path = ModulePath(AppState.instance);
    std::optional<std::vector<uint8_t>> block;
    if (!path.empty()) {
        block = ExtractArchiveBlock(path);
    }
    // A header claiming an absurd length counts as unreadable too.
    if (!block || !LoadArchiveFromBlock(block->data(), block->size())) {
        ShowAlert(L"Error! Loading language file string archive");
        PostQuitMessage(0);
        return false;
    }
    return true;
}
