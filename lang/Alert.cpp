#include "lang/Alert.h"

#include <windows.h>

void ShowAlert(std::wstring text) {
    MessageBoxW(GetActiveWindow(), text.c_str(), L"Alert", MB_OK);
}
