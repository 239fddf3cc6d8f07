#pragma once

#include <windows.h>

inline constexpr wchar_t kMainWindowClass[] = L"Quillfern";
inline constexpr wchar_t kMainWindowTitle[] = L"Quillfern";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start-up pieces, also used by the Windows test programs.
void RegisterMainWindowClass();
HWND CreateMainWindow();
