#pragma once
// The guided checks in the main window: the coverage grid (G), the ghost watch (H) and the
// accuracy check (A). At most one runs at a time; while one runs the window shows its picture
// in place of the touch picture and the start screen. Every check is fed the inputs the
// diagnostics see, so the ten-slot table goes on tracking contacts as before.
//
// Leaving a check keeps its result: the next report (R) carries the section of every check run
// in the session, and the grid's picture as it was left. A check started again begins afresh.
// A change of the client size while the grid or the accuracy check runs starts it afresh for
// the new size: its cells and targets are laid out for the old one.
//
// Nothing here acts before the first check is started: until then the window, the report and
// the timers are exactly as without the checks. Everything runs on the window's thread.

#include <windows.h>

#include <cstdint>

#include "diagnostics/AccuracyCheck.h"
#include "diagnostics/CoverageGrid.h"
#include "diagnostics/GhostWatch.h"

enum class GuidedCheck { None, CoverageGrid, GhostWatch, Accuracy };

// The check whose picture the window shows.
GuidedCheck ShownGuidedCheck();

// G: starts the grid, or leaves it when it runs.
void PressCoverageGridKey(HWND window);
// H: starts the watch; during the countdown ends it early; after the end leaves it.
void PressGhostWatchKey(HWND window);
// A: starts the accuracy check, or leaves it when it runs.
void PressAccuracyCheckKey(HWND window);

// The paint while a check is shown: its picture, with the readout over it when that is on,
// composed off screen and copied in one BitBlt. Returns 1.
LRESULT PaintGuidedCheck(HWND window);

// WM_SIZE: the grid and the accuracy check follow the client size.
void GuidedChecksClientResized(HWND window);

// The ghost watch's countdown; the timer runs only while it counts down.
inline constexpr UINT_PTR kGhostWatchTimerId = 0x5147;
inline constexpr UINT kGhostWatchTimerMs = 100;
void HandleGuidedChecksTimer(HWND window, UINT_PTR timerId);

// The checks' latest state, for test programs and the README's pictures.
const CoverageGrid& CurrentCoverageGrid();
const GhostWatch& CurrentGhostWatch();
const AccuracyCheck& CurrentAccuracyCheck();

// For test programs only: the length of the next ghost watches (the program always watches
// GhostWatch::kDurationUs), and a session without any check run.
void SetGhostWatchDurationForTests(int64_t durationUs);
void ResetGuidedChecksForTests(HWND window);
