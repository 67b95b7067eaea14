// Text bodies, FrameRoman conversion and MIF numbers: the small pieces everything else rests on.
#include "host/formats/frameroman.h"
#include "host/formats/mif_lexer.h"
#include "host/formats/plain_text_reader.h"
#include "host/model/builder.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

namespace lxhost {
namespace {

// A body as "[run][run]<a>" for comparison: runs in brackets, anchors as <value>.
std::string Shape(const TextBody& b) {
    std::string out;
    for (const Segment& s : b.segs()) {
        if (s.type == SegType::Run) {
            out += "[" +
                   std::string(b.text().substr(static_cast<std::size_t>(s.offset),
                                               static_cast<std::size_t>(s.length))) +
                   "]";
        } else {
            out += "<" + std::to_string(s.value) + "@" + std::to_string(s.offset) + ">";
        }
    }
    return out;
}

TextBody Body() {
    TextBody b;
    b.Append("abc", true);
    b.AddAnchor(SegType::TableAnchor, 7);
    b.Append("def", true);
    b.Append("g", false); // joins the run before it
    return b;
}

// A body of one run stores no segment, a longer one stores them all: copies and moves of either
// keep every segment, and what was moved from is empty and usable.
TEST(TextBody, CopiesAndMovesKeepTheSegments) {
    TextBody one;
    one.Append("abc", true);
    const struct {
        TextBody body;
        const char* shape;
    } cases[] = {{TextBody{}, ""}, {one, "[abc]"}, {Body(), "[abc]<7@3>[defg]"}};
    for (const auto& c : cases) {
        TextBody copy = c.body;
        EXPECT_EQ(Shape(copy), c.shape);
        TextBody assigned = Body();
        assigned = copy;
        EXPECT_EQ(Shape(assigned), c.shape);
        TextBody moved = std::move(copy);
        EXPECT_EQ(Shape(moved), c.shape);
        EXPECT_TRUE(copy.segs().empty());
        copy.Append("x", true);
        copy.AddAnchor(SegType::Marker, 3);
        EXPECT_EQ(Shape(copy), "[x]<3@1>");
        assigned = std::move(moved);
        EXPECT_EQ(Shape(assigned), c.shape);
        EXPECT_EQ(Shape(c.body), c.shape);
    }
}

TEST(TextBody, InsertMakesARunOfItsOwnBeforeAnchorsAtThePoint) {
    const struct {
        std::int32_t offset;
        const char* shape;
    } cases[] = {
        {0, "[XY][abc]<7@5>[defg]"},   {1, "[a][XY][bc]<7@5>[defg]"}, {3, "[abc][XY]<7@5>[defg]"},
        {5, "[abc]<7@3>[de][XY][fg]"}, {7, "[abc]<7@3>[defg][XY]"},
    };
    for (const auto& c : cases) {
        TextBody b = Body();
        EXPECT_EQ(Shape(b), "[abc]<7@3>[defg]");
        b.Insert(c.offset, "XY");
        EXPECT_EQ(Shape(b), c.shape) << c.offset;
        EXPECT_EQ(b.size(), 9);
    }
}

TEST(TextBody, SplitMovesTheTailWithItsAnchors) {
    const struct {
        std::int32_t offset;
        const char* head;
        const char* tail;
    } cases[] = {
        {0, "", "[abc]<7@3>[defg]"},   {2, "[ab]", "[c]<7@1>[defg]"}, {3, "[abc]", "<7@0>[defg]"},
        {5, "[abc]<7@3>[de]", "[fg]"}, {7, "[abc]<7@3>[defg]", ""},
    };
    for (const auto& c : cases) {
        TextBody b = Body();
        TextBody tail;
        b.SplitInto(c.offset, tail);
        EXPECT_EQ(Shape(b), c.head) << c.offset;
        EXPECT_EQ(Shape(tail), c.tail) << c.offset;
        EXPECT_EQ(std::string(b.text()) + std::string(tail.text()), "abcdefg");
    }
}

// Text kept in a document's blocks is shared: every change to a body copies it first, and the
// bytes in the block (which the next paragraph's text follows) stay as they were.
TEST(TextBody, ChangesToSharedTextLeaveTheBlockAlone) {
    const struct {
        const char* name;
        void (*change)(TextBody&);
        const char* shape;
    } cases[] = {
        {"append", [](TextBody& b) { b.Append("XY", false); }, "[abcXY]"},
        {"append a run", [](TextBody& b) { b.Append("XY", true); }, "[abc][XY]"},
        {"insert before", [](TextBody& b) { b.Insert(0, "XY"); }, "[XY][abc]"},
        {"insert within", [](TextBody& b) { b.Insert(1, "XY"); }, "[a][XY][bc]"},
        {"anchor", [](TextBody& b) { b.AddAnchor(SegType::Marker, 9); }, "[abc]<9@3>"},
        {"anchor within", [](TextBody& b) { b.InsertAnchor(2, SegType::TableAnchor, 9); },
         "[ab]<9@2>[c]"},
        {"split",
         [](TextBody& b) {
             TextBody tail;
             b.SplitInto(1, tail);
             b.Append(tail.text(), false);
             b.Append("!", false);
         },
         "[abc!]"},
        {"copy",
         [](TextBody& b) {
             TextBody copy = b;
             copy.Append("XY", false);
             b = copy;
         },
         "[abcXY]"},
    };
    for (const auto& c : cases) {
        TextBlocks blocks;
        const std::string_view kept = blocks.Keep("abc");
        const std::string_view next = blocks.Keep("def");
        ASSERT_EQ(kept.data() + 3, next.data()); // one block
        TextBody b;
        b.Share(kept);
        EXPECT_EQ(Shape(b), "[abc]");
        c.change(b);
        EXPECT_EQ(Shape(b), c.shape) << c.name;
        EXPECT_EQ(std::string(kept.data(), 6), "abcdef") << c.name;
    }
}

// Bodies keep views into the blocks: a text is never moved once kept, however many follow it,
// and one larger than a block gets a block of its own.
TEST(TextBlocks, KeptTextStaysWhereItIs) {
    TextBlocks blocks;
    std::vector<std::pair<std::string, std::string_view>> kept;
    for (std::size_t i = 0; i < 3000; ++i) {
        std::string text(1 + i * 7 % 1500, static_cast<char>('a' + i % 26));
        if (i == 1000) {
            text.assign(std::size_t{3} << 20, 'L');
        }
        kept.emplace_back(text, blocks.Keep(text));
    }
    EXPECT_TRUE(blocks.Keep("").empty());
    for (const auto& [text, view] : kept) {
        ASSERT_EQ(view, text);
    }
}

// A plain-text document keeps its paragraphs' text side by side in one block: editing one through
// the host leaves its neighbours' text as it was.
TEST(TextEdits, EditingKeptTextLeavesTheNeighboursAlone) {
    const struct {
        std::int32_t offset;
        const char* bytes;
        std::vector<std::string> texts;
    } cases[] = {
        {0, "X", {"one", "Xtwo", "three"}},
        {3, " more", {"one", "two more", "three"}},
        {1, "-\n-", {"one", "t-", "-wo", "three"}},
    };
    for (const auto& c : cases) {
        Session s;
        Document& d = s.NewDocument();
        ReadPlainText("one\n\ntwo\n\nthree\n", d);
        const ObjectId first = d.FindFlow(d.mainFlow)->firstPara;
        const ObjectId second = d.NextParagraph(first);
        TextLoc after{};
        ASSERT_EQ(s.AddText(d.id(), {second, c.offset}, c.bytes, &after), kOk);
        std::vector<std::string> texts;
        for (ObjectId p = first; p != 0; p = d.NextParagraph(p)) {
            texts.emplace_back(d.FindParagraph(p)->body.text());
        }
        EXPECT_EQ(texts, c.texts) << c.bytes;
    }
}

TEST(TextEdits, SplittingMovesAnchoredTablesAndTheSelection) {
    Session s;
    DocBuilder b(s);
    const ObjectId frame = b.TextFrame(b.Page());
    const ObjectId p = b.Para(b.Flow(), frame, "Before after");
    TableSpec shape;
    shape.columns = 1;
    shape.body = {{"cell"}};
    const ObjectId table = b.Table(p, shape);
    ASSERT_EQ(s.SetTextRange(0, b.id(), kPropSelection, {{p, 8}, {p, 12}}), kOk);
    TextLoc after{};
    ASSERT_EQ(s.AddText(b.id(), {p, 6}, "\n", &after), kOk);
    TextLoc anchor{};
    s.GetTextLoc(b.id(), table, kPropAnchor, &anchor);
    EXPECT_EQ(anchor.obj, after.obj);
    EXPECT_EQ(anchor.offset, 6);
    TextRange sel{};
    s.GetTextRange(0, b.id(), kPropSelection, &sel);
    EXPECT_EQ(sel.begin.obj, after.obj);
    EXPECT_EQ(sel.begin.offset, 2);
    EXPECT_EQ(sel.end.offset, 6);
    // The table's cells now follow the frame of the new paragraph.
    const ObjectId cell = b.CellAt(table, 0, 0);
    EXPECT_EQ(
        test::IdOf(s, b.id(), test::IdOf(s, b.id(), cell, kPropFirstParagraph), kPropTextFrame),
        frame);
}

TEST(FrameRoman, ConversionBothWays) {
    const struct {
        const char* utf8;
        const char* frameRoman;
    } cases[] = {
        {"plain ASCII", "plain ASCII"},
        {"tab\there", "tab\x08here"},
        {"\xC2\xA0", "\x11"},                         // no-break space
        {"\xE2\x80\x93\xE2\x80\x94", "\xD0\xD1"},     // en and em dash
        {"\xE2\x80\x9C\xE2\x80\x9D", "\xD2\xD3"},     // double quotation marks
        {"\xE2\x80\x98\xE2\x80\x99", "\xD4\xD5"},     // single quotation marks
        {"\xE2\x80\xA6", "\xC9"},                     // ellipsis
        {"\xC3\xA9\xC3\x89\xC3\x9F", "\x8E\x83\xA7"}, // é É ß
        {"\xE2\x82\xAC", "\xF5"},                     // euro sign
        {"\xF0\x9F\x98\x80", " "},                    // no FrameRoman form: a space
        {"\xC3\x28", " ("},                           // malformed sequence
        {"\xED\xA0\x80", "   "},                      // a surrogate is malformed
        {"\xC0\xAF", "  "},                           // an overlong form is malformed
    };
    for (const auto& c : cases) {
        std::string fr;
        Utf8ToFrameRoman(c.utf8, fr);
        EXPECT_EQ(fr, c.frameRoman) << c.utf8;
    }
    // Every defined byte converts to UTF-8 and back to itself.
    for (int b = 1; b < 256; ++b) {
        if (kFrameRomanToUnicode[b] == 0 || b == 0x0A) {
            continue;
        }
        std::string utf8, back;
        FrameRomanToUtf8(std::string(1, static_cast<char>(b)), utf8);
        Utf8ToFrameRoman(utf8, back);
        EXPECT_EQ(back, std::string(1, static_cast<char>(b))) << b;
    }
}

TEST(MifNumbers, UnitsAndMalformedNumbers) {
    const struct {
        const char* word;
        bool ok;
        double value;
        const char* unit;
    } cases[] = {
        {"12", true, 12, ""},     {"-0.25", true, -0.25, ""}, {"1.5\"", true, 1.5, "\""},
        {"72pt", true, 72, "pt"}, {".5mm", true, 0.5, "mm"},  {"+3", true, 3, ""},
        {"x", false, 0, ""},      {"-", false, 0, ""},        {".", false, 0, ""},
        {"", false, 0, ""},
    };
    for (const auto& c : cases) {
        double v = 0;
        std::string_view unit;
        EXPECT_EQ(ParseMifNumber(c.word, &v, &unit), c.ok) << c.word;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.word;
            EXPECT_EQ(unit, c.unit) << c.word;
        }
    }
    EXPECT_DOUBLE_EQ(MifUnitPoints("in"), 72.0);
    EXPECT_DOUBLE_EQ(MifUnitPoints("cm"), 72.0 / 2.54);
    EXPECT_DOUBLE_EQ(MifUnitPoints("pc"), 12.0);
    EXPECT_DOUBLE_EQ(MifUnitPoints("furlong"), 0.0);
}

TEST(MifLexer, TokensStringsAndLines) {
    MifLexer lex("<A 1 `x\\ty'>\n# comment\n<B `multi\nline'>");
    using Tok = MifLexer::Tok;
    EXPECT_EQ(lex.Next(), Tok::Open);
    EXPECT_EQ(lex.word(), "A");
    EXPECT_EQ(lex.Next(), Tok::Word);
    EXPECT_EQ(lex.word(), "1");
    EXPECT_EQ(lex.Next(), Tok::String);
    EXPECT_EQ(lex.str(), "x\x08y");
    EXPECT_EQ(lex.Next(), Tok::Close);
    EXPECT_EQ(lex.Next(), Tok::Open);
    EXPECT_EQ(lex.line(), 3);
    EXPECT_EQ(lex.Next(), Tok::String);
    EXPECT_EQ(lex.str(), "multiline"); // a raw line break in a string is not text
    EXPECT_EQ(lex.Next(), Tok::Close);
    EXPECT_EQ(lex.line(), 4);
    EXPECT_EQ(lex.Next(), Tok::End);
    EXPECT_EQ(lex.Next(), Tok::End);
}

} // namespace
} // namespace lxhost
