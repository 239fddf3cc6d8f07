#pragma once
// Helpers for the Windows test programs (run under Wine here, on Windows anywhere else).

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

// A Unix path (as CMake passes it) as Wine sees it: /a/b -> Z:\a\b. Windows paths pass through.
std::wstring ToWindowsPath(const std::string& path);

// Path of the built Quillfern.exe, from the QUILLFERN_EXE environment variable.
std::wstring QuillfernExe();

std::wstring TempFolder();                             // GetTempPathW, with its trailing backslash
std::wstring MakeTempFolder(const std::wstring& name); // a fresh folder below the temp folder
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
std::optional<std::string> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
std::wstring AppDataFolder(); // the roaming application-data folder

// Pumps this thread's messages for the given time.
void PumpMessages(DWORD milliseconds);

// A started program; killed at destruction when still running.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::wstring& exe, const std::wstring& workingFolder = L"");
    // The exit code, or nothing when the process still runs after the wait.
    std::optional<DWORD> WaitForExit(DWORD milliseconds);
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

  private:
    PROCESS_INFORMATION info_{};
};

// First visible top-level window of the process with this class (nullptr: any class).
HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD milliseconds);
std::wstring WindowText(HWND window);
// Presses the first push button of a message box of the process; false when none came.
bool DismissMessageBox(DWORD processId, DWORD milliseconds, std::wstring* text = nullptr,
                       std::wstring* caption = nullptr);

// Client-area pixels of a window, read back from the screen, as 0x00RRGGBB.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Capture CaptureClient(HWND window);
uint32_t Rgb(int r, int g, int b);

// Presses or releases a key through the system's input queue, as a keyboard would, so that
// GetAsyncKeyState sees it and the focused window gets the key message.
void SendKey(WORD virtualKey, bool down);
void TapKey(WORD virtualKey);

} // namespace wintest
