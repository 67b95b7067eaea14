// Word-list documents written into the host's model.
#include "output/word_list.h"

#include "output_host.h"
#include "support/str_list.h"

#include <algorithm>

namespace {

using Paras = std::vector<std::pair<std::string, std::string>>;

class WordListOutput : public OutputHost {
  protected:
    StrList* List(std::initializer_list<const char*> words) {
        StrList* list = StrListNew(1, 1);
        for (const char* w : words)
            StrListAppend(list, w);
        lists_.push_back(list);
        return list;
    }
    void TearDown() override {
        for (StrList* l : lists_)
            StrListFree(l);
        OutputHost::TearDown();
    }
    std::vector<StrList*> lists_;
};

TEST_F(WordListOutput, OneParagraphPerWordWithItsWholeCountAndTheUniqueTotal) {
    StrList* list = List({"Apple", "apple", "Banana"});
    std::int32_t values[] = {7, 1, 123456789};
    WordCounts counts = {values, 3};
    ObjectId doc = WriteWordList(list, &counts);
    WriteUniqueWordTotal(list, doc);
    EXPECT_EQ(Paragraphs(doc), (Paras{{"Heading2", "Words"},
                                      {"Body", "Apple    7"},
                                      {"Body", "apple    1"},
                                      {"Body", "Banana    123456789"}, // never cut to 8 digits
                                      {"Body", ""},
                                      {"Body", "Total unique words: 2"}}));
}

TEST_F(WordListOutput, WithoutCountsThereIsNoTotal) {
    ObjectId doc = WriteWordList(List({"one", "two"}), nullptr);
    EXPECT_EQ(Paragraphs(doc), (Paras{{"Heading2", "Words"}, {"Body", "one"}, {"Body", "two"}}));
    ObjectId empty = WriteWordList(List({}), nullptr);
    EXPECT_EQ(Paragraphs(empty), (Paras{{"Heading2", "Words"}}));
}

TEST_F(WordListOutput, UniqueWordsCountACapitalisedWordOnceWhenItsSmallFormIsListed) {
    struct Case {
        std::vector<const char*> words;
        const char* total;
    };
    const Case cases[] = {
        {{"Apple", "apple", "Banana"}, "Total unique words: 2"},
        {{"APPLE", "Apple"}, "Total unique words: 2"},
        {{"The", "cat", "the", "Cat"}, "Total unique words: 2"},
        {{"\x80x", "\x8Ax"}, "Total unique words: 2"}, // accented capitals are not folded
        {{}, "Total unique words: 0"},
    };
    for (const Case& c : cases) {
        StrList* list = StrListNew(1, 1);
        for (const char* w : c.words)
            StrListAppend(list, w);
        ObjectId doc = WriteWordList(list, nullptr);
        WriteUniqueWordTotal(list, doc);
        EXPECT_EQ(Paragraphs(doc).back().second, c.total);
        StrListFree(list);
    }
}

TEST_F(WordListOutput, DisplayUpdatingIsOffWhileTheListIsWrittenThenOneRedisplay) {
    Model().events.clear();
    ObjectId doc = WriteWordList(List({"a", "b"}), nullptr);
    std::vector<lxhost::EventType> seen;
    for (const lxhost::HostEvent& e : Model().events)
        if (e.type == lxhost::EventType::DisplayUpdating || e.type == lxhost::EventType::Redisplay)
            seen.push_back(e.type);
    EXPECT_EQ(seen, (std::vector<lxhost::EventType>{lxhost::EventType::DisplayUpdating,
                                                    lxhost::EventType::DisplayUpdating,
                                                    lxhost::EventType::Redisplay}));
    EXPECT_EQ(Model().displayUpdating, 1);
    EXPECT_EQ(Model().events.back().object, doc);
}

TEST_F(WordListOutput, TheTemplateMakesTheDocumentWhenItIsInstalled) {
    Model().installDir = LX_TEST_INSTALL_DIR; // holds LXOutput.fm
    ObjectId fromTemplate = WriteWordList(List({"x"}), nullptr);
    Model().installDir = dir_.string(); // no template here
    ObjectId custom = WriteWordList(List({"x"}), nullptr);
    ASSERT_NE(fromTemplate, 0u);
    ASSERT_NE(custom, 0u);
    EXPECT_EQ(Model().FindDocument(fromTemplate)->pageWidth, 612 * kMetricPoint); // 8.5 in
    EXPECT_EQ(Model().FindDocument(custom)->pageWidth, 576 * kMetricPoint);       // 8 in
    EXPECT_EQ(Paragraphs(fromTemplate), Paragraphs(custom));
}

} // namespace
