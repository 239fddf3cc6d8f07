#include "diagnostics/SessionReport.h"

#include <gtest/gtest.h>

#include <string>

#include "diagnostics/tests/DiagnosticsTestSupport.h"

namespace {

using diagtest::Narrow;
using diagtest::Sample;
constexpr uint32_t kDown = TouchFlag::Down | TouchFlag::InRange | TouchFlag::Primary;
constexpr uint32_t kMove = TouchFlag::Move | TouchFlag::InRange;
constexpr uint32_t kUp = TouchFlag::Up;

SystemFacts Facts() {
    SystemFacts f;
    f.program = u"Quillfern 2.82";
    f.windowsVersion = u"10.0.19045";
    f.displayWidth = 1920;
    f.displayHeight = 1080;
    f.refreshHz = 60;
    f.scale = ScaleFromSize(192, 108, 1920, 1080);
    f.digitizerFlags = 0xC1;
    f.maxTouches = 10;
    f.timeSource = TimeSource::InputTime;
    f.inputsSeen = 463;
    f.inputsKept = 463;
    return f;
}

// A fixed session: a straight stroke with one point 1.5 mm off at 125 Hz, a resting finger
// with a 0.2 mm wobble at 40 ms (25 Hz) that falls silent, and a tap beside it.
TouchStatistics Session() {
    TouchStatistics s;
    s.SetScale(ScaleFromSize(192, 108, 1920, 1080));
    s.SetScreenSize(1920, 1080);
    for (int i = 0; i <= 400; ++i) {
        const uint32_t flags = i == 0 ? kDown : (i == 400 ? kUp : kMove);
        s.Add(Sample(i * 8000LL, 11, 200 + i * 2, 500 + (i == 200 ? 15 : 0), flags));
    }
    for (int i = 0; i < 60; ++i) {
        s.Add(Sample(4000000 + i * 40000LL, 12, 1000 + (i % 2 ? 2 : -2), 700, i ? kMove : kDown));
    }
    s.Add(Sample(6400000, 13, 1060, 700, kDown));
    s.Add(Sample(6408000, 13, 1060, 700, kUp));
    s.Tick(6360000 + kStuckAfterUs);
    return s;
}

TEST(SessionReport, TextFromAFixedSession) {
    const std::u16string report =
        BuildSessionReport(u"2026-12-10 14:22:33", Facts(), Session(), {}, diagtest::English());
    const std::string expected =
        "Quillfern touch report, 2026-12-10 14:22:33\r\n"
        "Quillfern 2.82\r\n"
        "\r\n"
        "System\r\n"
        "  Windows 10.0.19045\r\n"
        "  Display 1920 x 1080 at 60 Hz\r\n"
        "  Millimetres from the display's reported size, 192 x 108 mm\r\n"
        "  Digitizer: NID_INTEGRATED_TOUCH | NID_MULTI_INPUT | NID_READY (0xC1); maximum touches "
        "10\r\n"
        "  Times from TOUCHINPUT.dwTime\r\n"
        "  Inputs: 463, of which the CSV keeps the most recent 463\r\n"
        "\r\n"
        "Session figures\r\n"
        "  peak 2 (bar >= 5) FAIL\r\n"
        "  digitizer maximum 10 (bar >= 5) PASS\r\n"
        "  beyond ten slots 0\r\n"
        "  #12: 25.0 Hz mean, 25.0 Hz worst (bar >= 60 Hz, <= 250 Hz) FAIL\r\n"
        "  jitter 0.20 mm (bar <= 0.5 mm) PASS\r\n"
        "  stroke straightness 1.50 mm over 80 mm (bar <= 1 mm, <= 2 mm within 3.5 mm of an "
        "edge) FAIL\r\n"
        "  closest two: 5.8 mm apart, centre to centre (bar <= 8 mm) PASS\r\n"
        "  stuck contacts 1 (bar 0) FAIL\r\n"
        "\r\n"
        "Contacts\r\n"
        "  #11 at 1000, 500 px (100.0, 50.0 mm); 125.0 Hz mean, 125.0 Hz worst (bar >= 60 Hz, "
        "<= 250 Hz) PASS; stroke straightness 1.50 mm over 80 mm (bar <= 1 mm, <= 2 mm within "
        "3.5 mm of an edge) FAIL\r\n"
        "  #13 at 1060, 700 px (106.0, 70.0 mm)\r\n"
        "  #12 at 1002, 700 px (100.2, 70.0 mm); 25.0 Hz mean, 25.0 Hz worst (bar >= 60 Hz, <= "
        "250 Hz) FAIL; jitter 0.20 mm (bar <= 0.5 mm) PASS; stuck contacts 1\r\n";
    EXPECT_EQ(Narrow(report), expected);
}

TEST(SessionReport, AnEmptySessionIsNotTestedAndExtraSectionsFollow) {
    SystemFacts facts = Facts();
    facts.refreshHz = 0;
    facts.digitizerFlags = 0;
    facts.maxTouches = 0;
    facts.scale = {};
    facts.timeSource = TimeSource::Arrival;
    facts.windowsVersion.clear();
    TouchStatistics none;
    const std::vector<ReportSection> extra = {
        {u"Coverage", {u"rows 9 of 9", u"columns 16 of 16"}, Verdict::Pass},
        {u"Notes", {u"none"}, std::nullopt},
    };
    const std::string report =
        Narrow(BuildSessionReport(u"now", facts, none, extra, diagtest::English()));
    for (const char* line : {
             "  Windows -\r\n",
             "  Display 1920 x 1080 at - Hz\r\n",
             "  No physical size known: millimetre figures left out\r\n",
             "  Digitizer: no touch digitizer reported; maximum touches 0\r\n",
             "  Times from the arrival time (QueryPerformanceCounter)\r\n",
             "  peak 0 (bar >= 5) NOT TESTED\r\n",
             "  - Hz mean, - Hz worst (bar >= 60 Hz, <= 250 Hz) NOT TESTED\r\n",
             "  jitter - mm (bar <= 0.5 mm) NOT TESTED\r\n",
             "  closest two: - mm apart, centre to centre (bar <= 8 mm) NOT TESTED\r\n",
             "  stuck contacts 0 (bar 0) PASS\r\n",
             "Contacts\r\n\r\nCoverage: PASS\r\n  rows 9 of 9\r\n  columns 16 of 16\r\n\r\n"
             "Notes\r\n  none\r\n",
         }) {
        SCOPED_TRACE(line);
        EXPECT_NE(report.find(line), std::string::npos) << report;
    }
}

TEST(SessionReport, Utf8WithByteOrderMark) {
    EXPECT_EQ(ToUtf8File(u"a\u00e9\u2264\U0001F600"), "\xEF\xBB\xBF"
                                                      "a\xC3\xA9\xE2\x89\xA4\xF0\x9F\x98\x80");
    EXPECT_EQ(ToUtf8File(std::u16string(1, char16_t(0xD800))), "\xEF\xBB\xBF\xEF\xBF\xBD");
}

} // namespace
