// Books: their components in book order.
#include "host/model/model.h"

#include <stdexcept>

namespace lxhost {

Component* Book::FindComponent(ObjectId id) {
    std::uint32_t owner = 0, index = 0;
    if (KindOf(id) != kKindComponent || !session_->Locate(id, &owner, &index) ||
        owner != SerialOf(id_) || index >= components.size()) {
        return nullptr;
    }
    return &components[index];
}

ObjectId Book::AddComponent(ObjectId parent, std::int32_t kind, std::string pathOrName,
                            std::int32_t excluded) {
    Component c;
    c.id = session_->Register(kKindComponent, SerialOf(id_),
                              static_cast<std::uint32_t>(components.size()));
    c.kind = kind;
    c.parent = parent;
    c.excluded = excluded;
    c.path = std::move(pathOrName);
    ObjectId* first = &firstComponent;
    ObjectId* last = &lastComponent;
    if (parent != 0) {
        Component* p = FindComponent(parent);
        if (p == nullptr) {
            throw std::invalid_argument("AddComponent: unknown parent");
        }
        first = &p->firstChild;
        last = &p->lastChild;
    }
    const ObjectId id = c.id;
    const ObjectId prevLast = *last;
    components.push_back(std::move(c));
    // Pointers into components are stale after the push; find the ends again.
    if (parent != 0) {
        Component* p = FindComponent(parent);
        first = &p->firstChild;
        last = &p->lastChild;
    } else {
        first = &firstComponent;
        last = &lastComponent;
    }
    if (prevLast != 0) {
        FindComponent(prevLast)->next = id;
    } else {
        *first = id;
    }
    *last = id;
    return id;
}

} // namespace lxhost
