// The word table shared by the plug-in's word lists and the tool's word occurrences, and the
// index of a string list built on it.
#include "analysis/word_table.h"

#include "support/mem.h"
#include "support/str_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Words that a table holding a length and the first bytes of each word must tell apart.
const std::vector<std::string>& AlikeWords() {
    static const std::vector<std::string> words = {
        "",
        "a",
        "A",
        "abcdefghijk",  // the bytes a key holds
        "abcdefghijkl", // one more: alike in the key's bytes
        "abcdefghijkm",
        "abcdefghij", // a prefix of the above
        std::string(255, 'x'),
        std::string(256, 'x'), // beyond the length a key records
        std::string(300, 'x'),
        std::string(299, 'x') + "y", // the same length, the last byte differs
    };
    return words;
}

struct ListFixture : testing::Test {
    void TearDown() override {
        AllocFailCountdown = 0;
        StrListFree(list);
    }
    void Append(const std::string& word) { ASSERT_EQ(StrListAppend(list, word.c_str()), 0); }
    // The index of the first item equal to word, as a linear search finds it.
    std::uint32_t Expected(const std::string& word) const {
        const std::int32_t i = StrListFind(list, word.c_str());
        return i < 0 ? StrListIndex::kAbsent : static_cast<std::uint32_t>(i);
    }

    StrList* list = StrListNew(1, 1);
};

// Every listed word is found at its first index, whatever the memory does: the index is built
// with its table, with no memory for it at all, and losing the memory to grow half way.
TEST_F(ListFixture, FindsTheFirstIndexOfEveryListedWordAndNothingElse) {
    for (const std::string& w : AlikeWords())
        Append(w);
    for (const std::string& w : AlikeWords())
        Append(w); // listed twice: the first index counts
    for (int i = 0; i < 3000; ++i)
        Append("w" + std::to_string(i));
    const std::vector<std::string> absent = {"abcdefghijkn", std::string(257, 'x'), "w3000", "W1",
                                             "abcdefghijk "};
    const struct {
        const char* name;
        std::int64_t failAt; // the allocation that fails; 0: none
        bool grow;           // indexed by Add, one item at a time, rather than all at once
    } cases[] = {
        {"built at once", 0, false},
        {"built by adding", 0, true},
        {"no memory to build", 1, false},
        {"no memory to grow", 3, true}, // the third table: room for 32 words
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An index of a list that is empty when it is built, then filled through Add.
        StrList* copy = StrListNew(1, 1);
        if (!c.grow)
            AllocFailCountdown = c.failAt;
        StrListIndex index(c.grow ? copy : list);
        if (c.grow) {
            for (std::uint32_t i = 0; i < StrListCount(list); ++i)
                ASSERT_EQ(StrListAppend(copy, StrListGet(list, i)), 0);
            AllocFailCountdown = c.failAt;
            for (std::uint32_t i = 0; i < StrListCount(copy); ++i)
                if (index.Find(StrListGet(copy, i)) == StrListIndex::kAbsent)
                    index.Add(StrListGet(copy, i), i);
        }
        AllocFailCountdown = 0;
        for (std::uint32_t i = 0; i < StrListCount(list); ++i) {
            const std::string word = StrListGet(list, i);
            EXPECT_EQ(index.Find(word), Expected(word)) << word.size() << " bytes: " << word;
        }
        for (const std::string& w : absent)
            EXPECT_EQ(index.Find(w), StrListIndex::kAbsent) << w;
        StrListFree(copy);
    }
}

TEST_F(ListFixture, ANullItemReadsAsTheEmptyWord) {
    Append("a");
    list->items[0] = static_cast<char*>(MemFree(list->items[0]));
    const StrListIndex index(list);
    EXPECT_EQ(index.Find(""), 0u);
    EXPECT_EQ(index.Find(std::string_view()), 0u); // a view without data
    EXPECT_EQ(index.Find("a"), StrListIndex::kAbsent);
}

struct Tally {
    std::int32_t count;
    bool flag;
};

// Values start at zero, stay with their words as the table grows and moves, and go with Clear.
TEST(WordTable, KeepsEachWordsValueAcrossGrowthAndMoves) {
    std::vector<std::string> words = AlikeWords();
    for (int i = 0; i < 2000; ++i)
        words.push_back("v" + std::to_string(i));
    auto wordAt = [&](std::uint32_t i) { return std::string_view(words[i]); };
    WordTable<Tally> table;
    EXPECT_EQ(table.Find("a", WordHash("a"), wordAt), nullptr);
    for (int round = 1; round <= 3; ++round)
        for (std::uint32_t i = 0; i < words.size(); ++i) {
            auto* slot = table.Insert(words[i], WordHash(words[i]), i, wordAt);
            ASSERT_NE(slot, nullptr);
            EXPECT_EQ(slot->index(), i);
            EXPECT_EQ(slot->value().count, round - 1) << words[i];
            ++slot->value().count;
            slot->value().flag = i % 2 == 1;
        }
    WordTable<Tally> moved = std::move(table);
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.Find("a", WordHash("a"), wordAt), nullptr);
    ASSERT_EQ(moved.size(), words.size());
    std::size_t visited = 0;
    moved.ForEach([&](const WordTable<Tally>::Slot& s) {
        ++visited;
        const std::string& w = words[s.index()];
        EXPECT_EQ(moved.Find(w, WordHash(w), wordAt), &s);
        EXPECT_EQ(s.value().count, 3);
        EXPECT_EQ(s.value().flag, s.index() % 2 == 1);
    });
    EXPECT_EQ(visited, words.size());
    moved.Clear();
    EXPECT_EQ(moved.size(), 0u);
    EXPECT_EQ(moved.Find("v1", WordHash("v1"), wordAt), nullptr);
}

// Words whose hashes agree are told apart by their bytes: every word given one hash.
TEST(WordTable, TellsApartWordsWhoseHashesAgree) {
    const std::vector<std::string>& words = AlikeWords();
    auto wordAt = [&](std::uint32_t i) { return std::string_view(words[i]); };
    constexpr std::uint64_t kOneHash = 7;
    WordTable<> table;
    for (std::uint32_t i = 0; i < words.size(); ++i)
        ASSERT_NE(table.Insert(words[i], kOneHash, i, wordAt), nullptr);
    EXPECT_EQ(table.size(), words.size());
    for (std::uint32_t i = 0; i < words.size(); ++i) {
        const auto* slot = table.Find(words[i], kOneHash, wordAt);
        ASSERT_NE(slot, nullptr) << words[i];
        EXPECT_EQ(slot->index(), i) << words[i];
    }
    EXPECT_EQ(table.Find("abcdefghijkn", kOneHash, wordAt), nullptr);
    EXPECT_EQ(table.Find(std::string(257, 'x'), kOneHash, wordAt), nullptr);
}

// A table that cannot have the memory to grow says so and keeps what it held.
TEST(WordTable, ATableThatCannotGrowIsLeftAsItWas) {
    const std::vector<std::string> words = {"one", "two", "three"};
    auto wordAt = [&](std::uint32_t i) { return std::string_view(words[i]); };
    WordTable<> table;
    ASSERT_NE(table.Insert(words[0], WordHash(words[0]), 0, wordAt), nullptr);
    EXPECT_FALSE(table.Reserve(SIZE_MAX / 2));
    AllocFailCountdown = 1;
    EXPECT_FALSE(table.Reserve(1000));
    AllocFailCountdown = 0;
    EXPECT_EQ(table.Insert(words[1], WordHash(words[1]), UINT32_MAX, wordAt), nullptr);
    EXPECT_EQ(table.size(), 1u);
    ASSERT_NE(table.Find(words[0], WordHash(words[0]), wordAt), nullptr);
    EXPECT_EQ(table.Find(words[1], WordHash(words[1]), wordAt), nullptr);
}

} // namespace

namespace {

// A word's hash must read every one of its bytes, whatever the word's length: the hash reads
// words in loads of eight, four and one bytes, and a byte left out of every load puts the words
// that differ only there in the same slot chain.
TEST(WordTable, TheHashReadsEveryByteOfEveryLength) {
    for (std::size_t length = 1; length <= 40; ++length) {
        std::string word(length, 'a');
        for (std::size_t i = 0; i < length; ++i)
            word[i] = static_cast<char>('a' + i % 26);
        const std::uint64_t hash = WordHash(word);
        for (std::size_t i = 0; i < length; ++i) {
            std::string other = word;
            other[i] = static_cast<char>(other[i] ^ 0x20);
            EXPECT_NE(WordHash(other), hash) << "length " << length << ", byte " << i;
        }
        EXPECT_NE(WordHash(word + std::string(1, '\0')), hash) << "length " << length;
    }
    EXPECT_NE(WordHash(""), WordHash(std::string(1, '\0')));
}

// A word's key is its length and its first bytes, however many it has: words alike in every one
// of those get the same key, words that differ in one of them or in length never do.
TEST(WordTable, TheKeyHoldsTheLengthAndEveryFirstByte) {
    for (std::size_t length = 0; length <= 20; ++length) {
        std::string word(length, 'a');
        for (std::size_t i = 0; i < length; ++i)
            word[i] = static_cast<char>('a' + i % 26);
        const WordKey key = WordKeyOf(word);
        EXPECT_TRUE(WordKeyOf(std::string(word)) == key) << "length " << length;
        EXPECT_FALSE(WordKeyOf(word + "a") == key) << "length " << length;
        for (std::size_t i = 0; i < length; ++i) {
            std::string other = word;
            other[i] = static_cast<char>(other[i] ^ 0x20);
            EXPECT_EQ(WordKeyOf(other) == key, i >= WordKey::kBytes)
                << "length " << length << ", byte " << i;
        }
    }
    EXPECT_TRUE(WordKeyOf(std::string(300, 'x')) == WordKeyOf(std::string(299, 'x') + "y"));
}

} // namespace
