#include "support/str_list.h"

#include "support/mem.h"
#include "support/str.h"

#include <cstdlib>

namespace {

// Frees the items and the array and empties the list; only StrListFree uses it.
void StrListClear(StrList* list) {
    if (!list)
        FatalError();
    for (std::uint32_t i = 0; i < list->count; ++i)
        MemFree(list->items[i]);
    MemFree(list->items);
    list->count = 0;
    list->capacity = 0;
}

} // namespace

StrList* StrListNew(std::uint32_t capacity, std::uint32_t growBy) {
    auto* list = static_cast<StrList*>(MemCalloc(1, sizeof(StrList), 0));
    if (!list)
        return nullptr;
    // The array's failure raises, as for an allocation with kMemRaise, but the record goes back
    // first: nothing catches the raise, and a host that survives it must not lose the record.
    list->items =
        static_cast<char**>(MemCalloc(static_cast<std::size_t>(capacity) + 1, sizeof(char*), 0));
    if (!list->items) {
        MemFree(list);
        RaiseAllocationFailure();
    }
    list->capacity = capacity;
    list->growBy = growBy;
    return list;
}

int StrListReserve(StrList* list, std::uint32_t n) {
    if (!list)
        return -1;
    if (list->capacity >= n)
        return 0;
    // Grown in 64 bits so that capacity + growBy (+ the spare slot) cannot wrap around.
    std::uint64_t wanted = static_cast<std::uint64_t>(list->capacity) + list->growBy;
    if (wanted < n)
        wanted = n;
    if (wanted > UINT32_MAX - 1)
        wanted = UINT32_MAX - 1;
    if (wanted < n)
        return -1;
    std::size_t slots = static_cast<std::size_t>(wanted) + 1;
    if (slots > SIZE_MAX / sizeof(char*))
        return -1;
    auto* items = static_cast<char**>(MemRealloc(list->items, slots * sizeof(char*), 0));
    if (!items)
        return -1;
    for (std::size_t i = list->count; i < slots; ++i)
        items[i] = nullptr;
    list->items = items;
    list->capacity = static_cast<std::uint32_t>(wanted);
    return 0;
}

int StrListAppend(StrList* list, const char* s) {
    if (!list)
        FatalError();
    if (list->count == UINT32_MAX - 1 || StrListReserve(list, list->count + 1) != 0)
        return -1;
    char* copy = StrDup(s);
    if (!copy)
        return -1;
    list->items[list->count] = copy;
    ++list->count;
    return 0;
}

const char* StrListGet(const StrList* list, std::uint32_t index) {
    if (!list || index >= list->count)
        return nullptr;
    return list->items[index];
}

std::int32_t StrListFind(const StrList* list, const char* s) {
    if (!list)
        return -1;
    for (std::uint32_t i = 0; i < list->count; ++i)
        if (StrEqual(list->items[i], s))
            return static_cast<std::int32_t>(i);
    return -1;
}

std::uint32_t StrListCount(const StrList* list) {
    return list ? list->count : 0;
}

void StrListSort(StrList* list, StrListCompare compare) {
    if (!list)
        FatalError();
    if (list->count > 1)
        std::qsort(list->items, list->count, sizeof(char*), compare);
}

void StrListFree(StrList* list) {
    if (!list)
        return;
    StrListClear(list);
    MemFree(list);
}
