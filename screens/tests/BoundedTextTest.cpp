// Appending into fixed buffers: never past the capacity, always terminated, no half pairs.

#include "screens/BoundedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Piece {
    const char16_t* text; // null: the number instead
    int32_t number;
};

TEST(BoundedText, AppendsWhatFitsAndAlwaysTerminates) {
    struct Case {
        size_t capacity;
        std::vector<Piece> pieces;
        std::u16string expected;
    };
    const Case cases[] = {
        {1, {{u"abc", 0}}, u""},
        {4, {{u"abc", 0}}, u"abc"},
        {4, {{u"ab", 0}, {u"cd", 0}}, u"abc"},
        {4, {{u"ab", 0}, {nullptr, 7}}, u"ab7"},
        // A number that does not fit whole is left out, later text still fills the room.
        {5, {{u"ab", 0}, {nullptr, 123}, {u"cd", 0}}, u"abcd"},
        {16, {{nullptr, INT32_MIN}, {u"|", 0}, {nullptr, 0}}, u"-2147483648|0"},
        {6, {{u"ab\U0001F600", 0}}, u"ab\U0001F600"},
        // The pair would be cut after its high half: both halves stay out.
        {4, {{u"ab\U0001F600", 0}}, u"ab"},
        {5, {{u"", 0}, {u"x", 0}}, u"x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << " expected "
                                        << testing::PrintToString(c.expected));
        // Guard units after the capacity catch a write past it.
        std::vector<char16_t> buffer(c.capacity + 4, u'#');
        BoundedWriter out(buffer.data(), c.capacity);
        for (const Piece& piece : c.pieces) {
            if (piece.text) {
                out.Append(piece.text);
            } else {
                out.AppendNumber(piece.number);
            }
        }
        EXPECT_EQ(std::u16string(buffer.data()), c.expected);
        EXPECT_EQ(out.Length(), c.expected.size());
        for (size_t i = c.capacity; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], u'#') << i;
        }
    }
}

TEST(BoundedText, MaxUnitsCutsLongTextsOnly) {
    char16_t buffer[32];
    BoundedWriter out(buffer, 32);
    out.Append(u"abcdef", 3);
    out.Append(u"|");
    out.Append(u"xy", 3);
    out.Append(u"|");
    out.Append(u"a\U0001F600", 2); // the cut would split the pair
    out.Append(u"|");
    out.Append(u"a\U0001F600", 3);
    EXPECT_EQ(std::u16string(buffer), u"abc|xy|a|a\U0001F600");
}

} // namespace
