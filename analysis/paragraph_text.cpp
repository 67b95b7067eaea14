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

char* FetchObjectText(ObjectId docId, ObjectId object) {
    const TextRange range = {{object, 0}, {object, kTextOffsetEnd}};
    TextItemList items = ApiGetText(docId, &range, kGetTextStringItems);
    char* text = JoinTextItems(&items);
    TextItemListFree(&items);
    return text;
}

namespace {

// The list's string item when it holds exactly one, or null (no string item, or several).
const TextItem* SoleStringItem(const TextItemList* list) {
    const TextItem* sole = nullptr;
    for (std::uint32_t i = 0; list->items && i < list->count; ++i) {
        if (list->items[i].dataType != kTextItemString)
            continue;
        if (sole)
            return nullptr;
        sole = &list->items[i];
    }
    return sole;
}

} // namespace

// Most paragraphs come in one string item, which is counted where the host's list holds it;
// several are joined first, so that a word split between two is counted as one.
void CountParagraphText(ObjectId docId, ObjectId object, ReadabilityCounts* counts) {
    if (!counts)
        return;
    const TextRange range = {{object, 0}, {object, kTextOffsetEnd}};
    TextItemList items = ApiGetText(docId, &range, kGetTextStringItems);
    if (const TextItem* sole = SoleStringItem(&items)) {
        if (sole->u.sdata)
            CountText(sole->u.sdata, counts);
    } else if (char* text = JoinTextItems(&items)) {
        CountText(text, counts);
        MemFree(text);
    }
    TextItemListFree(&items);
}
