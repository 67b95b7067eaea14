#include "analysis/words.h"

#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "analysis/word_table.h"
#include "support/mem.h"
#include "support/str.h"

#include <cstring>
#include <string_view>

namespace {

// Calls f with every non-empty trimmed word of the text's kept sentences, in text order.
template <typename F> void ForEachWordOfText(std::string_view all, F f) {
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
}

// The same for the text of one object, fetched from the host.
template <typename F> void ForEachWord(ObjectId docId, ObjectId object, F f) {
    char* text = FetchObjectText(docId, object);
    if (!text)
        return;
    ForEachWordOfText(std::string_view(text), f);
    MemFree(text);
}

// Room for the bytes of most words, and their terminator, on the stack.
constexpr std::size_t kWordBufferBytes = 64;

struct Collection {
    StrList* list;
    StrListIndex* index;
};

void CollectVisit(ObjectId docId, ObjectId object, void* context) {
    auto* c = static_cast<Collection*>(context);
    ForEachWord(docId, object, [c](std::string_view word) {
        if (c->index->Find(word) != StrListIndex::kAbsent)
            return;
        std::uint32_t n = StrListCount(c->list);
        // The list grows by doubling here, whatever its own growth step: appending tens of
        // thousands of words one slot at a time would copy the array over and over.
        if (n == c->list->capacity)
            StrListReserve(c->list, n < 16 ? 16 : 2 * n);
        // The list copies a terminated string: the word is terminated in a buffer first.
        char small[kWordBufferBytes];
        char* copy = word.size() < sizeof small ? small : StrAlloc(word.size());
        if (!copy)
            return; // no memory: the word is dropped, the walk goes on
        std::memcpy(copy, word.data(), word.size());
        copy[word.size()] = '\0';
        const int appended = StrListAppend(c->list, copy);
        if (copy != small)
            MemFree(copy);
        if (appended < 0)
            return;
        c->index->Add(word, n);
    });
}

struct Occurrences {
    const StrListIndex* index;
    WordCounts* counts;
};

void CountVisit(ObjectId docId, ObjectId object, void* context) {
    auto* o = static_cast<Occurrences*>(context);
    ForEachWord(docId, object, [o](std::string_view word) {
        std::uint32_t i = o->index->Find(word);
        if (i != StrListIndex::kAbsent && i < o->counts->count)
            ++o->counts->items[i];
    });
}

unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

void ForEachListedWord(std::string_view text, ListedWordVisit visit, void* context) {
    if (visit)
        ForEachWordOfText(text, [&](std::string_view word) { visit(word, context); });
}

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

void CollectWords(ObjectId docId, StrList* list, StrListIndex* index) {
    if (!list)
        return;
    if (!index) {
        StrListIndex own(list);
        CollectWords(docId, list, &own);
        return;
    }
    Collection c = {list, index};
    WalkTextObjects(docId, true, CollectVisit, &c);
}

void CountWordOccurrences(ObjectId docId, const StrList* list, WordCounts* counts,
                          const StrListIndex* index) {
    if (!list || !counts || !counts->items)
        return;
    if (!index) {
        const StrListIndex own(list);
        CountWordOccurrences(docId, list, counts, &own);
        return;
    }
    Occurrences o = {index, counts};
    WalkTextObjects(docId, false, CountVisit, &o);
}

int CompareWords(const void* a, const void* b) {
    const auto* p = reinterpret_cast<const unsigned char*>(*static_cast<char* const*>(a));
    const auto* q = reinterpret_cast<const unsigned char*>(*static_cast<char* const*>(b));
    if (!p)
        p = reinterpret_cast<const unsigned char*>("");
    if (!q)
        q = reinterpret_cast<const unsigned char*>("");
    const unsigned char* start1 = p;
    const unsigned char* start2 = q;
    // As comparing copies folded to small ASCII letters, without making the copies.
    while (*p != 0 && FoldAscii(*p) == FoldAscii(*q)) {
        ++p;
        ++q;
    }
    int folded = static_cast<int>(FoldAscii(*p)) - static_cast<int>(FoldAscii(*q));
    if (folded != 0)
        return folded;
    // Words that differ only in the case of ASCII letters are put in byte order ('The' before
    // 'the'), so that a list comes out the same with every sort routine and on every platform.
    return StrCompare(reinterpret_cast<const char*>(start1), reinterpret_cast<const char*>(start2));
}
