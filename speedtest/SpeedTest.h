#pragma once
// The drawing-speed test: a worker thread that copies frames into the main window as fast as it
// can and shows the frame and data rates in a status band.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "app/Gdi.h"
#include "speedtest/SpeedTestLogic.h"

// Sets AppState.speedTestRunning and starts the worker on the main window. Does nothing while
// the test runs. When no thread can be made the flag goes back to 0.
void StartSpeedTest();

// Thread procedure; the parameter is the window to draw into. Returns 1 when the frame loop
// ends, 0 when the picture could not be made (the flag then goes back to 0, nothing is drawn).
DWORD WINAPI SpeedTestWorker(LPVOID parameter);

// Everything one worker owns; no other thread reads it.
struct SpeedTestWorkerState {
    ScopedGdiObject<HBITMAP> gradientStrip;
    int32_t stripWidth = 0;
    int32_t stripHeight = 0;
    int32_t sourceOffset = 0; // x in the strip of the last frame's picture
    SpeedMeter meter;
};

// Makes the picture from the window's client size at this moment; false when it can't be made.
bool PrepareSpeedTest(HWND window, SpeedTestWorkerState& state);

// Draws count frames into the window: the status band, then the picture shifted one pixel on.
void DrawSpeedTestFrame(HWND window, int32_t count, SpeedTestWorkerState& state);

// What the worker has done, published after every frame for whoever watches (the tests and the
// benchmark); the worker never reads it back.
struct SpeedTestProgressRecord {
    std::atomic<uint32_t> workersStarted{0};
    std::atomic<int32_t> workersActive{0}; // from StartSpeedTest until the worker has cleaned up
    std::atomic<uint32_t> framesCounted{0};
    std::atomic<int32_t> sourceOffset{0};
    // The rates the last frame showed (the measurement before it), truncated.
    std::atomic<int32_t> megabytesPerSecond{0};
    std::atomic<int32_t> framesPerSecond{0};
};

extern SpeedTestProgressRecord SpeedTestProgress;
