#pragma once
// What the system reports about the screen, the digitizer and itself, bound at run time where
// older systems lack the function.

#include <windows.h>

#include <string>

#include "diagnostics/PhysicalScale.h"

// The monitor's raw DPI (GetDpiForMonitor, MDT_RAW_DPI), else the device context's HORZSIZE
// and VERTSIZE against its pixels; unknown when neither gives a size.
PhysicalScale MeasurePhysicalScale(HWND window);
// The monitor the window is on, in virtual-screen pixels.
RECT WindowMonitorRect(HWND window);
// "10.0.19045" from RtlGetVersion; empty when it can't be had.
std::wstring WindowsVersionText();
