// The sample manual and article load, and hold the constructs they are there to show.
#include "host/formats/mif_writer.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lxhost {
namespace {

using test::Chain;
using test::IdOf;
using test::IntOf;
using test::TextOf;
using test::WalkedTexts;

const std::string kSamples = LX_SAMPLES_DIR;

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& t : texts) {
        all += t + "\n";
    }
    return all;
}

TEST(Samples, TheBookListsItsChaptersWithTheContentsExcluded) {
    Session s;
    ObjectId book = 0;
    std::vector<PropEntry> returned;
    std::string error;
    ASSERT_EQ(s.Open(kSamples + "/manual/aquila-manual.book", {}, &book, &returned, &error), kOk)
        << error;
    std::vector<std::pair<std::string, int>> comps;
    for (ObjectId c : Chain(s, book, IdOf(s, 0, book, kPropFirstComponent), kPropNextComponent)) {
        std::string path;
        s.GetString(book, c, kPropPath, &path);
        comps.emplace_back(path.substr(path.find_last_of("/\\") + 1),
                           IntOf(s, book, c, kPropExcluded));
        ObjectId doc = 0;
        ASSERT_EQ(s.Open(path, {}, &doc, &returned, &error), kOk) << error;
        EXPECT_FALSE(WalkedTexts(s, doc).empty()) << path;
    }
    EXPECT_EQ(comps, (std::vector<std::pair<std::string, int>>{{"toc.mif", 1},
                                                               {"ch1-introduction.mif", 0},
                                                               {"ch2-installation.mif", 0},
                                                               {"ch3-operation.mif", 0}}));
}

TEST(Samples, ChaptersHoldWhatTheyShow) {
    Session s;
    std::string error;
    std::vector<PropEntry> returned;
    ObjectId ch1 = 0, ch2 = 0, ch3 = 0;
    ASSERT_EQ(s.Open(kSamples + "/manual/ch1-introduction.mif", {}, &ch1, &returned, &error), kOk)
        << error;
    ASSERT_EQ(s.Open(kSamples + "/manual/ch2-installation.mif", {}, &ch2, &returned, &error), kOk)
        << error;
    ASSERT_EQ(s.Open(kSamples + "/manual/ch3-operation.mif", {}, &ch3, &returned, &error), kOk)
        << error;
    const std::string text1 = Joined(WalkedTexts(s, ch1));
    const std::string text2 = Joined(WalkedTexts(s, ch2));
    // Special characters: tab, hard space, dashes, curly quotes, ellipsis, from MIF 7 and 2015.
    for (const char* c : {"\x08", "\x11", "\xD0", "\xD1", "\xD2", "\xD3", "\xC9"}) {
        EXPECT_NE(text1.find(c), std::string::npos) << int(static_cast<unsigned char>(*c));
    }
    for (const char* c : {"\x08", "\xD0", "\xD2", "\xD5", "\xB0", "\xA1"}) {
        EXPECT_NE(text2.find(c), std::string::npos) << int(static_cast<unsigned char>(*c));
    }
    EXPECT_EQ(text2.find('?'), std::string::npos);
    // The figure's label is counted, the running header, reference and hidden text are not.
    EXPECT_NE(text1.find("Figure 1-1. Contents of the box"), std::string::npos);
    EXPECT_NE(text1.find("the Aquila 300 series"), std::string::npos);
    for (const char* hidden : {"Operator\xD5s Manual", "Reference page", "Hidden text",
                               "Service note", "Reference artwork"}) {
        EXPECT_EQ(text1.find(hidden), std::string::npos) << hidden;
    }
    EXPECT_NE(IdOf(s, 0, ch1, kPropFirstFootnote), 0u);
    EXPECT_NE(IdOf(s, 0, ch3, kPropFirstFootnote), 0u);

    // Chapter 2's table: a heading row, and a straddle covering the last cell of a row.
    const ObjectId table = IdOf(s, 0, ch2, kPropFirstTable);
    ASSERT_NE(table, 0u);
    const std::vector<ObjectId> rows =
        Chain(s, ch2, IdOf(s, ch2, table, kPropFirstRow), kPropNextRow);
    ASSERT_EQ(rows.size(), 5u);
    const std::vector<ObjectId> last =
        Chain(s, ch2, IdOf(s, ch2, rows.back(), kPropFirstCell), kPropNextCell);
    ASSERT_EQ(last.size(), 4u);
    EXPECT_EQ(IntOf(s, ch2, last[2], kPropCellShown), 1);
    EXPECT_EQ(IntOf(s, ch2, last[3], kPropCellShown), 0);
    const std::string rendered = RenderText(*s.FindDocument(ch2));
    EXPECT_NE(rendered.find("Model    Motor power"), std::string::npos) << rendered;
}

TEST(Samples, TheArticleIsPlainText) {
    Session s;
    ObjectId doc = 0;
    std::vector<PropEntry> returned;
    ASSERT_EQ(s.Open(kSamples + "/article.txt", {}, &doc, &returned), kOk);
    const std::vector<std::string> paras = WalkedTexts(s, doc);
    ASSERT_EQ(paras.size(), 10u);
    EXPECT_EQ(paras[0], "Why plain procedures save money");
    EXPECT_TRUE(std::all_of(paras.begin(), paras.end(), [](const std::string& p) {
        return p.find('\n') == std::string::npos;
    }));
}

} // namespace
} // namespace lxhost
