#include "diagnostics/win32/SystemFacts.h"

#include <string>

namespace {

// MONITOR_DPI_TYPE's MDT_RAW_DPI: the monitor's physical density, not the scaled one.
constexpr int kRawDpi = 2;

} // namespace

RECT WindowMonitorRect(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && GetMonitorInfoW(monitor, &info)) {
        return info.rcMonitor;
    }
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

PhysicalScale MeasurePhysicalScale(HWND window) {
    // shcore.dll exists from Windows 8.1 on; looked up here so the program starts without it.
    if (const HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
        using Function = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
        const auto function = reinterpret_cast<Function>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
        UINT dpiX = 0;
        UINT dpiY = 0;
        const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
        if (function && monitor && SUCCEEDED(function(monitor, kRawDpi, &dpiX, &dpiY))) {
            const PhysicalScale scale = ScaleFromDpi(dpiX, dpiY);
            if (scale.Known()) {
                return scale;
            }
        }
    }
    const HDC dc = GetDC(window);
    if (!dc) {
        return {};
    }
    const PhysicalScale scale =
        ScaleFromSize(GetDeviceCaps(dc, HORZSIZE), GetDeviceCaps(dc, VERTSIZE),
                      GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));
    ReleaseDC(window, dc);
    return scale;
}

std::wstring WindowsVersionText() {
    // GetVersionEx lies to programs without a manifest entry for the newest system.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) {
        return {};
    }
    using Function = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto function =
        reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!function || function(&info) != 0) {
        return {};
    }
    return std::to_wstring(info.dwMajorVersion) + L"." + std::to_wstring(info.dwMinorVersion) +
           L"." + std::to_wstring(info.dwBuildNumber);
}
