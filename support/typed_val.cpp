#include "support/typed_val.h"

#include <cstring>
#include <limits>
#include <type_traits>

namespace {

// The size of count items, or 0 with ok = false when it does not fit the allocator's argument:
// counts come from the other side of the boundary and are not trusted.
std::uint32_t ArrayBytes(std::uint32_t count, std::size_t itemSize, bool& ok) {
    std::uint64_t bytes = static_cast<std::uint64_t>(count) * itemSize;
    ok = bytes <= std::numeric_limits<std::uint32_t>::max();
    return ok ? static_cast<std::uint32_t>(bytes) : 0;
}

// Copies a counted array of plain items: a new zeroed array of the source's count, filled when
// the source has items. The request is made even for count 0, so that every copy owns one array.
template <typename List> void CopyArray(List& dst, const List& src, AllocateFn allocate) {
    using Item = std::remove_pointer_t<decltype(src.items)>;
    bool ok = false;
    std::uint32_t bytes = ArrayBytes(src.count, sizeof(Item), ok);
    void* block = ok ? allocate(bytes) : nullptr;
    if (!block) {
        dst.count = 0;
        dst.items = nullptr;
        return;
    }
    if (src.items && bytes)
        std::memcpy(block, src.items, bytes);
    else if (bytes)
        std::memset(block, 0, bytes);
    dst.count = src.count;
    dst.items = static_cast<Item*>(block);
}

// Releases a counted array after its items' owned parts, last item first.
template <typename List, typename FreeItem>
void FreeArray(List& list, ReleaseFn release, FreeItem freeItem) {
    if (list.items)
        for (std::uint32_t i = list.count; i-- > 0;)
            freeItem(list.items[i]);
    release(list.items);
    list.items = nullptr;
    list.count = 0;
}

void CopyStringArray(StringArray& dst, const StringArray& src, AllocateFn allocate) {
    CopyArray(dst, src, allocate);
    for (std::uint32_t i = 0; i < dst.count; ++i)
        StringCopyWith(&dst.items[i], &dst.items[i], allocate);
}

void FreeStringArray(StringArray& list, ReleaseFn release) {
    FreeArray(list, release, [release](char*& s) { StringFreeWith(&s, release); });
}

} // namespace

void StringCopyWith(char** dst, char* const* src, AllocateFn allocate) {
    const char* s = *src;
    if (!s) {
        *dst = nullptr;
        return;
    }
    std::size_t length = std::strlen(s);
    char* copy = length < std::numeric_limits<std::uint32_t>::max()
                     ? static_cast<char*>(allocate(static_cast<std::uint32_t>(length + 1)))
                     : nullptr;
    if (copy)
        std::memcpy(copy, s, length + 1);
    *dst = copy;
}

void StringFreeWith(char** word, ReleaseFn release) {
    if (*word)
        release(*word);
    *word = nullptr;
}

void TypedValCopyWith(TypedVal* dst, const TypedVal* src, AllocateFn allocate) {
    *dst = *src;
    auto& d = dst->u;
    const auto& s = src->u;
    switch (src->tag) {
    case kTagString:
        StringCopyWith(&d.sval, &s.sval, allocate);
        break;
    case kTagInts:
    case kTagInts13:
    case kTagInts15:
        CopyArray(d.ints, s.ints, allocate);
        break;
    case kTagPairs:
    case kTagPairs12:
        CopyArray(d.pairs, s.pairs, allocate);
        break;
    case kTagBytes:
        CopyArray(d.bytes, s.bytes, allocate);
        break;
    case kTagStrings:
        CopyStringArray(d.strings, s.strings, allocate);
        break;
    case kTagRecords8:
        CopyArray(d.records8, s.records8, allocate);
        for (std::uint32_t i = 0; i < d.records8.count; ++i)
            StringCopyWith(&d.records8.items[i].text, &d.records8.items[i].text, allocate);
        break;
    case kTagRecords17:
        CopyArray(d.records17, s.records17, allocate);
        for (std::uint32_t i = 0; i < d.records17.count; ++i) {
            TypedValRecord17& r = d.records17.items[i];
            StringCopyWith(&r.text0, &r.text0, allocate);
            CopyStringArray(r.strings4, r.strings4, allocate);
            CopyStringArray(r.strings6, r.strings6, allocate);
            StringCopyWith(&r.text8, &r.text8, allocate);
            StringCopyWith(&r.text9, &r.text9, allocate);
        }
        break;
    case kTagRecords18:
        CopyArray(d.records18, s.records18, allocate);
        for (std::uint32_t i = 0; i < d.records18.count; ++i) {
            TypedValRecord18& r = d.records18.items[i];
            StringCopyWith(&r.text0, &r.text0, allocate);
            CopyStringArray(r.strings1, r.strings1, allocate);
        }
        break;
    case kTagRecord19:
        if (s.record19) {
            auto* record = static_cast<TypedValRecord19*>(allocate(sizeof(TypedValRecord19)));
            if (record)
                *record = *s.record19;
            d.record19 = record;
        }
        break;
    case kTagNestedList:
        if (s.list20) {
            auto* list = static_cast<TypedValList*>(allocate(sizeof(TypedValList)));
            if (list)
                TypedValListCopyWith(list, s.list20, allocate);
            d.list20 = list;
        }
        break;
    case kTagRecords21:
        CopyArray(d.records21, s.records21, allocate);
        for (std::uint32_t i = 0; i < d.records21.count; ++i) {
            TypedValRecord21& r = d.records21.items[i];
            StringCopyWith(&r.text0, &r.text0, allocate);
            CopyStringArray(r.strings1, r.strings1, allocate);
            CopyStringArray(r.strings3, r.strings3, allocate);
        }
        break;
    case kTagRecords22:
        CopyArray(d.records22, s.records22, allocate);
        for (std::uint32_t i = 0; i < d.records22.count; ++i)
            CopyStringArray(d.records22.items[i].strings1, d.records22.items[i].strings1, allocate);
        break;
    default:
        break; // a plain value, held in the payload itself
    }
}

void TypedValFreeWith(TypedVal* value, ReleaseFn release) {
    if (!value)
        return;
    auto& u = value->u;
    switch (value->tag) {
    case kTagString:
        StringFreeWith(&u.sval, release);
        break;
    case kTagInts:
    case kTagInts13:
    case kTagInts15:
        FreeArray(u.ints, release, [](std::int32_t&) {});
        break;
    case kTagPairs:
    case kTagPairs12:
        FreeArray(u.pairs, release, [](WordPair&) {});
        break;
    case kTagBytes:
        FreeArray(u.bytes, release, [](std::uint8_t&) {});
        break;
    case kTagStrings:
        FreeStringArray(u.strings, release);
        break;
    case kTagRecords8:
        FreeArray(u.records8, release,
                  [release](TypedValRecord8& r) { StringFreeWith(&r.text, release); });
        break;
    case kTagRecords17:
        FreeArray(u.records17, release, [release](TypedValRecord17& r) {
            StringFreeWith(&r.text0, release);
            FreeStringArray(r.strings4, release);
            FreeStringArray(r.strings6, release);
            StringFreeWith(&r.text8, release);
            StringFreeWith(&r.text9, release);
        });
        break;
    case kTagRecords18:
        FreeArray(u.records18, release, [release](TypedValRecord18& r) {
            StringFreeWith(&r.text0, release);
            FreeStringArray(r.strings1, release);
        });
        break;
    case kTagRecord19:
        if (u.record19)
            release(u.record19);
        u.record19 = nullptr;
        break;
    case kTagNestedList:
        if (u.list20) {
            TypedValListFreeWith(u.list20, release);
            release(u.list20);
        }
        u.list20 = nullptr;
        break;
    case kTagRecords21:
        FreeArray(u.records21, release, [release](TypedValRecord21& r) {
            StringFreeWith(&r.text0, release);
            FreeStringArray(r.strings1, release);
            FreeStringArray(r.strings3, release);
        });
        break;
    case kTagRecords22:
        FreeArray(u.records22, release,
                  [release](TypedValRecord22& r) { FreeStringArray(r.strings1, release); });
        break;
    default:
        break;
    }
}

void TypedValListCopyWith(TypedValList* dst, const TypedValList* src, AllocateFn allocate) {
    CopyArray(*dst, *src, allocate);
    if (!src->items)
        return;
    for (std::uint32_t i = 0; i < dst->count; ++i)
        TypedValCopyWith(&dst->items[i], &src->items[i], allocate);
}

void TypedValListFreeWith(TypedValList* list, ReleaseFn release) {
    FreeArray(*list, release, [release](TypedVal& v) { TypedValFreeWith(&v, release); });
}

void PropValListCopyWith(PropValList* dst, const PropValList* src, AllocateFn allocate) {
    CopyArray(*dst, *src, allocate);
    if (!src->items)
        return;
    for (std::uint32_t i = 0; i < dst->count; ++i) {
        PropVal& entry = dst->items[i];
        // The name belongs to the list only for property number 0; otherwise it is shared.
        if (entry.prop.num == 0)
            StringCopyWith(&entry.prop.name, &src->items[i].prop.name, allocate);
        TypedValCopyWith(&entry.value, &src->items[i].value, allocate);
    }
}

void PropValListFreeWith(PropValList* list, ReleaseFn release) {
    FreeArray(*list, release, [release](PropVal& entry) {
        if (entry.prop.num == 0)
            StringFreeWith(&entry.prop.name, release);
        TypedValFreeWith(&entry.value, release);
    });
}

void TextItemListCopyWith(TextItemList* dst, const TextItemList* src, AllocateFn allocate) {
    CopyArray(*dst, *src, allocate);
    if (!src->items)
        return;
    for (std::uint32_t i = 0; i < dst->count; ++i)
        if (dst->items[i].dataType == kTextItemString)
            StringCopyWith(&dst->items[i].u.sdata, &src->items[i].u.sdata, allocate);
}

void TextItemListFreeWith(TextItemList* list, ReleaseFn release) {
    FreeArray(*list, release, [release](TextItem& item) {
        if (item.dataType == kTextItemString)
            StringFreeWith(&item.u.sdata, release);
    });
}
