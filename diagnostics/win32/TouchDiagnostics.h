#pragma once
// The Win32 side of the touch diagnostics: feeds the portable statistics from WM_TOUCH, draws
// the readout into the touch picture, gathers what the system says about itself and writes the
// session report. Everything runs on the window's thread.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/PhysicalScale.h"
#include "diagnostics/Readout.h"
#include "diagnostics/SessionReport.h"
#include "diagnostics/TouchStatistics.h"

// Hands the inputs of one WM_TOUCH message to the diagnostics, before the contact table sees
// them, so that contacts beyond the table's ten slots are measured too.
void DiagnosticsFeedTouchInputs(HWND window, const TOUCHINPUT* inputs, UINT count);

// The readout: off at start, not stored. While it is on the window shows the touch picture
// with the readout, also without contacts, and a timer repaints it so stuck contacts show.
bool DiagnosticsReadoutOn();
void ToggleDiagnosticsReadout(HWND window);
inline constexpr UINT_PTR kDiagnosticsTimerId = 0x5146;
inline constexpr UINT kDiagnosticsTimerMs = 500;
void HandleDiagnosticsTimer(HWND window, UINT_PTR timerId);

// The readout over a composed touch frame of this size, kept so that a frame changes only
// where the readout did. A frame composed afresh gets all of it (area nullptr). Else the changes
// are added to the area to compose again (all of the readout drawn last when it is now off),
// and after that area is composed the readout is drawn there, clipped to it by the caller.
void AddDiagnosticsReadoutChanges(HDC dc, int width, int height, HRGN area);
void DrawDiagnosticsReadout(HDC dc, int width, int height, HRGN area = nullptr);
// The readout's lines built now; what is drawn is at most 100 ms older where only time moved.
Readout CurrentDiagnosticsReadout(int width, int height);

// Writes the report and the CSV of inputs and opens the report; a message box says when they
// can't be written. Returns the report's path, or nothing on failure.
std::optional<std::wstring> WriteDiagnosticsReport(HWND window);

// Later checks add report sections of their own; each source is asked when a report is made,
// with the path of the report's text, so that files of its own can go beside it.
using ReportSectionSource =
    std::function<std::vector<ReportSection>(const std::wstring& reportPath)>;
void AddDiagnosticsReportSource(ReportSectionSource source);

// Later checks see every input the diagnostics are fed, in order, after the statistics did.
using TouchSampleListener = std::function<void(const TouchSample&)>;
void AddDiagnosticsSampleListener(TouchSampleListener listener);

const TouchStatistics& DiagnosticsStatistics();
PhysicalScale DiagnosticsScale();
// The scale, measured for the window's monitor first when no input has been measured yet.
PhysicalScale MeasureDiagnosticsScale(HWND window);
SystemFacts GatherSystemFacts(HWND window);

// For test programs and benchmarks: a fixed scale in place of the monitor's (an unknown one
// measures again), the report's folder in place of Documents\Quillfern, what opens the report
// in place of the shell, and a fresh session.
void SetDiagnosticsScale(std::optional<PhysicalScale> scale);
void SetDiagnosticsReportFolder(std::optional<std::wstring> folder);
void SetDiagnosticsReportOpener(std::function<void(const std::wstring& path)> opener);
void ResetDiagnostics();
// The monitor's rectangle is asked for again at the next input.
void DiagnosticsDisplayChanged();
// Wall time in microseconds: when inputs arrive, and what the ghost watch counts down on.
int64_t DiagnosticsArrivalUs();
// For test programs: microseconds of a clock of their own in place of QueryPerformanceCounter
// (nullptr: the counter again), for inputs' arrival times, the readout's age and the watch.
void SetDiagnosticsClock(std::function<int64_t()> arrivalUs);
