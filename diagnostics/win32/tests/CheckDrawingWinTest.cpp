// The guided checks' pictures drawn into a memory DC of a 32-bit DIB section, pixels read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/Gdi.h"
#include "diagnostics/CheckStrings.h"
#include "diagnostics/PngWriter.h"
#include "diagnostics/win32/CheckDrawing.h"
#include "tests/support/WinTestSupport.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

PhysicalScale Laptop() {
    return ScaleFromSize(344, 194, kWidth, kHeight);
}

// Known texts: long enough to leave pixels, independent of the shipped language.
const char16_t* Texts(StringId id) {
    switch (id) {
    case CheckText::TooFar:
        return u"TOO FAR TOO FAR";
    case CheckText::HandsOff:
        return u"HANDS OFF";
    default:
        return u"text %1 %2";
    }
}

// Window colours are 0x00BBGGRR, DIB pixels 0x00RRGGBB.
uint32_t AsPixel(COLORREF colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof(text), "%06X", static_cast<unsigned>(value));
    return text;
}

class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(nullptr) {
        bitmap_.Reset(CreateTopDownDib(width, height, &bits_));
        selected_.emplace(dc_.Get(), bitmap_.Get());
    }
    HDC Get() const { return dc_.Get(); }
    bool Ready() const { return dc_.Get() && bitmap_ && bits_; }
    uint32_t At(int x, int y) const {
        GdiFlush();
        return static_cast<const uint32_t*>(bits_)[static_cast<size_t>(y) * width_ + x] &
               0x00FFFFFF;
    }
    int Count(const RECT& r, COLORREF colour) const {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                count += At(x, y) == AsPixel(colour);
            }
        }
        return count;
    }

  private:
    int width_;
    int height_;
    ScopedMemoryDC dc_;
    ScopedGdiObject<HBITMAP> bitmap_;
    void* bits_ = nullptr;
    std::optional<ScopedSelect> selected_;
};

void ExpectPixel(const Canvas& canvas, int x, int y, COLORREF colour, const std::string& what) {
    EXPECT_EQ(Hex(canvas.At(x, y)), Hex(AsPixel(colour)))
        << what << " at (" << x << ", " << y << ")";
}

TouchSample Report(double x, double y, uint32_t flags = TouchFlag::Move, uint32_t id = 1,
                   int64_t timeUs = 0) {
    TouchSample s;
    s.timeUs = timeUs;
    s.id = id;
    s.flags = flags;
    s.clientX = x;
    s.clientY = y;
    return s;
}

// The colour a cell must show, read at a pixel clear of its border line, dots and text.
void ExpectCells(const Canvas& canvas, const CoverageGrid& grid,
                 const std::vector<GridCell>& touched, int firstRow) {
    const std::vector<int>& xs = grid.ColumnEdges();
    const std::vector<int>& ys = grid.RowEdges();
    for (int row = firstRow; row < grid.Rows(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            const GridCell cell{row, column};
            const bool isTouched = std::find(touched.begin(), touched.end(), cell) != touched.end();
            const bool band =
                row == 0 || column == 0 || row == grid.Rows() - 1 || column == grid.Columns() - 1;
            const COLORREF expected = isTouched ? CheckColour::Touched
                                      : band    ? CheckColour::UntouchedBand
                                                : CheckColour::Untouched;
            ExpectPixel(canvas, xs[column] + 2, ys[row + 1] - 2, expected,
                        "cell " + std::to_string(row) + ", " + std::to_string(column));
        }
    }
}

TEST(CheckDrawing, ScriptedPositionsTurnExactlyTheirCellsGreen) {
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.Ready());
    CoverageGrid grid(kWidth, kHeight, Laptop());
    // Rows from 3 on: the top line's text lies over the first rows.
    const double points[][2] = {{500, 300}, {556, 300}, {1910, 1075}, {5, 800}, {960, 540}};
    std::vector<GridCell> touched;
    for (const auto& p : points) {
        grid.Feed(Report(p[0], p[1]));
        touched.push_back(*grid.CellAt(p[0], p[1]));
    }
    ASSERT_EQ(grid.CellsLeft(), grid.CellCount() - 5);
    DrawCoverageGrid(canvas.Get(), kWidth, kHeight, grid, Texts);
    ExpectCells(canvas, grid, touched, 3);
    // A dot at each report; the inner borders drawn.
    for (const auto& p : points) {
        ExpectPixel(canvas, static_cast<int>(p[0]), static_cast<int>(p[1]), CheckColour::Dot,
                    "dot");
    }
    ExpectPixel(canvas, grid.ColumnEdges()[5], 700, CheckColour::GridLine, "column border");
    ExpectPixel(canvas, 700, grid.RowEdges()[15], CheckColour::GridLine, "row border");
    // The top line leaves white text pixels in its band.
    EXPECT_GT(canvas.Count(RECT{0, 0, kWidth, 120}, CheckColour::Text), 200);
}

TEST(CheckDrawing, AStrokeWithASkippedStripLeavesThoseCellsDark) {
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.Ready());
    CoverageGrid grid(kWidth, kHeight, Laptop());
    std::vector<GridCell> touched;
    for (int x = 3; x < kWidth; x += 12) {
        if (x >= 800 && x < 1100) {
            continue;
        }
        grid.Feed(Report(x, 700));
        const GridCell cell = *grid.CellAt(x, 700);
        if (std::find(touched.begin(), touched.end(), cell) == touched.end()) {
            touched.push_back(cell);
        }
    }
    DrawCoverageGrid(canvas.Get(), kWidth, kHeight, grid, Texts);
    ExpectCells(canvas, grid, touched, 3);
    const int row = grid.CellAt(0, 700)->row;
    int dark = 0;
    for (const UntouchedCell& cell : grid.Untouched()) {
        dark += cell.cell.row == row;
    }
    EXPECT_GE(dark, 4); // 800..1100 spans at least four whole 55 px cells
}

TEST(CheckDrawing, CompleteGridSaysSoAndItsPngHoldsThePicture) {
    CoverageGrid grid(320, 200, PhysicalScale{}); // 10 px cells
    for (int y = 0; y < 200; y += 3) {
        for (int x = 0; x < 320; x += 3) {
            grid.Feed(Report(x, y, TouchFlag::Move, 1, 1'000'000 + y * 1000));
        }
    }
    grid.Feed(Report(319, 199, TouchFlag::Move, 1, 2'000'000));
    ASSERT_TRUE(grid.Complete());
    Canvas canvas(320, 200);
    ASSERT_TRUE(canvas.Ready());
    DrawCoverageGrid(canvas.Get(), 320, 200, grid, Texts);

    const std::wstring path = wintest::MakeTempFolder(L"quillfern-grid-png") + L"grid.png";
    ASSERT_TRUE(WriteCoverageGridPng(path, grid, Texts));
    const std::optional<std::string> file = wintest::ReadFileBytes(path);
    ASSERT_TRUE(file.has_value());
    const std::vector<uint8_t> bytes(file->begin(), file->end());
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(std::string(file->substr(12, 4)), "IHDR");
    EXPECT_EQ(bytes[16] << 24 | bytes[17] << 16 | bytes[18] << 8 | bytes[19], 320);
    EXPECT_EQ(bytes[20] << 24 | bytes[21] << 16 | bytes[22] << 8 | bytes[23], 200);
    // The IDAT's stored blocks, stripped of their headers, hold the rows the canvas shows.
    const size_t idat = 33;
    ASSERT_EQ(file->substr(idat + 4, 4), "IDAT");
    size_t at = idat + 8 + 2;
    std::vector<uint8_t> raw;
    for (bool last = false; !last && at + 5 <= bytes.size();) {
        last = bytes[at] & 1;
        const size_t length = bytes[at + 1] | (bytes[at + 2] << 8);
        raw.insert(raw.end(), bytes.begin() + at + 5, bytes.begin() + at + 5 + length);
        at += 5 + length;
    }
    ASSERT_EQ(raw.size(), (1 + 3 * 320u) * 200);
    int differing = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            const uint8_t* p = &raw[y * (1 + 3 * 320) + 1 + 3 * x];
            differing +=
                static_cast<uint32_t>((p[0] << 16) | (p[1] << 8) | p[2]) != canvas.At(x, y);
        }
    }
    EXPECT_EQ(differing, 0);
    DeleteFileW(path.c_str());
}

TEST(CheckDrawing, FirstAccuracyTargetStandsWhereTheLayoutSays) {
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.Ready());
    AccuracyCheck check(kWidth, kHeight, Laptop());
    DrawAccuracyCheck(canvas.Get(), kWidth, kHeight, check, Texts);
    const int x = static_cast<int>(check.Targets()[0].x);
    const int y = static_cast<int>(check.Targets()[0].y);
    const int arm = CrosshairArm(kWidth);
    struct Probe {
        int dx;
        int dy;
        COLORREF colour;
    } probes[] = {
        {0, 0, CheckColour::Crosshair},         {arm, 0, CheckColour::Crosshair},
        {-arm, 0, CheckColour::Crosshair},      {0, arm, CheckColour::Crosshair},
        {0, -arm, CheckColour::Crosshair},      {arm + 2, 0, CheckColour::Background},
        {0, -arm - 2, CheckColour::Background}, {5, 5, CheckColour::Background},
        {-5, 5, CheckColour::Background},
    };
    for (const Probe& p : probes) {
        ExpectPixel(canvas, x + p.dx, y + p.dy, p.colour, "crosshair");
    }
    // Only one target is shown: nothing at the first corner's.
    ExpectPixel(canvas, static_cast<int>(check.Targets()[1].x),
                static_cast<int>(check.Targets()[1].y), CheckColour::Background, "corner");

    // A touch 20 mm off is refused, and the picture says so in red.
    EXPECT_EQ(canvas.Count(RECT{0, 0, kWidth, 300}, CheckColour::BeyondBar), 0);
    check.Feed(Report(x + 20 / Laptop().mmPerPxX, y, TouchFlag::Down));
    check.Feed(Report(x + 20 / Laptop().mmPerPxX, y, TouchFlag::Up));
    ASSERT_TRUE(check.LastRefused());
    DrawAccuracyCheck(canvas.Get(), kWidth, kHeight, check, Texts);
    EXPECT_GT(canvas.Count(RECT{0, 0, kWidth, 300}, CheckColour::BeyondBar), 100);
    ExpectPixel(canvas, x, y, CheckColour::Crosshair, "same target again");
}

TEST(CheckDrawing, AccuracyResultDrawsOffsetsTenTimesLongerInTheColourOfTheirBar) {
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.Ready());
    AccuracyCheck check(kWidth, kHeight, Laptop());
    // 1.5 mm to the right: beyond the bar in the middle, within it in the edge band.
    const double dx = 1.5 / Laptop().mmPerPxX; // 8.37 px, drawn 83.7 px long
    for (const AccuracyTarget& target : std::vector<AccuracyTarget>(check.Targets())) {
        check.Feed(Report(target.x + dx, target.y, TouchFlag::Down));
        check.Feed(Report(target.x + dx, target.y, TouchFlag::Up));
    }
    ASSERT_TRUE(check.Done());
    DrawAccuracyCheck(canvas.Get(), kWidth, kHeight, check, Texts);
    const AccuracyTarget& centre = check.Targets()[0];
    const AccuracyTarget& edge = check.Targets()[8]; // left midpoint
    ExpectPixel(canvas, static_cast<int>(centre.x) + 60, static_cast<int>(centre.y),
                CheckColour::BeyondBar, "centre's arrow");
    ExpectPixel(canvas, static_cast<int>(centre.x) + 95, static_cast<int>(centre.y),
                CheckColour::Background, "past the centre's arrow");
    ExpectPixel(canvas, static_cast<int>(edge.x) + 60, static_cast<int>(edge.y),
                CheckColour::WithinBar, "edge midpoint's arrow");
}

TEST(CheckDrawing, GhostWatchShowsItsCountdownThenTheResultAndTheMarks) {
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.Ready());
    const RECT box = GhostCountdownRect(kWidth, kHeight);
    GhostWatch watch(2'000'000);
    watch.Start(0, {});
    DrawGhostWatch(canvas.Get(), kWidth, kHeight, watch, 0, Texts);
    const int digits = canvas.Count(box, CheckColour::Text);
    EXPECT_GT(digits, 5000); // "2" in large digits
    EXPECT_EQ(canvas.Count(RECT{0, 0, box.left, kHeight}, CheckColour::Ghost), 0);

    watch.Feed(Report(300, 900, TouchFlag::Down, 7, 500'000));
    watch.Advance(2'000'000);
    ASSERT_EQ(watch.State(), GhostWatch::Phase::Finished);
    DrawGhostWatch(canvas.Get(), kWidth, kHeight, watch, 2'000'000, Texts);
    EXPECT_EQ(canvas.Count(box, CheckColour::Text), 0); // no countdown once ended
    const int radius = std::max(12, kWidth / 64);
    // The mark's ring, three pixels wide, around the ghost's place.
    ExpectPixel(canvas, 300 + radius, 900, CheckColour::Ghost, "ghost mark");
    ExpectPixel(canvas, 300, 900, CheckColour::Background, "inside the mark");
    // The next touch ends the marks.
    watch.Feed(Report(1000, 500, TouchFlag::Down, 9, 3'000'000));
    DrawGhostWatch(canvas.Get(), kWidth, kHeight, watch, 3'000'000, Texts);
    ExpectPixel(canvas, 300 + radius, 900, CheckColour::Background, "mark gone");
}

} // namespace
