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

// Appends the word to the list; false when the memory cannot be had.
bool AppendWord(StrList* list, std::string_view word) {
    // The list copies a terminated string: the word is terminated in a buffer first.
    char small[kWordBufferBytes];
    char* copy = word.size() < sizeof small ? small : StrAlloc(word.size());
    if (!copy)
        return false;
    std::memcpy(copy, word.data(), word.size());
    copy[word.size()] = '\0';
    const int appended = StrListAppend(list, copy);
    if (copy != small)
        MemFree(copy);
    return appended >= 0;
}

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
        if (!AppendWord(c->list, word))
            return; // no memory: the word is dropped, the walk goes on
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

// Every distinct word of a walk without the filter, in the order first met: how often it occurs
// in all the walk's objects, and whether an object the filter admits holds it (only those are
// listed, as CollectWords lists them; the others are counted in case an admitted object holds
// them later).
struct WordTally {
    StrList* seen;
    StrListIndex* index;
    std::int32_t* occurrences;
    unsigned char* admitted;
    std::uint32_t capacity;
};

// Room for one more word in the tally; false when the memory cannot be had.
bool TallyRoom(WordTally* t) {
    const std::uint32_t n = StrListCount(t->seen);
    if (n < t->capacity)
        return true;
    const std::uint32_t grown = n < 16 ? 16 : 2 * n;
    if (grown <= n || StrListReserve(t->seen, grown) < 0)
        return false;
    auto* occurrences = static_cast<std::int32_t*>(
        MemRealloc(t->occurrences, std::size_t{grown} * sizeof(std::int32_t), 0));
    if (!occurrences)
        return false;
    t->occurrences = occurrences;
    auto* admitted = static_cast<unsigned char*>(MemRealloc(t->admitted, grown, 0));
    if (!admitted)
        return false;
    t->admitted = admitted;
    t->capacity = grown;
    return true;
}

void TallyVisit(ObjectId docId, ObjectId object, bool admitted, void* context) {
    auto* t = static_cast<WordTally*>(context);
    ForEachWord(docId, object, [t, admitted](std::string_view word) {
        std::uint32_t i = t->index->Find(word);
        if (i == StrListIndex::kAbsent) {
            i = StrListCount(t->seen);
            if (!TallyRoom(t) || !AppendWord(t->seen, word))
                return; // no memory: the word is dropped, the walk goes on
            t->index->Add(word, i);
            t->occurrences[i] = 0;
            t->admitted[i] = 0;
        }
        ++t->occurrences[i];
        t->admitted[i] |= admitted ? 1 : 0;
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

WordCounts CollectAndCountWords(ObjectId docId, StrList* list) {
    WordCounts counts = {nullptr, 0};
    StrList* seen = list ? StrListNew(1, 1) : nullptr;
    if (!seen)
        return counts;
    StrListIndex index(seen);
    WordTally t = {seen, &index, nullptr, nullptr, 0};
    WalkMarkedTextObjects(docId, TallyVisit, &t);
    const std::uint32_t n = StrListCount(seen);
    for (std::uint32_t i = 0; i < n; ++i)
        if (t.admitted[i] != 0)
            StrListAppend(list, StrListGet(seen, i)); // on failure the word is dropped
    StrListSort(list, CompareWords);
    counts = WordCountsNew(StrListCount(list));
    for (std::uint32_t i = 0; i < counts.count; ++i) {
        const char* word = StrListGet(list, i);
        const std::uint32_t at = index.Find(word ? word : "");
        if (at != StrListIndex::kAbsent)
            counts.items[i] = t.occurrences[at];
    }
    MemFree(t.occurrences);
    MemFree(t.admitted);
    StrListFree(seen);
    return counts;
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
