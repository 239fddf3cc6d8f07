#include "diagnostics/CoverageGrid.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/CheckStrings.h"
#include "diagnostics/TextPattern.h"

namespace {

// Band, then interior cells of about cellPx, then band. A band that would leave less than one
// cell between the two is dropped.
std::vector<int> Edges(int length, double cellPx, double bandPx, int* bandOut) {
    std::vector<int> edges{0};
    if (length <= 0 || !(cellPx > 0)) {
        *bandOut = 0;
        return edges;
    }
    int band = static_cast<int>(std::lround(bandPx));
    if (band < 1 || length - 2 * band < 1) {
        band = 0;
    }
    *bandOut = band;
    const int interior = length - 2 * band;
    const int cells = std::max(1, static_cast<int>(std::lround(interior / cellPx)));
    if (band > 0) {
        edges.push_back(band);
    }
    for (int k = 1; k <= cells; ++k) {
        edges.push_back(band +
                        static_cast<int>((static_cast<int64_t>(interior) * k + cells / 2) / cells));
    }
    if (band > 0) {
        edges.push_back(length);
    }
    return edges;
}

// The cell index of position p among the edges: half-open spans, so a border goes to the cell
// after it.
int IndexAt(const std::vector<int>& edges, double p) {
    if (edges.size() < 2 || !(p >= edges.front()) || !(p < edges.back())) {
        return -1;
    }
    const auto after = std::upper_bound(edges.begin(), edges.end(), p,
                                        [](double value, int edge) { return value < edge; });
    return static_cast<int>(after - edges.begin()) - 1;
}

std::u16string Seconds(int64_t us) {
    return FormatFixed(static_cast<double>(us) / 1e6, 1);
}

} // namespace

CoverageGrid::CoverageGrid(int width, int height, const PhysicalScale& scale)
    : width_(std::max(0, width)), height_(std::max(0, height)), scale_(scale) {
    double cellX;
    double cellY;
    double bandX;
    double bandY;
    if (scale.Known()) {
        cellX = kCellMm / scale.mmPerPxX;
        cellY = kCellMm / scale.mmPerPxY;
        bandX = kEdgeBandMm / scale.mmPerPxX;
        bandY = kEdgeBandMm / scale.mmPerPxY;
    } else {
        cellX = cellY = std::min(width_, height_) / static_cast<double>(kCellsAlongShorterSide);
        bandX = bandY = cellX * (kEdgeBandMm / kCellMm);
    }
    columnEdges_ = Edges(width_, cellX, bandX, &bandX_);
    rowEdges_ = Edges(height_, cellY, bandY, &bandY_);
    touched_.assign(static_cast<size_t>(CellCount()), 0);
    cellsLeft_ = CellCount();
}

std::optional<GridCell> CoverageGrid::CellAt(double x, double y) const {
    const int column = IndexAt(columnEdges_, x);
    const int row = IndexAt(rowEdges_, y);
    if (column < 0 || row < 0) {
        return std::nullopt;
    }
    return GridCell{row, column};
}

bool CoverageGrid::Touched(GridCell cell) const {
    if (cell.row < 0 || cell.row >= Rows() || cell.column < 0 || cell.column >= Columns()) {
        return false;
    }
    return touched_[static_cast<size_t>(cell.row) * Columns() + cell.column] != 0;
}

void CoverageGrid::Feed(const TouchSample& sample) {
    const std::optional<GridCell> cell = CellAt(sample.clientX, sample.clientY);
    if (!cell) {
        return;
    }
    const GridDot dot{static_cast<float>(sample.clientX), static_cast<float>(sample.clientY)};
    if (dots_.size() < kMaxDots) {
        dots_.push_back(dot);
    } else {
        dots_[nextDot_] = dot;
        nextDot_ = (nextDot_ + 1) % kMaxDots;
    }
    if (!firstHitUs_) {
        firstHitUs_ = sample.timeUs;
    }
    uint8_t& hit = touched_[static_cast<size_t>(cell->row) * Columns() + cell->column];
    if (hit == 0) {
        hit = 1;
        --cellsLeft_;
        if (cellsLeft_ == 0) {
            completeUs_ = sample.timeUs;
        }
    }
}

std::optional<int64_t> CoverageGrid::CompletionUs() const {
    if (!completeUs_ || !firstHitUs_) {
        return std::nullopt;
    }
    return *completeUs_ - *firstHitUs_;
}

std::vector<UntouchedCell> CoverageGrid::Untouched() const {
    std::vector<UntouchedCell> cells;
    cells.reserve(static_cast<size_t>(cellsLeft_));
    for (int row = 0; row < Rows(); ++row) {
        for (int column = 0; column < Columns(); ++column) {
            if (Touched({row, column})) {
                continue;
            }
            double x = (columnEdges_[column] + columnEdges_[column + 1]) / 2.0;
            double y = (rowEdges_[row] + rowEdges_[row + 1]) / 2.0;
            if (InMillimetres()) {
                x = scale_.ToMmX(x);
                y = scale_.ToMmY(y);
            }
            cells.push_back({{row, column}, x, y});
        }
    }
    return cells;
}

CheckSection CoverageReport(const CoverageGrid& grid, const std::u16string& pictureName,
                            CheckLookup lookup) {
    using namespace CheckText;
    CheckSection section;
    section.title = CheckTextOf(lookup, GridTitle);
    if (grid.CellCount() == 0) {
        return section;
    }
    const std::u16string unit = CheckTextOf(lookup, grid.InMillimetres() ? Millimetres : Pixels);
    const double band = grid.InMillimetres() ? CoverageGrid::kEdgeBandMm : grid.BandX();
    section.lines.push_back(FormatPattern(
        CheckTextOf(lookup, GridShape), {FormatInteger(grid.Columns()), FormatInteger(grid.Rows()),
                                         FormatFixed(band, 1) + u" " + unit}));
    if (const std::optional<int64_t> took = grid.CompletionUs()) {
        section.lines.push_back(FormatPattern(CheckTextOf(lookup, GridComplete),
                                              {FormatInteger(grid.CellCount()), Seconds(*took)}));
    } else {
        section.lines.push_back(
            FormatPattern(CheckTextOf(lookup, CellsLeft),
                          {FormatInteger(grid.CellsLeft()), FormatInteger(grid.CellCount())}));
    }
    // Rows and columns count from 1 for the reader.
    for (const UntouchedCell& cell : grid.Untouched()) {
        section.lines.push_back(
            FormatPattern(CheckTextOf(lookup, UntouchedLine),
                          {FormatInteger(cell.cell.row + 1), FormatInteger(cell.cell.column + 1),
                           FormatFixed(cell.x, 1) + u", " + FormatFixed(cell.y, 1) + u" " + unit}));
    }
    if (!pictureName.empty()) {
        section.lines.push_back(FormatPattern(CheckTextOf(lookup, GridPicture), {pictureName}));
    }
    section.verdict = grid.Complete() ? CheckSection::Verdict::Pass : CheckSection::Verdict::Fail;
    return section;
}
