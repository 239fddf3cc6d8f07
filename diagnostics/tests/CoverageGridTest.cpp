#include "diagnostics/CoverageGrid.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "diagnostics/tests/CheckTestTexts.h"

namespace {

// 1920 x 1080 pixels on 344 x 194 mm: 0.179 mm a pixel either way.
CoverageGrid LaptopGrid() {
    return CoverageGrid(1920, 1080, ScaleFromSize(344, 194, 1920, 1080));
}

TouchSample At(double x, double y, int64_t timeUs = 0, uint32_t flags = TouchFlag::Move) {
    TouchSample s;
    s.timeUs = timeUs;
    s.id = 1;
    s.flags = flags;
    s.clientX = x;
    s.clientY = y;
    return s;
}

std::string Where(double x, double y) {
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// Columns: a 20 px band, 34 cells over the 1880 px between, a 20 px band; rows: 19 px bands
// around 19 cells over 1042 px. Cell edges are rounded to whole pixels.
TEST(CoverageGrid, ShapeOfALaptopScreenHasTenMillimetreCellsInsideAThreeAndAHalfMillimetreBand) {
    const CoverageGrid grid = LaptopGrid();
    ASSERT_TRUE(grid.InMillimetres());
    EXPECT_EQ(grid.Columns(), 36);
    EXPECT_EQ(grid.Rows(), 21);
    EXPECT_EQ(grid.CellsLeft(), 36 * 21);
    EXPECT_EQ(grid.BandX(), 20);
    EXPECT_EQ(grid.BandY(), 19);
    const std::vector<int>& xs = grid.ColumnEdges();
    const std::vector<int>& ys = grid.RowEdges();
    EXPECT_EQ(xs.front(), 0);
    EXPECT_EQ(xs.back(), 1920);
    EXPECT_EQ(ys.back(), 1080);
    const PhysicalScale& scale = grid.Scale();
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
        SCOPED_TRACE("column " + std::to_string(i));
        const double mm = scale.ToMmX(xs[i + 1] - xs[i]);
        const bool band = i == 0 || i + 2 == xs.size();
        EXPECT_NEAR(mm, band ? 3.5 : 10.0, band ? 0.2 : 0.3);
    }
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const double mm = scale.ToMmY(ys[i + 1] - ys[i]);
        const bool band = i == 0 || i + 2 == ys.size();
        EXPECT_NEAR(mm, band ? 3.5 : 10.0, band ? 0.2 : 0.3);
    }
}

TEST(CoverageGrid, PointsFallInTheirCellsAndBordersGoToTheCellAfterThem) {
    const CoverageGrid grid = LaptopGrid();
    struct Case {
        double x;
        double y;
        std::optional<GridCell> cell;
    } cases[] = {
        {0, 0, GridCell{0, 0}},
        {19.99, 18.99, GridCell{0, 0}},       // last of the corner's band cell
        {20, 19, GridCell{1, 1}},             // on the band's inner borders
        {74.99, 73.99, GridCell{1, 1}},       // first interior cell, 20..75 x 19..74
        {75, 74, GridCell{2, 2}},             // its right and bottom borders
        {959.99, 540, GridCell{10, 17}},      // the centre column's border is x = 960
        {960, 540, GridCell{10, 18}},         //   and the centre itself lies on it
        {1899.99, 1060.99, GridCell{19, 34}}, // last interior cell
        {1900, 1061, GridCell{20, 35}},       // the bottom-right band cell
        {1919.99, 1079.99, GridCell{20, 35}},
        {1920, 500, std::nullopt}, // the client's right edge is outside
        {-0.01, 500, std::nullopt},
        {500, 1080, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Where(c.x, c.y));
        EXPECT_EQ(grid.CellAt(c.x, c.y), c.cell);
    }
}

TEST(CoverageGrid, WithoutAPhysicalSizeCellsAreATwentiethOfTheShorterSide) {
    struct Case {
        int width;
        int height;
        int columns;
        int rows;
        int band;
    } cases[] = {
        // 54 px cells, 19 px bands: 1882 / 54 -> 35 and 1042 / 54 -> 19 interior cells.
        {1920, 1080, 37, 21, 19},
        // Portrait 800 x 1280: 40 px cells, 14 px bands; 772 / 40 -> 19, 1252 / 40 -> 31.
        {800, 1280, 21, 33, 14},
        // Too small for a band: 10 px gives cells of 0.5 px and a band of 0.175 px.
        {10, 10, 20, 20, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const CoverageGrid grid(c.width, c.height, PhysicalScale{});
        EXPECT_FALSE(grid.InMillimetres());
        EXPECT_EQ(grid.Columns(), c.columns);
        EXPECT_EQ(grid.Rows(), c.rows);
        EXPECT_EQ(grid.BandX(), c.band);
        EXPECT_EQ(grid.BandY(), c.band);
    }
    EXPECT_EQ(CoverageGrid().CellCount(), 0);
    EXPECT_EQ(CoverageGrid(0, 1080, PhysicalScale{}).CellCount(), 0);
}

TEST(CoverageGrid, OnlyReportedPositionsTouchCellsSoASkippedStripStaysUntouched) {
    CoverageGrid grid = LaptopGrid();
    // A stroke along row 10 with a report every 10 px, none from 400 to 700.
    for (int x = 5; x < 1920; x += 10) {
        if (x > 400 && x < 700) {
            continue;
        }
        grid.Feed(At(x, 540));
    }
    for (int column = 0; column < grid.Columns(); ++column) {
        const int left = grid.ColumnEdges()[column];
        const int right = grid.ColumnEdges()[column + 1];
        const bool reported = (right > 5 && left <= 395) || (right > 705);
        SCOPED_TRACE("column " + std::to_string(column));
        EXPECT_EQ(grid.Touched({10, column}), reported);
        EXPECT_FALSE(grid.Touched({9, column}));
        EXPECT_FALSE(grid.Touched({11, column}));
    }
    EXPECT_FALSE(grid.Touched({10, 8})); // 407..462 lies wholly in the gap
    // Reports outside the client touch nothing and leave no dot.
    const size_t dots = grid.DotCount();
    grid.Feed(At(-3, 540));
    grid.Feed(At(500, 1200));
    EXPECT_EQ(grid.DotCount(), dots);
}

TEST(CoverageGrid, CountsDownToCompletionAndTimesItFromTheFirstHit) {
    CoverageGrid grid = LaptopGrid();
    const std::vector<int>& xs = grid.ColumnEdges();
    const std::vector<int>& ys = grid.RowEdges();
    int64_t time = 5'000'000;
    // Reports before the first hit don't start the clock.
    grid.Feed(At(-1, -1, 1'000'000));
    int expectedLeft = grid.CellCount();
    for (int row = 0; row < grid.Rows(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            EXPECT_FALSE(grid.Complete());
            EXPECT_FALSE(grid.CompletionUs().has_value());
            grid.Feed(At(xs[column], ys[row], time));
            // A second report in the same cell changes no count.
            grid.Feed(At(xs[column + 1] - 0.01, ys[row + 1] - 0.01, time));
            time += 10'000;
            EXPECT_EQ(grid.CellsLeft(), --expectedLeft);
        }
    }
    EXPECT_TRUE(grid.Complete());
    ASSERT_TRUE(grid.CompletionUs().has_value());
    EXPECT_EQ(*grid.CompletionUs(), time - 10'000 - 5'000'000);
    EXPECT_TRUE(grid.Untouched().empty());
}

TEST(CoverageGrid, UntouchedCellsAreListedWithTheirCentresInMillimetresOrPixels) {
    CoverageGrid grid = LaptopGrid();
    for (int row = 0; row < grid.Rows(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            if ((row == 0 && column == 0) || (row == 10 && column == 18)) {
                continue;
            }
            grid.Feed(At(grid.ColumnEdges()[column] + 1, grid.RowEdges()[row] + 1));
        }
    }
    const std::vector<UntouchedCell> left = grid.Untouched();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].cell, (GridCell{0, 0}));
    // Cell (0, 0) spans 0..20 x 0..19 px; cell (10, 18) 960..1015 x 513..567 px.
    EXPECT_NEAR(left[0].x, 10 * 344.0 / 1920, 1e-9);
    EXPECT_NEAR(left[0].y, 9.5 * 194.0 / 1080, 1e-9);
    EXPECT_EQ(left[1].cell, (GridCell{10, 18}));
    EXPECT_NEAR(left[1].x, 987.5 * 344.0 / 1920, 1e-9);
    EXPECT_NEAR(left[1].y, 540 * 194.0 / 1080, 1e-9);

    const CheckSection report = CoverageReport(grid, u"grid.png", CheckTestText);
    EXPECT_EQ(Narrow(report.title), "GRID");
    EXPECT_EQ(report.verdict, CheckSection::Verdict::Fail);
    const std::vector<std::string> expected = {
        "36x21 band 3.5 mm",
        "left 2/756",
        "untouched r1 c1 at 1.8, 1.7 mm",
        "untouched r11 c19 at 176.9, 97.0 mm",
        "picture grid.png",
    };
    ASSERT_EQ(report.lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Narrow(report.lines[i]), expected[i]);
    }

    CoverageGrid pixels(1920, 1080, PhysicalScale{});
    pixels.Feed(At(100, 100));
    const std::vector<UntouchedCell> inPixels = pixels.Untouched();
    ASSERT_FALSE(inPixels.empty());
    EXPECT_DOUBLE_EQ(inPixels[0].x, 9.5); // the 19 px corner cell
    const CheckSection pixelReport = CoverageReport(pixels, {}, CheckTestText);
    ASSERT_GE(pixelReport.lines.size(), 3u);
    EXPECT_EQ(Narrow(pixelReport.lines[0]), "37x21 band 19.0 px");
    EXPECT_EQ(Narrow(pixelReport.lines[2]), "untouched r1 c1 at 9.5, 9.5 px");
}

TEST(CoverageGrid, ReportOfACompleteGridPassesAndOfNoGridHasNoVerdict) {
    CoverageGrid grid(100, 100, PhysicalScale{}); // 5 px cells, a 2 px band
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            grid.Feed(At(x, y, 2'000'000 + (y * 100 + x) * 1000));
        }
    }
    ASSERT_TRUE(grid.Complete());
    const CheckSection report = CoverageReport(grid, {}, CheckTestText);
    EXPECT_EQ(report.verdict, CheckSection::Verdict::Pass);
    ASSERT_EQ(report.lines.size(), 2u);
    // The last cell, 98..100 x 98..100, is first reached at (98, 98).
    EXPECT_EQ(Narrow(report.lines[1]), "all " + std::to_string(grid.CellCount()) + " in 9.9 s");

    const CheckSection none = CoverageReport(CoverageGrid(), {}, CheckTestText);
    EXPECT_EQ(none.verdict, CheckSection::Verdict::NotRun);
    EXPECT_TRUE(none.lines.empty());
}

TEST(CoverageGrid, DotsKeepTheMostRecentReports) {
    CoverageGrid grid = LaptopGrid();
    const size_t total = CoverageGrid::kMaxDots + 100;
    for (size_t i = 0; i < total; ++i) {
        grid.Feed(At(static_cast<double>(i % 1900), static_cast<double>(i / 1900)));
    }
    ASSERT_EQ(grid.DotCount(), CoverageGrid::kMaxDots);
    bool hasLast = false;
    bool hasFirst = false;
    for (size_t i = 0; i < grid.DotCount(); ++i) {
        const GridDot& dot = grid.Dot(i);
        hasFirst = hasFirst || (dot.x == 0 && dot.y == 0);
        hasLast = hasLast || (dot.x == static_cast<float>((total - 1) % 1900) &&
                              dot.y == static_cast<float>((total - 1) / 1900));
    }
    EXPECT_TRUE(hasLast);
    EXPECT_FALSE(hasFirst);
}

} // namespace
