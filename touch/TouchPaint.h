#pragma once
// Touch messages update the contact table; while a contact is active the window shows them.
// Each message invalidates only the boxes of the circles that changed, and the paint copies just
// those from a composition bitmap that always holds the whole touch picture.

#include <windows.h>

#include "touch/ContactTable.h"

LRESULT HandleTouchMessage(HWND window, WPARAM wParam, LPARAM lParam);

// Paints the window's update region from the touch picture (black, one circle per contact), or
// the whole client area where the window may show something else; returns 1.
LRESULT PaintContacts(HWND window);

// For whoever draws into the window or the composed frame besides the circles: the next touch
// paint composes and copies the whole frame. Invalidates the window (none: only the marks).
void RedrawTouchFrameInFull(HWND window);

// Brings the reused composition bitmap to the touch picture of the table and copies the whole
// frame to target.
void ComposeContactFrame(HDC target, int width, int height, const ContactTable& table);
