#include "settings/SettingsFile.h"

#include <shlobj.h>

#include <ctime>
#include <vector>

#include "app/WideText.h"
#include "settings/SettingsLocation.h"

std::wstring SettingsPath;

namespace {

constexpr wchar_t kSection[] = L"Program";
constexpr wchar_t kProbeKey[] = L"TestIni";
constexpr DWORD kFolderBufferSize = 1024;
constexpr DWORD kValueBufferSize = 1024;
constexpr DWORD kProbeBufferSize = 111;
constexpr int32_t kFinalProbeOffset = -22;

std::u16string FoldCase(std::u16string text) {
    std::wstring wide = ToWide(text);
    CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return ToUtf16(wide);
}

bool IsReadOnly(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(AsWide(path.c_str()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::u16string WriteProbeAndReadBack(const std::u16string& path, const std::u16string& probe) {
    WritePrivateProfileStringW(kSection, kProbeKey, AsWide(probe.c_str()), AsWide(path.c_str()));
    // The probe reads through SettingsPath, which names this file while the choice runs.
    wchar_t readBack[kProbeBufferSize] = {};
    ReadSettingString(kProbeKey, readBack, kProbeBufferSize);
    return AsUtf16(readBack);
}

std::u16string TempFolder() {
    wchar_t buffer[kFolderBufferSize] = {};
    const DWORD length = GetTempPathW(kFolderBufferSize, buffer);
    return length > 0 && length < kFolderBufferSize ? AsUtf16(buffer) : u"";
}

std::u16string AppDataFolder() {
    wchar_t buffer[kFolderBufferSize] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE)) {
        buffer[0] = 0;
    }
    return AsUtf16(buffer);
}

int32_t SecondsNow(int32_t delta) {
    return ProbeSeconds(static_cast<int64_t>(std::time(nullptr)), delta);
}

} // namespace

int LocateSettingsFile() {
    const std::u16string programFolder = ToUtf16(GetProgramFolder());
    SettingsPath = ToWide(SettingsFileIn(programFolder));
    const std::u16string probe = FormatSettingInt(SecondsNow(0));

    const SettingsLocationQueries queries{
        FoldCase,
        [](const std::u16string& path) { return GetPathState(AsWide(path.c_str())); },
        IsReadOnly,
        WriteProbeAndReadBack,
    };
    if (ChooseSettingsLocation(TempFolder(), programFolder, probe, queries) ==
        SettingsLocation::PerUser) {
        const std::u16string folder = PerUserSettingsFolder(AppDataFolder());
        // Usually there already; a failure shows up as settings that are not kept.
        CreateDirectoryW(AsWide(folder.c_str()), nullptr);
        SettingsPath = ToWide(SettingsFileIn(folder));
    }
    WriteSettingInt(kProbeKey, SecondsNow(kFinalProbeOffset));
    return 1;
}

int ReadSettingInt(const wchar_t* key, int defaultValue) {
    wchar_t buffer[kValueBufferSize] = {};
    const DWORD length = GetPrivateProfileStringW(kSection, key, L"", buffer, kValueBufferSize,
                                                  SettingsPath.c_str());
    return SettingIntOrDefault(std::u16string(AsUtf16(buffer), length), defaultValue);
}

BOOL WriteSettingInt(const wchar_t* key, int value) {
    const std::wstring text = ToWide(FormatSettingInt(value));
    return WritePrivateProfileStringW(kSection, key, text.c_str(), SettingsPath.c_str());
}

void ReadSettingString(const wchar_t* key, wchar_t* buffer, DWORD capacity) {
    if (capacity == 0) {
        return;
    }
    // The default is copied out first: the platform writes the result over the same buffer.
    const std::wstring defaultText(buffer, wcsnlen(buffer, capacity - 1));
    GetPrivateProfileStringW(kSection, key, defaultText.c_str(), buffer, capacity,
                             SettingsPath.c_str());
}

const std::wstring& GetProgramFolder() {
    static const std::wstring folder = [] {
        // Grown as needed: a module path cut short would name some other folder.
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            const DWORD length =
                GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) {
                return std::wstring();
            }
            if (length < buffer.size()) {
                const std::wstring path(buffer.data(), length);
                const size_t slash = path.rfind(L'\\');
                return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
            }
            if (buffer.size() >= 32768) {
                return std::wstring();
            }
            buffer.resize(buffer.size() * 2);
        }
    }();
    return folder;
}

int GetPathState(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kPathMissing
                                                                              : kPathQueryFailed;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kPathIsFolder : kPathIsFile;
}
