#include "touch/CircleChanges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Circle {
    int32_t x;
    int32_t y;
    uint32_t colour;
};

ContactTable TableOf(const std::vector<Circle>& circles) {
    ContactTable table;
    ResetContacts(table);
    for (size_t i = 0; i < circles.size(); ++i) {
        table[i] = {circles[i].colour, static_cast<uint32_t>(i + 1), circles[i].x, circles[i].y};
    }
    return table;
}

CircleBox BoxAt(int32_t x, int32_t y) {
    return {x - 60, y - 60, x + 60, y + 60};
}

std::vector<CircleBox> Sorted(const CircleBoxes& found) {
    std::vector<CircleBox> boxes(found.boxes.begin(), found.boxes.begin() + found.count);
    std::sort(boxes.begin(), boxes.end(), [](const CircleBox& a, const CircleBox& b) {
        return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    return boxes;
}

TEST(ChangedCircleBoxes, OnlyTheCirclesThatChangedAreNamed) {
    const uint32_t* p = ContactPalette.data();
    struct Case {
        const char* name;
        std::vector<Circle> before;
        std::vector<Circle> after;
        std::vector<CircleBox> changed; // sorted by left, then top
    };
    const Case cases[] = {
        {"nothing drawn", {}, {}, {}},
        {"unchanged",
         {{100, 100, p[0]}, {300, 100, p[1]}},
         {{100, 100, p[0]}, {300, 100, p[1]}},
         {}},
        {"a first finger", {}, {{200, 150, p[0]}}, {BoxAt(200, 150)}},
        {"the last lift", {{200, 150, p[0]}}, {}, {BoxAt(200, 150)}},
        {"a move of one of two",
         {{100, 100, p[0]}, {300, 100, p[1]}},
         {{100, 100, p[0]}, {303, 98, p[1]}},
         {BoxAt(300, 100), BoxAt(303, 98)}},
        {"a move of the first keeps the later ones",
         {{100, 100, p[0]}, {300, 100, p[1]}, {500, 100, p[2]}},
         {{102, 100, p[0]}, {300, 100, p[1]}, {500, 100, p[2]}},
         {BoxAt(100, 100), BoxAt(102, 100)}},
        {"a lift in the middle shifts the others without changing them",
         {{100, 100, p[0]}, {300, 100, p[1]}, {500, 100, p[2]}},
         {{100, 100, p[0]}, {500, 100, p[2]}},
         {BoxAt(300, 100)}},
        {"a new colour at the same place",
         {{100, 100, p[0]}},
         {{100, 100, p[3]}},
         {BoxAt(100, 100), BoxAt(100, 100)}},
        {"a contact moving onto the first column leaves the picture",
         {{100, 100, p[0]}, {300, 100, p[1]}},
         {{0, 100, p[0]}, {300, 100, p[1]}},
         {BoxAt(100, 100)}},
        {"contacts on the first row or column are not drawn before or after",
         {{0, 100, p[0]}, {300, 0, p[1]}},
         {{0, 140, p[0]}, {310, 0, p[1]}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CircleBox> found =
            Sorted(ChangedCircleBoxes(TableOf(c.before), TableOf(c.after)));
        ASSERT_EQ(found.size(), c.changed.size());
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i], c.changed[i]) << "box " << i;
        }
    }
}

// A model picture: each pixel takes the colour of the last drawn circle whose box holds it.
// Any shape inside the box obeys the same rule, the real circle among them.
std::vector<uint32_t> Render(const ContactTable& table, int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xFF000000u);
    for (const TouchContact& c : table) {
        if (!ContactDrawn(c)) {
            continue;
        }
        const CircleBox b = ContactBox(c);
        for (int y = std::max(b.top, 0); y < std::min(b.bottom, height); ++y) {
            for (int x = std::max(b.left, 0); x < std::min(b.right, width); ++x) {
                pixels[static_cast<size_t>(y) * width + x] = c.colour;
            }
        }
    }
    return pixels;
}

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Every pixel outside the named boxes must be the same in the two pictures.
void ExpectSameOutsideTheNamedBoxes(const ContactTable& before, const ContactTable& after) {
    const CircleBoxes changed = ChangedCircleBoxes(before, after);
    std::vector<uint8_t> named(static_cast<size_t>(kWidth) * kHeight, 0);
    for (int i = 0; i < changed.count; ++i) {
        const CircleBox& box = changed.boxes[i];
        for (int y = std::max(box.top, 0); y < std::min(box.bottom, kHeight); ++y) {
            for (int x = std::max(box.left, 0); x < std::min(box.right, kWidth); ++x) {
                named[static_cast<size_t>(y) * kWidth + x] = 1;
            }
        }
    }
    const std::vector<uint32_t> a = Render(before, kWidth, kHeight);
    const std::vector<uint32_t> b = Render(after, kWidth, kHeight);
    for (size_t at = 0; at < a.size(); ++at) {
        if (!named[at] && a[at] != b[at]) {
            FAIL() << "differs at (" << at % kWidth << ", " << at / kWidth << ")";
        }
    }
}

struct Random {
    uint32_t seed;
    int Next(int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
    }
};

// Tables changed as touch messages change them: moves, downs, lifts, contacts on the edges.
TEST(ChangedCircleBoxes, PicturesAgreeOutsideTheNamedBoxesAfterTouchMessages) {
    Random random{2024};
    ContactTable table;
    ResetContacts(table);
    for (int step = 0; step < 200; ++step) {
        const ContactTable before = table;
        const int inputs = 1 + random.Next(4);
        for (int k = 0; k < inputs; ++k) {
            const uint32_t id = 1 + static_cast<uint32_t>(random.Next(13));
            const int kind = random.Next(10);
            if (kind < 2) {
                RemoveContact(table, id);
                continue;
            }
            const int slot = FindOrAddContact(table, id);
            if (slot == -1) {
                continue;
            }
            // Mostly small moves near the last place, sometimes a jump or the first column.
            TouchContact& c = table[slot];
            if (kind < 8 && c.x > 0) {
                c.x += random.Next(9) - 4;
                c.y += random.Next(9) - 4;
            } else {
                c.x = kind == 9 ? 0 : random.Next(kWidth);
                c.y = random.Next(kHeight);
            }
        }
        SCOPED_TRACE("step " + std::to_string(step));
        ExpectSameOutsideTheNamedBoxes(before, table);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Tables no touch message makes: circles reordered, repeated, recoloured, on a few places only,
// so that equal circles turn up in both pictures in other orders.
TEST(ChangedCircleBoxes, PicturesAgreeOutsideTheNamedBoxesWhateverTheOrder) {
    Random random{77};
    const auto place = [&random] { return 40 + 50 * random.Next(6); };
    for (int step = 0; step < 200; ++step) {
        ContactTable before;
        ResetContacts(before);
        const int count = random.Next(kContactSlots + 1);
        for (int i = 0; i < count; ++i) {
            before[i] = {ContactPalette[random.Next(3)], static_cast<uint32_t>(i + 1), place(),
                         place()};
        }
        ContactTable after = before;
        const int edits = 1 + random.Next(3);
        for (int e = 0; e < edits && count > 0; ++e) {
            TouchContact& c = after[random.Next(count)];
            switch (random.Next(3)) {
            case 0:
                std::swap(c, after[random.Next(count)]);
                break;
            case 1:
                c.colour = ContactPalette[random.Next(3)];
                break;
            default:
                c.x = random.Next(2) ? place() : 0;
                break;
            }
        }
        SCOPED_TRACE("step " + std::to_string(step));
        ExpectSameOutsideTheNamedBoxes(before, after);
        if (HasFatalFailure()) {
            return;
        }
    }
}

} // namespace

namespace {

int64_t AreaOf(const CircleBox& b) {
    return static_cast<int64_t>(b.right - b.left) * (b.bottom - b.top);
}

bool Covers(const std::vector<CircleBox>& boxes, int x, int y) {
    for (const CircleBox& b : boxes) {
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(JoinCopyRects, FewerCopiesThatStillCoverTheAreaAndLittleElse) {
    struct Case {
        const char* name;
        std::vector<CircleBox> area; // disjoint, as a region hands them out
        size_t joined;
    } cases[] = {
        // A circle moved by (3, -2): its two boxes as the region's three bands.
        {"a small move", {{100, 98, 220, 100}, {100, 100, 223, 218}, {103, 218, 223, 220}}, 1},
        {"a move far away", {{100, 100, 220, 220}, {500, 400, 620, 520}}, 2},
        {"two halves of one box", {{0, 0, 50, 120}, {50, 0, 120, 120}}, 1},
        {"an L shape stays two", {{0, 0, 120, 20}, {0, 20, 20, 120}}, 2},
        {"nothing", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CircleBox> joined = JoinCopyRects(c.area);
        EXPECT_EQ(joined.size(), c.joined);
        int64_t area = 0;
        for (const CircleBox& b : c.area) {
            area += AreaOf(b);
            for (int y = b.top; y < b.bottom; ++y) {
                for (int x = b.left; x < b.right; ++x) {
                    ASSERT_TRUE(Covers(joined, x, y)) << x << ", " << y;
                }
            }
        }
        int64_t copied = 0;
        for (const CircleBox& b : joined) {
            copied += AreaOf(b);
        }
        EXPECT_LE(copied * 100, area * (100 + kCopySlackPercent));
    }
}
