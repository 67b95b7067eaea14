#include "analysis/words.h"

#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "analysis/word_table.h"
#include "support/mem.h"
#include "support/str.h"

#include <cstring>
#include <new>
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

// Appends a copy of the word to the list: 0, or -1 when there is no memory for it. The list
// grows by doubling here, whatever its own growth step: appending tens of thousands of words one
// slot at a time would copy the array over and over.
int AppendWord(StrList* list, std::string_view word) {
    const std::uint32_t n = StrListCount(list);
    if (n == list->capacity)
        StrListReserve(list, n < 16 ? 16 : 2 * n);
    // The list copies a terminated string: the word is terminated in a buffer first.
    char small[kWordBufferBytes];
    char* copy = word.size() < sizeof small ? small : StrAlloc(word.size());
    if (!copy)
        return -1;
    std::memcpy(copy, word.data(), word.size());
    copy[word.size()] = '\0';
    const int appended = StrListAppend(list, copy);
    if (copy != small)
        MemFree(copy);
    return appended < 0 ? -1 : 0;
}

struct Collection {
    StrList* list;
    StrListIndex index;
};

void CollectVisit(ObjectId docId, ObjectId object, void* context) {
    auto* c = static_cast<Collection*>(context);
    ForEachWord(docId, object, [c](std::string_view word) {
        if (c->index.Find(word) != StrListIndex::kAbsent)
            return;
        const std::uint32_t n = StrListCount(c->list);
        if (AppendWord(c->list, word) < 0)
            return; // no memory: the word is dropped, the walk goes on
        c->index.Add(word, n);
    });
}

struct Occurrences {
    StrListIndex index;
    WordCounts* counts;
};

void CountVisit(ObjectId docId, ObjectId object, void* context) {
    auto* o = static_cast<Occurrences*>(context);
    ForEachWord(docId, object, [o](std::string_view word) {
        std::uint32_t i = o->index.Find(word);
        if (i != StrListIndex::kAbsent && i < o->counts->count)
            ++o->counts->items[i];
    });
}

// A tallied word's figures; all zero for a word just added.
struct TallyFigures {
    std::int32_t occurrences;
    std::uint32_t listed; // 1 once the word was met in admitted text
};

std::string_view ItemView(const StrList* list, std::uint32_t index) {
    const char* item = StrListGet(list, index);
    return item ? item : "";
}

unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

struct WordLedger {
    StrList* words; // every distinct word met, in order of first appearance
    WordTable<TallyFigures> table;
};

namespace {

// The word's slot in the tally, the word added when it is new; null when there is no memory.
WordTable<TallyFigures>::Slot* TallySlot(WordLedger* tally, std::string_view word) {
    auto wordAt = [tally](std::uint32_t i) { return ItemView(tally->words, i); };
    const std::uint64_t hash = WordHash(word);
    if (auto* found = tally->table.Find(word, hash, wordAt))
        return const_cast<WordTable<TallyFigures>::Slot*>(found);
    const std::uint32_t n = StrListCount(tally->words);
    if (AppendWord(tally->words, word) < 0)
        return nullptr;
    return tally->table.Insert(word, hash, n, wordAt);
}

void TallyVisit(ObjectId docId, ObjectId object, void* context) {
    auto* tally = static_cast<WordLedger*>(context);
    const std::uint32_t listed = AdmittedTextObject(docId, object) ? 1 : 0;
    ForEachWord(docId, object, [tally, listed](std::string_view word) {
        if (auto* slot = TallySlot(tally, word)) {
            ++slot->value().occurrences;
            slot->value().listed |= listed;
        }
    });
}

} // namespace

WordLedger* WordLedgerNew() {
    void* memory = MemAlloc(sizeof(WordLedger), 0);
    if (!memory)
        return nullptr;
    auto* tally = new (memory) WordLedger{StrListNew(1, 1), {}};
    if (!tally->words) {
        WordLedgerFree(tally);
        return nullptr;
    }
    return tally;
}

void WordLedgerFree(WordLedger* tally) {
    if (!tally)
        return;
    StrListFree(tally->words);
    tally->~WordLedger();
    MemFree(tally);
}

void TallyWords(ObjectId docId, WordLedger* tally) {
    if (tally)
        WalkTextObjects(docId, false, TallyVisit, tally);
}

void ListTalliedWords(const WordLedger* tally, StrList* list) {
    if (!tally || !list)
        return;
    const std::uint32_t n = StrListCount(tally->words);
    std::uint32_t listed = 0;
    tally->table.ForEach([&listed](const auto& slot) { listed += slot.value().listed; });
    if (StrListReserve(list, StrListCount(list) + listed) < 0)
        return;
    auto wordAt = [tally](std::uint32_t i) { return ItemView(tally->words, i); };
    for (std::uint32_t i = 0; i < n; ++i) {
        std::string_view word = ItemView(tally->words, i);
        const auto* slot = tally->table.Find(word, WordHash(word), wordAt);
        if (slot && slot->value().listed)
            StrListAppend(list, StrListGet(tally->words, i));
    }
}

WordCounts TalliedCounts(const WordLedger* tally, const StrList* list) {
    const std::uint32_t n = StrListCount(list);
    WordCounts counts = WordCountsNew(n);
    if (!tally || !counts.items)
        return counts;
    auto wordAt = [tally](std::uint32_t i) { return ItemView(tally->words, i); };
    for (std::uint32_t i = 0; i < n; ++i) {
        std::string_view word = ItemView(list, i);
        if (const auto* slot = tally->table.Find(word, WordHash(word), wordAt))
            counts.items[i] = slot->value().occurrences;
    }
    return counts;
}

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

void CollectWords(ObjectId docId, StrList* list) {
    if (!list)
        return;
    Collection c = {list, StrListIndex(list)};
    WalkTextObjects(docId, true, CollectVisit, &c);
}

void CountWordOccurrences(ObjectId docId, const StrList* list, WordCounts* counts) {
    if (!list || !counts || !counts->items)
        return;
    Occurrences o = {StrListIndex(list), counts};
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
