#pragma once
// Pieces the Windows tests of the diagnostics share: the main window on screen, contacts lifted,
// keys through the input queue, and pixels and files read back.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"

namespace diagtest {

// The main window of this process, shown and painted once; nullptr if it was not made.
inline HWND ShowMainWindow() {
    RegisterMainWindowClass();
    const HWND window = CreateMainWindow();
    if (!window) {
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    wintest::PumpMessages(200);
    return window;
}

// Lifts every contact still down, so that one test's fingers do not reach the next.
inline void LiftAllContacts(HWND window) {
    std::vector<TOUCHINPUT> ups;
    for (const TouchContact& c : AppState.touchContacts) {
        if (c.id != kFreeContactId) {
            ups.push_back(faketouch::Up(c.id, 0, 0));
        }
    }
    if (!ups.empty()) {
        faketouch::SendTouch(window, ups);
    }
    UpdateWindow(window);
}

inline void PressKey(WORD key) {
    wintest::SendKey(key, true);
    wintest::PumpMessages(60);
    wintest::SendKey(key, false);
    wintest::PumpMessages(60);
}

// The client area after any pending paint.
inline wintest::Capture PaintedClient(HWND window) {
    UpdateWindow(window);
    GdiFlush();
    return wintest::CaptureClient(window);
}

// Window colours are 0x00BBGGRR, read-back pixels 0x00RRGGBB.
inline uint32_t AsCaptured(COLORREF colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// Pixels of the rectangle, clipped to the capture, for which counts(pixel) holds.
template <typename Predicate>
int CountPixels(const wintest::Capture& capture, RECT r, Predicate counts) {
    int count = 0;
    for (int y = std::max(0L, r.top); y < std::min<LONG>(capture.height, r.bottom); ++y) {
        for (int x = std::max(0L, r.left); x < std::min<LONG>(capture.width, r.right); ++x) {
            count += counts(capture.At(x, y)) ? 1 : 0;
        }
    }
    return count;
}

// The files (not folders) in the folder, sorted by name.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace diagtest
