#pragma once
// Pixel-for-pixel checks of touch pictures for the Windows touch tests: a reference drawn with
// plain GDI and a 32-bit canvas to draw it into.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/Gdi.h"
#include "touch/ContactTable.h"

namespace touchcheck {

// A 32-bit top-down DIB with a DC, to compare frames pixel by pixel.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        bitmap_ = CreateTopDownDib(width, height, &bits_);
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    bool Ok() const { return bitmap_ && dc_ && bits_; }
    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0x00RRGGBB
    uint32_t At(int x, int y) const {
        return static_cast<const uint32_t*>(bits_)[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
    }

  private:
    int width_;
    int height_;
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

// The touch picture as plain GDI draws it: black, then one Ellipse per slot in slot order.
inline void DrawReference(HDC dc, int width, int height, const ContactTable& table) {
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (const TouchContact& c : table) {
        if (c.x > 0 && c.y > 0) {
            const HBRUSH brush = CreateSolidBrush(c.colour);
            const HGDIOBJ previous = SelectObject(dc, brush);
            Ellipse(dc, c.x - 60, c.y - 60, c.x + 60, c.y + 60);
            SelectObject(dc, previous);
            DeleteObject(brush);
        }
    }
}

struct Difference {
    int pixels = 0;    // how many differ
    std::string first; // where the first one is, and its two values
};

// Compares two pictures of width x height given as 0x00RRGGBB readers.
template <typename Actual, typename Expected>
Difference Compare(int width, int height, Actual actual, Expected expected) {
    Difference d;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t a = actual(x, y);
            const uint32_t e = expected(x, y);
            if (a != e && !d.pixels++) {
                char text[96];
                snprintf(text, sizeof(text), "(%d, %d): %06X instead of %06X", x, y,
                         static_cast<unsigned>(a), static_cast<unsigned>(e));
                d.first = text;
            }
        }
    }
    return d;
}

} // namespace touchcheck
