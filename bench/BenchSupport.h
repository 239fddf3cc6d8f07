#pragma once
// Timing and window pieces the frame benchmarks share.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// A window that paints nothing itself, so that only the timed frames reach its pixels.
inline LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message == WM_PAINT) {
        ValidateRect(window, nullptr);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

inline void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

// A borderless window whose client area is exactly width x height, or nullptr (said why).
inline HWND OpenWindow(HINSTANCE instance, const wchar_t* className, int width, int height) {
    const HWND window = CreateWindowExW(0, className, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                        height, nullptr, nullptr, instance, nullptr);
    if (!window) {
        std::printf("no window of %d x %d\n", width, height);
        return nullptr;
    }
    RECT client{};
    GetClientRect(window, &client);
    if (client.right != width || client.bottom != height) {
        std::printf("window is %ld x %ld, not %d x %d: use a larger display\n", client.right,
                    client.bottom, width, height);
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

// Seconds on the performance counter.
inline double Now() {
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds per frame over a block of consecutive frames of one side.
template <typename Frame> double TimeBlock(int frames, Frame frame) {
    const double start = Now();
    for (int i = 0; i < frames; ++i) {
        frame();
    }
    GdiFlush();
    return (Now() - start) * 1000.0 / frames;
}

inline double Median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace bench
