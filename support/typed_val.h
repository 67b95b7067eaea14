// Deep copy and free of the host API structures, with the memory functions passed in, so that
// one set of routines serves the client's heap and the host's task memory alike.
//
// A copy writes into a destination the caller provides and never frees what it held. When an
// allocation fails, or a count is too large to allocate, the copy leaves that part empty
// (count 0, pointer null) and goes on; nothing is read or written past what was allocated.
// A free leaves the structure in place, empty: owned pointers null, counts 0.
#pragma once

#include "support/api_types.h"

#include <cstdint>

using AllocateFn = void* (*)(std::uint32_t size);
using ReleaseFn = void (*)(void* block);

void StringCopyWith(char** dst, char* const* src, AllocateFn allocate);
void StringFreeWith(char** word, ReleaseFn release);

void TypedValCopyWith(TypedVal* dst, const TypedVal* src, AllocateFn allocate);
void TypedValFreeWith(TypedVal* value, ReleaseFn release);

void TypedValListCopyWith(TypedValList* dst, const TypedValList* src, AllocateFn allocate);
void TypedValListFreeWith(TypedValList* list, ReleaseFn release);

void PropValListCopyWith(PropValList* dst, const PropValList* src, AllocateFn allocate);
void PropValListFreeWith(PropValList* list, ReleaseFn release);

void TextItemListCopyWith(TextItemList* dst, const TextItemList* src, AllocateFn allocate);
void TextItemListFreeWith(TextItemList* list, ReleaseFn release);
