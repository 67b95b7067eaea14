// The ids of a session's objects. An id is a kind and a serial; per kind, the registry keeps a
// table from serial to the object's owner (the serial of its document or book, 0 for none) and its
// index in the owner's vector. Ids are never reused: a closed owner's objects keep their slots.
#pragma once

#include "host/model/vocab.h"

#include <cstdint>
#include <vector>

namespace lxhost {

class ObjectRegistry {
  public:
    struct Slot {
        std::uint32_t owner;
        std::uint32_t index;
    };

    // A new id of the kind for the object at index of owner. Throws std::length_error when the
    // kind's serials are used up.
    ObjectId Register(Kind kind, std::uint32_t owner, std::uint32_t index);

    // The slot of an id, or null when no object of its kind has that serial.
    const Slot* Find(ObjectId id) const {
        const Kind kind = KindOf(id);
        const std::uint32_t serial = SerialOf(id);
        if (kind >= kKindCount || serial == 0 || serial > slots_[kind].size()) {
            return nullptr;
        }
        return &slots_[kind][serial - 1];
    }

  private:
    std::vector<Slot> slots_[kKindCount];
};

} // namespace lxhost
