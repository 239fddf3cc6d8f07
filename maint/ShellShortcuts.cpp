#include "maint/ShellShortcuts.h"

#include <shellapi.h>

#include "app/WideText.h"
#include "maint/MakerAddress.h"

namespace {

constexpr char kCalibrationTarget[] = "shell:::{80F3F1D5-FECA-45F3-BC32-752C152E456E}";

std::wstring WidenAnsi(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

} // namespace

BOOL OpenExplorerWith(const std::wstring& parameters) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = 0;
    info.hwnd = nullptr;
    info.lpVerb = nullptr;
    info.lpFile = L"explorer.exe";
    info.lpParameters = parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    info.lpClass = nullptr;
    return ShellExecuteExW(&info);
}

void OpenTouchCalibration() {
    OpenExplorerWith(WidenAnsi(kCalibrationTarget));
}

void OpenMakerPage() {
    ShellExecuteW(nullptr, L"open", AsWide(MakerPageAddress()), nullptr, nullptr, SW_SHOW);
    PostQuitMessage(0);
}
