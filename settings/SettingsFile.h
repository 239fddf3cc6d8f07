#pragma once
// The settings file: section "Program" of an INI file beside the program or in the user's
// roaming application-data folder, chosen once at start-up.

#include <windows.h>

#include <string>

// Full path of the settings file; empty until LocateSettingsFile has run.
extern std::wstring SettingsPath;

// Chooses the settings file, sets SettingsPath and writes the "TestIni" probe there. Returns 1.
int LocateSettingsFile();

// The integer stored under key, or defaultValue when there is no file, key or value.
int ReadSettingInt(const wchar_t* key, int defaultValue);
// Stores value under key, creating file, section or key as needed; the platform's result.
BOOL WriteSettingInt(const wchar_t* key, int value);
// Reads key into buffer; the buffer's current text is the default.
void ReadSettingString(const wchar_t* key, wchar_t* buffer, DWORD capacity);

// Folder of the running executable, without a trailing backslash; computed once.
const std::wstring& GetProgramFolder();

// 1: a file; 2: a folder; 0: nothing there; -1: the query failed otherwise.
int GetPathState(const wchar_t* path);
