#include "host/model/object_registry.h"

#include <stdexcept>

namespace lxhost {

ObjectId ObjectRegistry::Register(Kind kind, std::uint32_t owner, std::uint32_t index) {
    auto& table = slots_[kind];
    if (table.size() >= 0xFFFFFFu) {
        throw std::length_error("the host ran out of object ids");
    }
    table.push_back({owner, index});
    return MakeId(kind, static_cast<std::uint32_t>(table.size()));
}

} // namespace lxhost
