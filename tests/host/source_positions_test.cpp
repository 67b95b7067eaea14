// Source positions: a hand-made file per format, with the line and column (counted by hand) of
// every paragraph and of sentences chosen where the text does not stand in the file as written
// (markup, character references, escapes, indentation, a line of its own).
#include "host/formats/source_positions.h"
#include "host/model/model.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace lxhost {

void PrintTo(const SourcePos& pos, std::ostream* os) {
    *os << pos.line << ":" << pos.column;
}

namespace {

struct Expected {
    std::string text; // the paragraph's first words, or a sentence's
    std::uint32_t line, column;
};

struct PositionCase {
    const char* file;
    std::vector<Expected> paragraphs; // every paragraph with text, in the order they were made
    std::vector<Expected> sentences;  // where the text at the first match begins
};

const std::vector<PositionCase> kCases = {
    {"guide.md",
     {{"Getting started", 4, 3},
      {"This guide", 6, 1},
      {"A list item", 10, 3},
      {"A quoted", 13, 3},
      {"Column one", 15, 3},
      {"Column two", 15, 16},
      {"First cell", 17, 3},
      {"Second cell", 17, 22},
      {"Footnote here", 19, 1},
      {"The note", 21, 7}},
     {{"It is short", 6, 35},
      {"An indented", 8, 4},
      {"It has", 10, 43},
      {"With &", 13, 23},
      {"Then *escape*", 13, 45},
      {"Last one", 13, 67},
      {"It continues", 22, 5}}},
    {"page.html",
     {{"Main heading", 5, 5},
      {"First sentence", 6, 4},
      {"An emphasised", 9, 4},
      {"Item text", 11, 7},
      {"Head cell", 14, 11},
      {"Body cell", 14, 29}},
     {{"Second sentence", 6, 25}, {"Then a link", 9, 44}, {"Another one", 11, 18}}},
    {"chapter.xml",
     {{"Chapter title", 6, 10},
      {"The first", 7, 9},
      {"With markup", 9, 9},
      {"The Aquila", 10, 9},
      {"Listed item", 12, 21}},
     {{"It has", 7, 30}, {"Final words", 9, 74}, {"Runs well", 10, 35}}},
    {"topic.dita",
     {{"Topic title", 4, 10}, {"Body text", 6, 8}, {"Press Start", 8, 8}, {"One item", 9, 13}},
     {{"It spans", 6, 24}, {"Then wait", 8, 48}, {"Two.", 9, 23}}},
    {"notes.txt",
     {{"First paragraph", 1, 1}, {"A tabbed", 4, 2}},
     {{"Second sentence", 1, 30},
      {"Third one", 2, 29},
      {"Two spaces", 4, 23},
      {"Indented line", 5, 4},
      {"After accent", 5, 25}}},
    {"chapter.mif",
     {{"First sentence", 3, 2}, {"A heading", 8, 2}},
     {{"First sentence", 5, 22},
      {"Second one", 5, 38},
      {"Third >", 6, 22},
      {"Fifth one", 6, 41},
      {"Fourth sentence", 6, 63},
      {"A heading", 8, 47}}},
};

void PrintTo(const PositionCase& c, std::ostream* os) {
    *os << c.file;
}

class SourcePositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(SourcePositions, EveryParagraphAndTheChosenSentencesAreWhereTheFileHasThem) {
    const PositionCase& c = GetParam();
    if (!test::ReaderBuiltFor(c.file))
        GTEST_SKIP() << "no reader for " << c.file << " in this build";
    Session session;
    std::vector<PropEntry> returned;
    std::string error;
    ObjectId id = 0;
    ASSERT_EQ(
        session.Open(std::string(LX_POSITIONS_DIR) + "/" + c.file, {}, &id, &returned, &error), kOk)
        << error;
    Document& doc = *session.FindDocument(id);

    std::vector<const Paragraph*> withText;
    for (const Paragraph& p : doc.paras) {
        if (!p.body.text().empty()) {
            withText.push_back(&p);
        }
    }
    ASSERT_EQ(withText.size(), c.paragraphs.size());
    for (std::size_t i = 0; i < withText.size(); ++i) {
        const Expected& e = c.paragraphs[i];
        EXPECT_TRUE(withText[i]->body.text().starts_with(e.text)) << withText[i]->body.text();
        EXPECT_EQ(withText[i]->source, (SourcePos{e.line, e.column})) << e.text;
    }
    for (const Expected& e : c.sentences) {
        bool found = false;
        for (const Paragraph* p : withText) {
            const std::size_t at = p->body.text().find(e.text);
            if (at != std::string::npos) {
                EXPECT_EQ(doc.SourceAt(p->id, static_cast<std::int32_t>(at)),
                          (SourcePos{e.line, e.column}))
                    << e.text;
                found = true;
                break;
            }
        }
        EXPECT_TRUE(found) << e.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SourcePositions, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

// Only where the text stops following the source a character a column is a mark kept: a
// paragraph on one line has none, one on three lines two.
TEST(SourceMarks, AreKeptOnlyWhereTheTextDoesNotFollowOn) {
    Session session;
    Document& doc = session.NewDocument();
    doc.AddDefaultFormats();
    const ObjectId flow = doc.AddFlow("A");
    const ObjectId one = doc.AppendParagraph(flow, 0);
    const ObjectId three = doc.AppendParagraph(flow, 0);
    doc.MarkSource(one, 0, {1, 1});
    doc.MarkSource(one, 10, {1, 11}); // follows on: no mark
    doc.MarkSource(three, 0, {3, 5});
    doc.MarkSource(three, 20, {4, 1});
    doc.MarkSource(three, 40, {5, 3});
    doc.MarkSource(three, 45, {5, 8}); // follows on
    doc.FinishSourceMarks();
    EXPECT_EQ(doc.sourceMarks.size(), 2u);

    const struct {
        ObjectId para;
        std::int32_t offset;
        SourcePos pos;
    } lookups[] = {
        {one, 0, {1, 1}},    {one, 14, {1, 15}},   {three, 0, {3, 5}},   {three, 19, {3, 24}},
        {three, 20, {4, 1}}, {three, 39, {4, 20}}, {three, 50, {5, 13}},
    };
    for (const auto& l : lookups) {
        EXPECT_EQ(doc.SourceAt(l.para, l.offset), l.pos) << l.offset;
    }
    // A paragraph that no reader placed has no position.
    EXPECT_FALSE(doc.SourceAt(doc.AppendParagraph(flow, 0), 3).known());
}

// Marks too wide for four bytes, one after another (a long paragraph full of markup): the table
// grows by a part of what it holds, not by one mark, or reading such a paragraph takes time in
// the square of its marks.
TEST(SourceMarks, WideMarksGrowTheTableInFewSteps) {
    Session session;
    Document& doc = session.NewDocument();
    doc.AddDefaultFormats();
    const ObjectId para = doc.AppendParagraph(doc.AddFlow("A"), 0);
    doc.MarkSource(para, 0, {1, 1});
    int growths = 0;
    std::size_t capacity = doc.sourceMarks.capacity();
    constexpr int kMarks = 20000;
    for (int i = 1; i <= kMarks; ++i) {
        // Past 65,535 bytes and 127 columns on: each mark is kept whole.
        doc.MarkSource(para, 70000 + 3 * i, {1, static_cast<std::uint32_t>(200 + 5 * i)});
        if (doc.sourceMarks.capacity() != capacity) {
            ++growths;
            capacity = doc.sourceMarks.capacity();
        }
    }
    EXPECT_EQ(doc.sourceMarks.size(), static_cast<std::size_t>(kMarks));
    EXPECT_LT(growths, 40);
    doc.FinishSourceMarks();
    EXPECT_EQ(doc.SourceAt(para, 70000 + 3 * kMarks), (SourcePos{1, 200 + 5 * kMarks}));
}

// A mark is kept in four bytes when its offset, column and line (from the paragraph's) are small,
// whole otherwise; paragraphs whose marks interleave (the text after a footnote goes on in the
// paragraph that anchors it) are put back together. Every position reads back as it was given.
TEST(SourceMarks, ReadBackAsGivenWhateverTheirSize) {
    struct Mark {
        int para; // index into the case's paragraphs
        std::int32_t offset;
        SourcePos pos;
    };
    struct Case {
        const char* what;
        std::vector<SourcePos> starts; // each paragraph's own position, given at offset 0
        std::vector<Mark> marks;       // in the order they are given
    };
    const Case cases[] = {
        {"small figures", {{10, 1}}, {{0, 5, {11, 3}}, {0, 9, {12, 1}}}},
        {"a line far from the paragraph's",
         {{10, 1}},
         {{0, 5, {265, 3}}, {0, 9, {266, 1}}, {0, 12, {7000000, 1}}}},
        {"a line before the paragraph's", {{10, 4}}, {{0, 5, {9, 3}}, {0, 8, {10, 1}}}},
        {"a wide column", {{1, 1}}, {{0, 5, {2, 127}}, {0, 9, {2, 128}}, {0, 20, {3, 90000}}}},
        {"a long paragraph",
         {{1, 1}},
         {{0, 65535, {2, 1}}, {0, 65536, {3, 1}}, {0, 3000000, {4, 2}}, {0, 3000010, {5, 1}}}},
        {"paragraphs that interleave",
         {{1, 1}, {5, 1}, {9, 1}},
         {{0, 4, {2, 1}},
          {1, 3, {6, 1}},
          {0, 8, {3, 1}},
          {2, 2, {10, 300}},
          {0, 70000, {4, 1}},
          {1, 9, {7, 2}}}},
        {"at the same offset: the last given", {{1, 1}}, {{0, 5, {2, 1}}, {0, 5, {3, 1}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session session;
        Document& doc = session.NewDocument();
        doc.AddDefaultFormats();
        const ObjectId flow = doc.AddFlow("A");
        std::vector<ObjectId> paras;
        for (const SourcePos& start : c.starts) {
            paras.push_back(doc.AppendParagraph(flow, 0));
            doc.MarkSource(paras.back(), 0, start);
        }
        for (const Mark& m : c.marks) {
            doc.MarkSource(paras[m.para], m.offset, m.pos);
        }
        doc.FinishSourceMarks();
        // What SourceAt answers: the last mark at or before the offset, the column counted on
        // from it; the paragraph's own position before its first mark.
        for (std::size_t p = 0; p < paras.size(); ++p) {
            SourcePos expected = c.starts[p];
            std::int32_t from = 0;
            std::vector<std::int32_t> probes{0, 1};
            for (const Mark& m : c.marks) {
                if (m.para == static_cast<int>(p)) {
                    probes.insert(probes.end(), {m.offset - 1, m.offset, m.offset + 2});
                }
            }
            std::sort(probes.begin(), probes.end());
            for (const std::int32_t at : probes) {
                for (const Mark& m : c.marks) {
                    if (m.para == static_cast<int>(p) && m.offset <= at && m.offset >= from) {
                        expected = m.pos;
                        from = m.offset;
                    }
                }
                const SourcePos want{expected.line,
                                     expected.column + static_cast<std::uint32_t>(at - from)};
                EXPECT_EQ(doc.SourceAt(paras[p], at), want) << "paragraph " << p << " at " << at;
            }
        }
        // The list holds each paragraph's marks together, in the order they were given.
        std::vector<SourceMark> list = doc.SourceMarkList();
        ASSERT_EQ(list.size(), c.marks.size());
        std::size_t i = 0;
        for (std::size_t p = 0; p < paras.size(); ++p) {
            for (const Mark& m : c.marks) {
                if (m.para == static_cast<int>(p)) {
                    EXPECT_EQ(list[i].para, paras[p]);
                    EXPECT_EQ(list[i].offset, m.offset);
                    EXPECT_EQ(list[i].pos, m.pos) << i;
                    ++i;
                }
            }
        }
    }
}

// Text is found past markup the parser does not hand out, and cut where a character reference
// or an escape stands for a character.
TEST(TextLocator, CutsTextWhereTheSourceWritesItOtherwise) {
    const std::string source = "<p>a &amp; b<!-- <p>x</p> --> c\\*d</p>";
    SourceIndex index(source);
    TextLocator markup(index, SourceSyntax::Markup);
    const auto& first = markup.Locate("a & b");
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].text, "a ");
    EXPECT_EQ(first[0].at, 3u);
    EXPECT_EQ(first[1].text, "&");
    EXPECT_EQ(first[1].at, 5u);
    EXPECT_EQ(first[2].text, " b");
    EXPECT_EQ(first[2].at, 10u);
    const auto& second = markup.Locate(" c\\*d");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].at, 29u);

    TextLocator markdown(index, SourceSyntax::Markdown);
    const auto& escaped = markdown.LocateNear("c*d", 30);
    ASSERT_EQ(escaped.size(), 2u);
    EXPECT_EQ(escaped[1].text, "*d");
    EXPECT_EQ(escaped[1].at, 32u);
    // Text that is nowhere in the source is one piece without a place.
    EXPECT_EQ(markup.Locate("nowhere at all")[0].at, std::string_view::npos);
}

} // namespace
} // namespace lxhost
