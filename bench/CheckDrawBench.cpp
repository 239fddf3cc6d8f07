// Times a coverage-grid frame against a bare frame copy of the same size, in the same run.
// Grid frame: DrawCoverageGrid into a reused memory DC, then one BitBlt of it to the window.
// Baseline: one black FillRect into the same memory DC and one BitBlt of it to the window.
// Run under Wine in a display of at least 3840 x 2160 (e.g. Xvfb :77 -screen 0 3840x2160x24).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "bench/BenchSupport.h"
#include "lang/ArchiveLoad.h"
#include "diagnostics/win32/CheckDrawing.h"

namespace {

using bench::Median;
using bench::TimeBlock;

// A grid as a user leaves it halfway: every other row stroked across, with dotCount reports
// spread along the strokes (the oldest forgotten past the kept number).
CoverageGrid HalfStrokedGrid(int width, int height, int dotCount) {
    CoverageGrid grid(width, height, ScaleFromSize(344, 194, width, height));
    const std::vector<int>& ys = grid.RowEdges();
    std::vector<int> rows;
    for (int row = 0; row < grid.Rows(); row += 2) {
        rows.push_back((ys[row] + ys[row + 1]) / 2);
    }
    const int perRow = std::max(1, dotCount / static_cast<int>(rows.size()));
    for (int y : rows) {
        for (int i = 0; i < perRow; ++i) {
            TouchSample s;
            s.flags = TouchFlag::Move;
            s.clientX = (i + 0.5) * width / perRow;
            s.clientY = y + (i % 7) - 3;
            grid.Feed(s);
        }
    }
    return grid;
}

bool Measure(HINSTANCE instance, int width, int height, int blocks, int frames) {
    const HWND window = bench::OpenWindow(instance, L"QuillfernCheckBench", width, height);
    if (!window) {
        return false;
    }
    const RECT client{0, 0, width, height};
    ScopedWindowDC windowDC(window);
    ScopedMemoryDC memory(windowDC.Get());
    ScopedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(windowDC.Get(), width, height));
    ScopedSelect selected(memory.Get(), bitmap.Get());
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));

    const auto bare = [&] {
        FillRect(memory.Get(), &client, black);
        BitBlt(windowDC.Get(), 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
    };
    const int dotCounts[] = {0, 2000, static_cast<int>(CoverageGrid::kMaxDots)};
    for (int dots : dotCounts) {
        const CoverageGrid grid = HalfStrokedGrid(width, height, dots);
        const auto gridFrame = [&] {
            DrawCoverageGrid(memory.Get(), width, height, grid);
            BitBlt(windowDC.Get(), 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
        };
        for (int i = 0; i < 3; ++i) {
            gridFrame();
            bare();
        }
        // Blocks of the two sides alternate, so that load from other processes hits both.
        std::vector<double> gridTimes;
        std::vector<double> bareTimes;
        for (int i = 0; i < blocks; ++i) {
            gridTimes.push_back(TimeBlock(frames, gridFrame));
            bareTimes.push_back(TimeBlock(frames, bare));
        }
        const double g = Median(gridTimes);
        const double b = Median(bareTimes);
        const double gFast = *std::min_element(gridTimes.begin(), gridTimes.end());
        const double bFast = *std::min_element(bareTimes.begin(), bareTimes.end());
        std::printf("%4d x %4d  %3d x %2d cells, %3d touched, %4zu dots  grid %7.3f ms  "
                    "bare %7.3f ms  ratio %4.2f (fastest blocks %6.3f / %6.3f = %4.2f)  %s\n",
                    width, height, grid.Columns(), grid.Rows(), grid.CellCount() - grid.CellsLeft(),
                    grid.DotCount(), g, b, g / b, gFast, bFast, gFast / bFast,
                    g / b <= 1.3 ? "target <= 1.3 met" : "target <= 1.3 MISSED");
    }
    DestroyWindow(window);
    return true;
}

} // namespace

int main() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    bench::RegisterWindowClass(instance, L"QuillfernCheckBench", bench::QuietWindowProc);
    // The top line's text is part of the frame: the archive's strings must be there.
    AppState.instance = instance;
    if (!LoadLanguageArchive()) {
        std::printf("the language archive did not load\n");
        return 1;
    }
    std::printf("coverage grid frame vs bare FillRect + BitBlt; ms per frame, median of "
                "alternating blocks\n");
    bool ok = Measure(instance, 1920, 1080, 31, 10);
    ok = Measure(instance, 3840, 2160, 31, 10) && ok;
    return ok ? 0 : 1;
}
