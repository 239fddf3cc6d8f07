// The readout drawn again only where it changed gives, frame after frame, exactly the pixels of
// the whole touch picture with every line drawn straight over it as text: red and white runs,
// right-aligned lines, stuck rings, over circles and between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "diagnostics/win32/ReadoutDrawing.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/ArchiveLoad.h"
#include "touch/TouchPaint.h"
#include "touch/tests/TouchFrameCheck.h"

namespace {

using touchcheck::Canvas;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The readout as text calls straight into the picture, one per run of one colour, then the
// stuck rings: the way it was drawn before anything was kept.
void DrawReferenceReadout(HDC dc, HFONT font, const Readout& readout) {
    ScopedSelect selectedFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    for (const ReadoutLine& line : readout.lines) {
        std::vector<ReadoutSegment> runs;
        for (const ReadoutSegment& s : line.segments) {
            if (!runs.empty() && runs.back().bad == s.bad) {
                runs.back().text += s.text;
            } else {
                runs.push_back(s);
            }
        }
        const bool measure = runs.size() > 1;
        int x = line.x;
        if (line.alignRight && measure) {
            for (const ReadoutSegment& r : runs) {
                SIZE extent{};
                GetTextExtentPoint32W(dc, Wide(r.text), static_cast<int>(r.text.size()), &extent);
                x -= extent.cx;
            }
        }
        SetTextAlign(dc, (line.alignRight && !measure ? TA_RIGHT : TA_LEFT) | TA_TOP);
        for (const ReadoutSegment& r : runs) {
            SetTextColor(dc, r.bad ? kReadoutBadColour : kReadoutTextColour);
            const int length = static_cast<int>(r.text.size());
            ExtTextOutW(dc, x, line.y, 0, nullptr, Wide(r.text), length, nullptr);
            SIZE extent{};
            GetTextExtentPoint32W(dc, Wide(r.text), length, &extent);
            x += extent.cx;
        }
    }
    ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, kStuckRingWidth, kReadoutBadColour));
    ScopedSelect selectedPen(dc, pen.Get());
    ScopedSelect hollow(dc, GetStockObject(NULL_BRUSH));
    const int r = ContactRadius + kStuckRingWidth;
    for (const Readout::Mark& m : readout.stuck) {
        Ellipse(dc, m.x - r, m.y - r, m.x + r, m.y + r);
    }
}

void DrawCircles(HDC dc, const ContactTable& table) {
    for (const TouchContact& c : table) {
        if (c.x > 0 && c.y > 0) {
            ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(c.colour));
            ScopedSelect selected(dc, brush.Get());
            Ellipse(dc, c.x - ContactRadius, c.y - ContactRadius, c.x + ContactRadius,
                    c.y + ContactRadius);
        }
    }
}

touchcheck::Difference Differ(const Canvas& actual, const Canvas& expected) {
    GdiFlush();
    return touchcheck::Compare(
        actual.Width(), actual.Height(), [&](int x, int y) { return actual.At(x, y); },
        [&](int x, int y) { return expected.At(x, y); });
}

ReadoutLine Line(int x, int y, bool right, std::vector<ReadoutSegment> segments) {
    ReadoutLine line;
    line.x = x;
    line.y = y;
    line.alignRight = right;
    line.segments = std::move(segments);
    return line;
}

ContactTable Circles(const std::vector<POINT>& centres) {
    ContactTable table;
    ResetContacts(table);
    for (size_t i = 0; i < centres.size(); ++i) {
        table[i].id = static_cast<uint32_t>(i + 1);
        table[i].colour = ContactPalette[i];
        table[i].x = centres[i].x;
        table[i].y = centres[i].y;
    }
    return table;
}

TEST(ReadoutPainterTest, DrawingOnlyWhatChangedGivesThePixelsOfTheWholeReadoutDrawnAsText) {
    // Circles under the header, under the right-aligned lines and overlapping each other.
    const ContactTable table = Circles({{300, 40}, {700, 300}, {760, 330}, {1200, 600}});
    const std::u16string bar = u" (bar \u2265 5)";
    const std::vector<ReadoutLine> header = {
        Line(12, 12, false,
             {{u"Contacts: 4", false}, {u"   ", false}, {u"peak 4", true}, {bar, true}}),
        Line(12, 30, false, {{u"Millimeters from the monitor's raw DPI, 254 x 254", false}}),
    };
    const ReadoutLine beside =
        Line(768, 240, false, {{u"#2 at 700, 300 px (70.0, 30.0 mm)", false}});
    const ReadoutLine rate = Line(
        768, 258, false,
        {{u"25.0 Hz mean, 25.0 Hz worst", true}, {u" (bar \u2265 60 Hz, \u2264 250 Hz)", true}});
    const ReadoutLine flipped = Line(1132, 540, true, {{u"#4 at 1200, 600 px", false}});
    const ReadoutLine flippedMixed =
        Line(1132, 558, true, {{u"jitter 0.7 mm", true}, {u"   ", false}, {u"size 9 x 11", false}});

    struct Step {
        const char* name;
        Readout readout;
        bool on = true;
    };
    std::vector<Step> steps;
    Readout first;
    first.lines = header;
    first.lines.insert(first.lines.end(), {beside, rate, flipped, flippedMixed});
    steps.push_back({"first", first});
    steps.push_back({"the same again", first});
    Readout recoloured = first;
    recoloured.lines[0].segments[2].bad = false; // peak now passes: white, bar gone
    recoloured.lines[0].segments.pop_back();
    recoloured.lines[2].segments[0].text = u"#2 at 701, 300 px (70.1, 30.0 mm)";
    recoloured.lines[5].segments[0].bad = false;
    // The same text, only white now.
    recoloured.lines[3].segments[0].bad = false;
    recoloured.lines[3].segments[1].bad = false;
    steps.push_back({"a digit and a colour change", recoloured});
    Readout moved = recoloured;
    for (size_t i = 2; i < moved.lines.size(); ++i) {
        moved.lines[i].x += 3;
        moved.lines[i].y += 2;
    }
    // Glyphs that reach past their advance.
    moved.lines[3].segments = {{u"fj(\u00d7)", false}, {u"jf/\\|", true}};
    steps.push_back({"lines moved a little, overhanging glyphs", moved});
    Readout stuck = moved;
    stuck.lines.pop_back();
    stuck.lines.push_back(Line(768, 276, false, {{u"stuck: no input for 2 s", true}}));
    stuck.stuck = {{700, 300}};
    steps.push_back({"a ring over overlapping circles, one line less", stuck});
    steps.push_back({"ring gone, lines back", first});
    steps.push_back({"readout off", Readout{}, false});

    Canvas drawn(kWidth, kHeight);
    Canvas reference(kWidth, kHeight);
    ASSERT_TRUE(drawn.Ok() && reference.Ok());
    ReadoutPainter painter;
    painter.PrepareFont(drawn.Dc(), kWidth);
    touchcheck::DrawReference(drawn.Dc(), kWidth, kHeight, table);
    uint64_t serial = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(step.name);
        if (step.on) {
            painter.Prepare(drawn.Dc(), step.readout, ++serial);
        } else {
            painter.PrepareNothing();
        }
        if (i == 0) {
            painter.Draw(drawn.Dc(), nullptr);
        } else {
            // What the composition does: the changed boxes composed again, the readout there.
            ScopedGdiObject<HRGN> area(CreateRectRgn(0, 0, 0, 0));
            painter.AddChanges(area.Get());
            RECT bounds{};
            const int kind = GetRgnBox(area.Get(), &bounds);
            EXPECT_EQ(kind == NULLREGION, i == 1);
            FillRgn(drawn.Dc(), area.Get(), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            SelectClipRgn(drawn.Dc(), area.Get());
            DrawCircles(drawn.Dc(), table);
            painter.Draw(drawn.Dc(), area.Get());
            SelectClipRgn(drawn.Dc(), nullptr);
        }
        touchcheck::DrawReference(reference.Dc(), kWidth, kHeight, table);
        DrawReferenceReadout(reference.Dc(), painter.Font(), step.readout);
        const touchcheck::Difference d = Differ(drawn, reference);
        EXPECT_EQ(d.pixels, 0) << "first at " << d.first;
    }
    // Red and white both made it into the picture, and text over a circle.
    touchcheck::DrawReference(reference.Dc(), kWidth, kHeight, table);
    DrawReferenceReadout(reference.Dc(), painter.Font(), first);
    GdiFlush();
    int red = 0;
    int white = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 600; ++x) {
            red += reference.At(x, y) == 0xFF4646;
            white += reference.At(x, y) == 0xEBEBEB;
        }
    }
    EXPECT_GT(red, 50);
    EXPECT_GT(white, 50);
}

// The touch frame of the window with the figures of real inputs, composed frame after frame
// as contacts move, go silent and the readout goes off, against the whole picture with the
// figures due at that time drawn as text.
class ReadoutFrameTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        AppState.instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(LoadLanguageArchive());
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = AppState.instance;
        windowClass.lpszClassName = L"QuillfernReadoutFrameTest";
        RegisterClassExW(&windowClass);
        window = CreateWindowExW(0, windowClass.lpszClassName, L"test", WS_POPUP, 0, 0, kWidth,
                                 kHeight, nullptr, nullptr, AppState.instance, nullptr);
        ASSERT_NE(window, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(window);
        SetDiagnosticsClock(nullptr);
    }

    // Reports of each contact every stepMs (slower ones every fifth), up to now.
    static void Report(const std::vector<POINT>& centres, int reports, int stepMs, bool first) {
        for (int report = 0; report < reports; ++report) {
            nowUs += stepMs * 1000;
            std::vector<TOUCHINPUT> inputs;
            for (size_t i = 0; i < centres.size(); ++i) {
                if (i == 1 && report % 5) {
                    continue;
                }
                POINT p = centres[i];
                ClientToScreen(window, &p);
                TOUCHINPUT in{};
                in.dwID = 40 + static_cast<DWORD>(i);
                in.x = p.x * 100;
                in.y = p.y * 100;
                in.dwTime = static_cast<DWORD>(nowUs / 1000);
                in.dwFlags = (first && report == 0 ? TOUCHEVENTF_DOWN : TOUCHEVENTF_MOVE) |
                             TOUCHEVENTF_INRANGE | (i == 0 ? TOUCHEVENTF_PRIMARY : 0);
                inputs.push_back(in);
            }
            DiagnosticsFeedTouchInputs(window, inputs.data(), static_cast<UINT>(inputs.size()));
        }
    }

    static HWND window;
    static int64_t nowUs;
};

HWND ReadoutFrameTest::window = nullptr;
int64_t ReadoutFrameTest::nowUs = 0;

TEST_F(ReadoutFrameTest, EachFrameIsTheWholePictureWithTheFiguresDueDrawnAsText) {
    nowUs = 10'000'000;
    SetDiagnosticsClock([] { return nowUs; });
    SetDiagnosticsScale(ScaleFromDpi(254, 254));
    ResetDiagnostics();
    if (DiagnosticsReadoutOn()) {
        ToggleDiagnosticsReadout(window);
    }
    // Three contacts: one whose reports are too slow (red), one near the right edge (lines to
    // its left), all over each other's lines.
    std::vector<POINT> centres = {{400, 300}, {480, 340}, {1150, 500}};
    Report(centres, 40, 8, true);
    ToggleDiagnosticsReadout(window);
    ASSERT_TRUE(DiagnosticsReadoutOn());
    RedrawTouchFrameInFull(nullptr);

    Canvas composed(kWidth, kHeight);
    Canvas reference(kWidth, kHeight);
    ASSERT_TRUE(composed.Ok() && reference.Ok());
    ReadoutPainter fontSource;
    fontSource.PrepareFont(reference.Dc(), kWidth);
    bool sawRed = false;
    bool sawRing = false;
    // Composes a frame and compares it with the picture of the figures built at builtUs.
    const auto check = [&](const char* name, int64_t builtUs) {
        SCOPED_TRACE(name);
        const ContactTable table = Circles(centres);
        ComposeContactFrame(composed.Dc(), kWidth, kHeight, table);
        touchcheck::DrawReference(reference.Dc(), kWidth, kHeight, table);
        if (DiagnosticsReadoutOn()) {
            const int64_t now = nowUs;
            nowUs = builtUs;
            const Readout readout = CurrentDiagnosticsReadout(kWidth, kHeight);
            nowUs = now;
            DrawReferenceReadout(reference.Dc(), fontSource.Font(), readout);
            for (const ReadoutLine& line : readout.lines) {
                sawRed = sawRed || line.AnyBad();
            }
            sawRing = sawRing || !readout.stuck.empty();
        }
        const touchcheck::Difference d = Differ(composed, reference);
        EXPECT_EQ(d.pixels, 0) << "first at " << d.first;
    };
    check("the readout switched on", nowUs);
    check("nothing changed", nowUs);
    for (int step = 0; step < 4; ++step) {
        for (POINT& c : centres) {
            c.x += 7;
            c.y += 3;
        }
        Report(centres, 3, 8, false);
        check("contacts moved", nowUs);
    }
    // Silent: stuck after two seconds. Figures that change with time alone are built again
    // when 100 ms have passed since the last build, not before.
    const int64_t lastInput = nowUs;
    nowUs = lastInput + 2'450'000;
    check("stuck for 2.45 s", nowUs);
    const int64_t built = nowUs;
    nowUs = built + 70'000;
    check("70 ms later: the figures of before", built);
    // ... which are not the figures of now.
    std::vector<std::u16string> before;
    std::vector<std::u16string> later;
    nowUs = built;
    for (const ReadoutLine& line : CurrentDiagnosticsReadout(kWidth, kHeight).lines) {
        before.push_back(line.Text());
    }
    nowUs = built + 70'000;
    for (const ReadoutLine& line : CurrentDiagnosticsReadout(kWidth, kHeight).lines) {
        later.push_back(line.Text());
    }
    EXPECT_NE(before, later);
    nowUs = built + 100'000;
    check("100 ms later: built again", nowUs);
    ToggleDiagnosticsReadout(window);
    check("readout off: the touch picture alone", nowUs);
    EXPECT_TRUE(sawRed);
    EXPECT_TRUE(sawRing);
}

} // namespace
