#pragma once
// Draws the readout's lines and stuck rings over the touch picture and keeps what it drew, so
// that a frame draws again only where the readout changed: text output costs far more per call
// under Wine than the rest of a frame.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/Readout.h"

inline constexpr COLORREF kReadoutTextColour = RGB(235, 235, 235);
inline constexpr COLORREF kReadoutBadColour = RGB(255, 70, 70);
// A stuck contact's ring: this wide, just outside its circle.
inline constexpr int kStuckRingWidth = 4;

class ReadoutPainter {
  public:
    ReadoutPainter() = default;
    ~ReadoutPainter();
    ReadoutPainter(const ReadoutPainter&) = delete;
    ReadoutPainter& operator=(const ReadoutPainter&) = delete;

    // The font for a client area this wide; returns the height of its lines.
    int PrepareFont(HDC dc, int width);

    // Lays out the readout to be drawn next. serial names its content: the same serial again
    // (for the same font) is the same readout and is not laid out again.
    void Prepare(HDC dc, const Readout& readout, uint64_t serial);
    // Nothing is to be drawn next.
    void PrepareNothing();

    // Adds to area the boxes where the readout drawn last and the one prepared differ.
    void AddChanges(HRGN area) const;
    // Draws the prepared readout, which is then the one drawn: all of it (area nullptr, over a
    // frame composed afresh), or the items that meet area, where the frame was composed again
    // and the caller clips to it. Each item's box holds every pixel it sets.
    void Draw(HDC dc, HRGN area);

    HFONT Font() const { return font_; }

  private:
    struct Run {
        std::u16string text;
        bool bad = false;
        int width = 0; // measured only where the line needs it
    };
    struct Item {
        bool ring = false; // a stuck contact's ring, else a line
        int x = 0;
        int y = 0;
        bool alignRight = false;
        std::vector<Run> runs;
        RECT box{};
        bool operator==(const Item& other) const;
    };

    void Layout(HDC dc, const ReadoutLine& line, Item& item) const;
    static void DrawItem(HDC dc, const Item& item);

    HFONT font_ = nullptr;
    int fontWidth_ = -1;
    int lineHeight_ = 16;
    std::vector<Item> prepared_;
    std::vector<Item> drawn_;
    uint64_t preparedSerial_ = 0;
    bool preparedValid_ = false;
    bool drawnIsPrepared_ = true;
};
