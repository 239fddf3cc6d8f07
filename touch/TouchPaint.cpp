#include "touch/TouchPaint.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "touch/TouchApi.h"

namespace {

// Kept for the life of the process: the frame is composed here and copied in one BitBlt.
HDC compositionDC = nullptr;
HBITMAP compositionBitmap = nullptr;
int compositionWidth = -1;
int compositionHeight = -1;

// An Ellipse with its outline costs about as much as the frame's fill, ten times over. Each
// colour's circle is drawn once into a sprite and copied into place, clipped to the pixels an
// Ellipse touches there: the very same pixels, also where circles overlap.
constexpr int kCircleSize = 2 * ContactRadius;
HRGN footprint = nullptr; // the circle's fill and outline, in a box at the origin
// Each sprite keeps a DC of its own: selecting a bitmap costs more than copying one.
struct CircleSprite {
    uint32_t colour;
    HDC dc;
    HBITMAP bitmap;
};
std::array<CircleSprite, kContactSlots> sprites{};
int spriteCount = 0;

// A new bitmap only when the client size changed; every other paint reuses the last one.
void PrepareComposition(HDC compatibleWith, int width, int height) {
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

// The circle as the touch picture draws it, in a box at (left, top).
void DrawCircle(HDC dc, int left, int top, HBRUSH brush) {
    ScopedSelect selected(dc, brush);
    Ellipse(dc, left, top, left + kCircleSize, top + kCircleSize);
}

// Reads back which pixels the circle's Ellipse sets (a pen of any colour covers the same ones)
// and makes a region of them, one rectangle per run of a row.
HRGN MakeFootprint() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kCircleSize;
    info.bmiHeader.biHeight = -kCircleSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedGdiObject<HBITMAP> dib(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedMemoryDC dc(compositionDC);
    if (!dib || !bits || !dc.Get()) {
        return nullptr;
    }
    {
        ScopedSelect selected(dc.Get(), dib.Get());
        const RECT box{0, 0, kCircleSize, kCircleSize};
        FillRect(dc.Get(), &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ScopedSelect pen(dc.Get(), GetStockObject(WHITE_PEN));
        DrawCircle(dc.Get(), 0, 0, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        GdiFlush();
    }
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<RECT> runs;
    for (int y = 0; y < kCircleSize; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * kCircleSize;
        for (int x = 0; x < kCircleSize;) {
            if (!(row[x] & 0x00FFFFFF)) {
                ++x;
                continue;
            }
            const int first = x;
            while (x < kCircleSize && (row[x] & 0x00FFFFFF)) {
                ++x;
            }
            runs.push_back({first, y, x, y + 1});
        }
    }
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(runs.size());
    region->rdh.rcBound = {0, 0, kCircleSize, kCircleSize};
    std::copy(runs.begin(), runs.end(), reinterpret_cast<RECT*>(region->Buffer));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region);
}

// The circle of this colour on black, made on first use; nullptr when it can't be had.
const CircleSprite* SpriteFor(uint32_t colour) {
    for (int i = 0; i < spriteCount; ++i) {
        if (sprites[i].colour == colour) {
            return &sprites[i];
        }
    }
    if (spriteCount == kContactSlots) {
        return nullptr;
    }
    if (!footprint) {
        footprint = MakeFootprint();
    }
    if (!footprint) {
        return nullptr;
    }
    const HDC dc = CreateCompatibleDC(compositionDC);
    const HBITMAP bitmap = CreateCompatibleBitmap(compositionDC, kCircleSize, kCircleSize);
    if (!dc || !bitmap) {
        if (dc) {
            DeleteDC(dc);
        }
        if (bitmap) {
            DeleteObject(bitmap);
        }
        return nullptr;
    }
    SelectObject(dc, bitmap);
    const RECT box{0, 0, kCircleSize, kCircleSize};
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    DrawCircle(dc, 0, 0, brush.Get());
    sprites[spriteCount] = {colour, dc, bitmap};
    return &sprites[spriteCount++];
}

// overDrawn: the circle's box meets one drawn before in this frame. Elsewhere the box is still
// black, so the whole sprite can be copied without clipping.
void PaintCircle(const TouchContact& contact, bool overDrawn) {
    const int left = contact.x - ContactRadius;
    const int top = contact.y - ContactRadius;
    const CircleSprite* sprite = SpriteFor(contact.colour);
    if (!sprite) {
        ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(contact.colour));
        DrawCircle(compositionDC, left, top, brush.Get());
        return;
    }
    if (!overDrawn) {
        BitBlt(compositionDC, left, top, kCircleSize, kCircleSize, sprite->dc, 0, 0, SRCCOPY);
        return;
    }
    SelectClipRgn(compositionDC, footprint);
    OffsetClipRgn(compositionDC, left, top);
    BitBlt(compositionDC, left, top, kCircleSize, kCircleSize, sprite->dc, 0, 0, SRCCOPY);
    SelectClipRgn(compositionDC, nullptr);
}

} // namespace

// The system's record, read in arrays with the record size passed along.
static_assert(sizeof(TOUCHINPUT) == 48);

LRESULT HandleTouchMessage(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT count = LOWORD(wParam);
    const auto input = reinterpret_cast<HTOUCHINPUT>(lParam);
    std::unique_ptr<TOUCHINPUT[]> inputs(new (std::nothrow) TOUCHINPUT[count ? count : 1]);
    if (inputs && TouchApiGetInputInfo(input, count, inputs.get(), sizeof(TOUCHINPUT))) {
        DiagnosticsFeedTouchInputs(window, inputs.get(), count);
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

void ComposeContactFrame(HDC target, int width, int height, const ContactTable& table) {
    PrepareComposition(target, width, height);
    // A bitmap of another size (a new one could not be had) would copy stale pixels.
    if (!compositionDC || !compositionBitmap || compositionWidth != width ||
        compositionHeight != height) {
        return;
    }
    const RECT client{0, 0, width, height};
    ScopedGdiObject<HBRUSH> black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(compositionDC, &client, black.Get());
    // Slot order: higher slots over lower ones. Free slots hold -1 and are skipped with the
    // contacts on the first row or column, which are tracked but not drawn.
    std::array<POINT, kContactSlots> drawn{};
    int drawnCount = 0;
    for (const TouchContact& contact : table) {
        if (contact.x <= 0 || contact.y <= 0) {
            continue;
        }
        bool overDrawn = false;
        for (int i = 0; i < drawnCount; ++i) {
            overDrawn = overDrawn || (std::abs(contact.x - drawn[i].x) < kCircleSize &&
                                      std::abs(contact.y - drawn[i].y) < kCircleSize);
        }
        PaintCircle(contact, overDrawn);
        drawn[drawnCount++] = {contact.x, contact.y};
    }
    if (DiagnosticsReadoutOn()) {
        DrawDiagnosticsReadout(compositionDC, width, height);
    }
    BitBlt(target, 0, 0, width, height, compositionDC, 0, 0, SRCCOPY);
}

LRESULT PaintContacts(HWND window) {
    ScopedPaint paint(window);
    RECT client{};
    GetClientRect(window, &client);
    if (paint.Get()) {
        ComposeContactFrame(paint.Get(), client.right, client.bottom, AppState.touchContacts);
    }
    return 1;
}
