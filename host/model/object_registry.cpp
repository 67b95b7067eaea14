#include "host/model/object_registry.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace lxhost {

ObjectRegistry::ObjectRegistry(std::uint32_t serialsPerKind)
    : serialsPerKind_(serialsPerKind < kMaxSerials ? serialsPerKind : kMaxSerials) {}

ObjectRegistry::Slot& ObjectRegistry::SlotFor(Table& table, std::uint32_t serial) {
    const std::size_t p = (serial - 1) / kPageSerials;
    if (p >= table.pages.size()) {
        table.pages.resize(p + 1);
    }
    Page& page = table.pages[p];
    if (!page.slots) {
        auto slots = std::make_unique_for_overwrite<Slot[]>(kPageSerials);
        if (page.live > 0) {
            // The serials given so far follow from the first: they are written out, and the rest
            // of the page is not given yet.
            for (std::uint32_t i = 0; i < page.live; ++i) {
                slots[i] = {page.first.owner, page.first.index + i};
            }
        } else if (std::size_t{p} * kPageSerials < table.issued) {
            // A page made again for a released serial holds others that were given and released:
            // they read as released. A page beyond every serial given so far is left unwritten:
            // Find reads no slot past the last serial given, and each serial's slot is written as
            // it is given. (A session that reads one file ahead of a walk makes a page of each
            // kind it uses, so writing them all cost every file read ahead tens of kilobytes.)
            for (std::uint32_t i = 0; i < kPageSerials; ++i) {
                slots[i] = {kReleased, 0};
            }
        }
        page.slots = std::move(slots);
    }
    return page.slots[(serial - 1) % kPageSerials];
}

bool ObjectRegistry::RegisterInTurn(Table& table, std::uint32_t serial, std::uint32_t owner,
                                    std::uint32_t index) {
    const std::size_t p = (serial - 1) / kPageSerials;
    const std::uint32_t at = (serial - 1) % kPageSerials;
    if (p >= table.pages.size()) {
        table.pages.resize(p + 1); // may throw: nothing changed yet
    }
    Page& page = table.pages[p];
    if (page.slots || page.live != at) {
        return false;
    }
    if (at == 0) {
        page.first = {owner, index};
        return true;
    }
    return owner == page.first.owner && index >= page.first.index && index - page.first.index == at;
}

ObjectId ObjectRegistry::Register(Kind kind, std::uint32_t owner, std::uint32_t index) {
    Table& table = tables_[kind];
    std::uint32_t serial = 0;
    if (table.issued < serialsPerKind_) {
        serial = table.issued + 1;
        if (!HasSlots(kind)) {
            table.issued = serial;
            return MakeId(kind, serial);
        }
        if (!RegisterInTurn(table, serial, owner, index)) {
            SlotFor(table, serial) = {owner, index}; // may throw: nothing changed yet
        }
        table.issued = serial;
    } else if (!HasSlots(kind)) {
        throw std::length_error("the host ran out of document or book ids: more than " +
                                std::to_string(serialsPerKind_) + " were opened");
    } else {
        if (table.releasedFirst == table.released.size()) {
            throw std::length_error("the host ran out of object ids: more than " +
                                    std::to_string(serialsPerKind_) +
                                    " objects of one kind are open at once");
        }
        Run& run = table.released[table.releasedFirst];
        serial = run.first;
        SlotFor(table, serial) = {owner, index};
        if (run.first != run.last) {
            ++run.first;
        } else if (++table.releasedFirst * 2 > table.released.size()) {
            // The runs given are dropped once they are half the list: no run moves more than once
            // on average.
            table.released.erase(table.released.begin(),
                                 table.released.begin() +
                                     static_cast<std::ptrdiff_t>(table.releasedFirst));
            table.releasedFirst = 0;
        }
    }
    ++table.pages[(serial - 1) / kPageSerials].live;
    return MakeId(kind, serial);
}

void ObjectRegistry::Release(ObjectId id) {
    const Kind kind = KindOf(id);
    if (!HasSlots(kind) || !Find(id)) {
        return;
    }
    Table& table = tables_[kind];
    const std::uint32_t serial = SerialOf(id);
    // Writes out the page's slots and grows the list before anything changes: a failing
    // allocation leaves the id registered.
    SlotFor(table, serial);
    if (table.released.size() > table.releasedFirst && table.released.back().last + 1 == serial) {
        table.released.back().last = serial;
    } else {
        table.released.push_back({serial, serial});
    }
    const std::size_t p = (serial - 1) / kPageSerials;
    Page& page = table.pages[p];
    page.slots[(serial - 1) % kPageSerials] = {kReleased, 0};
    // A page some of whose serials are still to be given stays: they are given next.
    const std::size_t pageEnd = std::min<std::size_t>((p + 1) * kPageSerials, serialsPerKind_);
    if (--page.live == 0 && pageEnd <= table.issued) {
        page.slots.reset();
    }
}

void ObjectRegistry::Reserve(Kind kind, std::uint32_t more) {
    Table& table = tables_[kind];
    if (!HasSlots(kind)) {
        return;
    }
    const std::uint32_t last = table.issued + std::min(more, serialsPerKind_ - table.issued);
    for (std::uint32_t serial = table.issued + 1; serial <= last; serial += kPageSerials) {
        SlotFor(table, serial);
    }
    if (last > table.issued) {
        SlotFor(table, last);
    }
}

std::size_t ObjectRegistry::Footprint() const {
    std::size_t bytes = 0;
    for (const Table& table : tables_) {
        bytes += table.pages.capacity() * sizeof(Page) + table.released.capacity() * sizeof(Run);
        for (const Page& page : table.pages) {
            bytes += page.slots ? kPageSerials * sizeof(Slot) : 0;
        }
    }
    return bytes;
}

} // namespace lxhost
