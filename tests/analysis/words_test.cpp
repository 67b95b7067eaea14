// Word collection, sorting and occurrence counting over wired documents.
#include "analysis/words.h"

#include "support/mem.h"
#include "support/str_list.h"
#include "wired_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Items(const StrList* list) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < StrListCount(list); ++i)
        out.emplace_back(StrListGet(list, i));
    return out;
}

class Words : public WiredHost {
  protected:
    void TearDown() override {
        StrListFree(list_);
        WordCountsFree(&counts_);
        WiredHost::TearDown();
    }
    // Collect, sort and count as the with-counts command does; returns word -> count.
    std::map<std::string, int> CollectSortCount() {
        CollectWords(kWiredDoc, list_);
        StrListSort(list_, CompareWords);
        counts_ = WordCountsNew(StrListCount(list_));
        CountWordOccurrences(kWiredDoc, list_, &counts_);
        std::map<std::string, int> out;
        for (std::uint32_t i = 0; i < StrListCount(list_); ++i)
            out[StrListGet(list_, i)] = counts_.items[i];
        return out;
    }

    StrList* list_ = StrListNew(1, 1);
    WordCounts counts_ = {nullptr, 0};
};

TEST_F(Words, CollectedInOrderOfFirstAppearanceAndCaseKept) {
    BodyText({"The cat. the Cat sat"});
    CollectWords(kWiredDoc, list_);
    EXPECT_EQ(Items(list_), (std::vector<std::string>{"The", "cat", "the", "Cat", "sat"}));
    std::map<std::string, int> counts = CollectSortCount();
    for (const auto& [word, n] : counts)
        EXPECT_EQ(n, 1) << word;
    EXPECT_EQ(Items(list_), (std::vector<std::string>{"Cat", "cat", "sat", "The", "the"}));
}

TEST_F(Words, WhatCountsAsAWord) {
    struct Case {
        const char* text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"a \" b", {"a", "b"}}, // a lone quotation mark trims to nothing
        {"x ... y", {"x"}},     // the run of periods ends the sentence; 'y' alone is one byte
        {"Hello...world", {"Hello...world"}},
        {"see e.g again", {"see", "e.g", "again"}},
        {"1,234 items", {"1", "234", "items"}},
        {"I. Am here.", {"Am", "here"}}, // a one-byte sentence adds no word
        {"re-enter", {"re", "enter"}},
        {"don't stop", {"don't", "stop"}},
        // Words after a candidate sentence without text are still words.
        {"Stop!!! Then go.", {"Stop", "Then", "go"}},
        {"Is it (or not?). Yes we can", {"Is", "it", "or", "not", "Yes", "we", "can"}},
        {". . . and waited", {"and", "waited"}},
        // A letter or digit glued to a sentence end begins the next sentence's first word.
        {"${binary:Version}", {"$", "binary", "Version"}},
        {"port 8080:localhost", {"port", "8080", "localhost"}},
        {"Run it;then stop", {"Run", "it", "then", "stop"}},
        {"say \"yes!\" now", {"say", "yes", "now"}},
    };
    for (const Case& c : cases) {
        StrListFree(list_);
        list_ = StrListNew(1, 1);
        BodyText({c.text});
        CollectWords(kWiredDoc, list_);
        EXPECT_EQ(Items(list_), c.words) << c.text;
    }
}

TEST_F(Words, SortOrderFoldsOnlyAsciiLetters) {
    BodyText({"Zebra apple 1990 \x83tude ^caret ~tilde Apple"});
    CollectWords(kWiredDoc, list_);
    StrListSort(list_, CompareWords);
    std::vector<std::string> sorted = Items(list_);
    ASSERT_EQ(sorted.size(), 7u) << ::testing::PrintToString(sorted);
    EXPECT_EQ(sorted[0], "1990");
    EXPECT_EQ(sorted[1], "^caret") << ::testing::PrintToString(sorted);
    EXPECT_EQ(sorted[2], "Apple"); // equal but for case: byte order, the same everywhere
    EXPECT_EQ(sorted[3], "apple");
    EXPECT_EQ(sorted[4], "Zebra");
    EXPECT_EQ(sorted[5], "~tilde");
    EXPECT_EQ(sorted[6], "\x83tude"); // accented capitals sort after every ASCII word
}

TEST_F(Words, ExcludedParagraphsAreNotCollectedButTheirOccurrencesCount) {
    std::vector<ObjectId> ps = BodyText({"alpha beta.", "beta gamma."});
    Int(ps[1], kPropTextClass, 0);
    std::map<std::string, int> counts = CollectSortCount();
    EXPECT_EQ(counts, (std::map<std::string, int>{{"alpha", 1}, {"beta", 2}}));
}

TEST_F(Words, OneWalkGivesTheListAndCountsOfTheThreeSteps) {
    struct Case {
        const char* name;
        std::vector<std::string> paragraphs;
        std::vector<std::size_t> excluded; // text class 0
    };
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "w" + std::to_string(i % 120) + " ";
    const Case cases[] = {
        {"no text", {""}, {}},
        {"one paragraph", {"The cat. the Cat sat"}, {}},
        {"excluded last", {"alpha beta.", "beta gamma."}, {1}},
        // Words met first where they are not listed, then where they are: every occurrence counts.
        {"excluded first", {"beta gamma. gamma beta", "alpha beta."}, {0}},
        {"only excluded", {"alpha beta.", "gamma."}, {0, 1}},
        {"excluded between", {"Go now.", "now go Go now", "delta now."}, {1}},
        {"many words", {many, "w5 w119 w200.", many}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ObjectId> ps = BodyText(c.paragraphs);
        for (std::size_t i : c.excluded)
            Int(ps[i], kPropTextClass, 0);
        StrListFree(list_);
        list_ = StrListNew(1, 1);
        WordCountsFree(&counts_);
        const std::map<std::string, int> expected = CollectSortCount();
        const std::vector<std::string> expectedOrder = Items(list_);
        StrList* list = StrListNew(1, 1);
        WordCounts counts = CollectAndCountWords(kWiredDoc, list);
        EXPECT_EQ(Items(list), expectedOrder);
        ASSERT_EQ(counts.count, StrListCount(list));
        std::map<std::string, int> got;
        for (std::uint32_t i = 0; i < counts.count; ++i)
            got[StrListGet(list, i)] = counts.items[i];
        EXPECT_EQ(got, expected);
        WordCountsFree(&counts);
        StrListFree(list);
    }
}

TEST_F(Words, CountsAreSizedToTheListBeyondFiftyThousandWords) {
    std::string text;
    constexpr int kDistinct = 50100;
    for (int i = 0; i < kDistinct; ++i)
        text += "w" + std::to_string(i) + " ";
    text += "w50099 w0";
    BodyText({text});
    std::map<std::string, int> counts = CollectSortCount();
    EXPECT_EQ(counts.size(), static_cast<std::size_t>(kDistinct));
    EXPECT_EQ(counts["w50099"], 2);
    EXPECT_EQ(counts["w0"], 2);
    EXPECT_EQ(counts["w50000"], 1);
}

TEST_F(Words, AWordListedTwiceIsCountedAtItsFirstPlaceAndUnlistedWordsNowhere) {
    BodyText({"alpha beta beta gamma"});
    for (const char* w : {"beta", "alpha", "beta", "delta"})
        StrListAppend(list_, w);
    counts_ = WordCountsNew(StrListCount(list_));
    CountWordOccurrences(kWiredDoc, list_, &counts_);
    EXPECT_EQ(std::vector<int>(counts_.items, counts_.items + counts_.count),
              (std::vector<int>{2, 1, 0, 0}));
}

TEST_F(Words, WordsAfterACandidateWithoutTextAreCounted) {
    BodyText({"Go!!! Go now. Now?! go"});
    EXPECT_EQ(CollectSortCount(),
              (std::map<std::string, int>{{"Go", 2}, {"go", 1}, {"Now", 1}, {"now", 1}}));
}

TEST_F(Words, ABookCollectsIntoTheSameListWithoutRepeats) {
    BodyText({"one two"});
    CollectWords(kWiredDoc, list_);
    Text(Id(kPara, 1), "two three");
    CollectWords(kWiredDoc, list_);
    EXPECT_EQ(Items(list_), (std::vector<std::string>{"one", "two", "three"}));
}

// Whichever allocation fails during a collection, the list holds each word once and only words
// of the document: the word index that cannot grow searches the list instead, and a word that
// cannot be copied is dropped (and taken at its next appearance).
TEST_F(Words, ACollectionShortOfMemoryListsNoWordTwice) {
    std::string text;
    for (int i = 0; i < 40; ++i) // enough distinct words for the index to grow twice
        text += "w" + std::to_string(i % 37) + " ";
    BodyText({text, "w1 w2 w36 w40."});
    CollectWords(kWiredDoc, list_);
    const std::vector<std::string> all = Items(list_);
    ASSERT_EQ(all.size(), 38u);
    for (std::int64_t failAt = 1;; ++failAt) {
        StrList* list = StrListNew(1, 1);
        AllocFailCountdown = failAt;
        CollectWords(kWiredDoc, list);
        const bool failed = AllocFailCountdown == 0;
        AllocFailCountdown = 0;
        std::vector<std::string> got = Items(list);
        StrListFree(list);
        std::set<std::string> distinct(got.begin(), got.end());
        EXPECT_EQ(distinct.size(), got.size()) << "allocation " << failAt;
        for (const std::string& w : got)
            EXPECT_NE(std::find(all.begin(), all.end(), w), all.end()) << w << ", " << failAt;
        if (!failed)
            break;
    }
}

} // namespace
