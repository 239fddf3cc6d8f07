#include "touch/TouchPaint.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "touch/CircleChanges.h"
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
    void* bits = nullptr;
    ScopedGdiObject<HBITMAP> dib(CreateTopDownDib(kCircleSize, kCircleSize, &bits));
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

// The circle of this colour on black, made on first use in the format of the device context
// painted to; nullptr when it can't be had.
const CircleSprite* SpriteFor(uint32_t colour, HDC compatibleWith) {
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
    const HDC dc = CreateCompatibleDC(compatibleWith);
    const HBITMAP bitmap = CreateCompatibleBitmap(compatibleWith, kCircleSize, kCircleSize);
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
// black, so the whole sprite can be copied, clipped only to the area being drawn (nullptr: all).
void PaintCircle(const TouchContact& contact, bool overDrawn, HDC target, HRGN area) {
    const int left = contact.x - ContactRadius;
    const int top = contact.y - ContactRadius;
    const CircleSprite* sprite = SpriteFor(contact.colour, target);
    if (!sprite) {
        ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(contact.colour));
        DrawCircle(compositionDC, left, top, brush.Get());
        return;
    }
    if (!overDrawn) {
        BitBlt(compositionDC, left, top, kCircleSize, kCircleSize, sprite->dc, 0, 0, SRCCOPY);
        return;
    }
    OffsetRgn(footprint, left, top);
    ExtSelectClipRgn(compositionDC, footprint, area ? RGN_AND : RGN_COPY);
    BitBlt(compositionDC, left, top, kCircleSize, kCircleSize, sprite->dc, 0, 0, SRCCOPY);
    SelectClipRgn(compositionDC, area);
    OffsetRgn(footprint, -left, -top);
}

// Draws the circles of the table that meet the area (nullptr: all of them) over a black area, in
// slot order: higher slots over lower ones.
void PaintCircles(const ContactTable& table, HDC target, HRGN area) {
    std::array<CircleBox, kContactSlots> drawn{};
    int drawnCount = 0;
    for (const TouchContact& contact : table) {
        if (!ContactDrawn(contact)) {
            continue;
        }
        const CircleBox box = ContactBox(contact);
        bool overDrawn = false;
        for (int i = 0; i < drawnCount; ++i) {
            overDrawn = overDrawn || BoxesMeet(box, drawn[i]);
        }
        drawn[drawnCount++] = box;
        const RECT rect{box.left, box.top, box.right, box.bottom};
        if (!area || RectInRegion(area, &rect)) {
            PaintCircle(contact, overDrawn, target, area);
        }
    }
}

// The union of the boxes; nullptr when no region can be had.
HRGN BoxesRegion(const CircleBoxes& changed) {
    HRGN area = CreateRectRgn(0, 0, 0, 0);
    ScopedGdiObject<HRGN> box(CreateRectRgn(0, 0, 0, 0));
    if (!area || !box) {
        if (area) {
            DeleteObject(area);
        }
        return nullptr;
    }
    for (int i = 0; i < changed.count; ++i) {
        const CircleBox& b = changed.boxes[i];
        SetRectRgn(box.Get(), b.left, b.top, b.right, b.bottom);
        CombineRgn(area, area, box.Get(), RGN_OR);
    }
    return area;
}

// What the composition bitmap holds: the full touch picture of composedTable at its size.
bool compositionCurrent = false;
ContactTable composedTable{};

// What the window shows outside its update region: the touch picture of some earlier table,
// every change since then invalidated. Cleared where anything else may have drawn there.
bool windowShowsTouchFrame = false;

// The one decision between the changed boxes and the whole client area: the whole one wherever
// the window may show something other than the last touch frame (the start screen, an empty
// frame while minimised, the drawing-speed test's worker, whatever asked for a full redraw). A
// resize needs nothing here: it invalidates the whole window itself.
bool FullFrameDue() {
    return !windowShowsTouchFrame || AppState.speedTestRunning.load() || DiagnosticsReadoutOn();
}

// The readout was drawn over the last composition: its pixels are not the touch picture's.
bool compositionHasReadout = false;

// Brings the composition bitmap to the picture of the table: the boxes of the circles that
// changed, and where the readout over it changed, are filled black and their circles and
// readout drawn again, or the whole frame where the bitmap does not hold a touch picture of
// this size. False when there is no bitmap of this size.
bool UpdateComposition(HDC compatibleWith, int width, int height, const ContactTable& table) {
    // An empty client area (a minimised window) shows nothing. A bitmap of no size would be the
    // 1 x 1 monochrome one, and circles first made then would stay monochrome.
    if (width <= 0 || height <= 0) {
        return false;
    }
    if (compositionWidth != width || compositionHeight != height) {
        compositionCurrent = false;
    }
    PrepareComposition(compatibleWith, width, height);
    // A bitmap of another size (a new one could not be had) would copy stale pixels.
    if (!compositionDC || !compositionBitmap || compositionWidth != width ||
        compositionHeight != height) {
        return false;
    }
    const bool readout = DiagnosticsReadoutOn();
    // Drawn now, or to be taken away.
    const bool readoutChanges = readout || compositionHasReadout;
    ScopedGdiObject<HBRUSH> black(CreateSolidBrush(RGB(0, 0, 0)));
    if (!compositionCurrent) {
        const RECT client{0, 0, width, height};
        FillRect(compositionDC, &client, black.Get());
        PaintCircles(table, compatibleWith, nullptr);
        if (readoutChanges) {
            DrawDiagnosticsReadout(compositionDC, width, height);
        }
    } else {
        const CircleBoxes changed = ChangedCircleBoxes(composedTable, table);
        if (changed.count || readoutChanges) {
            ScopedGdiObject<HRGN> area(changed.count ? BoxesRegion(changed)
                                                     : CreateRectRgn(0, 0, 0, 0));
            if (!area) {
                return false;
            }
            if (readoutChanges) {
                AddDiagnosticsReadoutChanges(compositionDC, width, height, area.Get());
            }
            RECT bounds{};
            if (GetRgnBox(area.Get(), &bounds) != NULLREGION) {
                FillRgn(compositionDC, area.Get(), black.Get());
                SelectClipRgn(compositionDC, area.Get());
                PaintCircles(table, compatibleWith, area.Get());
                if (readoutChanges) {
                    DrawDiagnosticsReadout(compositionDC, width, height, area.Get());
                }
                SelectClipRgn(compositionDC, nullptr);
            }
        }
    }
    compositionHasReadout = readout;
    compositionCurrent = true;
    composedTable = table;
    return true;
}

// Copies the region's part of the composition to the target, in as few rectangles as pay.
void CopyRegion(HDC target, HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (!size) {
        return;
    }
    std::vector<BYTE> data(size);
    auto* rects = reinterpret_cast<RGNDATA*>(data.data());
    if (GetRegionData(region, size, rects) != size) {
        return;
    }
    const auto* rect = reinterpret_cast<const RECT*>(rects->Buffer);
    std::vector<CircleBox> parts;
    parts.reserve(rects->rdh.nCount);
    for (DWORD i = 0; i < rects->rdh.nCount; ++i, ++rect) {
        parts.push_back({rect->left, rect->top, rect->right, rect->bottom});
    }
    for (const CircleBox& b : JoinCopyRects(parts)) {
        BitBlt(target, b.left, b.top, b.right - b.left, b.bottom - b.top, compositionDC, b.left,
               b.top, SRCCOPY);
    }
}

} // namespace

// The system's record, read in arrays with the record size passed along.
static_assert(sizeof(TOUCHINPUT) == 48);

LRESULT HandleTouchMessage(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT count = LOWORD(wParam);
    const auto input = reinterpret_cast<HTOUCHINPUT>(lParam);
    const ContactTable before = AppState.touchContacts;
    std::unique_ptr<TOUCHINPUT[]> inputs(new (std::nothrow) TOUCHINPUT[count ? count : 1]);
    const bool read =
        inputs && TouchApiGetInputInfo(input, count, inputs.get(), sizeof(TOUCHINPUT));
    if (read) {
        // Measured before the table drops any, so contacts beyond ten slots count too.
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
    if (!AnyContactActive(AppState.touchContacts)) {
        // The next paint is the start screen's, or the drawing-speed test's.
        windowShowsTouchFrame = false;
    }
    // A message that could not be read repaints everything from the unchanged table.
    if (!read || !count || FullFrameDue()) {
        InvalidateRect(window, nullptr, FALSE);
        return 1;
    }
    const CircleBoxes changed = ChangedCircleBoxes(before, AppState.touchContacts);
    if (changed.count) {
        // One call: under Wine each invalidation is a round trip to the server.
        ScopedGdiObject<HRGN> area(BoxesRegion(changed));
        if (area) {
            InvalidateRgn(window, area.Get(), FALSE);
        } else {
            InvalidateRect(window, nullptr, FALSE);
        }
    }
    return 1;
}

void RedrawTouchFrameInFull(HWND window) {
    compositionCurrent = false;
    windowShowsTouchFrame = false;
    if (window) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

void ComposeContactFrame(HDC target, int width, int height, const ContactTable& table) {
    if (UpdateComposition(target, width, height, table)) {
        BitBlt(target, 0, 0, width, height, compositionDC, 0, 0, SRCCOPY);
    }
}

LRESULT PaintContacts(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    // The update region holds the changed circles' boxes and whatever the system asks for besides
    // (an uncovered part of the window); it is copied from the composition bitmap, which holds
    // the whole picture, so those pixels are the full frame's.
    ScopedGdiObject<HRGN> update(CreateRectRgn(0, 0, 0, 0));
    if (FullFrameDue() || !update || GetUpdateRgn(window, update.Get(), FALSE) == ERROR) {
        InvalidateRect(window, nullptr, FALSE);
        update.Reset(CreateRectRgn(0, 0, client.right, client.bottom));
    }
    ScopedPaint paint(window);
    windowShowsTouchFrame = false;
    if (!paint.Get() || !update ||
        !UpdateComposition(paint.Get(), client.right, client.bottom, AppState.touchContacts)) {
        return 1;
    }
    CopyRegion(paint.Get(), update.Get());
    windowShowsTouchFrame = !compositionHasReadout;
    return 1;
}
