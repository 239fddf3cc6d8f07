#pragma once
// The C and Enter keys: hand-offs to the system shell.

#include <windows.h>

#include <string>

// Opens the system's tablet and touch settings, which hold the touch calibration; the program
// stays open.
void OpenTouchCalibration();

// Starts explorer.exe with the parameter text; returns the platform's success flag.
BOOL OpenExplorerWith(const std::wstring& parameters);

// Opens the maker's web page in the browser, then posts the quit message.
void OpenMakerPage();
