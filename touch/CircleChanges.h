#pragma once
// Which parts of the touch picture a change of the contact table reaches, so that only those are
// drawn again.

#include <array>
#include <cstdint>
#include <vector>

#include "touch/ContactTable.h"

// A circle's bounding box in client pixels; right and bottom lie outside it.
struct CircleBox {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    bool operator==(const CircleBox&) const = default;
};

struct CircleBoxes {
    std::array<CircleBox, 2 * kContactSlots> boxes{};
    int count = 0;
};

// Contacts on the first row or column, and free slots, are tracked but not drawn.
bool ContactDrawn(const TouchContact& contact);
CircleBox ContactBox(const TouchContact& contact);
bool BoxesMeet(const CircleBox& a, const CircleBox& b);

// The boxes of the circles drawn in one picture and not in the other. Outside them the two
// pictures are the same pixel for pixel: every other circle is drawn in both, in the same order
// and place and colour.
CircleBoxes ChangedCircleBoxes(const ContactTable& before, const ContactTable& after);

// Joins the disjoint rectangles of an area to copy into fewer, larger ones wherever the joined
// rectangle is at most kCopySlackPercent larger than what it covers: one copy call costs more
// than a few pixels, and a moved circle's two boxes come as three or more bands. Every pixel of
// the area stays covered; the few added are copied from a picture that holds them too.
inline constexpr int64_t kCopySlackPercent = 2;
std::vector<CircleBox> JoinCopyRects(const std::vector<CircleBox>& rects);
