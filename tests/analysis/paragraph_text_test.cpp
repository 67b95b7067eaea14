#include "analysis/tokenizer.h"

#include "runtime/api.h"
#include "runtime/connection.h"
#include "support/mem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A text item as the fake host hands it out: a string for data type 1, a plain value otherwise.
struct FakeItem {
    std::int32_t dataType;
    std::string text;
    ObjectId value;
};

// The host API as far as fetching text goes; every other slot fails. Items are handed out in task
// memory, which the client releases after copying them.
struct FakeApi final : ApiHostInterfaceFailing {
    std::vector<FakeItem> items;
    std::int32_t hostError = 0;
    int getTextCalls = 0;
    ObjectId lastDoc = 0;
    TextRange lastRange{};
    std::int32_t lastFlags = 0;
    ULONG refs = 0;

    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualGUID(iid, kIidHostApi)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<ApiHostInterface*>(this);
        return S_OK;
    }
    ULONG LX_STDCALL AddRef() override { return ++refs; }
    ULONG LX_STDCALL Release() override { return --refs; }

    HRESULT LX_STDCALL GetText(ObjectId doc, const TextRange* range, std::int32_t flags,
                               std::int32_t* err, TextItemList* result) override {
        ++getTextCalls;
        lastDoc = doc;
        lastRange = *range;
        lastFlags = flags;
        if (hostError) {
            *err = hostError;
            return S_OK;
        }
        auto* out = static_cast<TextItem*>(CoTaskMemAlloc(items.size() * sizeof(TextItem)));
        for (std::size_t i = 0; i < items.size(); ++i) {
            out[i].offset = static_cast<std::int32_t>(i);
            out[i].dataType = items[i].dataType;
            if (items[i].dataType == kTextItemString) {
                char* s = static_cast<char*>(CoTaskMemAlloc(items[i].text.size() + 1));
                std::memcpy(s, items[i].text.c_str(), items[i].text.size() + 1);
                out[i].u.sdata = s;
            } else {
                out[i].u.idata = items[i].value;
            }
        }
        result->count = static_cast<std::uint32_t>(items.size());
        result->items = out;
        *err = 0;
        return S_OK;
    }
};

// The host object the client connects to: it offers the API interface and nothing else.
struct FakeHost final : IUnknown {
    FakeApi* api;
    explicit FakeHost(FakeApi* a) : api(a) {}
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        if (IsEqualGUID(iid, kIidHostApi))
            return api->QueryInterface(iid, out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG LX_STDCALL AddRef() override { return 1; }
    ULONG LX_STDCALL Release() override { return 1; }
};

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
