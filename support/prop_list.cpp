#include "support/prop_list.h"

#include "support/mem.h"
#include "support/str.h"
#include "support/typed_val.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kPropValListFirstCapacity = 8;
constexpr char kFieldSeparator = 0x1E;

// Copies for the client's own lists are zeroed, so that a partly failed copy holds no garbage.
void* RawZeroedBlock(std::uint32_t size) {
    return RawCalloc(size == 0 ? 1 : size, 1);
}

} // namespace

void* RawAlloc(std::size_t size) {
    return AllocFailsNow() ? nullptr : std::malloc(size);
}
void* RawCalloc(std::size_t count, std::size_t size) {
    return AllocFailsNow() ? nullptr : std::calloc(count, size);
}
void* RawRealloc(void* block, std::size_t size) {
    return AllocFailsNow() ? nullptr : std::realloc(block, size);
}

void* RawFree(void* block) {
    if (block)
        std::free(block);
    return nullptr;
}

char* RawStrDup(const char* s) {
    std::size_t length = StrLen(s);
    char* copy = static_cast<char*>(RawAlloc(length + 1));
    if (!copy)
        return nullptr;
    if (length)
        std::memcpy(copy, s, length);
    copy[length] = '\0';
    return copy;
}

void StrRelease(char** variable) {
    if (!variable)
        return;
    RawFree(*variable);
    *variable = nullptr;
}

void* RawAllocBlock(std::uint32_t size) {
    return RawAlloc(size);
}
void RawFreeBlock(void* block) {
    RawFree(block);
}

PropValList PropValListNew(std::uint32_t n) {
    PropValList list{0, nullptr};
    list.items = static_cast<PropVal*>(RawCalloc(n == 0 ? 1 : n, sizeof(PropVal)));
    if (list.items)
        list.count = n;
    return list;
}

std::uint32_t PropValListCapacity(std::uint32_t count) {
    std::uint64_t capacity = kPropValListFirstCapacity;
    while (capacity <= count)
        capacity *= 2;
    return capacity > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(capacity);
}

TypedVal* TypedValCopy(TypedVal* dst, const TypedVal* src) {
    TypedValCopyWith(dst, src, RawZeroedBlock);
    return dst;
}

void TypedValFree(TypedVal* value) {
    TypedValFreeWith(value, RawFreeBlock);
}

void PropValListSet(PropValList* list, std::int32_t number, const TypedVal* value) {
    if (!list || !value)
        return;
    for (std::uint32_t i = 0; i < list->count && list->items; ++i) {
        PropVal& entry = list->items[i];
        if (entry.prop.num != number)
            continue;
        if (entry.prop.num == 0)
            StrRelease(&entry.prop.name);
        entry.prop.name = nullptr;
        TypedValFree(&entry.value);
        TypedValCopy(&entry.value, value);
        return;
    }
    std::uint64_t capacity = PropValListCapacity(list->count);
    if (capacity <= list->count)
        return; // the count is at its limit: nothing more can be added
    auto* grown = static_cast<PropVal*>(RawRealloc(list->items, capacity * sizeof(PropVal)));
    if (!grown)
        return;
    list->items = grown;
    PropVal& entry = list->items[list->count];
    entry.prop.num = number;
    entry.prop.name = nullptr;
    TypedValCopy(&entry.value, value);
    ++list->count;
}

void PropValListSetString(PropValList* list, std::int32_t number, const char* text) {
    TypedVal value{};
    value.tag = kTagString;
    value.u.sval = const_cast<char*>(text); // only read: the list stores its own copy
    PropValListSet(list, number, &value);
}

void PropValListFree(PropValList* list) {
    if (!list)
        return;
    if (list->items)
        for (std::uint32_t i = 0; i < list->count; ++i) {
            PropVal& entry = list->items[i];
            if (entry.prop.num == 0)
                StrRelease(&entry.prop.name);
            entry.prop.name = nullptr;
            TypedValFree(&entry.value);
        }
    RawFree(list->items);
    list->items = nullptr;
    list->count = 0;
}

void TextItemListFree(TextItemList* list) {
    if (list)
        TextItemListFreeWith(list, RawFreeBlock);
}

namespace {

// Stores one field: into the first empty slot, else at the end of the growable list.
void FieldRecordStore(FieldRecord* record, char* field) {
    for (char*& slot : record->slots)
        if (!slot) {
            slot = field;
            return;
        }
    StringArray& more = record->more;
    if (more.count % kFieldRecordGrowth == 0) {
        auto* grown =
            static_cast<char**>(RawCalloc(more.count + kFieldRecordGrowth, sizeof(char*)));
        if (!grown) {
            RawFree(field); // nowhere to keep it: the field is dropped, nothing leaks
            return;
        }
        if (more.count)
            std::memcpy(grown, more.items, more.count * sizeof(char*));
        RawFree(more.items);
        more.items = grown;
    }
    more.items[more.count++] = field;
}

} // namespace

FieldRecord* FieldRecordParse(const char* s) {
    auto* record = static_cast<FieldRecord*>(RawCalloc(1, sizeof(FieldRecord)));
    if (!record)
        return nullptr;
    const char* text = s ? s : "";
    const char* start = text;
    for (const char* p = text;; ++p) {
        if (*p != kFieldSeparator && *p != '\0')
            continue;
        std::size_t length = static_cast<std::size_t>(p - start);
        auto* field = static_cast<char*>(RawAlloc(length + 1));
        if (field) {
            std::memcpy(field, start, length);
            field[length] = '\0';
            FieldRecordStore(record, field);
        }
        if (*p == '\0')
            return record;
        start = p + 1;
    }
}

void FieldRecordFree(FieldRecord* record) {
    if (!record)
        return;
    for (char*& slot : record->slots)
        StrRelease(&slot);
    for (std::uint32_t i = 0; i < record->more.count; ++i)
        StrRelease(&record->more.items[i]);
    RawFree(record->more.items);
    record->more.items = nullptr;
    record->more.count = 0;
}
