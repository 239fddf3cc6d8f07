#pragma once
// Touch messages update the contact table; while a contact is active the window shows them.

#include <windows.h>

#include "touch/ContactTable.h"

LRESULT HandleTouchMessage(HWND window, WPARAM wParam, LPARAM lParam);

// Paints the whole client area of the window (black, one circle per contact); returns 1.
LRESULT PaintContacts(HWND window);

// Composes the touch picture of the table in the reused memory DC and copies it to target.
void ComposeContactFrame(HDC target, int width, int height, const ContactTable& table);
