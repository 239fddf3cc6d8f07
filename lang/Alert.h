#pragma once
// The program's one error box.

#include <string>

// Shows text in a box captioned "Alert" with one OK button, owned by the active window, and
// waits until it is closed.
void ShowAlert(std::wstring text);
