#include "touch/ContactTable.h"

const std::array<uint32_t, kContactSlots> ContactPalette = {
    0x000000FF, 0x000080FF, 0x0000FF80, 0x0000FF00, 0x0080FF00,
    0x00FF0000, 0x0000FFFF, 0x00FFFF00, 0x00FF00FF, 0x00FFFFFF,
};

static void FreeSlot(TouchContact& slot) {
    // The colour stays: a contact moving down keeps the colour it was given.
    slot.id = kFreeContactId;
    slot.x = -1;
    slot.y = -1;
}

void ResetContacts(ContactTable& table) {
    for (TouchContact& slot : table) {
        slot.colour = 0;
        FreeSlot(slot);
    }
}

int FindOrAddContact(ContactTable& table, uint32_t id) {
    // The free marker is no contact: matching it would "find" a free slot and draw it.
    if (id == kFreeContactId) {
        return -1;
    }
    for (int i = 0; i < kContactSlots; ++i) {
        if (table[i].id == id) {
            return i;
        }
    }
    for (int i = 0; i < kContactSlots; ++i) {
        if (table[i].id == kFreeContactId) {
            table[i].colour = ContactPalette[i];
            table[i].id = id;
            return i;
        }
    }
    return -1;
}

void RemoveContact(ContactTable& table, uint32_t id) {
    for (TouchContact& slot : table) {
        if (slot.id == id) {
            FreeSlot(slot);
        }
    }
    for (int i = 1; i < kContactSlots; ++i) {
        if (table[i - 1].id == kFreeContactId) {
            table[i - 1] = table[i];
            FreeSlot(table[i]);
        }
    }
}

bool AnyContactActive(const ContactTable& table) {
    for (const TouchContact& slot : table) {
        if (slot.id != kFreeContactId) {
            return true;
        }
    }
    return false;
}
