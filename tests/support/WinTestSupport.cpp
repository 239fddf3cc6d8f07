#include "tests/support/WinTestSupport.h"

#include <shlobj.h>

#include "app/Gdi.h"

namespace wintest {

std::wstring ToWindowsPath(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    if (!wide.empty() && wide[0] == L'/') {
        for (wchar_t& c : wide) {
            if (c == L'/') {
                c = L'\\';
            }
        }
        wide = L"Z:" + wide;
    }
    return wide;
}

std::wstring QuillfernExe() {
    const char* exe = getenv("QUILLFERN_EXE");
    return exe ? ToWindowsPath(exe) : L"";
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

std::wstring MakeTempFolder(const std::wstring& name) {
    const std::wstring folder = TempFolder() + name + L"_" +
                                std::to_wstring(GetCurrentProcessId()) + L"_" +
                                std::to_wstring(GetTickCount());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring AppDataFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE);
    return buffer;
}

void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

ChildProcess::~ChildProcess() {
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool ChildProcess::Start(const std::wstring& exe, const std::wstring& workingFolder) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                          &info_) != 0;
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (search->className) {
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        if (lstrcmpW(name, search->className) != 0) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

BOOL CALLBACK FindButton(HWND child, LPARAM context) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, L"Button") == 0) {
        *reinterpret_cast<HWND*>(context) = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindStatic(HWND child, LPARAM context) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextLengthW(child) > 0) {
        *reinterpret_cast<HWND*>(context) = child;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search{processId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return search.found;
        }
        if (GetTickCount() - start >= milliseconds) {
            return nullptr;
        }
        PumpMessages(20);
    }
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(window, buffer, 4096);
    return buffer;
}

bool DismissMessageBox(DWORD processId, DWORD milliseconds, std::wstring* text,
                       std::wstring* caption) {
    const HWND box = WaitForWindow(processId, L"#32770", milliseconds);
    if (!box) {
        return false;
    }
    if (caption) {
        *caption = WindowText(box);
    }
    if (text) {
        HWND label = nullptr;
        EnumChildWindows(box, FindStatic, reinterpret_cast<LPARAM>(&label));
        *text = label ? WindowText(label) : L"";
    }
    HWND button = nullptr;
    EnumChildWindows(box, FindButton, reinterpret_cast<LPARAM>(&button));
    if (button) {
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    } else {
        PostMessageW(box, WM_CLOSE, 0, 0);
    }
    return true;
}

Capture CaptureClient(HWND window) {
    Capture capture;
    RECT client{};
    GetClientRect(window, &client);
    capture.width = client.right;
    capture.height = client.bottom;
    if (capture.width <= 0 || capture.height <= 0) {
        return capture;
    }
    void* bits = nullptr;
    const HBITMAP dib = CreateTopDownDib(capture.width, capture.height, &bits);
    const HDC windowDC = GetDC(window);
    const HDC memoryDC = CreateCompatibleDC(windowDC);
    const HGDIOBJ previous = SelectObject(memoryDC, dib);
    BitBlt(memoryDC, 0, 0, capture.width, capture.height, windowDC, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    capture.pixels.assign(pixels, pixels + static_cast<size_t>(capture.width) * capture.height);
    for (uint32_t& pixel : capture.pixels) {
        pixel &= 0x00FFFFFF;
    }
    SelectObject(memoryDC, previous);
    DeleteDC(memoryDC);
    ReleaseDC(window, windowDC);
    DeleteObject(dib);
    return capture;
}

uint32_t Rgb(int r, int g, int b) {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
           static_cast<uint32_t>(b);
}

void SendKey(WORD virtualKey, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

void TapKey(WORD virtualKey) {
    SendKey(virtualKey, true);
    SendKey(virtualKey, false);
}

} // namespace wintest
