// The ids of a session's objects. An id is a kind and a serial; per kind, the registry keeps a
// table from serial to the object's owner (the serial of its document or book, 0 for none) and its
// index in the owner's vector.
//
// A closed document's or book's objects are released: their ids are unknown from then on, as the
// host promises for the ids of a closed document. What the plug-in may still hold after a close is
// such an id (a paragraph it walked, the document a message named), and it must never be taken for
// a live object. So a released serial is given again only once its kind's fresh serials are used
// up, the one released longest ago first: in every session of fewer than 16.7M objects of a kind,
// ids are unique, and a book of many large files, whose walk opens and closes them one by one,
// still never runs out of ids. The serials of documents and books themselves are never given
// again: they are the document argument of every operation on an object, and an old object id
// passed with its own closed document (as the plug-in passes the ids it holds) fails even once its
// serial is another object's. Only an old id passed with no document argument, in a session past
// 16.7M objects of its kind, may name the object that has its serial now.
#pragma once

#include "host/model/vocab.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lxhost {

class ObjectRegistry {
  public:
    struct Slot {
        std::uint32_t owner;
        std::uint32_t index;
    };

    // The serials an id can carry; a registry with fewer runs out of them sooner (for tests).
    static constexpr std::uint32_t kMaxSerials = 0xFFFFFFu;
    explicit ObjectRegistry(std::uint32_t serialsPerKind = kMaxSerials);

    // A new id of the kind for the object at index of owner: a fresh serial, else the serial
    // released longest ago (never for documents and books). Throws std::length_error when the
    // kind has neither.
    ObjectId Register(Kind kind, std::uint32_t owner, std::uint32_t index);
    // The object of the id is gone (its owner closed): the id is unknown from now on and its
    // serial may be given again. Unknown and released ids are passed over.
    void Release(ObjectId id);

    // How many serials of the kind were given so far (released ones too), and how many fresh
    // serials the kind has left.
    std::uint32_t Issued(Kind kind) const {
        return static_cast<std::uint32_t>(tables_[kind].slots.size());
    }
    std::uint32_t FreshLeft(Kind kind) const { return serialsPerKind_ - Issued(kind); }
    // Makes room for more fresh serials of the kind, so that registering them cannot fail. The
    // table grows by half its size at least: a session that adopts document after document (a
    // book read ahead) does not copy its whole table for each.
    void Reserve(Kind kind, std::uint32_t more) {
        std::vector<Slot>& slots = tables_[kind].slots;
        if (slots.capacity() - slots.size() < more) {
            slots.reserve(slots.size() + std::max<std::size_t>(more, slots.size() / 2));
        }
    }

    // The slot of an id, or null when no object of its kind has that serial now.
    const Slot* Find(ObjectId id) const {
        const Kind kind = KindOf(id);
        const std::uint32_t serial = SerialOf(id);
        if (kind >= kKindCount || serial == 0 || serial > tables_[kind].slots.size()) {
            return nullptr;
        }
        const Slot& slot = tables_[kind].slots[serial - 1];
        return slot.owner == kReleased ? nullptr : &slot;
    }

  private:
    // The owner of a released slot; its index is the serial released after it (0: none yet).
    static constexpr std::uint32_t kReleased = 0xFFFFFFFFu;

    struct Table {
        std::vector<Slot> slots; // by serial - 1
        std::uint32_t firstReleased = 0, lastReleased = 0;
    };

    Table tables_[kKindCount];
    std::uint32_t serialsPerKind_;
};

} // namespace lxhost
