#include "touch/ContactTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One input as the touch handler applies it to the table: up removes, anything else finds or
// adds and moves.
struct Input {
    uint32_t id;
    bool up;
    int32_t x;
    int32_t y;
};

struct Slot {
    uint32_t id;
    uint32_t colour;
    int32_t x;
    int32_t y;
    bool operator==(const Slot&) const = default;
};

void Apply(ContactTable& table, const Input& input) {
    if (input.up) {
        RemoveContact(table, input.id);
        return;
    }
    const int slot = FindOrAddContact(table, input.id);
    if (slot != -1) {
        table[slot].x = input.x;
        table[slot].y = input.y;
    }
}

std::vector<Slot> Occupied(const ContactTable& table) {
    std::vector<Slot> slots;
    for (const TouchContact& c : table) {
        if (c.id != kFreeContactId) {
            slots.push_back({c.id, c.colour, c.x, c.y});
        }
    }
    return slots;
}

void ExpectPrefixInvariant(const ContactTable& table) {
    bool seenFree = false;
    for (int i = 0; i < kContactSlots; ++i) {
        if (table[i].id == kFreeContactId) {
            seenFree = true;
            EXPECT_EQ(table[i].x, -1) << "slot " << i;
            EXPECT_EQ(table[i].y, -1) << "slot " << i;
        } else {
            EXPECT_FALSE(seenFree) << "occupied slot " << i << " after a free one";
            for (int j = 0; j < i; ++j) {
                EXPECT_NE(table[j].id, table[i].id) << "duplicate id in slots " << j << ", " << i;
            }
        }
    }
}

std::vector<Input> TenFingers() {
    std::vector<Input> inputs;
    for (uint32_t id = 1; id <= 10; ++id) {
        inputs.push_back(
            {100 + id, false, static_cast<int32_t>(id * 10), static_cast<int32_t>(id * 20)});
    }
    return inputs;
}

TEST(ContactTable, ResetFreesEverySlot) {
    ContactTable table;
    for (TouchContact& c : table) {
        c = {7, 8, 9, 10};
    }
    ResetContacts(table);
    for (const TouchContact& c : table) {
        EXPECT_EQ(c.colour, 0u);
        EXPECT_EQ(c.id, kFreeContactId);
        EXPECT_EQ(c.x, -1);
        EXPECT_EQ(c.y, -1);
    }
    EXPECT_FALSE(AnyContactActive(table));
}

TEST(ContactTable, InputSequencesGiveTheseSlots) {
    const uint32_t* p = ContactPalette.data();
    struct Case {
        const char* name;
        std::vector<Input> inputs;
        std::vector<Slot> expected;
    };
    std::vector<Input> eleven = TenFingers();
    eleven.push_back({999, false, 5, 5});
    std::vector<Input> elevenAfterLift = eleven;
    elevenAfterLift.push_back({103, true, 0, 0});  // slot 2 lifts
    elevenAfterLift.push_back({999, false, 6, 7}); // the eleventh finger's next move
    std::vector<Slot> tenSlots;
    for (uint32_t id = 1; id <= 10; ++id) {
        tenSlots.push_back(
            {100 + id, p[id - 1], static_cast<int32_t>(id * 10), static_cast<int32_t>(id * 20)});
    }
    std::vector<Slot> afterLift = tenSlots;
    afterLift.erase(afterLift.begin() + 2);
    afterLift.push_back({999, p[9], 6, 7});

    const Case cases[] = {
        {"one finger", {{5, false, 30, 40}}, {{5, p[0], 30, 40}}},
        {"ten fingers take the ten palette colours", TenFingers(), tenSlots},
        {"an eleventh finger is not tracked", eleven, tenSlots},
        {"the eleventh shows up once a slot frees", elevenAfterLift, afterLift},
        {"lifting slot 0 shifts the others down with their colours",
         {{1, false, 10, 10}, {2, false, 20, 20}, {3, false, 30, 30}, {1, true, 0, 0}},
         {{2, p[1], 20, 20}, {3, p[2], 30, 30}}},
        {"a new finger after a shift takes its slot's colour",
         {{1, false, 10, 10},
          {2, false, 20, 20},
          {3, false, 30, 30},
          {1, true, 0, 0},
          {4, false, 40, 40}},
         {{2, p[1], 20, 20}, {3, p[2], 30, 30}, {4, p[2], 40, 40}}},
        // The touch handler drops id 0 before the table (its own test covers that); the table
        // itself holds it like any other id.
        {"id 0 is an ordinary id to the table", {{0, false, 10, 10}}, {{0, p[0], 10, 10}}},
        {"the free marker is no contact", {{kFreeContactId, false, 10, 10}}, {}},
        {"up for an unknown id changes nothing",
         {{1, false, 10, 10}, {77, true, 0, 0}},
         {{1, p[0], 10, 10}}},
        {"a move updates only the position",
         {{1, false, 10, 10}, {2, false, 20, 20}, {1, false, 15, 16}},
         {{1, p[0], 15, 16}, {2, p[1], 20, 20}}},
        {"lifting the last finger empties the table", {{1, false, 10, 10}, {1, true, 10, 10}}, {}},
        {"lifting a middle finger",
         {{1, false, 1, 1}, {2, false, 2, 2}, {3, false, 3, 3}, {2, true, 0, 0}},
         {{1, p[0], 1, 1}, {3, p[2], 3, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContactTable table;
        ResetContacts(table);
        for (const Input& input : c.inputs) {
            Apply(table, input);
            ExpectPrefixInvariant(table);
        }
        EXPECT_EQ(Occupied(table), c.expected);
        EXPECT_EQ(AnyContactActive(table), !c.expected.empty());
    }
}

TEST(ContactTable, FindOrAddReportsSlotsAndFullTable) {
    ContactTable table;
    ResetContacts(table);
    for (uint32_t id = 1; id <= 10; ++id) {
        EXPECT_EQ(FindOrAddContact(table, id), static_cast<int>(id - 1));
        // A new slot's position stays free until the caller stores one.
        EXPECT_EQ(table[id - 1].x, -1);
    }
    EXPECT_EQ(FindOrAddContact(table, 11), -1);
    EXPECT_EQ(FindOrAddContact(table, 4), 3);
}

TEST(ContactTable, PaletteIsRedFirstWhiteLast) {
    EXPECT_EQ(ContactPalette[0], 0x000000FFu);
    EXPECT_EQ(ContactPalette[1], 0x000080FFu);
    EXPECT_EQ(ContactPalette[4], 0x0080FF00u);
    EXPECT_EQ(ContactPalette[5], 0x00FF0000u);
    EXPECT_EQ(ContactPalette[9], 0x00FFFFFFu);
}

} // namespace
