#pragma once
// The start screen: gradient, title, help text, notice and the size text, drawn straight into
// a device context.

#include <windows.h>

// Draws the screen that AppState.screenIndex chooses into dc: the start screen at -1, nothing
// at all at any other value. A null dc draws nothing.
void PaintScreen(HDC dc, HWND window);

// The start screen for a client rectangle, into any device context (window paint, a memory DC,
// a benchmark). Leaves the background mode TRANSPARENT, white text and the dc's font selected.
void DrawStartScreen(HDC dc, const RECT& client);

// The gradient alone, rows 0..height-1 across 0..width: one opaque fill per run of rows that
// share a colour, the same pixels as one fill per row in at most 200 calls.
void FillStartScreenGradient(HDC dc, int width, int height);

// Black pass in rect, then the white pass with rect's top and left moved by step (rect is
// changed). Right-to-left languages add DT_RTLREADING | DT_RIGHT to both passes.
void DrawShadowedBlock(HDC dc, const wchar_t* text, RECT* rect, int step, UINT format);

// Black pass in rect, then the white pass with all of rect moved by step (rect is changed);
// the format is used as given.
void DrawShadowedLine(HDC dc, const wchar_t* text, RECT* rect, int step, UINT format);
