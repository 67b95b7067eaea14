// Property lists and the other host API structures on the client's side: the plain allocator
// they are made with, building and setting property lists, freeing every structure with what it
// owns, and the record into which a notification's argument is split.
#pragma once

#include "support/api_types.h"

#include <cstddef>
#include <cstdint>

// The plain allocator: straight to the process heap, failure reported only as null.
void* RawAlloc(std::size_t size);
void* RawCalloc(std::size_t count, std::size_t size);
void* RawRealloc(void* block, std::size_t size);
void* RawFree(void* block);
// A copy made with RawAlloc; a null s gives a new empty string. Null only when allocation fails.
char* RawStrDup(const char* s);
// RawFree of the string the variable holds, then the variable is set to null.
void StrRelease(char** variable);

// The RawAlloc and RawFree pair in the shape the structure copy routines take.
void* RawAllocBlock(std::uint32_t size);
void RawFreeBlock(void* block);

// The capacity PropValListSet gives the array when it appends to a list of count entries: the
// smallest power of two, at least 8, above the count.
std::uint32_t PropValListCapacity(std::uint32_t count);
// n zeroed entries, or count 0 when the allocation fails.
PropValList PropValListNew(std::uint32_t n);
// Replaces the value of the first entry with that number, or appends a deep copy. A list whose
// growth cannot be allocated is left unchanged.
void PropValListSet(PropValList* list, std::int32_t number, const TypedVal* value);
void PropValListSetString(PropValList* list, std::int32_t number, const char* text);
TypedVal* TypedValCopy(TypedVal* dst, const TypedVal* src);
void TypedValFree(TypedVal* value);
void PropValListFree(PropValList* list);
void TextItemListFree(TextItemList* list);

// The number of fields held in the fixed slots of a FieldRecord.
constexpr int kFieldRecordSlots = 6;
// The further fields' array grows by this many pointers at a time.
constexpr std::uint32_t kFieldRecordGrowth = 16;

struct FieldRecord {
    char* slots[kFieldRecordSlots];
    StringArray more;
};

// Splits s at bytes 0x1E into fields: the first six in the slots, the rest in the list. Null when
// the record itself cannot be allocated.
FieldRecord* FieldRecordParse(const char* s);
// Releases every string and the list's array; the caller then releases the record with RawFree.
void FieldRecordFree(FieldRecord* record);
