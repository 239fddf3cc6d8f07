#include "lang/LanguageMenu.h"

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "app/AppState.h"
#include "app/WideText.h"
#include "lang/StringLookup.h"
#include "lang/TranslationTools.h"
#include "screens/HelpText.h"
#include "settings/SettingsFile.h"

namespace {

constexpr wchar_t kTranslateCaption[] = L"Translate";
constexpr wchar_t kTemplateName[] = L"translate_Quillfern.txt";
constexpr StringId kCannotReadFile = 72;

// The dialog layout without the extension fields (OPENFILENAME_SIZE_VERSION_400W), as older
// systems know it.
constexpr DWORD kOpenFileNameSize =
    offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(OPENFILENAMEW::lpTemplateName);
static_assert(kOpenFileNameSize == 136);

void RepaintMainWindow() {
    const HWND window = AppState.mainWindow;
    RECT client{};
    GetClientRect(window, &client);
    RedrawWindow(window, &client, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

std::u16string AnsiToUtf16(const char* bytes, size_t count) {
    if (count == 0 || count > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int size = static_cast<int>(count);
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes, size, nullptr, 0);
    if (units <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, size, text.data(), units);
    return ToUtf16(text);
}

// Writes all bytes, then ends the file there: an older, longer template that could not be
// deleted keeps no tail of its own.
void WriteWholeFile(HANDLE file, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes, piece, &written, nullptr) || written == 0) {
            break;
        }
        bytes += written;
        size -= written;
    }
    SetEndOfFile(file);
}

} // namespace

void ShowLanguageMenu() {
    const HMENU menu = CreatePopupMenu();
    if (!menu) {
        return;
    }
    for (const LanguageMenuItem& item : BuildLanguageMenuItems(CurrentLanguage.load())) {
        if (item.separator) {
            AppendMenuW(menu, MF_SEPARATOR | MF_BYPOSITION, item.id, nullptr);
            continue;
        }
        const UINT flags = MF_STRING | MF_BYPOSITION | (item.greyed ? MF_GRAYED | MF_DISABLED : 0);
        AppendMenuW(menu, flags, item.id, AsWide(item.label.c_str()));
    }

    const HWND window = AppState.mainWindow;
    SetActiveWindow(window);
    SetFocus(window);
    POINT cursor{};
    GetCursorPos(&cursor);
    const BOOL command =
        TrackPopupMenu(menu, TPM_RETURNCMD, cursor.x, cursor.y, 0, window, nullptr);
    DestroyMenu(menu);

    const LanguageMenuChoice choice = InterpretLanguageMenuCommand(static_cast<uint32_t>(command));
    switch (choice.action) {
    case LanguageMenuAction::None:
        break;
    case LanguageMenuAction::ExportTemplate:
        ExportTranslationTemplate();
        break;
    case LanguageMenuAction::LoadFile:
        PickTranslationFile();
        RepaintMainWindow();
        break;
    case LanguageMenuAction::ChooseLanguage:
        CurrentLanguage.store(choice.language);
        WriteSettingInt(L"lng", choice.language);
        BuildHelpText();
        RepaintMainWindow();
        break;
    }
}

std::wstring TranslationTemplatePath() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (length >= folder.size()) {
        // A longer folder than the usual buffer holds: ask again with room for it.
        folder.assign(length + 1, L'\0');
        length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    }
    folder.resize(length < folder.size() ? length : 0);
    return folder + kTemplateName;
}

void ExportTranslationTemplate() {
    const std::u16string text = BuildTranslationTemplate();
    const std::wstring path = TranslationTemplatePath();
    DeleteFileW(path.c_str());
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        // Windows is little-endian: the units are the file's UTF-16 LE bytes as they are.
        WriteWholeFile(file, text.data(), text.size() * sizeof(char16_t));
        CloseHandle(file);
    }
    // Also when the file could not be written: the shell then says that it is missing.
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
}

void PickTranslationFile() {
    wchar_t fileName[MAX_PATH] = {};
    wchar_t fileTitle[MAX_PATH] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = kOpenFileNameSize;
    dialog.hwndOwner = nullptr;
    dialog.hInstance = AppState.instance;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = MAX_PATH;
    if (GetOpenFileNameW(&dialog)) {
        LoadTranslationFile(fileName);
    }
}

void LoadTranslationFile(const std::wstring& path) {
    std::u16string text;
    if (!ReadTextFile(path, text)) {
        // Loading nothing would turn every text on screen into its missing-text form.
        const HeldString cannotRead(kCannotReadFile);
        const std::wstring message =
            ToWide(cannotRead.Get() ? cannotRead.Get() : u"") + L"\n" + path;
        MessageBoxW(GetActiveWindow(), message.c_str(), kTranslateCaption, MB_OK);
        return;
    }
    const std::u16string report = ApplyTranslationText(text);
    MessageBoxW(GetActiveWindow(), AsWide(report.c_str()), kTranslateCaption, MB_OK);
}

bool ReadTextFile(const std::wstring& path, std::u16string& text) {
    text.clear();
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        return false;
    }
    const bool sized = _fseeki64(file, 0, SEEK_END) == 0;
    const long long size = sized ? _ftelli64(file) : -1;
    if (size < 0 || size > kMaxTextFileBytes || _fseeki64(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    size_t read = 0;
    bool tooLarge = false;
    while ((read = fread(chunk, 1, sizeof(chunk), file)) > 0) {
        // It may grow while it is read.
        if (bytes.size() + read > static_cast<size_t>(kMaxTextFileBytes)) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    const bool failed = ferror(file) != 0 || tooLarge;
    fclose(file);
    if (failed) {
        return false;
    }
    // Converted once, as a whole: no character is cut at a read boundary.
    text = DecodeTextFileBytes(bytes.data(), bytes.size(), AnsiToUtf16);
    return true;
}
