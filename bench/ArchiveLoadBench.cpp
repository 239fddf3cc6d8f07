// Times the whole language-archive load of a built Quillfern.exe as start-up runs it: module
// path, file read, marker search, decoding and parsing. Prints min / median / max.
// Usage: lang_load_bench [Quillfern.exe] [runs]   (default: ..\Quillfern.exe beside this folder)
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "lang/ArchiveLoad.h"
#include "lang/LanguageArchive.h"

namespace {

// Unix paths as Wine sees them: /a/b -> Z:\a\b.
std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path = L"Z:" + path;
    }
    return path;
}

std::wstring DefaultExe() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + L"..\\Quillfern.exe";
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double min;
    double median;
    double max;
};

Figures Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring exe = WindowsPath(argc > 1 ? argv[1] : DefaultExe());
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 50;

    // Mapped as an image without running it, so that the load finds it through its module
    // handle exactly as in the program itself.
    const HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module) {
        std::fwprintf(stderr, L"cannot map %ls (error %lu)\n", exe.c_str(), GetLastError());
        return 1;
    }
    AppState.instance = module;
    wchar_t mapped[MAX_PATH] = {};
    GetModuleFileNameW(module, mapped, MAX_PATH);

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> whole;
    std::vector<double> extract;
    std::vector<double> decodeParse;
    for (int run = 0; run <= runs; ++run) {
        ResetLanguageArchive();
        LARGE_INTEGER t0;
        LARGE_INTEGER t1;
        LARGE_INTEGER t2;
        LARGE_INTEGER t3;
        QueryPerformanceCounter(&t0);
        const bool loaded = LoadLanguageArchive();
        QueryPerformanceCounter(&t1);
        if (!loaded || LanguageCount != 39) {
            std::fwprintf(stderr, L"load failed (LanguageCount %d)\n", LanguageCount);
            return 1;
        }
        // The two halves on their own.
        ResetLanguageArchive();
        const auto block = ExtractArchiveBlock(mapped);
        QueryPerformanceCounter(&t2);
        if (!block || !LoadArchiveFromBlock(block->data(), block->size())) {
            std::fwprintf(stderr, L"block load failed\n");
            return 1;
        }
        QueryPerformanceCounter(&t3);
        if (run == 0) {
            // The first run also pays for the first file access.
            std::wprintf(L"first run: %.3f ms\n", Milliseconds(t0, t1, frequency));
            continue;
        }
        whole.push_back(Milliseconds(t0, t1, frequency));
        extract.push_back(Milliseconds(t1, t2, frequency));
        decodeParse.push_back(Milliseconds(t2, t3, frequency));
    }

    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExW(mapped, GetFileExInfoStandard, &attributes);
    std::wprintf(L"file: %ls (%lu bytes), %d runs\n", mapped, attributes.nFileSizeLow, runs);
    const struct {
        const wchar_t* what;
        Figures figures;
    } rows[] = {
        {L"LoadLanguageArchive", Summarise(whole)},
        {L"  ExtractArchiveBlock", Summarise(extract)},
        {L"  decode and parse", Summarise(decodeParse)},
    };
    for (const auto& row : rows) {
        std::wprintf(L"%-24ls min %7.3f ms  median %7.3f ms  max %7.3f ms\n", row.what,
                     row.figures.min, row.figures.median, row.figures.max);
    }
    const double median = rows[0].figures.median;
    std::wprintf(L"target: whole load under 5 ms: %ls (median %.3f ms)\n",
                 median < 5.0 ? L"met" : L"NOT met", median);
    LocalFree(argv);
    return 0;
}
