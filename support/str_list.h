// StrList: a growable array of owned 8-bit strings. The item array always has one slot more than
// the capacity, and every slot from count on is null, so it also reads as a null-terminated
// vector of strings.
#pragma once

#include <cstddef>
#include <cstdint>

struct StrList {
    std::uint32_t capacity;
    std::uint32_t count;
    // Slots added beyond the current capacity when the list must grow (0: only what is needed).
    std::uint32_t growBy;
    char** items;
};

// Receives two pointers to item slots (pointers to string pointers).
using StrListCompare = int (*)(const void* a, const void* b);

// Null when the record cannot be allocated; a failed item array raises the failure exception.
StrList* StrListNew(std::uint32_t capacity, std::uint32_t growBy);
// 0, or -1 for a null list or a failed reallocation (the list then unchanged).
int StrListReserve(StrList* list, std::uint32_t n);
// Appends a copy of s; -1 when the list cannot grow or s cannot be copied (also for a null s).
int StrListAppend(StrList* list, const char* s);
// The item itself, still owned by the list; null for a null list or an index out of range.
const char* StrListGet(const StrList* list, std::uint32_t index);
// Index of the first item equal to s (null reads as ""), or -1.
std::int32_t StrListFind(const StrList* list, const char* s);
std::uint32_t StrListCount(const StrList* list);
// Sorts the items in place with qsort (not stable).
void StrListSort(StrList* list, StrListCompare compare);
// Frees every item, the array and the record; a null list is ignored.
void StrListFree(StrList* list);
