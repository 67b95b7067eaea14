#include "analysis/words.h"

#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "support/mem.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace {

// The list's words and their first index: the lookups StrListFind makes, in constant time. The
// views point at the list's own strings, which do not move when the list's array grows.
using WordIndex = std::unordered_map<std::string_view, std::uint32_t>;

WordIndex IndexOf(const StrList* list) {
    WordIndex index;
    std::uint32_t n = StrListCount(list);
    index.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i)
        index.emplace(StrListGet(list, i), i); // emplace keeps the first index of a word
    return index;
}

// Calls f with every non-empty trimmed word of the object's kept sentences, in text order.
template <typename F> void ForEachWord(ObjectId docId, ObjectId object, F f) {
    char* text = FetchObjectText(docId, object);
    if (!text)
        return;
    std::string_view all(text);
    std::size_t pos = 0;
    std::string_view sentence;
    while (NextSentenceView(all, &pos, &sentence)) {
        if (sentence.size() < kMinSentenceBytes)
            continue;
        std::size_t wordPos = 0;
        std::string_view word;
        while (NextWordView(sentence, &wordPos, &word)) {
            std::string_view trimmed = TrimPunctuationView(word);
            if (!trimmed.empty())
                f(trimmed);
        }
    }
    MemFree(text);
}

struct Collection {
    StrList* list;
    WordIndex index;
};

void CollectVisit(ObjectId docId, ObjectId object, void* context) {
    auto* c = static_cast<Collection*>(context);
    ForEachWord(docId, object, [c](std::string_view word) {
        if (c->index.count(word))
            return;
        std::uint32_t n = StrListCount(c->list);
        // The list grows by doubling here, whatever its own growth step: appending tens of
        // thousands of words one slot at a time would copy the array over and over.
        if (n == c->list->capacity)
            StrListReserve(c->list, n < 16 ? 16 : 2 * n);
        std::string copy(word);
        if (StrListAppend(c->list, copy.c_str()) < 0)
            return; // no memory: the word is dropped, the walk goes on
        c->index.emplace(StrListGet(c->list, n), n);
    });
}

struct Occurrences {
    WordIndex index;
    WordCounts* counts;
};

void CountVisit(ObjectId docId, ObjectId object, void* context) {
    auto* o = static_cast<Occurrences*>(context);
    ForEachWord(docId, object, [o](std::string_view word) {
        auto it = o->index.find(word);
        if (it != o->index.end() && it->second < o->counts->count)
            ++o->counts->items[it->second];
    });
}

unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

WordCounts WordCountsNew(std::uint32_t n) {
    WordCounts counts = {nullptr, 0};
    counts.items = static_cast<std::int32_t*>(MemCalloc(n == 0 ? 1 : n, sizeof(std::int32_t), 0));
    if (counts.items)
        counts.count = n;
    return counts;
}

void WordCountsFree(WordCounts* counts) {
    if (!counts)
        return;
    MemFree(counts->items);
    counts->items = nullptr;
    counts->count = 0;
}

void CollectWords(ObjectId docId, StrList* list) {
    if (!list)
        return;
    Collection c = {list, IndexOf(list)};
    WalkTextObjects(docId, true, CollectVisit, &c);
}

void CountWordOccurrences(ObjectId docId, const StrList* list, WordCounts* counts) {
    if (!list || !counts || !counts->items)
        return;
    Occurrences o = {IndexOf(list), counts};
    WalkTextObjects(docId, false, CountVisit, &o);
}

int CompareWords(const void* a, const void* b) {
    const auto* p = reinterpret_cast<const unsigned char*>(*static_cast<char* const*>(a));
    const auto* q = reinterpret_cast<const unsigned char*>(*static_cast<char* const*>(b));
    if (!p)
        p = reinterpret_cast<const unsigned char*>("");
    if (!q)
        q = reinterpret_cast<const unsigned char*>("");
    // As comparing copies folded to small ASCII letters, without making the copies.
    while (*p != 0 && FoldAscii(*p) == FoldAscii(*q)) {
        ++p;
        ++q;
    }
    return static_cast<int>(FoldAscii(*p)) - static_cast<int>(FoldAscii(*q));
}
