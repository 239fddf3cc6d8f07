#include "touch/CircleChanges.h"

#include <algorithm>

namespace {

struct Picture {
    std::array<const TouchContact*, kContactSlots> circles{};
    int count = 0;
};

Picture DrawnCircles(const ContactTable& table) {
    Picture picture;
    for (const TouchContact& contact : table) {
        if (ContactDrawn(contact)) {
            picture.circles[picture.count++] = &contact;
        }
    }
    return picture;
}

bool SameCircle(const TouchContact* a, const TouchContact* b) {
    return a->x == b->x && a->y == b->y && a->colour == b->colour;
}

} // namespace

bool ContactDrawn(const TouchContact& contact) {
    return contact.x > 0 && contact.y > 0;
}

CircleBox ContactBox(const TouchContact& contact) {
    return {contact.x - ContactRadius, contact.y - ContactRadius, contact.x + ContactRadius,
            contact.y + ContactRadius};
}

bool BoxesMeet(const CircleBox& a, const CircleBox& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

CircleBoxes ChangedCircleBoxes(const ContactTable& before, const ContactTable& after) {
    const Picture old = DrawnCircles(before);
    const Picture now = DrawnCircles(after);
    // The longest run of circles common to both pictures in the same order stays; a pixel that
    // only such circles cover looks the same in both. A lift keeps the order of the others, so
    // only the lifted circle changes.
    int common[kContactSlots + 1][kContactSlots + 1] = {};
    for (int i = old.count - 1; i >= 0; --i) {
        for (int j = now.count - 1; j >= 0; --j) {
            common[i][j] =
                SameCircle(old.circles[i], now.circles[j])
                    ? common[i + 1][j + 1] + 1
                    : (common[i + 1][j] > common[i][j + 1] ? common[i + 1][j] : common[i][j + 1]);
        }
    }
    CircleBoxes changed;
    int i = 0;
    int j = 0;
    while (i < old.count || j < now.count) {
        if (i < old.count && j < now.count && SameCircle(old.circles[i], now.circles[j]) &&
            common[i][j] == common[i + 1][j + 1] + 1) {
            ++i;
            ++j;
        } else if (j == now.count || (i < old.count && common[i + 1][j] >= common[i][j + 1])) {
            changed.boxes[changed.count++] = ContactBox(*old.circles[i++]);
        } else {
            changed.boxes[changed.count++] = ContactBox(*now.circles[j++]);
        }
    }
    return changed;
}

namespace {

int64_t Area(const CircleBox& b) {
    return static_cast<int64_t>(b.right - b.left) * (b.bottom - b.top);
}

CircleBox Bound(const CircleBox& a, const CircleBox& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace

std::vector<CircleBox> JoinCopyRects(const std::vector<CircleBox>& rects) {
    struct Joined {
        CircleBox box;
        int64_t covered; // pixels of the area inside it: its parts are disjoint
    };
    std::vector<Joined> joined;
    for (const CircleBox& rect : rects) {
        Joined next{rect, Area(rect)};
        // A join can make another join possible: keep joining until none fits.
        for (bool grew = true; grew;) {
            grew = false;
            for (size_t i = 0; i < joined.size(); ++i) {
                const CircleBox bound = Bound(joined[i].box, next.box);
                const int64_t covered = joined[i].covered + next.covered;
                if (Area(bound) * 100 <= covered * (100 + kCopySlackPercent)) {
                    next = {bound, covered};
                    joined.erase(joined.begin() + static_cast<std::ptrdiff_t>(i));
                    grew = true;
                    break;
                }
            }
        }
        joined.push_back(next);
    }
    std::vector<CircleBox> out;
    out.reserve(joined.size());
    for (const Joined& j : joined) {
        out.push_back(j.box);
    }
    return out;
}
