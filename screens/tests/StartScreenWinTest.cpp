// The start screen painted by the real main window in this process and read back from the
// screen, plus the same drawing routine into memory device contexts.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>

#include "app/AppState.h"
#include "app/FullScreen.h"
#include "app/Gdi.h"
#include "app/MainWindow.h"
#include "app/WideText.h"
#include "lang/ArchiveLoad.h"
#include "lang/LanguageArchive.h"
#include "lang/StringLookup.h"
#include "screens/StartScreen.h"
#include "screens/StartScreenLayout.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"

namespace {

using wintest::Capture;
using wintest::PumpMessages;
using wintest::Rgb;

constexpr uint32_t kWhite = 0xFFFFFF;

uint32_t ExpectedRow(int y, int height) {
    const int c = static_cast<int>(200LL * y / height);
    return Rgb(c, 0, 200 - c);
}

// Bounding box of the pixels of one colour in [x0, x1) x [y0, y1).
struct PixelBox {
    int count = 0;
    int minX = INT_MAX;
    int maxX = INT_MIN;
    int minY = INT_MAX;
    int maxY = INT_MIN;
};

PixelBox ColourIn(const Capture& capture, uint32_t colour, int x0, int y0, int x1, int y1) {
    PixelBox box;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, capture.width);
    y1 = std::min(y1, capture.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (capture.At(x, y) == colour) {
                ++box.count;
                box.minX = std::min(box.minX, x);
                box.maxX = std::max(box.maxX, x);
                box.minY = std::min(box.minY, y);
                box.maxY = std::max(box.maxY, y);
            }
        }
    }
    return box;
}

PixelBox WhiteIn(const Capture& capture, int x0, int y0, int x1, int y1) {
    return ColourIn(capture, kWhite, x0, y0, x1, y1);
}

// The black pass shows as the shadow; the gradient never holds pure black.
PixelBox ShadowIn(const Capture& capture, int x0, int y0, int x1, int y1) {
    return ColourIn(capture, 0x000000, x0, y0, x1, y1);
}

std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return path;
}

class StartScreenTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        // This test program carries the language archive, as the executable does.
        const auto block = ExtractArchiveBlock(ModulePath());
        ASSERT_TRUE(block.has_value());
        ASSERT_TRUE(LoadArchiveFromBlock(block->data(), block->size()));
        ASSERT_GE(LanguageCount, 38);

        // Touch registration succeeds: no error box stands before the window.
        faketouch::SetRegistrationResult(TRUE);
        AppState.instance = GetModuleHandleW(nullptr);
        RegisterMainWindowClass();
        window = CreateMainWindow();
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        PumpMessages(200);
    }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        AppState.screenIndex = -1;
        CurrentLanguage = 1;
        SetForegroundWindow(window);
    }

    void TearDown() override {
        AppState.screenIndex = -1;
        CurrentLanguage = 1;
    }

    static SIZE Client() {
        RECT client{};
        GetClientRect(window, &client);
        return SIZE{client.right, client.bottom};
    }

    static bool IsFullScreen() { return (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == 0; }

    static void UseFullScreen(bool full) {
        if (IsFullScreen() != full) {
            ToggleFullScreen();
            PumpMessages(200);
        }
        ASSERT_EQ(IsFullScreen(), full);
    }

    // A real WM_PAINT through the window procedure, then the pixels from the screen.
    static Capture Repaint() {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        PumpMessages(100);
        return wintest::CaptureClient(window);
    }

    static int LineHeightOfWindowFont() {
        ScopedWindowDC dc(window);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc.Get(), &metrics);
        return metrics.tmHeight;
    }

    // Gradient, title, size text, help block and notice of one left-to-right paint.
    static void ExpectLeftToRightStartScreen(const Capture& shot) {
        const int w = shot.width;
        const int h = shot.height;
        const int f = -((w * -26) / 1280); // font character height, positive
        const int step = (w * -3) / 1280;
        SCOPED_TRACE(testing::Message() << "client " << w << "x" << h);

        // Gradient where no text reaches: the top 20 rows across, the left 20 columns down.
        for (int y = 0; y < h; ++y) {
            const int xEnd = y < 20 ? w : 20;
            for (int x = 0; x < xEnd; ++x) {
                ASSERT_EQ(shot.At(x, y), ExpectedRow(y, h)) << "x " << x << " y " << y;
            }
        }

        // Title: centred between x = 30 and the right edge, its top near y = 30.
        const PixelBox title = WhiteIn(shot, 30, 20, w - 220, 30 + 2 * f);
        ASSERT_GT(title.count, 40);
        EXPECT_NEAR((title.minX + title.maxX) / 2, (30 + w) / 2 + step, 12);
        EXPECT_GE(title.minY, 30 + step);
        EXPECT_LE(title.minY, 30 + f / 2);

        // Size text: two white lines in the window's own font, flush right with two blanks.
        const int line = LineHeightOfWindowFont();
        ASSERT_GT(line, 4);
        const PixelBox first = WhiteIn(shot, w - 220, 30, w, 30 + line);
        const PixelBox second = WhiteIn(shot, w - 220, 30 + line, w, 30 + 2 * line);
        ASSERT_GT(first.count, 20);
        ASSERT_GT(second.count, 20);
        EXPECT_LT(first.maxX, w - 3);
        EXPECT_GE(first.maxX, w - 30);
        EXPECT_LT(second.maxX, w - 3);
        EXPECT_GE(second.maxX, w - 30);

        // Help block: left-aligned from x = 30 (white pass at 30 + step), nothing at the right.
        const PixelBox help = WhiteIn(shot, 0, 30 + 4 * f, w, h - 2 * f);
        ASSERT_GT(help.count, 200);
        EXPECT_GE(help.minX, 30 + step - 3);
        EXPECT_LE(help.minX, 30 + 6);
        EXPECT_LT(help.maxX, w - 60);
        // Its white pass moved left by the step: the shadow's left edge lies |step| further
        // right (a step of 1 is too small to tell from the glyphs' edges).
        if (step <= -2) {
            const PixelBox helpShadow = ShadowIn(shot, 0, 30 + 4 * f, w, h - 2 * f);
            ASSERT_GT(helpShadow.count, 50);
            EXPECT_NEAR(helpShadow.minX - help.minX, -step, 1);
        }

        // Notice: its lower half at the bottom right (the help text may reach the bottom line
        // at the left).
        const PixelBox notice = WhiteIn(shot, w / 2, h - f / 2, w, h);
        ASSERT_GT(notice.count, 20);
        EXPECT_GE(notice.maxX, w - 30);
    }

    static HWND window;
};

HWND StartScreenTest::window = nullptr;

TEST_F(StartScreenTest, FullScreenPaint) {
    UseFullScreen(true);
    const Capture shot = Repaint();
    ASSERT_EQ(shot.width, Client().cx);
    ASSERT_GE(shot.width, GetSystemMetrics(SM_CXSCREEN));
    ExpectLeftToRightStartScreen(shot);
}

TEST_F(StartScreenTest, FramedWindowPaint) {
    UseFullScreen(false);
    const Capture shot = Repaint();
    EXPECT_LT(shot.width, 800);
    EXPECT_LT(shot.height, 600);
    EXPECT_GT(shot.height, 400);
    ExpectLeftToRightStartScreen(shot);
    UseFullScreen(true);
}

TEST_F(StartScreenTest, ScreenIndexBelowMinusOneTouchesNothing) {
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full screen" : "frame");
        UseFullScreen(full);
        const SIZE size = Client();
        {
            ScopedWindowDC dc(window);
            ScopedGdiObject<HBRUSH> known(CreateSolidBrush(RGB(0x12, 0x34, 0x56)));
            const RECT all{0, 0, size.cx, size.cy};
            FillRect(dc.Get(), &all, known.Get());
        }
        AppState.screenIndex = -2;
        const Capture shot = Repaint();
        ASSERT_EQ(shot.pixels.size(), static_cast<size_t>(size.cx) * size.cy);
        const size_t changed = static_cast<size_t>(
            std::count_if(shot.pixels.begin(), shot.pixels.end(),
                          [](uint32_t pixel) { return pixel != Rgb(0x12, 0x34, 0x56); }));
        EXPECT_EQ(changed, 0u);

        // Back at -1 the same repaint draws the start screen over it.
        AppState.screenIndex = -1;
        const Capture again = Repaint();
        EXPECT_EQ(again.At(5, 5), ExpectedRow(5, size.cy));
        EXPECT_EQ(again.At(5, size.cy - 1), ExpectedRow(size.cy - 1, size.cy));
    }
    UseFullScreen(true);
}

TEST_F(StartScreenTest, ArabicPutsTheHelpBlockRightAndTheNoticeLeft) {
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full screen" : "frame");
        UseFullScreen(full);
        CurrentLanguage = 18;
        const Capture shot = Repaint();
        const int w = shot.width;
        const int h = shot.height;
        const int f = -((w * -26) / 1280);
        const int step = (w * -3) / 1280;

        // Help block: flush against the right edge (its white pass keeps the right edge).
        const PixelBox help = WhiteIn(shot, 0, 30 + 4 * f, w, h - 2 * f);
        ASSERT_GT(help.count, 200);
        EXPECT_GE(help.maxX, w - 20);
        EXPECT_GT(help.minX, 30 + w / 8);
        // Only its top moved: white and shadow end at the same right edge.
        if (step <= -2) {
            const PixelBox helpShadow = ShadowIn(shot, 0, 30 + 4 * f, w, h - 2 * f);
            ASSERT_GT(helpShadow.count, 50);
            EXPECT_NEAR(helpShadow.maxX, help.maxX, 1);
        }

        // Title still centred, size text still top right, gradient untouched at the left.
        const PixelBox title = WhiteIn(shot, 30, 20, w - 220, 30 + 2 * f);
        ASSERT_GT(title.count, 40);
        EXPECT_NEAR((title.minX + title.maxX) / 2, (30 + w) / 2 + step, 12);
        const PixelBox size = WhiteIn(shot, w - 220, 30, w, 30 + LineHeightOfWindowFont());
        EXPECT_GT(size.count, 20);
        for (int y = 0; y < h; y += 7) {
            EXPECT_EQ(shot.At(10, y), ExpectedRow(y, h)) << y;
        }

        // Hebrew and Persian are laid out the same way; the second Vietnamese entry is not.
        for (const LanguageIndex language : {25, 29}) {
            CurrentLanguage = language;
            const PixelBox other = WhiteIn(Repaint(), 0, 30 + 4 * f, w, h - 2 * f);
            EXPECT_GE(other.maxX, w - 20) << language;
            EXPECT_GT(other.minX, 30 + w / 8) << language;
        }
        CurrentLanguage = 20;
        const PixelBox vietnamese = WhiteIn(Repaint(), 0, 30 + 4 * f, w, h - 2 * f);
        EXPECT_LE(vietnamese.minX, 30 + 6);
        CurrentLanguage = 1;
    }
    UseFullScreen(true);
}

// With the help lines blanked (a translation file that gives them empty), the notice is the
// only text near the bottom.
TEST_F(StartScreenTest, NoticeStandsBottomRightOrBottomLeftForRightToLeft) {
    FileStrings[16] = u"Screen ";
    FileStrings[17] = u"Window ";
    for (StringId id = 40; id <= 56; ++id) {
        FileStrings[static_cast<size_t>(id)] = u"";
    }
    FileStringsActive = true;
    for (const bool full : {true, false}) {
        UseFullScreen(full);
        for (const LanguageIndex language : {1, 18, 20, 25, 29}) {
            SCOPED_TRACE(testing::Message()
                         << (full ? "full screen" : "frame") << ", language " << language);
            CurrentLanguage = language;
            const Capture shot = Repaint();
            const int w = shot.width;
            const int h = shot.height;
            const int f = -((w * -26) / 1280);
            const int step = (w * -3) / 1280;
            const PixelBox notice = WhiteIn(shot, 0, h - 2 * f, w, h);
            ASSERT_GT(notice.count, 40);
            EXPECT_GE(notice.maxY, h - 10);
            if (IsRightToLeftLanguage(language)) {
                EXPECT_GE(notice.minX, 30 + step - 3);
                EXPECT_LE(notice.minX, 30 + 6);
                EXPECT_LT(notice.maxX, w - w / 3);
            } else {
                EXPECT_GE(notice.maxX, w - 30);
                EXPECT_LT(notice.maxX, w - 2);
                EXPECT_GT(notice.minX, w / 3);
            }
            // The line's white pass moved as a whole, its right edge too: the shadow ends
            // |step| further right.
            if (step <= -2) {
                const PixelBox shadow = ShadowIn(shot, 0, h - 2 * f, w, h);
                ASSERT_GT(shadow.count, 20);
                EXPECT_NEAR(shadow.maxX - notice.maxX, -step, 1);
            }
            // Nothing of the blanked help block between the size text and the notice.
            EXPECT_EQ(WhiteIn(shot, 0, 30 + 4 * f, w, h - 2 * f).count, 0);
        }
    }
    FileStringsActive = false;
    for (auto& entry : FileStrings) {
        entry = nullptr;
    }
    UseFullScreen(true);
}

// A DIB section to draw into, read back directly.
class MemoryCanvas {
  public:
    MemoryCanvas(int width, int height) : width_(width), height_(height), dc_(nullptr) {
        bitmap_.Reset(CreateTopDownDib(width, height, &bits_));
        select_ = std::make_unique<ScopedSelect>(dc_.Get(), bitmap_.Get());
    }
    HDC Get() const { return dc_.Get(); }
    bool Ready() const { return dc_.Get() && bitmap_ && bits_; }
    uint32_t At(int x, int y) const {
        GdiFlush();
        return static_cast<const uint32_t*>(bits_)[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    int width_;
    int height_;
    ScopedMemoryDC dc_;
    ScopedGdiObject<HBITMAP> bitmap_;
    void* bits_ = nullptr;
    std::unique_ptr<ScopedSelect> select_;
};

TEST(StartScreenMemory, GradientRowsMatchOneFillPerRow) {
    struct Case {
        int width;
        int height;
    };
    for (const Case c : {Case{1920, 1080}, Case{1280, 720}, Case{300, 137}, Case{50, 1}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        MemoryCanvas canvas(c.width, c.height);
        ASSERT_TRUE(canvas.Ready());
        const RECT client{0, 0, c.width, c.height};
        DrawStartScreen(canvas.Get(), client);
        // Columns 0..19 hold no text at any height; rows above y = 20 none at any width.
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < std::min(c.width, 20); ++x) {
                ASSERT_EQ(canvas.At(x, y), ExpectedRow(y, c.height)) << x << "," << y;
            }
        }
        for (int y = 0; y < std::min(c.height, 20); ++y) {
            for (int x = 0; x < c.width; ++x) {
                ASSERT_EQ(canvas.At(x, y), ExpectedRow(y, c.height)) << x << "," << y;
            }
        }
    }
}

// The runs of equal rows against one fill per row, pixel for pixel, over the whole width.
TEST(StartScreenMemory, GradientRunsPaintTheSamePixelsAsOneFillPerRow) {
    for (const int height : {1, 2, 3, 199, 200, 201, 573, 722, 1080, 2160}) {
        SCOPED_TRACE(height);
        const int width = 37;
        MemoryCanvas rows(width, height);
        MemoryCanvas runs(width, height);
        ASSERT_TRUE(rows.Ready());
        ASSERT_TRUE(runs.Ready());
        for (int y = 0; y < height; ++y) {
            const int c = 200 * y / height;
            const RECT row{0, y, width, y + 1};
            SetBkColor(rows.Get(), RGB(c, 0, 200 - c));
            ExtTextOutW(rows.Get(), 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
        }
        // A colour the gradient never has, so an unfilled pixel shows.
        ScopedGdiObject<HBRUSH> green(CreateSolidBrush(RGB(0, 255, 0)));
        const RECT all{0, 0, width, height};
        FillRect(runs.Get(), &all, green.Get());
        FillStartScreenGradient(runs.Get(), width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(runs.At(x, y), rows.At(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(StartScreenMemory, LeavesTheDeviceContextAsDocumented) {
    MemoryCanvas canvas(640, 480);
    ASSERT_TRUE(canvas.Ready());
    const HGDIOBJ fontBefore = GetCurrentObject(canvas.Get(), OBJ_FONT);
    SetBkMode(canvas.Get(), OPAQUE);
    SetTextColor(canvas.Get(), RGB(1, 2, 3));
    const RECT client{0, 0, 640, 480};
    DrawStartScreen(canvas.Get(), client);
    EXPECT_EQ(GetCurrentObject(canvas.Get(), OBJ_FONT), fontBefore);
    EXPECT_EQ(GetBkMode(canvas.Get()), TRANSPARENT);
    EXPECT_EQ(GetTextColor(canvas.Get()), RGB(255, 255, 255));
}

TEST(StartScreenMemory, PaintScreenDrawsOnlyAtMinusOne) {
    MemoryCanvas canvas(320, 200);
    ASSERT_TRUE(canvas.Ready());
    const HWND window = GetDesktopWindow();
    RECT client{};
    GetClientRect(window, &client);
    for (const int32_t index : {-2, -3, 0, 1, INT32_MIN}) {
        SCOPED_TRACE(index);
        ScopedGdiObject<HBRUSH> known(CreateSolidBrush(RGB(0x65, 0x43, 0x21)));
        const RECT all{0, 0, 320, 200};
        FillRect(canvas.Get(), &all, known.Get());
        AppState.screenIndex = index;
        PaintScreen(canvas.Get(), window);
        for (int y = 0; y < 200; y += 3) {
            for (int x = 0; x < 320; x += 3) {
                ASSERT_EQ(canvas.At(x, y), Rgb(0x65, 0x43, 0x21)) << x << "," << y;
            }
        }
    }
    AppState.screenIndex = -1;
    PaintScreen(canvas.Get(), window);
    // The desktop's client height sets the gradient; the top-left pixel is the first row.
    EXPECT_EQ(canvas.At(0, 0), Rgb(0, 0, 200));
    EXPECT_EQ(canvas.At(0, 199), ExpectedRow(199, client.bottom));
}

// Rows [first, last] that one text covers; none while first > last.
struct RowSpan {
    int first = INT_MAX;
    int last = INT_MIN;
};

class StartScreenFit : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (LanguageCount == 0) {
            const auto block = ExtractArchiveBlock(ModulePath());
            ASSERT_TRUE(block.has_value());
            ASSERT_TRUE(LoadArchiveFromBlock(block->data(), block->size()));
        }
    }
    void SetUp() override {
        AppState.screenIndex = -1;
        CurrentLanguage = 1;
    }
    void TearDown() override {
        FileStringsActive = false;
        for (auto& entry : FileStrings) {
            entry = nullptr;
        }
        CurrentLanguage = 1;
    }
};

// At 16:9 the font follows the width and the lines the height: the help block's last line
// once ran under the notice. The block must now end above the notice's first row.
TEST_F(StartScreenFit, HelpBlockEndsAboveTheNoticeOnWideScreens) {
    struct Size {
        int width;
        int height;
    };
    for (const Size size : {Size{1280, 720}, Size{1920, 1080}, Size{1024, 768}, Size{1280, 800}}) {
        for (const LanguageIndex language : {1, 0, 18}) {
            SCOPED_TRACE(testing::Message()
                         << size.width << "x" << size.height << ", language " << language);
            CurrentLanguage = language;
            const RECT client{0, 0, size.width, size.height};
            MemoryCanvas full(size.width, size.height);
            MemoryCanvas helpOnly(size.width, size.height);
            ASSERT_TRUE(full.Ready());
            ASSERT_TRUE(helpOnly.Ready());
            DrawStartScreen(full.Get(), client);

            // The same screen without title and notice: its lower half holds only help text,
            // in the same font, as the help block alone chooses it.
            const char16_t* title = NeutralStrings[0];
            const char16_t* noticeText = NeutralStrings[22];
            NeutralStrings[0] = u"";
            NeutralStrings[22] = u"";
            DrawStartScreen(helpOnly.Get(), client);
            NeutralStrings[0] = title;
            NeutralStrings[22] = noticeText;

            RowSpan notice;
            RowSpan help;
            for (int y = size.height / 2; y < size.height; ++y) {
                for (int x = 0; x < size.width; ++x) {
                    const uint32_t alone = helpOnly.At(x, y);
                    if (alone == 0xFFFFFF || alone == 0) {
                        help.first = std::min(help.first, y);
                        help.last = std::max(help.last, y);
                    }
                    if (full.At(x, y) != alone) {
                        notice.first = std::min(notice.first, y);
                        notice.last = std::max(notice.last, y);
                    }
                }
            }
            ASSERT_LT(notice.first, size.height) << "no notice";
            EXPECT_GE(notice.last, size.height - 10);
            if (help.last != INT_MIN) {
                EXPECT_LT(help.last, notice.first) << "help text reaches the notice's rows";
            }
        }
    }
}

// Where the block fits, the font is the one the width gives: at 1024 x 768 the title matches
// one drawn in Arial bold italic of character height 20, pixel for pixel.
TEST_F(StartScreenFit, FourToThreeKeepsTheFontOfTheWidth) {
    const int w = 1024;
    const int h = 768;
    ASSERT_EQ(StartScreenFontHeight(w), -20);
    MemoryCanvas screen(w, h);
    MemoryCanvas expected(w, h);
    ASSERT_TRUE(screen.Ready());
    ASSERT_TRUE(expected.Ready());
    const RECT client{0, 0, w, h};
    DrawStartScreen(screen.Get(), client);

    FillStartScreenGradient(expected.Get(), w, h);
    LOGFONTW logFont = {};
    logFont.lfHeight = -20;
    logFont.lfWeight = FW_BOLD;
    logFont.lfItalic = 1;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    ScopedGdiObject<HFONT> font(CreateFontIndirectW(&logFont));
    ScopedSelect selected(expected.Get(), font.Get());
    SetBkMode(expected.Get(), TRANSPARENT);
    RECT title{30, 30, w, h};
    DrawShadowedLine(expected.Get(), AsWide(NeutralStrings[0]), &title, StartScreenShadowStep(w),
                     DT_CENTER | DT_SINGLELINE);

    // The title's rows, left of the size text.
    size_t titlePixels = 0;
    for (int y = 0; y < 52; ++y) {
        for (int x = 0; x < w - 240; ++x) {
            ASSERT_EQ(screen.At(x, y), expected.At(x, y)) << x << "," << y;
            titlePixels += expected.At(x, y) == 0xFFFFFF;
        }
    }
    EXPECT_GT(titlePixels, 40u);
}

TEST(StartScreenMemory, PaintScreenWithoutADeviceContextDoesNothing) {
    // Any lookup the painting made would overwrite the thread's missing-text buffer.
    FileStringsActive = true;
    const char16_t* marker = LookupString(99);
    ASSERT_EQ(std::u16string(marker), u"str:99?");
    AppState.screenIndex = -1;
    PaintScreen(nullptr, GetDesktopWindow());
    const std::u16string after(marker);
    FileStringsActive = false;
    EXPECT_EQ(after, u"str:99?");
}

// Right-to-left languages read the help block right to left: a line that ends in a neutral
// character shows it at the left, which right alignment alone would not.
TEST(StartScreenMemory, RightToLeftBlockSetsRightToLeftReading) {
    const int w = 400;
    const int h = 60;
    const wchar_t* text = L"(abc) 12 x!";
    const auto draw = [&](MemoryCanvas& canvas, UINT format, bool shadowedBlock) {
        ScopedGdiObject<HBRUSH> grey(CreateSolidBrush(RGB(90, 90, 90)));
        const RECT all{0, 0, w, h};
        FillRect(canvas.Get(), &all, grey.Get());
        SetBkMode(canvas.Get(), TRANSPARENT);
        RECT rect{10, 10, w - 10, h};
        if (shadowedBlock) {
            DrawShadowedBlock(canvas.Get(), text, &rect, -2, format);
        } else {
            SetTextColor(canvas.Get(), RGB(0, 0, 0));
            DrawTextW(canvas.Get(), text, -1, &rect, format);
            rect.left -= 2;
            rect.top -= 2;
            SetTextColor(canvas.Get(), RGB(255, 255, 255));
            DrawTextW(canvas.Get(), text, -1, &rect, format);
        }
    };
    const auto differing = [&](const MemoryCanvas& a, const MemoryCanvas& b) {
        size_t count = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                count += a.At(x, y) != b.At(x, y);
            }
        }
        return count;
    };
    MemoryCanvas rightOnly(w, h);
    MemoryCanvas rightToLeft(w, h);
    MemoryCanvas block(w, h);
    ASSERT_TRUE(rightOnly.Ready() && rightToLeft.Ready() && block.Ready());
    draw(rightOnly, DT_WORDBREAK | DT_RIGHT, false);
    draw(rightToLeft, DT_WORDBREAK | DT_RIGHT | DT_RTLREADING, false);
    ASSERT_GT(differing(rightOnly, rightToLeft), 20u) << "reading order shows no difference here";

    CurrentLanguage = 18;
    draw(block, DT_WORDBREAK, true);
    CurrentLanguage = 1;
    EXPECT_EQ(differing(block, rightToLeft), 0u);
}

} // namespace
