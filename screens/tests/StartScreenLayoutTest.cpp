// Start-screen arithmetic: font height and shadow step from the width, the gradient rows and
// their runs, the text rectangle, the right-to-left choice and the bounded size text.

#include "screens/StartScreenLayout.h"

#include "lang/StringLookup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Rgb {
    uint32_t r, g, b;
};

Rgb Split(uint32_t bgr) {
    return Rgb{bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF};
}

TEST(StartScreenLayout, FontHeightAndShadowStepFollowTheWidth) {
    struct Case {
        int32_t width;
        int32_t fontHeight;
        int32_t step;
    };
    const Case cases[] = {
        {1920, -39, -4},
        {1366, -27, -3},
        {1280, -26, -3},
        {1024, -20, -2},
        {800, -16, -1},
        {427, -8, -1},
        {426, -8, 0},
        {0, 0, 0},
        // Wide enough that a 32-bit product would overflow.
        {100000000, -2031250, -234375},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(StartScreenFontHeight(c.width), c.fontHeight);
        EXPECT_EQ(StartScreenShadowStep(c.width), c.step);
    }
}

TEST(StartScreenLayout, RowColoursRunFromBlueTowardRed) {
    struct Case {
        int32_t height;
        int32_t y;
        Rgb colour;
    };
    const Case cases[] = {
        {720, 0, {0, 0, 200}},     {720, 3, {0, 0, 200}},      {720, 4, {1, 0, 199}},
        {720, 360, {100, 0, 100}}, {720, 719, {199, 0, 1}},    {1080, 0, {0, 0, 200}},
        {1080, 539, {99, 0, 101}}, {1080, 540, {100, 0, 100}}, {1080, 1079, {199, 0, 1}},
        {1, 0, {0, 0, 200}},       {2, 1, {100, 0, 100}},      {2160, 2159, {199, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "H " << c.height << " y " << c.y);
        const Rgb got = Split(GradientRowColour(c.y, c.height));
        EXPECT_EQ(got.r, c.colour.r);
        EXPECT_EQ(got.g, c.colour.g);
        EXPECT_EQ(got.b, c.colour.b);
    }
}

// The runs of equal rows must paint exactly what one fill per row would.
TEST(StartScreenLayout, GradientBandsCoverEveryRowInItsOwnColour) {
    const int32_t heights[] = {1, 2, 7, 199, 200, 201, 333, 561, 720, 1080, 2160, 4321};
    for (const int32_t height : heights) {
        SCOPED_TRACE(height);
        int32_t nextRow = 0;
        int32_t nonEmpty = 0;
        for (int32_t step = 0; step < kGradientSteps; ++step) {
            const GradientBand band = GradientBandOfStep(step, height);
            if (band.top == band.bottom) {
                continue;
            }
            ++nonEmpty;
            ASSERT_EQ(band.top, nextRow) << "step " << step;
            ASSERT_LT(band.top, band.bottom) << "step " << step;
            for (int32_t y = band.top; y < band.bottom; ++y) {
                // One fill per row: c = 200 y / H.
                const auto c = static_cast<uint32_t>(200 * static_cast<int64_t>(y) / height);
                ASSERT_EQ(band.colour, c | ((200 - c) << 16)) << "row " << y;
            }
            nextRow = band.bottom;
        }
        EXPECT_EQ(nextRow, height);
        EXPECT_EQ(nonEmpty, height < kGradientSteps ? height : kGradientSteps);
    }
}

TEST(StartScreenLayout, NoRowsWithoutHeight) {
    for (const int32_t height : {0, -1, -720}) {
        for (int32_t step = 0; step < kGradientSteps; ++step) {
            const GradientBand band = GradientBandOfStep(step, height);
            EXPECT_EQ(band.top, band.bottom) << "H " << height << " step " << step;
        }
    }
    for (const int32_t step : {-1, kGradientSteps, 1000}) {
        const GradientBand band = GradientBandOfStep(step, 720);
        EXPECT_EQ(band.top, band.bottom) << step;
    }
}

TEST(StartScreenLayout, TextRectangleMovesOnlyLeftAndTopInward) {
    struct Case {
        LayoutRect client;
        LayoutRect text;
    };
    const Case cases[] = {
        {{0, 0, 1280, 720}, {30, 30, 1280, 720}},
        {{0, 0, 1920, 1080}, {30, 30, 1920, 1080}},
        {{0, 0, 0, 0}, {30, 30, 0, 0}},
        {{10, 20, 810, 620}, {40, 50, 810, 620}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.client.right << "x" << c.client.bottom);
        const LayoutRect t = StartScreenTextRect(c.client);
        EXPECT_EQ(t.left, c.text.left);
        EXPECT_EQ(t.top, c.text.top);
        EXPECT_EQ(t.right, c.text.right);
        EXPECT_EQ(t.bottom, c.text.bottom);
    }
}

TEST(StartScreenLayout, RightToLeftOnlyForArabicHebrewAndPersian) {
    for (int32_t language = -2; language <= 48; ++language) {
        const bool expected = language == 18 || language == 25 || language == 29;
        EXPECT_EQ(IsRightToLeftLanguage(language), expected) << language;
    }
    EXPECT_FALSE(IsRightToLeftLanguage(20)); // the second Vietnamese entry
}

TEST(StartScreenLayout, LayoutCombinesTheParts) {
    const StartScreenLayout full = ComputeStartScreenLayout(LayoutRect{0, 0, 1280, 720}, 1);
    EXPECT_EQ(full.width, 1280);
    EXPECT_EQ(full.height, 720);
    EXPECT_EQ(full.fontHeight, -26);
    EXPECT_EQ(full.shadowStep, -3);
    EXPECT_EQ(full.textRect.left, 30);
    EXPECT_EQ(full.textRect.top, 30);
    EXPECT_EQ(full.textRect.right, 1280);
    EXPECT_EQ(full.textRect.bottom, 720);
    EXPECT_FALSE(full.rightToLeft);

    const StartScreenLayout frame = ComputeStartScreenLayout(LayoutRect{0, 0, 784, 561}, 25);
    EXPECT_EQ(frame.width, 784);
    EXPECT_EQ(frame.height, 561);
    EXPECT_EQ(frame.fontHeight, -15);
    EXPECT_EQ(frame.shadowStep, -1);
    EXPECT_TRUE(frame.rightToLeft);
}

std::u16string Format(const char16_t* screen, int32_t dw, int32_t dh, const char16_t* window,
                      int32_t w, int32_t h, size_t* length = nullptr) {
    char16_t buffer[kSizeTextCapacity];
    // Garbage first: the formatter must terminate the text itself.
    for (char16_t& unit : buffer) {
        unit = u'#';
    }
    const size_t n = FormatSizeText(buffer, screen, dw, dh, window, w, h);
    if (length) {
        *length = n;
    }
    EXPECT_LT(n, kSizeTextCapacity);
    EXPECT_EQ(buffer[n], 0);
    return std::u16string(buffer);
}

TEST(StartScreenLayout, SizeTextFormats) {
    struct Case {
        const char16_t* screen;
        int32_t dw, dh;
        const char16_t* window;
        int32_t w, h;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"Screen ", 1920, 1080, u"Window ", 1280, 720,
         u"Screen :1920 x 1080  \nWindow :1280 x 720  "},
        {u"Screen ", 1280, 720, u"Window ", 1280, 720,
         u"Screen :1280 x 720  \nWindow :1280 x 720  "},
        {nullptr, 0, 0, nullptr, 0, 0, u":0 x 0  \n:0 x 0  "},
        {u"", 3840, 2160, u"W", -5, 7, u":3840 x 2160  \nW:-5 x 7  "},
        {u"S", INT32_MIN, INT32_MAX, u"W", 1, -1, u"S:-2147483648 x 2147483647  \nW:1 x -1  "},
        {u"\u0627\u0644\u0634\u0627\u0634\u0629 ", 800, 600, u"\u0627", 784, 561,
         u"\u0627\u0644\u0634\u0627\u0634\u0629 :800 x 600  \n\u0627:784 x 561  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(c.expected)));
        size_t length = 0;
        const std::u16string got = Format(c.screen, c.dw, c.dh, c.window, c.w, c.h, &length);
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(length, got.size());
    }
}

// Labels of any length: cut so that both lines keep their numbers inside the buffer.
TEST(StartScreenLayout, SizeTextBoundsLongLabels) {
    const std::u16string huge(5000, u'L');
    const std::u16string cut(kMaxSizeLabel, u'L');
    EXPECT_EQ(Format(huge.c_str(), 1920, 1080, huge.c_str(), 1280, 720),
              cut + u":1920 x 1080  \n" + cut + u":1280 x 720  ");
    // The longest possible text still fits with its terminator.
    size_t length = 0;
    Format(huge.c_str(), INT32_MIN, INT32_MIN, huge.c_str(), INT32_MIN, INT32_MIN, &length);
    EXPECT_EQ(length, 2 * kMaxSizeLabel + 2 * (1 + 11 + 3 + 11 + 2) + 1);
    EXPECT_LT(length, kSizeTextCapacity);

    // A cut falling between the halves of a surrogate pair drops the lone high half.
    std::u16string pairs(kMaxSizeLabel - 1, u'a');
    pairs += u"\U0001F600\U0001F600";
    const std::u16string got = Format(pairs.c_str(), 1, 2, u"W", 3, 4);
    EXPECT_EQ(got, std::u16string(kMaxSizeLabel - 1, u'a') + u":1 x 2  \nW:3 x 4  ");
    // A label exactly at the limit is kept whole, pair included.
    std::u16string exact(kMaxSizeLabel - 2, u'b');
    exact += u"\U0001F600";
    EXPECT_EQ(Format(exact.c_str(), 1, 2, u"W", 3, 4), exact + u":1 x 2  \nW:3 x 4  ");
}

// A translation file without ids 16 and 17: each line names its own missing id.
TEST(StartScreenLayout, LocalSizeTextHoldsEachMissingLabelApart) {
    FileStringsActive = true;
    char16_t buffer[kSizeTextCapacity];
    const size_t length = FormatLocalSizeText(buffer, 1920, 1080, 1280, 720);
    FileStringsActive = false;
    EXPECT_EQ(std::u16string(buffer, length), u"str:16?:1920 x 1080  \nstr:17?:1280 x 720  ");
}

} // namespace
