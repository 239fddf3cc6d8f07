#pragma once
// The process-wide record of the main window's state.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "touch/ContactTable.h"

struct AppStateRecord {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    int32_t screenIndex = -1; // -1: start screen; any other value: nothing is painted
    // Read by the drawing-speed worker; set to 1 before the worker exists. Cleared only when the
    // worker's picture or the thread itself could not be made, so F2 can try again.
    std::atomic<int32_t> speedTestRunning{0};
    ContactTable touchContacts{};
};

extern AppStateRecord AppState;
