#include "host/model/object_registry.h"

#include <stdexcept>
#include <string>

namespace lxhost {

ObjectRegistry::ObjectRegistry(std::uint32_t serialsPerKind)
    : serialsPerKind_(serialsPerKind < kMaxSerials ? serialsPerKind : kMaxSerials) {}

ObjectId ObjectRegistry::Register(Kind kind, std::uint32_t owner, std::uint32_t index) {
    Table& table = tables_[kind];
    if (table.slots.size() < serialsPerKind_) {
        table.slots.push_back({owner, index});
        return MakeId(kind, static_cast<std::uint32_t>(table.slots.size()));
    }
    const std::uint32_t serial = table.firstReleased;
    if (serial == 0) {
        throw std::length_error("the host ran out of object ids: more than " +
                                std::to_string(serialsPerKind_) +
                                " objects of one kind are open at once");
    }
    Slot& slot = table.slots[serial - 1];
    table.firstReleased = slot.index;
    if (table.firstReleased == 0) {
        table.lastReleased = 0;
    }
    slot = {owner, index};
    return MakeId(kind, serial);
}

void ObjectRegistry::Release(ObjectId id) {
    const Kind kind = KindOf(id);
    if (kind == kKindDocument || kind == kKindBook || Find(id) == nullptr) {
        return;
    }
    Table& table = tables_[kind];
    const std::uint32_t serial = SerialOf(id);
    table.slots[serial - 1] = {kReleased, 0};
    if (table.lastReleased != 0) {
        table.slots[table.lastReleased - 1].index = serial;
    } else {
        table.firstReleased = serial;
    }
    table.lastReleased = serial;
}

} // namespace lxhost
