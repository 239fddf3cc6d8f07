#pragma once
// Pictures of the guided checks. Each function draws the whole picture into a device context of
// the given size from the check's state alone, so the window's composed frame, a test's memory
// DC and the benchmark all call the same routine.

#include <windows.h>

#include <cstdint>
#include <string>

#include "diagnostics/AccuracyCheck.h"
#include "diagnostics/CoverageGrid.h"
#include "diagnostics/GhostWatch.h"

namespace CheckColour {
inline constexpr COLORREF Untouched = RGB(30, 30, 38);
inline constexpr COLORREF UntouchedBand = RGB(46, 30, 30); // the edge band's cells
inline constexpr COLORREF Touched = RGB(0, 150, 60);
inline constexpr COLORREF GridLine = RGB(80, 80, 92);
inline constexpr COLORREF Dot = RGB(255, 255, 255);
inline constexpr COLORREF Background = RGB(12, 12, 20); // the watch and the accuracy check
inline constexpr COLORREF Text = RGB(255, 255, 255);
inline constexpr COLORREF Ghost = RGB(255, 60, 60);
inline constexpr COLORREF Crosshair = RGB(255, 255, 255);
inline constexpr COLORREF WithinBar = RGB(80, 230, 110);
inline constexpr COLORREF BeyondBar = RGB(255, 50, 50);
} // namespace CheckColour

// Dark cells, the touched ones green, grid lines, a dot per kept report and the top line.
void DrawCoverageGrid(HDC dc, int width, int height, const CoverageGrid& grid,
                      CheckLookup lookup = LookupString);

// The countdown in large digits while the watch runs; the result once it ended; the marks and
// the list of ghosts while the watch shows them.
void DrawGhostWatch(HDC dc, int width, int height, const GhostWatch& watch, int64_t nowUs,
                    CheckLookup lookup = LookupString);
// Where the countdown's digits stand.
RECT GhostCountdownRect(int width, int height);

// One crosshair target at a time, then every target with its landing and the summary.
void DrawAccuracyCheck(HDC dc, int width, int height, const AccuracyCheck& check,
                       CheckLookup lookup = LookupString);
// Length of a crosshair's arm from its centre, in pixels.
int CrosshairArm(int width);
// Offsets are drawn this many times their length.
inline constexpr int kArrowScale = 10;

// The grid as DrawCoverageGrid shows it, at the grid's own size, written as a PNG file.
bool WriteCoverageGridPng(const std::wstring& path, const CoverageGrid& grid,
                          CheckLookup lookup = LookupString);
