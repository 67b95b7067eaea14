// Counting the text of one paragraph or text line: fetch it from the host, join its string
// items, and count the joined text with the tokenizer.
#include "analysis/tokenizer.h"

#include "runtime/api.h"
#include "support/mem.h"
#include "support/prop_list.h"

#include <cstring>
#include <limits>

char* JoinTextItems(const TextItemList* list) {
    if (!list || !list->items)
        return nullptr;
    // Two passes: the total length first, so the text is copied once into one allocation.
    bool anyString = false;
    std::size_t total = 0;
    for (std::uint32_t i = 0; i < list->count; ++i) {
        const TextItem& item = list->items[i];
        if (item.dataType != kTextItemString)
            continue;
        anyString = true;
        const std::size_t length = item.u.sdata ? std::strlen(item.u.sdata) : 0;
        if (length > std::numeric_limits<std::size_t>::max() - 1 - total)
            return nullptr; // the joined text could not be addressed
        total += length;
    }
    if (!anyString)
        return nullptr;
    char* text = static_cast<char*>(MemAlloc(total + 1, 0));
    if (!text)
        return nullptr;
    char* end = text;
    for (std::uint32_t i = 0; i < list->count; ++i) {
        const TextItem& item = list->items[i];
        if (item.dataType != kTextItemString || !item.u.sdata)
            continue;
        const std::size_t length = std::strlen(item.u.sdata);
        std::memcpy(end, item.u.sdata, length);
        end += length;
    }
    *end = '\0';
    return text;
}

void CountParagraphText(ObjectId docId, ObjectId object, ReadabilityCounts* counts) {
    if (!counts)
        return;
    const TextRange range = {{object, 0}, {object, kTextOffsetEnd}};
    TextItemList items = ApiGetText(docId, &range, kGetTextStringItems);
    char* text = JoinTextItems(&items);
    TextItemListFree(&items);
    if (!text)
        return;
    CountText(text, counts);
    MemFree(text);
}
