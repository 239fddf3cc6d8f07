#include "diagnostics/win32/CheckDrawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/Gdi.h"
#include "app/WideText.h"
#include "diagnostics/CheckStrings.h"
#include "diagnostics/PngWriter.h"
#include "diagnostics/TextPattern.h"

namespace {

// Bold Arial scaled with the width as on the start screen, never below a readable size.
int TextHeight(int width) {
    return std::max(14, width * 26 / 1280);
}

// Fonts by height, made once and kept for the life of the process: a new font every frame
// would have its glyphs rasterised again every frame. Only the window thread draws the checks.
HFONT FontOf(int height) {
    struct Entry {
        int height;
        HFONT font;
    };
    static Entry cache[8] = {};
    static int next = 0;
    for (const Entry& entry : cache) {
        if (entry.font && entry.height == height) {
            return entry.font;
        }
    }
    LOGFONTW logFont = {};
    logFont.lfHeight = -height;
    logFont.lfWeight = FW_BOLD;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    const HFONT font = CreateFontIndirectW(&logFont);
    if (!font) {
        return nullptr;
    }
    // The oldest entry makes room; it is not selected anywhere between two pictures.
    Entry& slot = cache[next];
    next = (next + 1) % 8;
    if (slot.font) {
        DeleteObject(slot.font);
    }
    slot = {height, font};
    return font;
}

// A window colour (0x00BBGGRR) as a 32-bit DIB pixel (0x00RRGGBB).
uint32_t Pixel(COLORREF colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    // ExtTextOutW with ETO_OPAQUE fills in the background colour without a brush.
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// Text with a black shadow, so it reads over green and dark cells alike. Returns the height
// DrawTextW reports.
int DrawShadowed(HDC dc, const std::u16string& text, RECT rect, UINT format, COLORREF colour) {
    SetBkMode(dc, TRANSPARENT);
    const int step = 2;
    RECT shadow = rect;
    OffsetRect(&shadow, step, step);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, AsWide(text.c_str()), static_cast<int>(text.size()), &shadow, format);
    SetTextColor(dc, colour);
    return DrawTextW(dc, AsWide(text.c_str()), static_cast<int>(text.size()), &rect, format);
}

constexpr UINT kCentred = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
constexpr const char16_t* kGap = u"     ";

std::u16string UnitText(bool millimetres, CheckLookup lookup) {
    return CheckTextOf(lookup, millimetres ? CheckText::Millimetres : CheckText::Pixels);
}

} // namespace

void DrawCoverageGrid(HDC dc, int width, int height, const CoverageGrid& grid, CheckLookup lookup) {
    using namespace CheckText;
    const std::vector<int>& xs = grid.ColumnEdges();
    const std::vector<int>& ys = grid.RowEdges();
    const int columns = grid.Columns();
    const int rows = grid.Rows();
    // A row of cells is one pixel row repeated: its cells' colours with the column borders on
    // their first pixels. It goes in as a pattern brush one pixel high, so the whole row of
    // cells is one fill; under Wine a thin line costs a span per pixel row, and the borders
    // drawn as lines cost as much as the frame's fill.
    const auto colourOf = [&](int row, int column) -> uint32_t {
        if (grid.Touched({row, column})) {
            return Pixel(CheckColour::Touched);
        }
        const bool band = (grid.BandY() > 0 && (row == 0 || row == rows - 1)) ||
                          (grid.BandX() > 0 && (column == 0 || column == columns - 1));
        return Pixel(band ? CheckColour::UntouchedBand : CheckColour::Untouched);
    };
    const int gridWidth = std::min(width, grid.Width());
    if (gridWidth > 0 && rows > 0) {
        std::vector<uint32_t> packed(
            (sizeof(BITMAPINFOHEADER) + sizeof(uint32_t) - 1) / sizeof(uint32_t) + gridWidth);
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
        header->biSize = sizeof(BITMAPINFOHEADER);
        header->biWidth = gridWidth;
        header->biHeight = 1;
        header->biPlanes = 1;
        header->biBitCount = 32;
        header->biCompression = BI_RGB;
        uint32_t* pattern = packed.data() + sizeof(BITMAPINFOHEADER) / sizeof(uint32_t);
        const uint32_t line = Pixel(CheckColour::GridLine);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const uint32_t colour = colourOf(row, column);
                const int right = std::min(xs[column + 1], gridWidth);
                for (int x = xs[column]; x < right; ++x) {
                    pattern[x] = colour;
                }
                if (column > 0 && xs[column] < gridWidth) {
                    pattern[xs[column]] = line;
                }
            }
            // The row border on the first pixel row of every row but the first.
            const int top = row > 0 ? ys[row] + 1 : 0;
            if (row > 0) {
                Fill(dc, RECT{0, ys[row], gridWidth, ys[row] + 1}, CheckColour::GridLine);
            }
            ScopedGdiObject<HBRUSH> brush(CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS));
            const RECT cells{0, top, gridWidth, ys[row + 1]};
            if (brush) {
                FillRect(dc, &cells, brush.Get());
            } else {
                Fill(dc, cells, CheckColour::Untouched);
            }
        }
    }
    if (width > gridWidth) {
        Fill(dc, RECT{gridWidth, 0, width, height}, CheckColour::Untouched);
    }
    if (height > grid.Height()) {
        Fill(dc, RECT{0, grid.Height(), gridWidth, height}, CheckColour::Untouched);
    }
    {
        ScopedGdiObject<HBRUSH> dotBrush(CreateSolidBrush(CheckColour::Dot));
        ScopedSelect selected(dc, dotBrush.Get());
        for (size_t i = 0; i < grid.DotCount(); ++i) {
            const GridDot& dot = grid.Dot(i);
            PatBlt(dc, static_cast<int>(dot.x) - 1, static_cast<int>(dot.y) - 1, 3, 3, PATCOPY);
        }
    }

    std::u16string line;
    if (const std::optional<int64_t> took = grid.CompletionUs()) {
        line = FormatPattern(CheckTextOf(lookup, GridComplete),
                             {FormatInteger(grid.CellCount()),
                              FormatFixed(static_cast<double>(*took) / 1e6, 1)}) +
               kGap + CheckTextOf(lookup, GridLeave);
    } else {
        line = FormatPattern(CheckTextOf(lookup, CellsLeft),
                             {FormatInteger(grid.CellsLeft()), FormatInteger(grid.CellCount())}) +
               kGap + CheckTextOf(lookup, GridLeave) + kGap + CheckTextOf(lookup, StrokeSlowly);
    }
    const int textHeight = TextHeight(width);
    ScopedSelect selected(dc, FontOf(textHeight));
    DrawShadowed(dc, line, RECT{10, grid.BandY() + 4, width - 10, height}, kCentred,
                 CheckColour::Text);
}

RECT GhostCountdownRect(int width, int height) {
    return RECT{width / 4, height / 3, width - width / 4, height - height / 4};
}

void DrawGhostWatch(HDC dc, int width, int height, const GhostWatch& watch, int64_t nowUs,
                    CheckLookup lookup) {
    using namespace CheckText;
    Fill(dc, RECT{0, 0, width, height}, CheckColour::Background);
    const int textHeight = TextHeight(width);
    const int margin = 30;
    const HFONT font = FontOf(textHeight);
    const HFONT large = FontOf(textHeight * 2);

    int listTop = margin;
    if (watch.State() == GhostWatch::Phase::Watching) {
        {
            ScopedSelect selected(dc, large);
            listTop += DrawShadowed(dc, CheckTextOf(lookup, HandsOff),
                                    RECT{margin, margin, width - margin, height}, kCentred,
                                    CheckColour::Text);
        }
        {
            ScopedSelect selected(dc, font);
            listTop += DrawShadowed(dc, CheckTextOf(lookup, WatchEndEarly),
                                    RECT{margin, listTop + textHeight / 2, width - margin, height},
                                    kCentred, CheckColour::Text) +
                       textHeight / 2;
        }
        // The digits fill most of the countdown's box.
        const RECT box = GhostCountdownRect(width, height);
        ScopedSelect selected(dc, FontOf((box.bottom - box.top) * 9 / 10));
        DrawShadowed(dc, FormatInteger(watch.SecondsLeft(nowUs)), box,
                     DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, CheckColour::Text);
    } else if (watch.State() == GhostWatch::Phase::Finished) {
        ScopedSelect selected(dc, large);
        for (const std::u16string& line : GhostResultLines(watch, lookup)) {
            listTop +=
                DrawShadowed(dc, line, RECT{margin, listTop, width - margin, height}, kCentred,
                             watch.GhostCount() > 0 ? CheckColour::Ghost : CheckColour::WithinBar);
        }
    }
    if (!watch.MarksShown()) {
        return;
    }

    const std::vector<GhostEvent>& events = watch.Events();
    const int radius = std::max(12, width / 64);
    {
        ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 3, CheckColour::Ghost));
        ScopedSelect selectedPen(dc, pen.Get());
        ScopedSelect selectedBrush(dc, GetStockObject(NULL_BRUSH));
        ScopedSelect selectedFont(dc, font);
        for (size_t i = 0; i < events.size(); ++i) {
            const int x = static_cast<int>(events[i].x);
            const int y = static_cast<int>(events[i].y);
            Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
            DrawShadowed(dc, FormatInteger(static_cast<long long>(i + 1)),
                         RECT{x + radius, y - radius - textHeight, width, height},
                         DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, CheckColour::Ghost);
        }
    }
    // The list, as many lines as fit below the text above it.
    ScopedSelect selected(dc, font);
    int y = listTop + textHeight;
    for (size_t i = 0; i < events.size() && y + textHeight <= height - margin; ++i) {
        y += DrawShadowed(dc, GhostEventLine(i + 1, events[i], lookup),
                          RECT{margin, y, width - margin, height},
                          DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, CheckColour::Text);
    }
}

int CrosshairArm(int width) {
    return std::max(20, width / 48);
}

namespace {

void DrawLine(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// Two lines through (x, y) with a ring around it; LineTo leaves out the end pixel, so each line
// runs one pixel further.
void DrawCrosshair(HDC dc, int x, int y, int arm, COLORREF colour) {
    ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    ScopedSelect selectedPen(dc, pen.Get());
    ScopedSelect selectedBrush(dc, GetStockObject(NULL_BRUSH));
    DrawLine(dc, x - arm, y, x + arm + 1, y);
    DrawLine(dc, x, y - arm, x, y + arm + 1);
    const int ring = arm / 2;
    Ellipse(dc, x - ring, y - ring, x + ring + 1, y + ring + 1);
}

void DrawArrow(HDC dc, double x0, double y0, double x1, double y1, COLORREF colour) {
    ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, colour));
    ScopedSelect selected(dc, pen.Get());
    const int ax = static_cast<int>(std::lround(x0));
    const int ay = static_cast<int>(std::lround(y0));
    const int bx = static_cast<int>(std::lround(x1));
    const int by = static_cast<int>(std::lround(y1));
    DrawLine(dc, ax, ay, bx, by);
    const double length = std::hypot(x1 - x0, y1 - y0);
    if (length < 4) {
        return;
    }
    // Two barbs at 30 degrees off the shaft, a quarter of it long but at most 14 px.
    const double head = std::min(14.0, length / 4);
    const double angle = std::atan2(y1 - y0, x1 - x0);
    for (double side : {-0.5236, 0.5236}) {
        const double a = angle + 3.14159265358979 + side;
        DrawLine(dc, bx, by, bx + static_cast<int>(std::lround(head * std::cos(a))),
                 by + static_cast<int>(std::lround(head * std::sin(a))));
    }
}

} // namespace

void DrawAccuracyCheck(HDC dc, int width, int height, const AccuracyCheck& check,
                       CheckLookup lookup) {
    using namespace CheckText;
    Fill(dc, RECT{0, 0, width, height}, CheckColour::Background);
    const int textHeight = TextHeight(width);
    const int margin = 30;
    const int arm = CrosshairArm(width);
    ScopedSelect selectedFont(dc, FontOf(textHeight));
    const std::vector<AccuracyTarget>& targets = check.Targets();
    if (targets.empty()) {
        return;
    }

    if (!check.Done()) {
        const AccuracyTarget& target = targets[check.Current()];
        const int x = static_cast<int>(target.x);
        const int y = static_cast<int>(target.y);
        DrawCrosshair(dc, x, y, arm, CheckColour::Crosshair);
        std::vector<std::pair<std::u16string, COLORREF>> lines;
        lines.push_back({FormatPattern(CheckTextOf(lookup, TargetPrompt),
                                       {FormatInteger(check.Current() + 1),
                                        FormatInteger(AccuracyCheck::kTargetCount)}) +
                             kGap + CheckTextOf(lookup, AccuracyLeave),
                         CheckColour::Text});
        if (check.LastRefused()) {
            lines.push_back({CheckTextOf(lookup, TooFar), CheckColour::BeyondBar});
        }
        if (!check.InMillimetres()) {
            lines.push_back({CheckTextOf(lookup, NoPhysicalSize), CheckColour::Text});
        }
        // The lines stand at the top unless the target is there; then they move to the middle.
        int top = margin;
        const int block = static_cast<int>(lines.size() + 1) * textHeight * 5 / 4;
        if (y - arm < margin + block) {
            top = height / 2 - block;
        }
        for (const auto& [text, colour] : lines) {
            top +=
                DrawShadowed(dc, text, RECT{margin, top, width - margin, height}, kCentred, colour);
        }
        return;
    }

    const std::u16string unit = UnitText(check.InMillimetres(), lookup);
    for (size_t i = 0; i < targets.size(); ++i) {
        const AccuracyTarget& target = targets[i];
        const AccuracyLanding& landing = check.Landings()[i];
        const COLORREF colour = landing.withinBar ? CheckColour::WithinBar : CheckColour::BeyondBar;
        const int x = static_cast<int>(target.x);
        const int y = static_cast<int>(target.y);
        DrawCrosshair(dc, x, y, arm / 2, CheckColour::GridLine);
        DrawArrow(dc, target.x, target.y, target.x + kArrowScale * (landing.x - target.x),
                  target.y + kArrowScale * (landing.y - target.y), colour);
        // The offset beside the target, on the side toward the middle of the screen.
        const std::u16string label = FormatFixed(landing.offset, 1) + u" " + unit;
        const bool right = x < width / 2;
        const bool below = y < height / 2;
        const RECT box{right ? x + arm / 2 : 0, below ? y + arm / 2 : y - arm / 2 - textHeight,
                       right ? width : x - arm / 2,
                       below ? y + arm / 2 + textHeight * 2 : y - arm / 2};
        DrawShadowed(dc, label, box, (right ? DT_LEFT : DT_RIGHT) | DT_SINGLELINE | DT_NOPREFIX,
                     colour);
    }
    // The summary between the upper halfway targets and the centre.
    const AccuracySummary summary = check.Summary();
    int top = height * 3 / 8 - textHeight * 2;
    top += DrawShadowed(dc, AccuracySummaryLine(check, lookup),
                        RECT{margin, top, width - margin, height}, kCentred,
                        summary.pass ? CheckColour::WithinBar : CheckColour::BeyondBar);
    if (summary.suggestCalibration) {
        top += DrawShadowed(dc, CheckTextOf(lookup, SuggestCalibration),
                            RECT{margin, top, width - margin, height}, kCentred, CheckColour::Text);
    }
    if (!check.InMillimetres()) {
        DrawShadowed(dc, CheckTextOf(lookup, NoPhysicalSize),
                     RECT{margin, top, width - margin, height}, kCentred, CheckColour::Text);
    }
}

bool WriteCoverageGridPng(const std::wstring& path, const CoverageGrid& grid, CheckLookup lookup) {
    const int width = grid.Width();
    const int height = grid.Height();
    if (width <= 0 || height <= 0) {
        return false;
    }
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC memory(screen.Get());
    ScopedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!memory.Get() || !bitmap) {
        return false;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    {
        ScopedSelect selected(memory.Get(), bitmap.Get());
        DrawCoverageGrid(memory.Get(), width, height, grid, lookup);
    }
    // Read back as top-down 32-bit rows: each pixel 0x00RRGGBB, as the encoder takes them. The
    // bitmap must not be selected into a DC meanwhile.
    BITMAPINFO info = TopDownDibInfo(width, height);
    if (GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(), &info,
                  DIB_RGB_COLORS) != height) {
        return false;
    }
    for (uint32_t& pixel : pixels) {
        pixel &= 0x00FFFFFF;
    }
    const std::vector<uint8_t> png = EncodePng(width, height, pixels);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        !png.empty() &&
        WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
        written == png.size();
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str());
    }
    return ok;
}
