#include "diagnostics/win32/ReadoutDrawing.h"

#include <algorithm>
#include <optional>

#include "app/Gdi.h"
#include "app/WideText.h"
#include "touch/ContactTable.h"

namespace {

void AddBox(HRGN area, HRGN scratch, const RECT& box) {
    SetRectRgn(scratch, box.left, box.top, box.right, box.bottom);
    CombineRgn(area, area, scratch, RGN_OR);
}

} // namespace

ReadoutPainter::~ReadoutPainter() {
    if (font_) {
        DeleteObject(font_);
    }
}

bool ReadoutPainter::Item::operator==(const Item& other) const {
    if (ring != other.ring || x != other.x || y != other.y || alignRight != other.alignRight ||
        !EqualRect(&box, &other.box) || runs.size() != other.runs.size()) {
        return false;
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].bad != other.runs[i].bad || runs[i].text != other.runs[i].text) {
            return false;
        }
    }
    return true;
}

int ReadoutPainter::PrepareFont(HDC dc, int width) {
    if (font_ && width == fontWidth_) {
        return lineHeight_;
    }
    if (font_) {
        DeleteObject(font_);
    }
    LOGFONTW font{};
    // 15 pixels at 1280 wide, in proportion elsewhere, never below 12.
    font.lfHeight = -std::max(12, width * 15 / 1280);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(font.lfFaceName, L"Arial");
    font_ = CreateFontIndirectW(&font);
    fontWidth_ = width;
    TEXTMETRICW metrics{};
    ScopedSelect selected(dc, font_);
    lineHeight_ = GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 16;
    // Laid out in another font: boxes and widths are stale.
    preparedValid_ = false;
    return lineHeight_;
}

// Runs of one colour, each drawn with one call; most lines are a single run. The box reaches
// half a line beyond the text on every side, past any glyph's overhang.
void ReadoutPainter::Layout(HDC dc, const ReadoutLine& line, Item& item) const {
    item.ring = false;
    item.x = line.x;
    item.y = line.y;
    item.alignRight = line.alignRight;
    item.runs.clear();
    for (const ReadoutSegment& s : line.segments) {
        if (!item.runs.empty() && item.runs.back().bad == s.bad) {
            item.runs.back().text += s.text;
        } else {
            item.runs.push_back({s.text, s.bad, 0});
        }
    }
    int total = 0;
    for (Run& r : item.runs) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, AsWide(r.text.c_str()), static_cast<int>(r.text.size()), &extent);
        r.width = extent.cx;
        total += extent.cx;
    }
    const int left = line.alignRight ? line.x - total : line.x;
    const int pad = std::max(4, lineHeight_ / 2);
    item.box = {left - pad, line.y - pad, left + total + pad, line.y + lineHeight_ + pad};
}

void ReadoutPainter::Prepare(HDC dc, const Readout& readout, uint64_t serial) {
    if (preparedValid_ && serial == preparedSerial_) {
        return;
    }
    const size_t count = readout.lines.size() + readout.stuck.size();
    prepared_.resize(count);
    {
        ScopedSelect font(dc, font_);
        for (size_t i = 0; i < readout.lines.size(); ++i) {
            Layout(dc, readout.lines[i], prepared_[i]);
        }
    }
    // The pen is as wide as the ring and centred on it: the ring reaches half of it further.
    const int r = ContactRadius + kStuckRingWidth + kStuckRingWidth;
    for (size_t i = 0; i < readout.stuck.size(); ++i) {
        Item& ring = prepared_[readout.lines.size() + i];
        ring = Item{};
        ring.ring = true;
        ring.x = readout.stuck[i].x;
        ring.y = readout.stuck[i].y;
        ring.box = {ring.x - r, ring.y - r, ring.x + r, ring.y + r};
    }
    preparedSerial_ = serial;
    preparedValid_ = true;
    drawnIsPrepared_ = false;
}

void ReadoutPainter::PrepareNothing() {
    prepared_.clear();
    preparedValid_ = false;
    drawnIsPrepared_ = drawn_.empty();
}

void ReadoutPainter::AddChanges(HRGN area) const {
    if (drawnIsPrepared_) {
        return;
    }
    ScopedGdiObject<HRGN> scratch(CreateRectRgn(0, 0, 0, 0));
    if (!scratch) {
        return;
    }
    // Item by item in drawing order: where one differs, both boxes; where an item changed
    // nothing, the pixels drawn last stay as they are.
    const size_t count = std::max(prepared_.size(), drawn_.size());
    for (size_t i = 0; i < count; ++i) {
        const bool before = i < drawn_.size();
        const bool now = i < prepared_.size();
        if (before && now && drawn_[i] == prepared_[i]) {
            continue;
        }
        if (before) {
            AddBox(area, scratch.Get(), drawn_[i].box);
        }
        if (now) {
            AddBox(area, scratch.Get(), prepared_[i].box);
        }
    }
}

void ReadoutPainter::DrawItem(HDC dc, const Item& item) {
    if (item.ring) {
        const int r = ContactRadius + kStuckRingWidth;
        Ellipse(dc, item.x - r, item.y - r, item.x + r, item.y + r);
        return;
    }
    // A single run right-aligned: the text alignment does the measuring.
    const bool single = item.runs.size() == 1;
    int x = item.x;
    if (item.alignRight && !single) {
        for (const Run& r : item.runs) {
            x -= r.width;
        }
    }
    SetTextAlign(dc, (item.alignRight && single ? TA_RIGHT : TA_LEFT) | TA_TOP | TA_NOUPDATECP);
    for (const Run& r : item.runs) {
        SetTextColor(dc, r.bad ? kReadoutBadColour : kReadoutTextColour);
        ExtTextOutW(dc, x, item.y, 0, nullptr, AsWide(r.text.c_str()),
                    static_cast<int>(r.text.size()), nullptr);
        x += r.width;
    }
}

void ReadoutPainter::Draw(HDC dc, HRGN area) {
    bool any = false;
    for (const Item& item : prepared_) {
        any = any || !area || RectInRegion(area, &item.box);
    }
    if (any) {
        ScopedSelect font(dc, font_);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = GetTextColor(dc);
        const UINT oldAlign = GetTextAlign(dc);
        ScopedGdiObject<HPEN> pen;
        std::optional<ScopedSelect> selectedPen;
        std::optional<ScopedSelect> hollow;
        for (const Item& item : prepared_) {
            if (area && !RectInRegion(area, &item.box)) {
                continue;
            }
            if (item.ring && !pen) {
                pen.Reset(CreatePen(PS_SOLID, kStuckRingWidth, kReadoutBadColour));
                selectedPen.emplace(dc, pen.Get());
                hollow.emplace(dc, GetStockObject(NULL_BRUSH));
            }
            DrawItem(dc, item);
        }
        hollow.reset();
        selectedPen.reset();
        SetTextAlign(dc, oldAlign);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
    }
    if (!drawnIsPrepared_) {
        drawn_ = prepared_;
        drawnIsPrepared_ = true;
    }
}
