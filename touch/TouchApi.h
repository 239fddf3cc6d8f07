#pragma once
// The system's touch functions, bound at run time so the program starts where they are missing.

#include <windows.h>

BOOL TouchApiRegisterWindow(HWND window, ULONG flags);
BOOL TouchApiGetInputInfo(HTOUCHINPUT input, UINT count, PTOUCHINPUT inputs, int recordSize);
BOOL TouchApiCloseInputHandle(HTOUCHINPUT input);
