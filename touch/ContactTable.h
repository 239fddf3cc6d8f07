#pragma once
// The table of active touch contacts: at most ten, always packed into a prefix of the slots.

#include <array>
#include <cstdint>

struct TouchContact {
    uint32_t colour; // 0x00BBGGRR
    uint32_t id;     // system contact id; kFreeContactId marks a free slot
    int32_t x;       // client pixels
    int32_t y;
};

inline constexpr uint32_t kFreeContactId = 0xFFFFFFFFu;
inline constexpr int kContactSlots = 10;
inline constexpr int32_t ContactRadius = 60;

using ContactTable = std::array<TouchContact, kContactSlots>;

extern const std::array<uint32_t, kContactSlots> ContactPalette;

void ResetContacts(ContactTable& table);
// Slot of the id, taking the first free slot for a new id; -1 when the table is full.
int FindOrAddContact(ContactTable& table, uint32_t id);
void RemoveContact(ContactTable& table, uint32_t id);
bool AnyContactActive(const ContactTable& table);
