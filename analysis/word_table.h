// The one table of words, for the plug-in's word lists and for the tool's word occurrences: an
// open-addressing table in one array (linear probing, at most half full). A slot holds the
// word's hash, the word's index in its owner's storage of words, a value, and a key made of the
// word's length and first bytes, so that most lookups read one slot and nothing else: a book's
// million words are looked up here.
//
// The table keeps no words itself: they stay where their owner keeps them (a string list, the
// text being counted), and the table asks the owner for the word of an index (wordAt) only when
// a word is longer than the key holds. The slots are the support library's memory; a table that
// cannot grow says so in its result, and nothing here raises an exception.
#pragma once

#include "support/mem.h"
#include "support/str_list.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

// The word read eight bytes at a time (the last load overlapping the one before it, a word of
// fewer than eight bytes read in two overlapping halves or byte by byte), each load mixed in by a
// multiplication, then the bits mixed so that the low bits that pick a slot depend on every
// byte. Words are hashed one by one as they are counted: a loop over their bytes costs a
// dependent multiplication per byte.
inline std::uint64_t WordLoad64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t WordLoad32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t WordHash(std::string_view word) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    const char* p = word.data();
    const std::size_t n = word.size();
    std::uint64_t h = n * kMultiplier;
    auto mix = [&h](std::uint64_t v) {
        h = (h ^ v) * kMultiplier;
        h ^= h >> 29;
    };
    if (n >= 8) {
        std::size_t i = 0;
        for (; i + 8 < n; i += 8)
            mix(WordLoad64(p + i));
        mix(WordLoad64(p + n - 8));
    } else if (n >= 4) {
        mix(WordLoad32(p) << 32 | WordLoad32(p + n - 4));
    } else if (n > 0) {
        mix(static_cast<std::uint64_t>(static_cast<unsigned char>(p[0])) << 16 |
            static_cast<std::uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
            static_cast<unsigned char>(p[n - 1]));
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdu;
    h ^= h >> 33;
    return h;
}

// A word's length and first bytes, compared whole, in a few instructions. It is made in
// registers from loads of the word's bytes: a key written a byte at a time and read back whole
// stalls the processor on every word.
struct WordKey {
    static constexpr std::size_t kBytes = 11;
    std::uint32_t low, middle, high; // the length (255 for 255 bytes or more), then the bytes
};

inline bool operator==(const WordKey& a, const WordKey& b) {
    return a.low == b.low && a.middle == b.middle && a.high == b.high;
}

// The first n bytes of p (n below 8) as a number, byte i in bits 8i to 8i + 7.
inline std::uint64_t WordBytesBelow8(const char* p, std::size_t n) {
    if (n >= 4)
        return WordLoad32(p) | (WordLoad32(p + n - 4) >> (8 * (8 - n))) << 32;
    if (n == 0)
        return 0;
    auto at = [p](std::size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    };
    return at(0) | at(n / 2) | at(n - 1);
}

inline WordKey WordKeyOf(std::string_view word) {
    const char* p = word.data();
    const std::size_t n = word.size();
    std::uint64_t head; // bytes 0 to 6 (the length takes the key's first byte)
    std::uint64_t tail; // bytes 7 to 10
    if (n >= WordKey::kBytes) {
        head = WordLoad64(p);
        tail = WordLoad32(p + 7);
    } else if (n >= 8) {
        head = WordLoad64(p);
        tail = WordLoad64(p + n - 8) >> (8 * (15 - n));
    } else {
        head = WordBytesBelow8(p, n);
        tail = 0;
    }
    const std::uint64_t length = n < UINT8_MAX ? n : UINT8_MAX;
    const std::uint64_t first = length | head << 8;
    return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(first >> 32),
            static_cast<std::uint32_t>(tail)};
}

// The value of a table that only maps words to indexes.
struct NoWordValue {};

// Value is a plain record whose all-zero bytes are its empty state (a count of 0, a false flag).
template <typename Value = NoWordValue> class WordTable {
  public:
    // The value is the slot's base, so that a table without values has slots of 24 bytes and one
    // with an 8-byte value slots of 32: two to a cache line.
    struct Slot : Value {
        std::uint64_t hash;
        std::uint32_t id; // the word's index + 1; 0 in an empty slot
        WordKey key;

        std::uint32_t index() const { return id - 1; }
        Value& value() { return *this; }
        const Value& value() const { return *this; }
    };
    static_assert(std::is_trivially_copyable_v<Slot>);

    WordTable() = default;
    ~WordTable() { MemFree(slots_); }
    WordTable(WordTable&& other) noexcept { Take(other); }
    WordTable& operator=(WordTable&& other) noexcept {
        if (this != &other) {
            MemFree(slots_);
            Take(other);
        }
        return *this;
    }
    WordTable(const WordTable&) = delete;
    WordTable& operator=(const WordTable&) = delete;

    std::size_t size() const { return used_; }

    // Room for n words in all; false, the table unchanged, when the memory cannot be had. Slots
    // found before a call may move in it; none move between calls that ask for no more room.
    bool Reserve(std::size_t n) {
        if (n <= capacity_ / 2)
            return true;
        if (n > kMaxWords)
            return false;
        std::size_t capacity = kFirstSlots;
        while (capacity < 2 * n)
            capacity *= 2;
        if (capacity <= capacity_)
            return true;
        auto* slots = static_cast<Slot*>(MemCalloc(capacity, sizeof(Slot), 0));
        if (!slots)
            return false;
        const std::size_t mask = capacity - 1;
        for (std::size_t i = 0; i < capacity_; ++i) {
            const Slot& s = slots_[i];
            if (s.id == 0)
                continue;
            std::size_t at = s.hash & mask;
            while (slots[at].id != 0)
                at = (at + 1) & mask;
            slots[at] = s;
        }
        MemFree(slots_);
        slots_ = slots;
        capacity_ = capacity;
        return true;
    }

    // Asks the processor to fetch the first slot of a hash into its cache.
    void Prefetch(std::uint64_t hash) const {
#if defined(__GNUC__) || defined(__clang__)
        if (capacity_ != 0)
            __builtin_prefetch(&slots_[hash & (capacity_ - 1)]);
#else
        (void)hash;
#endif
    }

    // The word's slot (hash is WordHash(word)), or null.
    template <typename WordAt>
    const Slot* Find(std::string_view word, std::uint64_t hash, WordAt wordAt) const {
        if (capacity_ == 0)
            return nullptr;
        const Slot& s = slots_[Probe(word, hash, WordKeyOf(word), wordAt)];
        return s.id == 0 ? nullptr : &s;
    }

    // The word's slot; a new word is added with index and a zero value. Null when the table
    // cannot grow (or index is UINT32_MAX).
    template <typename WordAt>
    Slot* Insert(std::string_view word, std::uint64_t hash, std::uint32_t index, WordAt wordAt) {
        if (!Reserve(used_ + 1) || index == UINT32_MAX)
            return nullptr;
        const WordKey key = WordKeyOf(word);
        Slot& s = slots_[Probe(word, hash, key, wordAt)];
        if (s.id == 0) {
            s.value() = Value{};
            s.hash = hash;
            s.id = index + 1;
            s.key = key;
            ++used_;
        }
        return &s;
    }

    // Calls visit(slot) for every word, in no set order.
    template <typename Visit> void ForEach(Visit visit) const {
        for (std::size_t i = 0; i < capacity_; ++i)
            if (slots_[i].id != 0)
                visit(slots_[i]);
    }

    // Empties the table and gives its memory back.
    void Clear() {
        slots_ = static_cast<Slot*>(MemFree(slots_));
        capacity_ = 0;
        used_ = 0;
    }

  private:
    static constexpr std::size_t kFirstSlots = 16;
    // Beyond this the slot count would not fit a size_t.
    static constexpr std::size_t kMaxWords = SIZE_MAX / 4 / sizeof(Slot);

    // The slot holding the word, else the empty slot where it would go. The table is never full.
    template <typename WordAt>
    std::size_t Probe(std::string_view word, std::uint64_t hash, const WordKey& key,
                      WordAt& wordAt) const {
        const std::size_t mask = capacity_ - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& s = slots_[at];
            if (s.id == 0)
                return at;
            if (s.hash == hash && s.key == key &&
                (word.size() <= WordKey::kBytes || wordAt(s.id - 1) == word))
                return at;
        }
    }

    void Take(WordTable& other) {
        slots_ = other.slots_;
        capacity_ = other.capacity_;
        used_ = other.used_;
        other.slots_ = nullptr;
        other.capacity_ = 0;
        other.used_ = 0;
    }

    Slot* slots_ = nullptr;
    std::size_t capacity_ = 0; // a power of two, or 0
    std::size_t used_ = 0;
};

// The items of a string list and the index of each one's first appearance: the lookups
// StrListFind makes, in constant time. Building it costs no allocation per word. When the memory
// for the table cannot be had, lookups search the list itself: slower, never wrong.
class StrListIndex {
  public:
    static constexpr std::uint32_t kAbsent = UINT32_MAX;

    // Indexes the list's items (a null item reads as ""). The list must outlive the index; items
    // appended later are indexed by Add.
    explicit StrListIndex(const StrList* list);

    // The index of the word's first appearance in the list, or kAbsent.
    std::uint32_t Find(std::string_view word) const;
    // Indexes list item index, which holds word, unless the word is indexed already.
    void Add(std::string_view word, std::uint32_t index);

  private:
    std::string_view ItemAt(std::uint32_t index) const;

    const StrList* list_;
    WordTable<> table_;
    bool searching_ = false; // the table could not grow: Find searches the list
};
