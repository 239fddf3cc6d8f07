#include "diagnostics/PhysicalScale.h"
#include "diagnostics/TextPattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

TEST(TextPattern, PlacesTakeTheirValuesAndFaultyPatternsStayReadable) {
    struct Case {
        const char16_t* pattern;
        const char* expected;
    } cases[] = {
        {u"%1 of %2", "a of b"},
        {u"%2, then %1, %1 again", "b, then a, a again"},
        {u"100%% at %1", "100% at a"},
        {u"%3 has no value", "%3 has no value"},
        {u"lone % and %x and trailing %", "lone % and %x and trailing %"},
        {u"%0 is no place", "%0 is no place"},
        {u"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.pattern));
        EXPECT_EQ(Narrow(FormatPattern(c.pattern, {u"a", u"b"})), c.expected);
    }
    EXPECT_EQ(FormatPattern(nullptr, {u"a"}), u"");
}

TEST(TextPattern, NumbersRoundHalfAwayFromZeroWithoutNegativeZero) {
    EXPECT_EQ(FormatFixed(1.25, 1), u"1.3");
    EXPECT_EQ(FormatFixed(-1.25, 1), u"-1.3");
    EXPECT_EQ(FormatFixed(-0.04, 1), u"0.0");
    EXPECT_EQ(FormatFixed(125.0, 0), u"125");
    EXPECT_EQ(FormatFixed(std::nan(""), 2), u"-");
    EXPECT_EQ(FormatInteger(-42), u"-42");
}

TEST(PhysicalScale, SourcesGiveMillimetresOrNothing) {
    const PhysicalScale dpi = ScaleFromDpi(96, 96);
    EXPECT_TRUE(dpi.Known());
    EXPECT_NEAR(dpi.ToMmX(96), 25.4, 1e-9);
    const PhysicalScale size = ScaleFromSize(344, 194, 1920, 1080);
    EXPECT_EQ(size.source, ScaleSource::DeviceSize);
    EXPECT_NEAR(size.ToMmY(1080), 194, 1e-9);
    EXPECT_FALSE(ScaleFromDpi(0, 96).Known());
    EXPECT_FALSE(ScaleFromSize(344, 0, 1920, 1080).Known());
    EXPECT_FALSE(ScaleFromSize(344, 194, 1920, -1).Known());
    EXPECT_FALSE(PhysicalScale{}.Known());
}

} // namespace
