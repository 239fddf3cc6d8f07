#include "diagnostics/Readout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/tests/DiagnosticsTestSupport.h"

namespace {

using diagtest::Narrow;
using diagtest::Sample;
constexpr uint32_t kDown = TouchFlag::Down | TouchFlag::InRange | TouchFlag::Primary;
constexpr uint32_t kMove = TouchFlag::Move | TouchFlag::InRange;

ReadoutContext Context() {
    ReadoutContext c;
    c.width = 1920;
    c.height = 1080;
    c.lineHeight = 20;
    c.displayWidth = 1920;
    c.displayHeight = 1080;
    c.maxTouches = 10;
    c.refreshHz = 60;
    return c;
}

std::vector<std::string> Texts(const std::vector<ReadoutLine>& lines) {
    std::vector<std::string> texts;
    for (const ReadoutLine& l : lines) {
        texts.push_back(Narrow(l.Text()));
    }
    return texts;
}

TEST(Readout, HeaderAndContactLinesWithBadFiguresMarked) {
    TouchStatistics s;
    s.SetScale(ScaleFromDpi(254, 254)); // 0.1 mm per pixel
    s.SetScreenSize(1920, 1080);
    // Contact 7 at 8 ms, resting with a 0.8 mm wobble; contact 9 at 40 ms (25 Hz).
    for (int i = 0; i < 160; ++i) {
        s.Add(Sample(i * 8000LL, 7, 400 + (i % 2 ? 8 : -8), 300, i ? kMove : kDown));
        if (i % 5 == 0) {
            TouchSample t = Sample(i * 8000LL, 9, 1700, 800, i ? kMove : kDown);
            t.widthPx = t.heightPx = 80;
            s.Add(t);
        }
    }
    ReadoutContext context = Context();
    context.maxTouches = 2;
    context.nowUs = 159 * 8000LL;
    const Readout r = BuildReadout(s, context, diagtest::English());
    const std::vector<std::string> header = Texts(r.header);
    ASSERT_EQ(header.size(), 4u);
    EXPECT_EQ(header[0], "Contacts: 2   peak 2 (bar >= 5)   digitizer maximum 2 (bar >= 5)   "
                         "beyond ten slots 0");
    EXPECT_EQ(header[1], "Millimetres from the monitor's raw DPI, 254 x 254");
    EXPECT_EQ(header[2], "closest two: 138.5 mm apart, centre to centre");
    EXPECT_EQ(header[3], "[I] figures off   [R] report");
    EXPECT_TRUE(r.header[0].AnyBad());
    EXPECT_FALSE(r.header[1].AnyBad());

    const std::vector<std::string> all = Texts(r.lines);
    const std::vector<std::string> expected = {
        "#7 at 408, 300 px (40.8, 30.0 mm)",
        "125.0 Hz mean, 125.0 Hz worst",
        "jitter 0.80 mm (bar <= 0.5 mm)",
        "#9 at 1700, 800 px (170.0, 80.0 mm)",
        "25.0 Hz mean, 25.0 Hz worst (bar >= 60 Hz, <= 250 Hz)",
        "size 8.0 x 8.0 mm",
        "jitter 0.00 mm",
    };
    ASSERT_EQ(all.size(), header.size() + expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(all[header.size() + i], expected[i]);
    }
    const ReadoutLine& first = r.lines[header.size()];
    EXPECT_FALSE(first.alignRight);
    EXPECT_EQ(first.x, 408 + 60 + kReadoutGap);
    EXPECT_EQ(first.y, 300 - 60);
    EXPECT_EQ(r.lines[header.size() + 1].y, 300 - 60 + 20);
    EXPECT_FALSE(r.lines[header.size() + 1].AnyBad());
    EXPECT_TRUE(r.lines[header.size() + 2].AnyBad());
    // Contact 9 stands near the right edge: its lines end left of its circle.
    const ReadoutLine& right = r.lines[header.size() + 3];
    EXPECT_TRUE(right.alignRight);
    EXPECT_EQ(right.x, 1700 - 60 - kReadoutGap);
    EXPECT_TRUE(r.lines[header.size() + 4].AnyBad());
    EXPECT_TRUE(r.stuck.empty());
}

TEST(Readout, StuckContactsAndTheLastStroke) {
    TouchStatistics s;
    s.SetScale(ScaleFromDpi(254, 254));
    s.SetScreenSize(1920, 1080);
    for (int i = 0; i <= 200; ++i) {
        const uint32_t flags = i == 0 ? kDown : (i == 200 ? TouchFlag::Up : kMove);
        s.Add(Sample(i * 8000LL, 3, 300 + i * 2, 600 + (i == 100 ? 12 : 0), flags));
    }
    s.Add(Sample(2000000, 4, 800, 500, kDown));
    s.Tick(4500000);
    ReadoutContext context = Context();
    context.nowUs = 4500000;
    const Readout r = BuildReadout(s, context, diagtest::English());
    const std::vector<std::string> header = Texts(r.header);
    ASSERT_EQ(header.size(), 4u);
    EXPECT_EQ(header[2], "stroke straightness 1.19 mm over 40 mm (bar <= 1 mm, <= 2 mm within 3.5 "
                         "mm of an edge)");
    EXPECT_TRUE(r.header[2].AnyBad());
    EXPECT_EQ(Texts(r.lines).back(), "stuck: no input for 3 s");
    EXPECT_TRUE(r.lines.back().AnyBad());
    ASSERT_EQ(r.stuck.size(), 1u);
    EXPECT_EQ(r.stuck[0].x, 800);
    EXPECT_EQ(r.stuck[0].y, 500);
}

TEST(Readout, WithoutAScaleNoMillimetres) {
    TouchStatistics s;
    s.Add(Sample(0, 5, 100, 100, kDown));
    s.Add(Sample(0, 6, 200, 100, kDown));
    const Readout r = BuildReadout(s, Context(), diagtest::English());
    const std::vector<std::string> all = Texts(r.lines);
    EXPECT_EQ(all[1], "No physical size known: millimetre figures left out");
    EXPECT_EQ(all[2], "[I] figures off   [R] report");
    EXPECT_EQ(all[3], "#5 at 100, 100 px primary");
}

} // namespace
