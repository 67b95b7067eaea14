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
//
// The table is kept in pages of kPageSerials serials. A document's objects of a kind are mostly
// registered one after another at the next index of its vector (a reader appends paragraph after
// paragraph): a page whose slots all follow that pattern keeps only its first slot, and every
// other follows from it. The page gets its slots written out when one breaks the pattern (another
// owner, an index out of turn, a release). A page whose serials were all given and
// are all released again is freed: a lookup of one of them finds no page and fails, as a lookup
// of a released slot does. The released serials wait for reuse as runs of consecutive serials,
// oldest first; a document's objects of a kind get consecutive serials, and a walk that closes
// its files in the order it opened them releases one long run. So a book's walk keeps, per
// file, nothing but its share of a page's pointer (a few bytes per thousand objects).
#pragma once

#include "host/model/vocab.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
    // Serials per page of the table.
    static constexpr std::uint32_t kPageSerials = 1024;
    explicit ObjectRegistry(std::uint32_t serialsPerKind = kMaxSerials);

    // A new id of the kind for the object at index of owner: a fresh serial, else the serial
    // released longest ago (never for documents and books, which have neither owner nor index).
    // Throws std::length_error when the kind has neither.
    ObjectId Register(Kind kind, std::uint32_t owner, std::uint32_t index);
    // The object of the id is gone (its owner closed): the id is unknown from now on and its
    // serial may be given again. Unknown and released ids are passed over.
    void Release(ObjectId id);

    // How many serials of the kind were given so far (released ones too), and how many fresh
    // serials the kind has left.
    std::uint32_t Issued(Kind kind) const { return tables_[kind].issued; }
    std::uint32_t FreshLeft(Kind kind) const { return serialsPerKind_ - Issued(kind); }
    // Makes room for more fresh serials of the kind, so that registering them cannot fail.
    void Reserve(Kind kind, std::uint32_t more);

    // The bytes the table holds now: its pages, the list of pages and the released runs. It
    // grows with the objects open, not with the objects ever given an id.
    std::size_t Footprint() const;

    // The slot of an id, or none when no object of its kind has that serial now.
    std::optional<Slot> Find(ObjectId id) const {
        const Kind kind = KindOf(id);
        const std::uint32_t serial = SerialOf(id);
        if (kind >= kKindCount || serial == 0 || serial > tables_[kind].issued) {
            return std::nullopt;
        }
        if (!HasSlots(kind)) {
            return kOwnerless;
        }
        const Page& page = tables_[kind].pages[(serial - 1) / kPageSerials];
        const std::uint32_t at = (serial - 1) % kPageSerials;
        if (!page.slots) {
            // Serials up to the last given are live here (a release writes the slots out).
            if (page.live == 0) {
                return std::nullopt;
            }
            return Slot{page.first.owner, page.first.index + at};
        }
        const Slot& slot = page.slots[at];
        if (slot.owner == kReleased) {
            return std::nullopt;
        }
        return slot;
    }

  private:
    // The owner of a released slot (and of a slot not given yet).
    static constexpr std::uint32_t kReleased = 0xFFFFFFFFu;
    // Documents and books have no owner and their ids are never released: their table is a count
    // of the serials given, the slot of each of them this one.
    static constexpr Slot kOwnerless{0, 0};
    static constexpr bool HasSlots(Kind kind) { return kind != kKindDocument && kind != kKindBook; }

    // A page without slots holds its serials in order from its first: serial i of the page
    // names index first.index + i of first.owner, for each of the `live` serials given (none
    // given, or none left after every one was released: all unknown).
    struct Page {
        std::unique_ptr<Slot[]> slots; // null: the serials follow from `first`
        std::uint32_t live = 0;        // slots that name an object
        Slot first{kReleased, 0};
    };
    // Released serials first to last, waiting to be given again.
    struct Run {
        std::uint32_t first, last;
    };
    struct Table {
        std::uint32_t issued = 0;
        std::vector<Page> pages;   // page p holds serials p * kPageSerials + 1 onwards
        std::vector<Run> released; // oldest first from releasedFirst; those before it are given
        std::size_t releasedFirst = 0;
    };

    // The slot of a serial, its page's slots written out when they follow from its first, made
    // when the page was freed or never made.
    Slot& SlotFor(Table& table, std::uint32_t serial);
    // Gives a fresh serial to owner and index when its page keeps no slots and the serial follows
    // from the page's first (or is the first): true when it did.
    bool RegisterInTurn(Table& table, std::uint32_t serial, std::uint32_t owner,
                        std::uint32_t index);

    Table tables_[kKindCount];
    std::uint32_t serialsPerKind_;
};

} // namespace lxhost
