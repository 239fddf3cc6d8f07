// The guided checks in the real main window of this process, fed by the substitute touch source;
// keys go through the system's input queue, pixels are read back from the screen and reports
// are written to a folder of each test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "diagnostics/tests/DiagnosticsWinTestSupport.h"
#include "diagnostics/win32/CheckDrawing.h"
#include "diagnostics/win32/GuidedChecks.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/ArchiveLoad.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::Capture;
using wintest::PumpMessages;

// 0.1 mm per pixel: a 10 mm cell is 100 pixels, an offset of 3 pixels is 0.3 mm.
const PhysicalScale kScale = ScaleFromDpi(254, 254);
constexpr int64_t kShortWatchUs = 2'000'000;

using diagtest::AsCaptured;
using diagtest::FilesIn;
using diagtest::PressKey;

int CountColour(const Capture& capture, RECT r, COLORREF colour) {
    const uint32_t wanted = AsCaptured(colour);
    return diagtest::CountPixels(capture, r, [wanted](uint32_t p) { return p == wanted; });
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One decimal, halves away from zero, as the checks' texts round.
std::string Fixed(double value) {
    char text[32];
    const double rounded = std::round(value * 10) / 10;
    snprintf(text, sizeof(text), "%.1f", rounded == 0 ? 0.0 : rounded);
    return text;
}

// As the checks sign offsets: "+0.3", "-1.2", and "0.0" without a sign.
std::string Signed(double value) {
    const std::string text = Fixed(value);
    return text == "0.0" || text[0] == '-' ? text : "+" + text;
}

class GuidedChecksTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        AppState.instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(LoadLanguageArchive());
        window = diagtest::ShowMainWindow();
        ASSERT_NE(window, nullptr);
        root = wintest::MakeTempFolder(L"guidedchecks");
    }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        SetForegroundWindow(window);
        SetFocus(window);
        ResetGuidedChecksForTests(window);
        LiftAll();
        faketouch::Reset();
        SetDiagnosticsScale(kScale);
        ResetDiagnostics();
        SetGhostWatchDurationForTests(kShortWatchUs);
        folder = root + L"\\" + std::to_wstring(++testNumber);
        CreateDirectoryW(folder.c_str(), nullptr);
        SetDiagnosticsReportFolder(folder);
        opened.clear();
        SetDiagnosticsReportOpener([](const std::wstring& path) { opened.push_back(path); });
        PumpMessages(20);
        RECT client{};
        GetClientRect(window, &client);
        width = client.right;
        height = client.bottom;
        ASSERT_GE(width, 1200);
        ASSERT_GE(height, 700);
    }

    void TearDown() override {
        if (DiagnosticsReadoutOn()) {
            ToggleDiagnosticsReadout(window);
        }
        ResetGuidedChecksForTests(window);
        LiftAll();
        PumpMessages(20);
    }

    static void LiftAll() { diagtest::LiftAllContacts(window); }

    static TOUCHINPUT At(TOUCHINPUT (*make)(DWORD, LONG, LONG), DWORD id, int x, int y) {
        POINT p{x, y};
        ClientToScreen(window, &p);
        return make(id, p.x, p.y);
    }
    static void Down(DWORD id, int x, int y) {
        faketouch::SendTouch(window, {At(faketouch::Down, id, x, y)});
    }
    static void Move(DWORD id, int x, int y) {
        faketouch::SendTouch(window, {At(faketouch::Move, id, x, y)});
    }
    static void Up(DWORD id, int x, int y) {
        faketouch::SendTouch(window, {At(faketouch::Up, id, x, y)});
    }
    static void Tap(DWORD id, int x, int y) {
        Down(id, x, y);
        Up(id, x, y);
    }

    static Capture Paint() { return diagtest::PaintedClient(window); }

    // R, then the text of the one report it wrote.
    std::string Report() {
        PressKey('R');
        EXPECT_EQ(opened.size(), 1u);
        return opened.empty() ? "" : wintest::ReadFileBytes(opened.back()).value_or("");
    }

    // The start screen's gradient starts at (0, 0, 200).
    static bool ShowsStartScreen(const Capture& c) { return c.At(2, 2) == wintest::Rgb(0, 0, 200); }

    static HWND window;
    static std::wstring root;
    static int testNumber;
    static std::vector<std::wstring> opened;
    std::wstring folder;
    int width = 0;
    int height = 0;
};

HWND GuidedChecksTest::window = nullptr;
std::wstring GuidedChecksTest::root;
int GuidedChecksTest::testNumber = 0;
std::vector<std::wstring> GuidedChecksTest::opened;

// ---- Coverage grid

// The cell's pixels inside its border lines.
RECT Interior(const CoverageGrid& grid, int row, int column) {
    return RECT{grid.ColumnEdges()[column] + 1, grid.RowEdges()[row] + 1,
                grid.ColumnEdges()[column + 1], grid.RowEdges()[row + 1]};
}

int Area(RECT r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

TEST_F(GuidedChecksTest, GShowsTheGridAndScriptedPositionsTurnExactlyTheirCellsGreen) {
    PressKey('G');
    ASSERT_EQ(ShownGuidedCheck(), GuidedCheck::CoverageGrid);
    const CoverageGrid& grid = CurrentCoverageGrid();
    ASSERT_EQ(grid.Width(), width);
    ASSERT_EQ(grid.Height(), height);
    ASSERT_GE(grid.Rows(), 5);
    ASSERT_GE(grid.Columns(), 8);
    const std::vector<int>& xs = grid.ColumnEdges();
    const std::vector<int>& ys = grid.RowEdges();
    // 10 mm cells inside a 3.5 mm band.
    EXPECT_EQ(xs[1], 35);
    EXPECT_NEAR(xs[2] - xs[1], 100, 2);

    const Capture empty = Paint();
    EXPECT_EQ(CountColour(empty, RECT{0, 0, width, height}, CheckColour::Touched), 0);
    const RECT inner = Interior(grid, 3, 3);
    EXPECT_EQ(empty.At(inner.right - 3, inner.bottom - 3), AsCaptured(CheckColour::Untouched));
    EXPECT_EQ(empty.At(2, height - 3), AsCaptured(CheckColour::UntouchedBand));

    struct Hit {
        const char* name;
        int row;
        int column;
        int x; // client pixels
        int y;
    };
    const int lastRow = grid.Rows() - 1;
    const int lastColumn = grid.Columns() - 1;
    const Hit hits[] = {
        {"inside a cell", 2, 4, (xs[4] + xs[5]) / 2, (ys[2] + ys[3]) / 2},
        {"on a cell's top-left border: the cell right and below", 3, 6, xs[6], ys[3]},
        {"the corner cell of the edge band", 0, 0, 10, 10},
        {"the last pixel of the client area", lastRow, lastColumn, width - 1, height - 1},
    };
    DWORD id = 40;
    for (const Hit& hit : hits) {
        Tap(id++, hit.x, hit.y);
    }
    const Capture touched = Paint();
    for (int row = 0; row < grid.Rows(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            const auto wanted = std::find_if(std::begin(hits), std::end(hits), [&](const Hit& h) {
                return h.row == row && h.column == column;
            });
            const RECT cell = Interior(grid, row, column);
            const int green = CountColour(touched, cell, CheckColour::Touched);
            SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
            if (wanted != std::end(hits)) {
                SCOPED_TRACE(wanted->name);
                EXPECT_GT(green, Area(cell) / 2);
            } else {
                EXPECT_EQ(green, 0);
            }
        }
    }
    // Every reported position is a dot.
    EXPECT_EQ(touched.At(hits[0].x, hits[0].y), AsCaptured(CheckColour::Dot));
    EXPECT_EQ(grid.CellsLeft(), grid.CellCount() - 4);
    // The ten slots went on tracking: the taps came and went.
    EXPECT_FALSE(AnyContactActive(AppState.touchContacts));
}

TEST_F(GuidedChecksTest, AStrokeOverASkippedStripLeavesItsCellsDarkAndTheReportListsThem) {
    PressKey('G');
    const CoverageGrid& grid = CurrentCoverageGrid();
    const std::vector<int>& xs = grid.ColumnEdges();
    const std::vector<int>& ys = grid.RowEdges();
    const int row = grid.Rows() / 2;
    const int y = (ys[row] + ys[row + 1]) / 2;
    // Reports every 10 pixels across the row, none over columns 4 and 5: a dead strip.
    const int skipFrom = xs[4];
    const int skipTo = xs[6];
    std::vector<int> reports;
    for (int x = 5; x < width; x += 10) {
        if (x < skipFrom || x >= skipTo) {
            reports.push_back(x);
        }
    }
    Down(7, reports.front(), y);
    for (size_t i = 1; i + 1 < reports.size(); ++i) {
        Move(7, reports[i], y);
    }
    Up(7, reports.back(), y);

    const Capture frame = Paint();
    for (int column = 0; column < grid.Columns(); ++column) {
        SCOPED_TRACE("column " + std::to_string(column));
        const RECT cell = Interior(grid, row, column);
        const int green = CountColour(frame, cell, CheckColour::Touched);
        if (column == 4 || column == 5) {
            EXPECT_EQ(green, 0);
        } else {
            EXPECT_GT(green, Area(cell) / 2);
        }
    }
    // The gap shows in the dots too.
    EXPECT_EQ(CountColour(frame, RECT{skipFrom, y - 3, skipTo, y + 4}, CheckColour::Dot), 0);
    EXPECT_GT(CountColour(frame, RECT{xs[2], y - 3, xs[4], y + 4}, CheckColour::Dot), 100);

    // R while the grid runs: the report, the inputs and the grid's picture, named alike.
    const std::string report = Report();
    const std::vector<std::wstring> files = FilesIn(folder);
    ASSERT_EQ(files.size(), 3u);
    const std::wstring stem = files[2].substr(0, files[2].size() - 4); // "... .txt"
    EXPECT_TRUE(EndsWith(files[2], L".txt"));
    EXPECT_EQ(files[0], stem + L" grid.png");
    EXPECT_EQ(files[1], stem + L" inputs.csv");
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::CoverageGrid);

    EXPECT_NE(report.find("\r\n\r\nCoverage grid: FAIL\r\n"), std::string::npos) << report;
    const std::string picture(files[0].begin(), files[0].end());
    EXPECT_NE(report.find("\r\n  Picture of the grid: " + picture + "\r\n"), std::string::npos)
        << report;
    for (int column = 0; column < grid.Columns(); ++column) {
        SCOPED_TRACE("column " + std::to_string(column));
        const double mmX = kScale.ToMmX((xs[column] + xs[column + 1]) / 2.0);
        const double mmY = kScale.ToMmY((ys[row] + ys[row + 1]) / 2.0);
        const std::string line = "\r\n  Untouched: row " + std::to_string(row + 1) + ", column " +
                                 std::to_string(column + 1) + " at " + Fixed(mmX) + ", " +
                                 Fixed(mmY) + " mm\r\n";
        EXPECT_EQ(report.find(line) != std::string::npos, column == 4 || column == 5) << line;
    }

    const std::string png = wintest::ReadFileBytes(folder + L"\\" + files[0]).value_or("");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const auto be32 = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8) |
               static_cast<uint8_t>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), static_cast<uint32_t>(width));
    EXPECT_EQ(be32(20), static_cast<uint32_t>(height));
}

TEST_F(GuidedChecksTest, ANewClientSizeLaysTheGridOutAgain) {
    PressKey('G');
    Tap(3, 500, 300);
    ASSERT_EQ(CurrentCoverageGrid().CellsLeft(), CurrentCoverageGrid().CellCount() - 1);
    PressKey(VK_F11); // the 800 x 600 frame
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_LT(client.right, width);
    EXPECT_EQ(CurrentCoverageGrid().Width(), client.right);
    EXPECT_EQ(CurrentCoverageGrid().Height(), client.bottom);
    EXPECT_EQ(CurrentCoverageGrid().CellsLeft(), CurrentCoverageGrid().CellCount());
    PressKey(VK_F11);
    EXPECT_EQ(CurrentCoverageGrid().Width(), width);
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::CoverageGrid);
}

// ---- Leaving, and the keys together

TEST_F(GuidedChecksTest, LeavingACheckShowsWhatTheWindowShowedBefore) {
    struct Case {
        const char* name;
        WORD key;
        bool contactDown;
    };
    const Case cases[] = {
        {"G without contacts", 'G', false},
        {"A without contacts", 'A', false},
        {"G with a finger down", 'G', true},
        {"A with a finger down", 'A', true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.contactDown) {
            Down(9, 600, 400);
        }
        const Capture before = Paint();
        PressKey(c.key);
        ASSERT_NE(ShownGuidedCheck(), GuidedCheck::None);
        const Capture during = Paint();
        EXPECT_NE(during.pixels, before.pixels);
        EXPECT_FALSE(ShowsStartScreen(during));
        PressKey(c.key);
        EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::None);
        const Capture after = Paint();
        EXPECT_EQ(ShowsStartScreen(after), !c.contactDown);
        EXPECT_TRUE(after.pixels == before.pixels);
        if (c.contactDown) {
            // The touch path composes the whole frame again, then copies changed circles only.
            Move(9, 640, 420);
            const Capture moved = Paint();
            EXPECT_EQ(moved.At(2, 2), 0u);
            EXPECT_EQ(moved.At(640, 420), AsCaptured(ContactPalette[0]));
            EXPECT_EQ(moved.At(600 - 55, 400), 0u);
            LiftAll();
        }
    }
}

TEST_F(GuidedChecksTest, StartingACheckLeavesTheOtherAndIAndRKeepWorking) {
    PressKey('H');
    ASSERT_EQ(CurrentGhostWatch().State(), GhostWatch::Phase::Watching);
    PressKey('G');
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::CoverageGrid);
    // The watch left for the grid ended there, and its countdown's timer with it.
    EXPECT_EQ(CurrentGhostWatch().State(), GhostWatch::Phase::Finished);
    EXPECT_TRUE(CurrentGhostWatch().EndedEarly());
    EXPECT_FALSE(KillTimer(window, kGhostWatchTimerId));
    PressKey('A');
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::Accuracy);

    const Capture plain = Paint();
    PressKey('I');
    EXPECT_TRUE(DiagnosticsReadoutOn());
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::Accuracy);
    const Capture withReadout = Paint();
    EXPECT_NE(withReadout.pixels, plain.pixels);
    PressKey('I');

    // Every check run so far has its section; the grid its picture.
    const std::string report = Report();
    EXPECT_NE(report.find("\r\n\r\nCoverage grid: FAIL\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n\r\nGhost watch: NOT TESTED\r\n  No ghost touches in "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\r\n\r\nAccuracy check: NOT TESTED\r\n"), std::string::npos) << report;
    EXPECT_EQ(FilesIn(folder).size(), 3u);
    PressKey('A');
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::None);
}

TEST_F(GuidedChecksTest, WithoutAnyCheckRunTheReportHasNoneOfTheirs) {
    const std::string report = Report();
    EXPECT_EQ(report.find("Coverage grid"), std::string::npos);
    EXPECT_EQ(report.find("Ghost watch"), std::string::npos);
    EXPECT_EQ(report.find("Accuracy check"), std::string::npos);
    EXPECT_EQ(FilesIn(folder).size(), 2u);
}

// ---- Ghost watch

TEST_F(GuidedChecksTest, HCountsAContactArrivingDuringTheCountdownAndIgnoresOneDownBefore) {
    Down(1, 300, 300);
    PressKey('H');
    ASSERT_EQ(ShownGuidedCheck(), GuidedCheck::GhostWatch);
    ASSERT_EQ(CurrentGhostWatch().State(), GhostWatch::Phase::Watching);
    const Capture counting = Paint();
    EXPECT_EQ(counting.At(2, 2), AsCaptured(CheckColour::Background));
    EXPECT_GT(CountColour(counting, GhostCountdownRect(width, height), CheckColour::Text), 200);

    Move(1, 305, 300); // down before the watch: not a ghost, also when it moves or lifts
    Down(2, 700, 400);
    PumpMessages(100);
    Up(2, 700, 400);
    Up(1, 305, 300);
    EXPECT_EQ(CurrentGhostWatch().GhostCount(), 1u);

    PumpMessages(static_cast<DWORD>(kShortWatchUs / 1000) + 400);
    const GhostWatch& watch = CurrentGhostWatch();
    ASSERT_EQ(watch.State(), GhostWatch::Phase::Finished);
    EXPECT_FALSE(watch.EndedEarly());
    // The countdown's timer is gone once it ended.
    EXPECT_FALSE(KillTimer(window, kGhostWatchTimerId));
    ASSERT_EQ(watch.Events().size(), 1u);
    EXPECT_EQ(watch.Events()[0].id, 2u);
    EXPECT_GE(watch.Events()[0].lastedUs, 80'000);

    // The ghost's mark where it arrived, and the result in red; none where contact 1 was.
    const Capture result = wintest::CaptureClient(window);
    EXPECT_GT(CountColour(result, RECT{670, 370, 731, 431}, CheckColour::Ghost), 50);
    EXPECT_EQ(CountColour(result, RECT{270, 270, 331, 331}, CheckColour::Ghost), 0);
    EXPECT_GT(CountColour(result, RECT{0, 0, width, 120}, CheckColour::Ghost), 200);

    const std::string report = Report();
    EXPECT_NE(report.find("\r\n\r\nGhost watch: FAIL\r\n  1 ghost touches in 2 s\r\n  Ghost 1 at "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(" s: id 2 at 700, 400 px, lasted "), std::string::npos) << report;

    // The marks stay until the next touch; H leaves.
    Tap(3, 100, 600);
    EXPECT_EQ(CountColour(Paint(), RECT{670, 370, 731, 431}, CheckColour::Ghost), 0);
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::GhostWatch);
    PressKey('H');
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::None);
    EXPECT_TRUE(ShowsStartScreen(Paint()));
}

TEST_F(GuidedChecksTest, AQuietWatchPassesAndOneEndedEarlySaysSo) {
    struct Case {
        const char* name;
        DWORD endEarlyAfterMs; // 0: watch to the end
        const char* lines;
    };
    const Case cases[] = {
        {"quiet to the end", 0, "\r\n\r\nGhost watch: PASS\r\n  No ghost touches in 2 s\r\n"},
        {"H during the countdown", 600,
         "\r\n\r\nGhost watch: NOT TESTED\r\n  No ghost touches in 0."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        PressKey('H');
        ASSERT_EQ(CurrentGhostWatch().State(), GhostWatch::Phase::Watching);
        if (c.endEarlyAfterMs) {
            PumpMessages(c.endEarlyAfterMs);
            PressKey('H');
        } else {
            PumpMessages(static_cast<DWORD>(kShortWatchUs / 1000) + 400);
        }
        ASSERT_EQ(CurrentGhostWatch().State(), GhostWatch::Phase::Finished);
        EXPECT_EQ(CurrentGhostWatch().EndedEarly(), c.endEarlyAfterMs != 0);
        EXPECT_FALSE(KillTimer(window, kGhostWatchTimerId));
        // The result stays shown until H again: green for none.
        EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::GhostWatch);
        EXPECT_GT(CountColour(Paint(), RECT{0, 0, width, 120}, CheckColour::WithinBar), 200);
        const std::string report = Report();
        EXPECT_NE(report.find(c.lines), std::string::npos) << report;
        EXPECT_EQ(report.find("\r\n  Ended early after ") != std::string::npos,
                  c.endEarlyAfterMs != 0);
        PressKey('H');
        EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::None);
    }
}

// ---- Accuracy check

struct Offset {
    int dx; // pixels: tenths of a millimetre
    int dy;
};

TEST_F(GuidedChecksTest, AShowsTheTargetsWhereTheLayoutPutsThem) {
    const AccuracyCheck layout(width, height, kScale);
    PressKey('A');
    ASSERT_EQ(ShownGuidedCheck(), GuidedCheck::Accuracy);
    const int arm = CrosshairArm(width);
    for (int target = 0; target < 3; ++target) {
        SCOPED_TRACE("target " + std::to_string(target + 1));
        ASSERT_EQ(CurrentAccuracyCheck().Current(), target);
        const int x = static_cast<int>(layout.Targets()[target].x);
        const int y = static_cast<int>(layout.Targets()[target].y);
        const Capture frame = Paint();
        const uint32_t cross = AsCaptured(CheckColour::Crosshair);
        EXPECT_EQ(frame.At(x, y), cross);
        // Both arms, as far as they lie in the client area.
        EXPECT_EQ(frame.At(std::max(0, x - arm + 2), y), cross);
        EXPECT_EQ(frame.At(std::min(width - 1, x + arm - 2), y), cross);
        EXPECT_EQ(frame.At(x, std::min(height - 1, y + arm - 2)), cross);
        // Nothing drawn off the crosshair, beside its centre.
        EXPECT_EQ(frame.At(std::min(width - 1, x + arm / 4), std::min(height - 1, y + arm / 4)),
                  AsCaptured(CheckColour::Background));
        Tap(50 + target, x + 2, y + 1);
    }
    // 2 mm inside the top-left corner.
    EXPECT_NEAR(layout.Targets()[1].x, 20, 1e-6);
    EXPECT_NEAR(layout.Targets()[1].y, 20, 1e-6);
}

TEST_F(GuidedChecksTest, ATouchFarFromTheTargetDoesNotAdvance) {
    PressKey('A');
    const AccuracyTarget first = CurrentAccuracyCheck().Targets()[0];
    const int x = static_cast<int>(first.x);
    const int y = static_cast<int>(first.y);
    const Capture asked = Paint();
    // 20 mm off: asked again, with a red line.
    Tap(5, x + 200, y);
    EXPECT_EQ(CurrentAccuracyCheck().Current(), 0);
    EXPECT_TRUE(CurrentAccuracyCheck().LastRefused());
    const Capture refused = Paint();
    EXPECT_EQ(CountColour(asked, RECT{0, 0, width, height}, CheckColour::BeyondBar), 0);
    EXPECT_GT(CountColour(refused, RECT{0, 0, width, 160}, CheckColour::BeyondBar), 200);
    EXPECT_EQ(refused.At(x, y), AsCaptured(CheckColour::Crosshair));
    // 14.9 mm off still counts.
    Tap(6, x + 149, y);
    EXPECT_EQ(CurrentAccuracyCheck().Current(), 1);
}

TEST_F(GuidedChecksTest, KnownOffsetsGiveTheirOffsetsAndVerdictsOnScreenAndInTheReport) {
    // Target order: centre, four corners, four edge midpoints, four halfway points. The edge
    // targets' bar is 2 mm, the others' 1 mm. Target 10 breaks its bar, target 2 comes close.
    const Offset offsets[AccuracyCheck::kTargetCount] = {
        {3, -4}, {15, 12}, {-5, 2}, {4, 4},  {-3, -3}, {6, 1},   {-2, 7},
        {1, -9}, {8, 3},   {12, 5}, {-4, 4}, {2, 2},   {-6, -2},
    };
    PressKey('A');
    const AccuracyCheck layout = CurrentAccuracyCheck();
    for (int i = 0; i < AccuracyCheck::kTargetCount; ++i) {
        const int x = static_cast<int>(layout.Targets()[i].x) + offsets[i].dx;
        const int y = static_cast<int>(layout.Targets()[i].y) + offsets[i].dy;
        // The resting point counts, not where the finger landed first.
        Down(60 + i, x - 30, y + 20);
        Move(60 + i, x, y);
        Up(60 + i, x + 40, y);
    }
    ASSERT_TRUE(CurrentAccuracyCheck().Done());

    const Capture result = Paint();
    const std::string report = Report();
    EXPECT_NE(report.find("\r\n\r\nAccuracy check: FAIL\r\n"), std::string::npos) << report;
    double largest = 0;
    for (int i = 0; i < AccuracyCheck::kTargetCount; ++i) {
        SCOPED_TRACE("target " + std::to_string(i + 1));
        const AccuracyTarget& target = layout.Targets()[i];
        // Targets may lie between pixels; touches land on whole ones.
        const int landX = static_cast<int>(target.x) + offsets[i].dx;
        const int landY = static_cast<int>(target.y) + offsets[i].dy;
        const double dx = kScale.ToMmX(landX - target.x);
        const double dy = kScale.ToMmY(landY - target.y);
        const double offset = std::hypot(dx, dy);
        largest = std::max(largest, offset);
        const bool edge = i >= 1 && i <= 8;
        const double bar = edge ? 2.0 : 1.0;
        const bool pass = offset <= bar;
        EXPECT_EQ(pass, i != 9);
        const std::string line =
            "  Target " + std::to_string(i + 1) + " at " + Fixed(kScale.ToMmX(target.x)) + ", " +
            Fixed(kScale.ToMmY(target.y)) + " mm: landed at " + Fixed(kScale.ToMmX(landX)) + ", " +
            Fixed(kScale.ToMmY(landY)) + " mm, offset (" + Signed(dx) + ", " + Signed(dy) +
            ") mm = " + Fixed(offset) + " mm (bar " + Fixed(bar) + " mm) " +
            (pass ? "PASS" : "FAIL") + "\r\n";
        EXPECT_NE(report.find(line), std::string::npos) << line << report;

        // On screen the offset's arrow leaves the target toward the landing, red past the bar.
        const double length = std::hypot(landX - target.x, landY - target.y);
        const int ax = static_cast<int>(std::lround(target.x + 18 * (landX - target.x) / length));
        const int ay = static_cast<int>(std::lround(target.y + 18 * (landY - target.y) / length));
        const RECT around{ax - 2, ay - 2, ax + 3, ay + 3};
        EXPECT_GT(
            CountColour(result, around, pass ? CheckColour::WithinBar : CheckColour::BeyondBar), 0);
        EXPECT_EQ(
            CountColour(result, around, pass ? CheckColour::BeyondBar : CheckColour::WithinBar), 0);
    }
    EXPECT_NE(report.find("\r\n  Largest offset " + Fixed(largest) + " mm, mean offset ("),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(" mm: FAIL\r\n"), std::string::npos) << report;
    // The summary line, red for a FAIL, in the upper middle.
    EXPECT_GT(CountColour(result, RECT{0, height / 4, width, height / 2}, CheckColour::BeyondBar),
              300);
    // Touches after the last target change nothing; A leaves.
    Tap(90, width / 2, height / 2);
    EXPECT_EQ(CurrentAccuracyCheck().Landings().size(), 13u);
    PressKey('A');
    EXPECT_EQ(ShownGuidedCheck(), GuidedCheck::None);
}

} // namespace
