#pragma once
// The coverage grid: square cells of about 10 mm over the client area, with a band of 3.5 mm
// cells along every edge (the edge band, where touches may land ±2 mm instead of ±1 mm). A cell
// counts as touched only when a reported position falls in it: no interpolation between two
// reports, which would paint over the very dead strip the grid is there to find.
//
// Without a physical size the cells are 1/20 of the client's shorter side and the edge band is
// 0.35 of a cell, the same ratio as 3.5 mm to 10 mm.
//
// Cell borders are whole pixels. A cell spans [left edge, right edge) and [top, bottom): a point
// exactly on a border belongs to the cell to its right (or below it); points outside the client
// area belong to no cell.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "diagnostics/PhysicalScale.h"
#include "diagnostics/CheckSection.h"
#include "diagnostics/TouchSample.h"

struct GridCell {
    int row = 0;    // from 0 at the top
    int column = 0; // from 0 at the left
    bool operator==(const GridCell&) const = default;
};

struct UntouchedCell {
    GridCell cell;
    // The cell's centre from the client's top-left corner: millimetres when the grid has a
    // physical size, pixels otherwise.
    double x = 0;
    double y = 0;
};

struct GridDot {
    float x = 0; // client pixels
    float y = 0;
};

class CoverageGrid {
  public:
    static constexpr double kCellMm = 10.0;
    static constexpr double kEdgeBandMm = 3.5;
    static constexpr int kCellsAlongShorterSide = 20; // without a physical size
    // Dots kept for drawing: the most recent ones, about 40 s of one finger's reports at
    // 100 a second. Each dot is a fill of its own every frame, which bounds their number at
    // what a 3840 x 2160 frame can afford.
    static constexpr size_t kMaxDots = 4096;

    CoverageGrid() = default; // no cells
    CoverageGrid(int width, int height, const PhysicalScale& scale);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool InMillimetres() const { return scale_.Known(); }
    const PhysicalScale& Scale() const { return scale_; }

    int Columns() const { return static_cast<int>(columnEdges_.size()) - 1; }
    int Rows() const { return static_cast<int>(rowEdges_.size()) - 1; }
    int CellCount() const { return Columns() * Rows(); }
    int CellsLeft() const { return cellsLeft_; }
    bool Complete() const { return CellCount() > 0 && cellsLeft_ == 0; }
    // Edge band width in pixels along each axis; 0 when the client is too narrow for it.
    int BandX() const { return bandX_; }
    int BandY() const { return bandY_; }

    // Pixel edges: Columns() + 1 values from 0 to Width(), Rows() + 1 from 0 to Height().
    const std::vector<int>& ColumnEdges() const { return columnEdges_; }
    const std::vector<int>& RowEdges() const { return rowEdges_; }

    std::optional<GridCell> CellAt(double x, double y) const;
    bool Touched(GridCell cell) const;

    // Every sample's client position is a report, whatever its flags.
    void Feed(const TouchSample& sample);

    // Time from the first report that fell in a cell to the one that touched the last cell.
    std::optional<int64_t> CompletionUs() const;
    // Row by row, left to right.
    std::vector<UntouchedCell> Untouched() const;

    // The kept dots; their order carries no meaning.
    size_t DotCount() const { return dots_.size(); }
    const GridDot& Dot(size_t index) const { return dots_[index]; }

  private:
    int width_ = 0;
    int height_ = 0;
    int bandX_ = 0;
    int bandY_ = 0;
    PhysicalScale scale_;
    std::vector<int> columnEdges_{0};
    std::vector<int> rowEdges_{0};
    std::vector<uint8_t> touched_;
    int cellsLeft_ = 0;
    std::optional<int64_t> firstHitUs_;
    std::optional<int64_t> completeUs_;
    std::vector<GridDot> dots_;
    size_t nextDot_ = 0; // where the next dot goes once the store is full
};

// The report section: shape, cells left or the completion time, and every untouched cell.
// pictureName, when given, is the file the grid's picture was written to.
CheckSection CoverageReport(const CoverageGrid& grid, const std::u16string& pictureName = {},
                            CheckLookup lookup = LookupString);
