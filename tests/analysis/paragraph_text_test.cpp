#include "analysis/tokenizer.h"

#include "tests/analysis/fake_text_host.h"

#include "runtime/api.h"
#include "runtime/connection.h"
#include "support/mem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr ObjectId kDoc = 0x01000007;
constexpr ObjectId kParagraph = 0x0B000042;
// Data types of items other than strings, as a paragraph's text may hold them.
constexpr std::int32_t kItemMarker = 4;
constexpr std::int32_t kItemFrameAnchor = 9;

class ParagraphTextTest : public ::testing::Test {
  protected:
    FakeApi api;
    FakeHost host{&api};

    void SetUp() override {
        ASSERT_EQ(ClientConnect(&host), 0);
#if !defined(_WIN32)
        liveBefore = TaskMemGetStats().liveBlocks;
#endif
    }
    void TearDown() override {
#if !defined(_WIN32)
        EXPECT_EQ(TaskMemGetStats().liveBlocks, liveBefore) << "host memory not released";
#endif
        ClientShutdown();
        EXPECT_EQ(api.refs, 0u);
    }

    ReadabilityCounts Count() {
        ReadabilityCounts counts{};
        CountParagraphText(kDoc, kParagraph, &counts);
        return counts;
    }

  private:
    std::uint64_t liveBefore = 0;
};

TEST_F(ParagraphTextTest, AsksForTheWholeObjectAsStrings) {
    api.items = {{kTextItemString, "Hello world", 0}};
    Count();
    EXPECT_EQ(api.getTextCalls, 1);
    EXPECT_EQ(api.lastDoc, kDoc);
    EXPECT_EQ(api.lastRange.begin.obj, kParagraph);
    EXPECT_EQ(api.lastRange.begin.offset, 0);
    EXPECT_EQ(api.lastRange.end.obj, kParagraph);
    EXPECT_EQ(api.lastRange.end.offset, kTextOffsetEnd);
    EXPECT_EQ(api.lastFlags, 1);
}

TEST_F(ParagraphTextTest, JoinsStringRunsAndIgnoresOtherItems) {
    const struct {
        const char* name;
        std::vector<FakeItem> items;
        ReadabilityCounts expected;
    } cases[] = {
        {"runs joined in order, other items between them",
         {{kTextItemString, "The cat sat on the mat. ", 0},
          {kItemMarker, "", 0x12345678},
          {kTextItemString, "It was a beau", 0},
          {kItemFrameAnchor, "", 1},
          {kTextItemString, "tiful day!", 0}},
         {0, 2, 13, 11, 35, 1}},
        {"one run between other items",
         {{kItemMarker, "", 3},
          {kTextItemString, "Hello world. Bye", 0},
          {kItemFrameAnchor, "", 4}},
         {0, 2, 4, 3, 13, 0}},
        {"one empty run", {{kTextItemString, "", 0}}, {}},
        {"word split across runs stays one word",
         {{kTextItemString, "read", 0}, {kTextItemString, "ability", 0}},
         {0, 1, 5, 1, 11, 1}},
        {"only items of other types", {{kItemMarker, "", 7}, {kItemFrameAnchor, "", 8}}, {}},
        {"no items at all", {}, {}},
        {"empty string runs", {{kTextItemString, "", 0}, {kTextItemString, "", 0}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        api.items = c.items;
        const ReadabilityCounts got = Count();
        EXPECT_EQ(got.paragraphs, c.expected.paragraphs);
        EXPECT_EQ(got.sentences, c.expected.sentences);
        EXPECT_EQ(got.syllables, c.expected.syllables);
        EXPECT_EQ(got.words, c.expected.words);
        EXPECT_EQ(got.characters, c.expected.characters);
        EXPECT_EQ(got.complexWords, c.expected.complexWords);
    }
}

TEST_F(ParagraphTextTest, AddsToTheCallersTotals) {
    api.items = {{kTextItemString, "Hello world", 0}};
    ReadabilityCounts counts = {3, 1, 1, 1, 1, 1};
    CountParagraphText(kDoc, kParagraph, &counts);
    CountParagraphText(kDoc, kParagraph, &counts);
    EXPECT_EQ(counts.paragraphs, 3);
    EXPECT_EQ(counts.sentences, 3);
    EXPECT_EQ(counts.syllables, 7);
    EXPECT_EQ(counts.words, 5);
    EXPECT_EQ(counts.characters, 21);
    EXPECT_EQ(counts.complexWords, 1);
}

TEST_F(ParagraphTextTest, HostFailureAddsNothing) {
    api.items = {{kTextItemString, "Hello world", 0}};
    api.hostError = -5;
    const ReadabilityCounts got = Count();
    EXPECT_EQ(got.sentences, 0);
    EXPECT_EQ(got.words, 0);
    EXPECT_EQ(ApiErrno, -5);
}

TEST(ParagraphTextUnconnected, AddsNothing) {
    ReadabilityCounts counts{};
    CountParagraphText(kDoc, kParagraph, &counts);
    EXPECT_EQ(counts.sentences, 0);
    EXPECT_EQ(ApiErrno, kApiErrNotConnected);
    CountParagraphText(kDoc, kParagraph, nullptr);
}

TEST(JoinTextItems, StringItemsOnly) {
    char first[] = "ab";
    char second[] = "cd";
    TextItem items[] = {
        {0, kTextItemString, {first}},
        {2, kItemMarker, {nullptr}},
        {2, kTextItemString, {nullptr}},
        {2, kTextItemString, {second}},
    };
    items[1].u.idata = 99;
    TextItemList list = {4, items};
    char* joined = JoinTextItems(&list);
    EXPECT_STREQ(joined, "abcd");
    MemFree(joined);

    TextItemList markersOnly = {1, &items[1]};
    EXPECT_EQ(JoinTextItems(&markersOnly), nullptr);
    TextItemList empty = {0, nullptr};
    EXPECT_EQ(JoinTextItems(&empty), nullptr);
    EXPECT_EQ(JoinTextItems(nullptr), nullptr);

    char nothing[] = "";
    TextItem emptyString = {0, kTextItemString, {nothing}};
    TextItemList emptyText = {1, &emptyString};
    char* joinedEmpty = JoinTextItems(&emptyText);
    EXPECT_STREQ(joinedEmpty, ""); // a string item, though empty: not null
    MemFree(joinedEmpty);
}

} // namespace
