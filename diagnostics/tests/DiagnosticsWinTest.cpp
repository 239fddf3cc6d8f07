// The touch figures in the real main window of this process, fed by the substitute touch
// source; keys go through the system's input queue, pixels are read back from the screen and
// the report is written to a folder of this run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "app/MainWindow.h"
#include "diagnostics/tests/DiagnosticsTestSupport.h"
#include "diagnostics/tests/DiagnosticsWinTestSupport.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/ArchiveLoad.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"
#include "touch/TouchPaint.h"

namespace {

using wintest::Capture;
using wintest::PumpMessages;

// 0.1 mm per pixel: figures in mm are the pixels divided by ten.
const PhysicalScale kScale = ScaleFromDpi(254, 254);
constexpr uint32_t kRed = 0xFF4646; // the readout's colour for a figure past its bar

using diagtest::AsCaptured;
using diagtest::FilesIn;
using diagtest::Narrow;
using diagtest::PressKey;

std::string Narrow(const std::wstring& text) {
    return Narrow(std::u16string(text.begin(), text.end()));
}

// The touch picture as it was before the figures existed: black, one Ellipse per slot with
// the slot's brush and the default pen, higher slots over lower ones.
Capture PlainTouchPicture(int width, int height, const ContactTable& table) {
    Capture plain;
    plain.width = width;
    plain.height = height;
    void* bits = nullptr;
    const HBITMAP dib = CreateTopDownDib(width, height, &bits);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, dib);
    const RECT client{0, 0, width, height};
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (const TouchContact& c : table) {
        if (c.x <= 0 || c.y <= 0) {
            continue;
        }
        const HBRUSH brush = CreateSolidBrush(c.colour);
        const HGDIOBJ old = SelectObject(dc, brush);
        Ellipse(dc, c.x - ContactRadius, c.y - ContactRadius, c.x + ContactRadius,
                c.y + ContactRadius);
        SelectObject(dc, old);
        DeleteObject(brush);
    }
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    plain.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
    for (uint32_t& p : plain.pixels) {
        p &= 0x00FFFFFF;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(dib);
    return plain;
}

// Pixels in the rectangle that are neither black nor the colour of a circle.
int CountTextPixels(const Capture& capture, RECT r, uint32_t colour = 0xFFFFFFFF) {
    return diagtest::CountPixels(
        capture, r, [colour](uint32_t p) { return colour == 0xFFFFFFFF ? p != 0 : p == colour; });
}

class DiagnosticsWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        AppState.instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(LoadLanguageArchive());
        window = diagtest::ShowMainWindow();
        ASSERT_NE(window, nullptr);
        folder = wintest::MakeTempFolder(L"touchreport");
    }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        SetForegroundWindow(window);
        SetFocus(window);
        if (DiagnosticsReadoutOn()) {
            ToggleDiagnosticsReadout(window);
        }
        LiftAll();
        faketouch::Reset();
        SetDiagnosticsScale(kScale);
        ResetDiagnostics();
        SetDiagnosticsReportFolder(folder);
        opened.clear();
        SetDiagnosticsReportOpener([](const std::wstring& path) { opened.push_back(path); });
        PumpMessages(20);
        RECT client{};
        GetClientRect(window, &client);
        ASSERT_GE(client.right, 1200);
        ASSERT_GE(client.bottom, 700);
    }

    void TearDown() override {
        if (DiagnosticsReadoutOn()) {
            ToggleDiagnosticsReadout(window);
        }
        LiftAll();
        PumpMessages(20);
    }

    static void LiftAll() { diagtest::LiftAllContacts(window); }

    static POINT ToScreen(int x, int y) {
        POINT p{x, y};
        ClientToScreen(window, &p);
        return p;
    }
    static TOUCHINPUT Down(DWORD id, int x, int y, DWORD ms) {
        const POINT p = ToScreen(x, y);
        return faketouch::WithTime(faketouch::Down(id, p.x, p.y), ms);
    }
    static TOUCHINPUT Move(DWORD id, int x, int y, DWORD ms) {
        const POINT p = ToScreen(x, y);
        return faketouch::WithTime(faketouch::Move(id, p.x, p.y), ms);
    }
    static TOUCHINPUT Up(DWORD id, int x, int y, DWORD ms) {
        const POINT p = ToScreen(x, y);
        return faketouch::WithTime(faketouch::Up(id, p.x, p.y), ms);
    }

    static Capture Paint() { return diagtest::PaintedClient(window); }

    // Two fingers: 7 reporting every 8 ms at (400, 300), 8 every 40 ms at (800, 500).
    static void TwoFingers(int reports) {
        for (int i = 0; i < reports; ++i) {
            std::vector<TOUCHINPUT> message;
            const DWORD ms = 1000 + 8 * i;
            message.push_back(i == 0 ? Down(7, 400, 300, ms) : Move(7, 400, 300, ms));
            if (i % 5 == 0) {
                message.push_back(i == 0 ? Down(8, 800, 500, ms) : Move(8, 800, 500, ms));
            }
            faketouch::SendTouch(window, message);
        }
    }

    static std::vector<std::string> ReadoutTexts() {
        RECT client{};
        GetClientRect(window, &client);
        std::vector<std::string> texts;
        for (const ReadoutLine& line :
             CurrentDiagnosticsReadout(client.right, client.bottom).lines) {
            texts.push_back(Narrow(line.Text()));
        }
        return texts;
    }

    // Millimetres from the screen's corner, where the client area's (x, y) lies.
    static std::string Mm(int x, int y) {
        const POINT p = ToScreen(x, y);
        char text[64];
        snprintf(text, sizeof(text), "(%.1f, %.1f mm)", p.x / 10.0, p.y / 10.0);
        return text;
    }

    static bool Has(const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    static HWND window;
    static std::wstring folder;
    static std::vector<std::wstring> opened;
};

HWND DiagnosticsWindowTest::window = nullptr;
std::wstring DiagnosticsWindowTest::folder;
std::vector<std::wstring> DiagnosticsWindowTest::opened;

TEST_F(DiagnosticsWindowTest, WithTheReadoutOffTheFrameIsTheTouchPictureOfBefore) {
    TwoFingers(30);
    const Capture frame = Paint();
    const Capture plain = PlainTouchPicture(frame.width, frame.height, AppState.touchContacts);
    ASSERT_EQ(frame.pixels.size(), plain.pixels.size());
    EXPECT_TRUE(frame.pixels == plain.pixels);
    // Measured all the same, so that R can report the session.
    EXPECT_EQ(DiagnosticsStatistics().ActiveCount(), 2);
}

TEST_F(DiagnosticsWindowTest, IShowsTheFiguresAndIAgainTakesThemAway) {
    TwoFingers(30);
    const Capture before = Paint();
    PressKey('I');
    ASSERT_TRUE(DiagnosticsReadoutOn());
    const Capture on = Paint();
    const std::vector<std::string> texts = ReadoutTexts();
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts[0].rfind("Contacts: 2   peak 2 (bar >= 5)   digitizer maximum", 0), 0u)
        << texts[0];
    EXPECT_EQ(texts[1], "Millimeters from the monitor's raw DPI, 254 x 254");
    EXPECT_TRUE(Has(texts, "closest two: 44.7 mm apart, center to center"));
    // A contact at 8 ms reads 125 Hz; the one at 40 ms breaks the bar.
    EXPECT_TRUE(Has(texts, "#7 at 400, 300 px " + Mm(400, 300)));
    EXPECT_TRUE(Has(texts, "125.0 Hz mean, 125.0 Hz worst"));
    EXPECT_TRUE(Has(texts, "#8 at 800, 500 px " + Mm(800, 500)));
    EXPECT_TRUE(Has(texts, "25.0 Hz mean, 25.0 Hz worst (bar >= 60 Hz, <= 250 Hz)"));

    // Drawn where the lines stand: the header at the top left, contact 7's lines right of its
    // circle, red beside contact 8; none of it was there before.
    const RECT header{12, 12, 500, 40};
    const RECT beside7{400 + 68, 240, 400 + 330, 300};
    const RECT beside8{800 + 68, 440, 800 + 500, 500};
    EXPECT_EQ(CountTextPixels(before, header), 0);
    EXPECT_GT(CountTextPixels(on, header), 100);
    EXPECT_EQ(CountTextPixels(before, beside7), 0);
    EXPECT_GT(CountTextPixels(on, beside7), 100);
    EXPECT_GT(CountTextPixels(on, beside8, kRed), 50);
    EXPECT_EQ(CountTextPixels(on, beside7, kRed), 0);
    // The circles stay as they were.
    EXPECT_EQ(on.At(400, 300), AsCaptured(ContactPalette[0]));
    EXPECT_EQ(on.At(800, 500), AsCaptured(ContactPalette[1]));

    // After the last lift the picture and its figures stay while the readout is on.
    faketouch::SendTouch(window, {Up(7, 400, 300, 1300), Up(8, 800, 500, 1300)});
    const Capture lifted = Paint();
    EXPECT_GT(CountTextPixels(lifted, header), 100);
    EXPECT_EQ(lifted.At(2, 2), 0u);

    PressKey('I');
    EXPECT_FALSE(DiagnosticsReadoutOn());
    const Capture off = Paint();
    // The start screen again: its gradient starts at (0, 0, 200).
    EXPECT_EQ(off.At(2, 2), wintest::Rgb(0, 0, 200));
}

TEST_F(DiagnosticsWindowTest, ContactsBeyondTheTenSlotsAreMeasured) {
    std::vector<TOUCHINPUT> down;
    for (DWORD id = 1; id <= 12; ++id) {
        down.push_back(Down(100 + id, 90 * static_cast<int>(id), 600, 500));
    }
    faketouch::SendTouch(window, down);
    ToggleDiagnosticsReadout(window);
    const std::vector<std::string> texts = ReadoutTexts();
    EXPECT_EQ(texts[0].rfind("Contacts: 12   peak 12   digitizer maximum", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find("beyond ten slots 2"), std::string::npos) << texts[0];
    EXPECT_TRUE(Has(texts, "#112 at 1080, 600 px " + Mm(1080, 600)));
}

TEST_F(DiagnosticsWindowTest, PositionsFollowTheWindowWhenItMoves) {
    static std::vector<TouchSample> seen;
    static bool listening = false;
    if (!listening) {
        AddDiagnosticsSampleListener([](const TouchSample& sample) { seen.push_back(sample); });
        listening = true;
    }
    seen.clear();
    RECT before{};
    GetWindowRect(window, &before);
    // The monitor is asked for once and kept while the window stays; a move must not leave the
    // positions of the old place behind.
    for (const POINT place : {POINT{before.left, before.top}, POINT{60, 40}}) {
        SetWindowPos(window, nullptr, place.x, place.y, 900, 650, SWP_NOZORDER);
        PumpMessages(30);
        const POINT p = ToScreen(120, 80);
        faketouch::SendTouch(window, {faketouch::Down(30, p.x, p.y)});
        faketouch::SendTouch(window, {faketouch::Up(30, p.x, p.y)});
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_DOUBLE_EQ(seen[0].clientX, 120);
        EXPECT_DOUBLE_EQ(seen[0].clientY, 80);
        // The test display is one monitor at the origin of the screen.
        EXPECT_DOUBLE_EQ(seen[0].screenX, p.x);
        EXPECT_DOUBLE_EQ(seen[0].screenY, p.y);
        seen.clear();
    }
    SetWindowPos(window, nullptr, before.left, before.top, before.right - before.left,
                 before.bottom - before.top, SWP_NOZORDER);
    PumpMessages(30);
}

TEST_F(DiagnosticsWindowTest, AContactSilentForTwoSecondsIsMarkedStuck) {
    faketouch::SendTouch(window, {faketouch::Down(5, ToScreen(600, 400).x, ToScreen(600, 400).y)});
    PressKey('I');
    const Capture fresh = Paint();
    const RECT ring{600 - 66, 400 - 2, 600 - 61, 400 + 2};
    EXPECT_EQ(CountTextPixels(fresh, ring, kRed), 0);
    // The readout's timer repaints without input.
    PumpMessages(2600);
    const Capture stuck = wintest::CaptureClient(window);
    EXPECT_GT(CountTextPixels(stuck, ring, kRed), 4);
    const std::vector<std::string> texts = ReadoutTexts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.rfind("stuck: no input for ", 0) == 0;
    }));
    EXPECT_EQ(DiagnosticsStatistics().StuckCount(), 1);
    // Still in the table, as before.
    EXPECT_EQ(AppState.touchContacts[0].id, 5u);
}

TEST_F(DiagnosticsWindowTest, RWritesTheReportAndTheInputsBesideItAndOpensTheReport) {
    const std::wstring sub = folder + L"\\r1";
    CreateDirectoryW(sub.c_str(), nullptr);
    SetDiagnosticsReportFolder(sub);
    TwoFingers(30);
    faketouch::SendTouch(window, {Up(7, 400, 300, 1240), Up(8, 800, 500, 1240)});
    PressKey('R');
    const std::vector<std::wstring> files = FilesIn(sub);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].rfind(L"Quillfern report ", 0), 0u);
    EXPECT_EQ(files[0].substr(files[0].size() - 11), L" inputs.csv");
    EXPECT_EQ(files[1].substr(files[1].size() - 4), L".txt");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], sub + L"\\" + files[1]);

    const std::string report = wintest::ReadFileBytes(sub + L"\\" + files[1]).value_or("");
    EXPECT_EQ(report.rfind("\xEF\xBB\xBFQuillfern touch report, ", 0), 0u);
    for (const char* line : {
             "\r\n  Times from TOUCHINPUT.dwTime\r\n",
             "\r\n  Inputs: 38, of which the CSV keeps the most recent 38\r\n",
             "\r\n  Millimeters from the monitor's raw DPI, 254 \xC3\x97 254\r\n",
             "\r\n  peak 2 (bar \xE2\x89\xA5 5) FAIL\r\n",
             "\r\n  #8: 25.0 Hz mean, 25.0 Hz worst (bar \xE2\x89\xA5 ",
             "\r\n  closest two: 44.7 mm apart, center to center (bar \xE2\x89\xA4 8 mm) NOT "
             "TESTED\r\n",
             "\r\n  stuck contacts 0 (bar 0) PASS\r\n",
             "; 125.0 Hz mean, 125.0 Hz worst (bar",
         }) {
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    }
    EXPECT_NE(report.find("\r\n  Windows "), std::string::npos);
    EXPECT_NE(report.find("\r\n  Digitizer: "), std::string::npos);

    const std::string csv = wintest::ReadFileBytes(sub + L"\\" + files[0]).value_or("");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 38);
    const POINT origin = ToScreen(400, 300);
    const std::string first = "0.000,7," + std::to_string(origin.x) + ".00," +
                              std::to_string(origin.y) + ".00,0x000A,0.00,0.00\r\n";
    EXPECT_NE(csv.find("\r\n" + first), std::string::npos) << csv.substr(0, 200);

    // Again, mostly within the same second: beside them, never over them. A second boundary
    // between the two gives a name of its own, without the suffix.
    PressKey('R');
    EXPECT_EQ(FilesIn(sub).size(), 4u);
    ASSERT_EQ(opened.size(), 2u);
    const std::wstring firstName = opened.front().substr(0, opened.front().size() - 4);
    if (opened.back().rfind(firstName, 0) == 0) {
        EXPECT_EQ(opened.back(), firstName + L" (2).txt");
    } else {
        EXPECT_NE(opened.back(), opened.front());
    }
}

TEST_F(DiagnosticsWindowTest, AReportThatCannotBeWrittenSaysSoAndChangesNothing) {
    const std::wstring missing = folder + L"\\no such folder";
    SetDiagnosticsReportFolder(missing);
    TwoFingers(5);
    std::wstring text;
    std::thread dismiss([&] { wintest::DismissMessageBox(GetCurrentProcessId(), 5000, &text); });
    PressKey('R');
    dismiss.join();
    EXPECT_EQ(Narrow(text).rfind("The report could not be written: ", 0), 0u) << Narrow(text);
    EXPECT_NE(Narrow(text).find("no such folder"), std::string::npos);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(wintest::FileExists(missing));
    EXPECT_EQ(DiagnosticsStatistics().ActiveCount(), 2);
}

} // namespace
