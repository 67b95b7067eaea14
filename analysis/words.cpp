#include "analysis/words.h"

#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "support/mem.h"
#include "support/str.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The list's words and their first index: the lookups StrListFind makes, in constant time. An
// open-addressing table in one array (linear probing, at most half full): a book's walk builds it
// again for every file, so building must cost no allocation per word. The views point at the
// list's own strings, which do not move when the list's array grows.
class WordIndex {
  public:
    explicit WordIndex(const StrList* list) {
        std::uint32_t n = StrListCount(list);
        Grow(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const char* item = StrListGet(list, i);
            Add(item ? item : "", i); // Add keeps the first index of a word
        }
    }

    // The word's index, or kAbsent.
    std::uint32_t Find(std::string_view word) const {
        const std::size_t hash = Hash(word);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            const Slot& s = slots_[at];
            if (s.index == kAbsent || (s.hash == Short(hash) && s.word == word))
                return s.index;
        }
    }

    // Adds the word with its index unless the word is in the table already.
    void Add(std::string_view word, std::uint32_t index) {
        if (2 * (used_ + 1) > slots_.size())
            Grow(used_ + 1);
        const std::size_t hash = Hash(word);
        for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
            Slot& s = slots_[at];
            if (s.index == kAbsent) {
                s = {word, index, Short(hash)};
                ++used_;
                return;
            }
            if (s.hash == Short(hash) && s.word == word)
                return;
        }
    }

    static constexpr std::uint32_t kAbsent = UINT32_MAX;

  private:
    // The word's hash is kept (its low 32 bits) so that a probe compares strings only when the
    // hashes agree: the strings lie elsewhere in memory.
    struct Slot {
        std::string_view word;
        std::uint32_t index = kAbsent;
        std::uint32_t hash = 0;
    };

    static std::size_t Hash(std::string_view word) { return std::hash<std::string_view>{}(word); }
    static std::uint32_t Short(std::size_t hash) { return static_cast<std::uint32_t>(hash); }

    // Room for at least n words at most half full; the words in the table move over.
    void Grow(std::size_t n) {
        std::size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        if (size <= slots_.size())
            return;
        std::vector<Slot> old(size);
        old.swap(slots_);
        mask_ = size - 1;
        for (const Slot& s : old)
            if (s.index != kAbsent)
                for (std::size_t at = s.hash & mask_;; at = (at + 1) & mask_)
                    if (slots_[at].index == kAbsent) {
                        slots_[at] = s;
                        break;
                    }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
};

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

struct Collection {
    StrList* list;
    WordIndex index;
};

void CollectVisit(ObjectId docId, ObjectId object, void* context) {
    auto* c = static_cast<Collection*>(context);
    ForEachWord(docId, object, [c](std::string_view word) {
        if (c->index.Find(word) != WordIndex::kAbsent)
            return;
        std::uint32_t n = StrListCount(c->list);
        // The list grows by doubling here, whatever its own growth step: appending tens of
        // thousands of words one slot at a time would copy the array over and over.
        if (n == c->list->capacity)
            StrListReserve(c->list, n < 16 ? 16 : 2 * n);
        std::string copy(word);
        if (StrListAppend(c->list, copy.c_str()) < 0)
            return; // no memory: the word is dropped, the walk goes on
        c->index.Add(StrListGet(c->list, n), n);
    });
}

struct Occurrences {
    WordIndex index;
    WordCounts* counts;
};

void CountVisit(ObjectId docId, ObjectId object, void* context) {
    auto* o = static_cast<Occurrences*>(context);
    ForEachWord(docId, object, [o](std::string_view word) {
        std::uint32_t i = o->index.Find(word);
        if (i != WordIndex::kAbsent && i < o->counts->count)
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

void CollectWords(ObjectId docId, StrList* list) {
    if (!list)
        return;
    Collection c = {list, WordIndex(list)};
    WalkTextObjects(docId, true, CollectVisit, &c);
}

void CountWordOccurrences(ObjectId docId, const StrList* list, WordCounts* counts) {
    if (!list || !counts || !counts->items)
        return;
    Occurrences o = {WordIndex(list), counts};
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
