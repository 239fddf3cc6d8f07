#include "touch/TouchPaint.h"

#include <memory>
#include <new>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "touch/TouchApi.h"

namespace {

// Kept for the life of the process: the frame is composed here and copied in one BitBlt.
HDC compositionDC = nullptr;
HBITMAP compositionBitmap = nullptr;
int compositionWidth = -1;
int compositionHeight = -1;

// A new bitmap only when the client size changed; every other paint reuses the last one.
void PrepareComposition(HDC compatibleWith, int width, int height)
{
    if (!compositionDC) {
        compositionDC = CreateCompatibleDC(compatibleWith);
        if (!compositionDC) {
            return;
        }
    }
    if (compositionBitmap && width == compositionWidth && height == compositionHeight) {
        return;
    }
    const HBITMAP bitmap = CreateCompatibleBitmap(compatibleWith, width, height);
    if (!bitmap) {
        return;
    }
    SelectObject(compositionDC, bitmap);
    if (compositionBitmap) {
        DeleteObject(compositionBitmap);
    }
    compositionBitmap = bitmap;
    compositionWidth = width;
    compositionHeight = height;
}

} // namespace

LRESULT HandleTouchMessage(HWND window, WPARAM wParam, LPARAM lParam)
{
    const UINT count = LOWORD(wParam);
    const auto input = reinterpret_cast<HTOUCHINPUT>(lParam);
    std::unique_ptr<TOUCHINPUT[]> inputs(new (std::nothrow) TOUCHINPUT[count ? count : 1]);
    if (inputs && TouchApiGetInputInfo(input, count, inputs.get(), sizeof(TOUCHINPUT))) {
        for (UINT i = 0; i < count; ++i) {
            const TOUCHINPUT& touch = inputs[i];
            if (touch.dwID == 0) {
                continue;
            }
            // TOUCHINPUT positions are hundredths of a physical screen pixel.
            POINT point{touch.x / 100, touch.y / 100};
            ScreenToClient(window, &point);
            if (touch.dwFlags & TOUCHEVENTF_UP) {
                RemoveContact(AppState.touchContacts, touch.dwID);
                continue;
            }
            const int slot = FindOrAddContact(AppState.touchContacts, touch.dwID);
            if (slot != -1) {
                AppState.touchContacts[slot].x = point.x;
                AppState.touchContacts[slot].y = point.y;
            }
        }
    }
    // The handle is ours to close once the message is not passed on, even when reading failed.
    TouchApiCloseInputHandle(input);
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}

void ComposeContactFrame(HDC target, int width, int height, const ContactTable& table)
{
    PrepareComposition(target, width, height);
    if (!compositionDC || !compositionBitmap) {
        return;
    }
    const RECT client{0, 0, width, height};
    ScopedGdiObject<HBRUSH> black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(compositionDC, &client, black.Get());
    for (const TouchContact& contact : table) {
        ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(contact.colour));
        ScopedSelect selected(compositionDC, brush.Get());
        // Contacts on the first row or column are tracked but not drawn.
        if (contact.x > 0 && contact.y > 0) {
            Ellipse(compositionDC, contact.x - ContactRadius, contact.y - ContactRadius,
                    contact.x + ContactRadius, contact.y + ContactRadius);
        }
    }
    BitBlt(target, 0, 0, width, height, compositionDC, 0, 0, SRCCOPY);
}

LRESULT PaintContacts(HWND window)
{
    ScopedPaint paint(window);
    RECT client{};
    GetClientRect(window, &client);
    if (paint.Get()) {
        ComposeContactFrame(paint.Get(), client.right, client.bottom, AppState.touchContacts);
    }
    return 1;
}
