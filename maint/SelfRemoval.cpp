#include "maint/SelfRemoval.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "app/AppState.h"
#include "app/WideText.h"
#include "lang/StringLookup.h"
#include "maint/MakerAddress.h"
#include "maint/RemovalBatch.h"

namespace {

constexpr UINT kConfirmBoxType = MB_YESNOCANCEL | MB_ICONQUESTION | MB_TOPMOST;
static_assert(kConfirmBoxType == 0x40023);
constexpr StringId kRemoveCaption = 70;
constexpr StringId kRemoveQuestion = 71;
constexpr DWORD kPathCapacity = 260;

constexpr StringId kCannotRemoveText = 73;

// The text in the OEM code page, only when it converts back unchanged: a best-fit or default
// character would make the batch name some other file. The command interpreter reads a batch
// in the console's code page, which starts as the OEM one; bytes of the ANSI code page would
// read as other letters there (ANSI "ü" as OEM "ⁿ"), so a path with accents would
// name a file that isn't the program.
std::optional<std::string> ToBatchCodePage(const std::u16string& text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const bool utf8 = GetOEMCP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_OEMCP, flags, AsWide(text.c_str()), length, nullptr, 0,
                                         nullptr, usedDefaultOut);
    if (size <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_OEMCP, flags, AsWide(text.c_str()), length, bytes.data(), size,
                            nullptr, usedDefaultOut) != size ||
        usedDefault) {
        return std::nullopt;
    }
    const int back =
        MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (back != length) {
        return std::nullopt;
    }
    std::wstring roundTrip(static_cast<size_t>(back), L'\0');
    MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, bytes.data(), size, roundTrip.data(), back);
    if (roundTrip != ToWide(text)) {
        return std::nullopt;
    }
    return bytes;
}

// The running program's path; empty when it doesn't fit, since a cut path names another file.
std::wstring ProgramPath() {
    wchar_t buffer[kPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}

std::wstring ShortPathOf(const std::wstring& path) {
    wchar_t buffer[kPathCapacity] = {};
    const DWORD length = GetShortPathNameW(path.c_str(), buffer, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}

// The temporary folder with its trailing backslash; empty when the platform can't say.
std::wstring TempFolder() {
    wchar_t buffer[kPathCapacity] = {};
    const DWORD length = GetTempPathW(kPathCapacity, buffer);
    if (length == 0 || length >= kPathCapacity) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}

void TellCannotRemove() {
    const HeldString text(kCannotRemoveText);
    const HeldString caption(kRemoveCaption);
    MessageBoxW(GetActiveWindow(), AsWide(text.Get()), AsWide(caption.Get()),
                MB_OK | MB_ICONWARNING | MB_TOPMOST);
}

// Writes all bytes or, failing that, removes the file: a cut batch could end inside a quoted
// path and delete whatever the remaining prefix names.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        DeleteFileW(path.c_str());
        return false;
    }
    return true;
}

} // namespace

void WriteRemovalBatch() {
    const std::wstring programPath = ProgramPath();
    const std::wstring tempFolder = TempFolder();
    if (programPath.empty() || tempFolder.empty()) {
        TellCannotRemove();
        return;
    }
    const std::optional<RemovalBatch> batch =
        PrepareRemovalBatch(ToUtf16(programPath), ToUtf16(ShortPathOf(programPath)),
                            ToBatchCodePage, kRemovalBatchTries);
    if (!batch) {
        TellCannotRemove();
        return;
    }
    const std::wstring batchPath = tempFolder + ToWide(batch->name);
    if (!WriteWholeFile(batchPath, batch->bytes)) {
        TellCannotRemove();
        return;
    }
    ShellExecuteW(nullptr, L"open", batchPath.c_str(), nullptr, tempFolder.c_str(), SW_HIDE);
}

void RemoveProgram() {
    const HeldString question(kRemoveQuestion);
    const HeldString caption(kRemoveCaption);
    const int answer = MessageBoxW(GetActiveWindow(), AsWide(question.Get()), AsWide(caption.Get()),
                                   kConfirmBoxType);
    if (answer != IDYES) {
        return;
    }
    WriteRemovalBatch();
    const std::wstring page = ToWide(BuildUninstallPageAddress());
    ShellExecuteW(AppState.mainWindow, L"open", page.c_str(), nullptr, nullptr, SW_SHOW);
    PostQuitMessage(0);
}
