// The MIF reader on each construct it knows, its errors on malformed files, and books.
#include "host/formats/frameroman.h"
#include "host/formats/mif_book_reader.h"
#include "host/formats/mif_reader.h"
#include "host/formats/plain_text_reader.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

namespace lxhost {
namespace {

using test::Chain;
using test::IdOf;
using test::IntOf;
using test::ParagraphTexts;
using test::TextOf;
using test::WalkedTexts;

struct Read {
    Session s;
    ObjectId doc = 0;
    std::string error;

    explicit Read(std::string_view mif, ReaderOptions options = {}) {
        Document& d = s.NewDocument();
        doc = d.id();
        if (!ReadMifDocument(mif, "test.mif", d, options, &error)) {
            doc = 0;
        }
    }
    Document& d() { return *s.FindDocument(doc); }
    std::vector<std::string> Main() {
        const ObjectId flow = IdOf(s, 0, doc, kPropMainFlow);
        return ParagraphTexts(s, doc, IdOf(s, doc, flow, kPropFirstParagraph));
    }
};

constexpr const char* kManual = R"MIF(<MIFFile 7.00> # a comment
<Units Upt>
<Comment this whole statement is ignored <even nested ones> `and strings>'>
<ConditionCatalog
 <Condition <CTag `Internal'> <CState CHidden>>
 <Condition <CTag `Print'> <CState CShown>>
>
<PgfCatalog
 <Pgf <PgfTag `Body'> <PgfFont <FFamily `Times'> <FSize 11.0 pt>> <PgfSpBefore 0.25">>
 <Pgf <PgfTag `Heading1'> <PgfFont <FSize 18 pt> <FWeight `Bold'>> <PgfAlignment Center>>
 <Pgf <PgfTag `Code'> <PgfFont <FFamily `Courier'>>>
>
<TblCatalog <TblFormat <TblTag `Format A'> <TblColumn <TblColumnNum 0>>>>
<VariableFormats
 <VariableFormat <VariableName `Product'> <VariableDef `Aquila<$nopage\> 300'>>
>
<SomethingNew <With `unknown'> <content 1 2 3>>
<Tbls
 <Tbl <TblID 7> <TblTag `Format A'> <TblNumColumns 3>
  <TblColumnWidth 1"> <TblColumnWidth 72 pt> <TblColumnWidth 2.54 cm>
  <TblTitle <TblTitleContent <Para <PgfTag `Body'> <ParaLine <String `Table 1. Ratings'>>>>>
  <TblH <Row <Cell <CellContent <Para <ParaLine <String `Model'>>>>>
             <Cell <CellContent <Para <ParaLine <String `Flow'>>>>>
             <Cell <CellContent <Para <ParaLine <String `Head'>>>>>>>
  <TblBody
   <Row <Cell <CellColumns 2> <CellContent <Para <ParaLine <String `Both columns'>>>>>
        <Cell <CellContent <Para <ParaLine>>>>
        <Cell <CellRows 2> <CellContent <Para <ParaLine <String `Two rows'>>>>>>
   <Row <Cell <CellContent <Para <ParaLine <String `A'>>>>>
        <Cell <CellContent <Para <ParaLine <String `B'>>>>>
        <Cell <CellContent <Para <ParaLine>>>>>
   <Row <Cell <CellContent <Para <ParaLine <String `C'>>>>>>
  >
 >
>
<AFrames
 <Frame <ID 40> <ShapeRect 0 0 100 50>
  <TextLine <ID 41> <String `Figure label'>>
  <ImportObject <ID 42>
=FrameImage
&%v > < ` ' unbalanced facet data
=EndInset
  >
 >
>
<Page <PageType RightMasterPage> <PageTag `Right'>
 <TextRect <ID 10> <ShapeRect 72 72 468 648>>
 <TextLine <ID 11> <Font <FTag `'>> <String `Running header'> <Char Tab> <String `Page'>>
>
<Page <PageType ReferencePage> <TextRect <ID 12> <ShapeRect 0 0 100 100>>>
<Page <PageType BodyPage>
 <TextRect <ID 20> <ShapeRect 72 72 468 648>>
 <TextLine <ID 21> <String `Draft'>>
 <PolyLine <ID 22> <Point 1 2>>
>
<Page <PageType BodyPage> <TextRect <ID 30> <ShapeRect 72 72 468 648>>>
<Page <PageType HiddenPage> <TextRect <ID 50> <ShapeRect 0 0 10 10>>>
<TextFlow <TFTag `Right'> <Para <ParaLine <TextRectID 10> <String `Master flow'>>>>
<TextFlow <TFTag `A'> <TFAutoConnect Yes>
 <Notes <FNote <ID 3> <Para <PgfTag `Body'> <ParaLine <String `A footnote.'>>>>>
 <Para <PgfTag `Heading1'> <ParaLine <TextRectID 20> <String `1 Introduction'>>>
 <Para <PgfTag `Body'> <Pgf <PgfTag `Body'> <PgfFont <FSize 9 pt>>>
  <ParaLine <String `The '> <Variable <VariableName `Product'>> <String ` pump'>
   <Char EmDash> <String `quiet'> <Char HardSpace> <String `and'>
   <Char EnDash> <Char SoftHyphen> <String `robust'> <FNote 3>>
  <ParaLine <Font <FWeight `Bold'>> <Char Bullet> <String `\xd2 quoted\xd3  \Qx\q \\ \> \t|'>>
 >
 <Para <ParaLine <String `Same format as before.'> <Marker <MType 2> <MText `index entry'>>>>
 <Para <ParaLine <String `See '> <XRef <XRefName `Heading'>> <String `page 3'> <XRefEnd>
  <Conditional <InCondition `Internal'>> <String ` (internal note)'> <Unconditional>
  <Conditional <InCondition `Internal'> <InCondition `Print'>> <String ` printed'>
  <Unconditional> <String `.'>>>
 <Para <PgfTag `Code'> <ParaLine <String `int main();'>>>
 <Para <PgfTag `Body'> <ParaLine <String `Table follows.'> <ATbl 7> <AFrame 40>>>
 <Para <PgfTag `Body'> <ParaLine <TextRectID 30> <String `On page two.'>>>
>
<TextFlow <TFTag `HIDDEN'> <Para <ParaLine <TextRectID 50> <String `Hidden text'>>>>
<TextFlow <TFTag `Ref'> <Para <ParaLine <TextRectID 12> <String `Reference'>>>>
)MIF";

TEST(MifReader, ReadsEveryConstructOfAManual) {
    ReaderOptions options;
    options.excludedFormats = {"Code"};
    Read r(kManual, options);
    ASSERT_NE(r.doc, 0u) << r.error;
    Session& s = r.s;
    const ObjectId doc = r.doc;
    Document& d = r.d();

    EXPECT_EQ(r.Main(), (std::vector<std::string>{
                            "1 Introduction",
                            "The Aquila 300 pump\xD1quiet\x11"
                            "and\xD0robust"
                            "\xA5\xD2quoted\xD3 `x' \\ > \x08|",
                            "Same format as before.",
                            "See page 3 printed.",
                            "int main();",
                            "Table follows.",
                            "On page two.",
                        }));

    // Flows, frames and pages.
    const std::vector<ObjectId> flows =
        Chain(s, doc, IdOf(s, 0, doc, kPropFirstFlow), kPropFlowNext);
    ASSERT_EQ(flows.size(), 4u);
    const ObjectId main = IdOf(s, 0, doc, kPropMainFlow);
    EXPECT_EQ(main, flows[1]);
    const ObjectId frame1 = IdOf(s, doc, main, kPropFirstTextFrame);
    const ObjectId frame2 = IdOf(s, doc, main, kPropLastTextFrame);
    EXPECT_NE(frame1, frame2);
    EXPECT_EQ(KindOf(IdOf(s, doc, frame1, kPropParent)), kKindBodyPage);
    EXPECT_EQ(TextOf(s, doc, IdOf(s, doc, frame2, kPropFirstParagraph)), "On page two.");
    EXPECT_EQ(TextOf(s, doc, IdOf(s, doc, frame1, kPropLastParagraph)), "Table follows.");
    std::vector<Kind> pageKinds;
    for (const Page& p : d.pages) {
        pageKinds.push_back(KindOf(p.id));
    }
    EXPECT_EQ(pageKinds, (std::vector<Kind>{kKindMasterPage, kKindReferencePage, kKindBodyPage,
                                            kKindBodyPage, kKindHiddenPage}));
    EXPECT_EQ(d.pages[0].name, "Right");

    // Formats: the catalog, the override, and a Para that keeps the previous format.
    const Paragraph& body = *d.FindParagraph(
        IdOf(s, doc, IdOf(s, doc, frame1, kPropFirstParagraph), kPropNextParagraph));
    EXPECT_EQ(d.FormatNameOf(body), "Body");
    EXPECT_EQ(d.pgfFormats[body.format].settings.fontSize, 11 * kMetricPoint);
    EXPECT_EQ(d.pgfFormats[body.format].settings.spaceBefore, 18 * kMetricPoint);
    EXPECT_EQ(d.SettingsOf(body).fontSize, 9 * kMetricPoint);
    const Paragraph& same = *d.FindParagraph(body.next);
    EXPECT_EQ(d.FormatNameOf(same), "Body");
    EXPECT_EQ(same.override, -1);
    const PgfFormat& h1 = d.pgfFormats[static_cast<std::size_t>(d.FindPgfFormatIndex("Heading1"))];
    EXPECT_EQ(h1.settings.fontWeight, 1);
    EXPECT_EQ(h1.settings.alignment, kAlignCenter);

    // Runs: one per String, a Char joins the run before it unless a Font came between.
    std::vector<TextPiece> items;
    s.GetText(doc, {{body.id, 0}, {body.id, kTextOffsetEnd}}, 0xFF, &items);
    std::vector<std::int32_t> types;
    for (const TextPiece& t : items) {
        types.push_back(t.dataType);
    }
    EXPECT_EQ(types,
              (std::vector<std::int32_t>{kItemString, kItemVariable, kItemString, kItemString,
                                         kItemString, kItemString, kItemString, kItemFootnoteAnchor,
                                         kItemString, kItemString, kItemParagraphEnd}));
    EXPECT_EQ(items[1].offset, 4);
    EXPECT_EQ(items[2].text, "Aquila 300");
    EXPECT_EQ(items[4].text, "quiet\x11");
    EXPECT_EQ(items[8].text, "\xA5");

    // Text class from the excluded formats; the walk admits what a client would count.
    EXPECT_EQ(WalkedTexts(s, doc), (std::vector<std::string>{"1 Introduction",
                                                             r.Main()[1],
                                                             "Same format as before.",
                                                             "See page 3 printed.",
                                                             "Table follows.",
                                                             "On page two.",
                                                             "Figure label",
                                                             "Draft",
                                                             "A footnote.",
                                                             "Table 1. Ratings",
                                                             "Model",
                                                             "Flow",
                                                             "Head",
                                                             "Both columns",
                                                             "Two rows",
                                                             "A",
                                                             "B",
                                                             "C",
                                                             "",
                                                             ""}));

    // The table: widths in points, straddles cover the cells to the right and below.
    const ObjectId table = IdOf(s, 0, doc, kPropFirstTable);
    std::vector<Metric> widths;
    s.GetMetrics(doc, table, kPropColumnWidths, &widths);
    EXPECT_EQ(widths,
              (std::vector<Metric>{72 * kMetricPoint, 72 * kMetricPoint, 72 * kMetricPoint}));
    std::vector<std::vector<int>> shown;
    for (ObjectId row : Chain(s, doc, IdOf(s, doc, table, kPropFirstRow), kPropNextRow)) {
        shown.emplace_back();
        for (ObjectId c : Chain(s, doc, IdOf(s, doc, row, kPropFirstCell), kPropNextCell)) {
            shown.back().push_back(IntOf(s, doc, c, kPropCellShown));
        }
    }
    EXPECT_EQ(shown, (std::vector<std::vector<int>>{{1, 1, 1}, {1, 0, 1}, {1, 1, 0}, {1, 1, 1}}));
    TextLoc anchor{};
    s.GetTextLoc(doc, table, kPropAnchor, &anchor);
    EXPECT_EQ(TextOf(s, doc, anchor.obj), "Table follows.");
    EXPECT_EQ(anchor.offset, 14);

    // Graphics: every object on every page, in file order, the anchored frame's parent.
    std::vector<Kind> graphics;
    for (ObjectId g : Chain(s, doc, IdOf(s, 0, doc, kPropFirstGraphic), kPropNextGraphic)) {
        graphics.push_back(KindOf(g));
    }
    EXPECT_EQ(graphics,
              (std::vector<Kind>{kKindGraphicFrame, kKindTextLine, kKindGraphic, kKindTextFrame,
                                 kKindTextLine, kKindTextFrame, kKindTextFrame, kKindTextLine,
                                 kKindGraphic, kKindTextFrame, kKindTextFrame}));
    EXPECT_EQ(IdOf(s, doc, d.graphics[0].id, kPropParent), frame1);
    EXPECT_EQ(TextOf(s, doc, d.graphics[4].id), "Running header\x08Page");
}

TEST(MifReader, NewerVersionsAreUtf8AndAFileWithoutPagesGetsOne) {
    Read r("\xEF\xBB\xBF<MIFFile 2015>\n<TextFlow <Para <ParaLine "
           "<String `Caf\xC3\xA9 \xE2\x80\x94 \xE2\x80\x9Cquoted\xE2\x80\x9D\xE2\x80\xA6 "
           "\xE4\xB8\xAD \\u00e9 \\xd1 '>>>>\n"
           "<TextFlow <TFTag `A'> <Para <ParaLine <String `Second flow'>>>>");
    ASSERT_NE(r.doc, 0u) << r.error;
    EXPECT_EQ(r.Main(), (std::vector<std::string>{"Second flow"}));
    const ObjectId first = r.d().flows[0].firstPara;
    EXPECT_EQ(TextOf(r.s, r.doc, first), HasTransliteration()
                                             ? "Caf\x8E \xD1 \xD2quoted\xD3\xC9 zhong \x8E \xD1"
                                             : "Caf\x8E \xD1 \xD2quoted\xD3\xC9 x \x8E \xD1");
    EXPECT_EQ(r.d().charactersWithoutForm, 1u);
    const ObjectId frame = IdOf(r.s, r.doc, r.d().flows[0].id, kPropFirstTextFrame);
    EXPECT_EQ(KindOf(IdOf(r.s, r.doc, frame, kPropParent)), kKindBodyPage);
    EXPECT_EQ(r.d().pages.size(), 2u);
    // A paragraph without any format gets "Body".
    EXPECT_EQ(r.d().FormatNameOf(*r.d().FindParagraph(first)), "Body");
}

TEST(MifReader, BytesThatAreNotTextStayOutWrittenRawOrEscaped) {
    struct Case {
        const char* version;
        std::string string; // the MIF string's content
        std::string text;   // the paragraph's text
    };
    using namespace std::string_literals;
    const Case cases[] = {
        // A backslash before a raw NUL: the NUL would end the text for the client (1 word of 7).
        {"7.00", "One\\\0two three four five six seven"s, "Onetwo three four five six seven"},
        {"7.00", "a\\\rb", "ab"},
        {"7.00", "it\\'s \\q", "it's '"},
        {"7.00", "a\\\tb",
         "a\x08"
         "b"}, // the host's tab, as for a raw tab
        {"2015",
         "a\xE2\x80\xA9"
         "b",
         "ab"}, // a raw paragraph separator, as the escaped one
        {"2015", "a\\u2029b", "ab"},
        {"2015", "caf\\\xC3\xA9", "caf\x8E"}, // an escaped UTF-8 character is still converted
    };
    for (const Case& c : cases) {
        Read r("<MIFFile "s + c.version + ">\n<TextFlow <Para <ParaLine <String `" + c.string +
               "'>>>>");
        ASSERT_NE(r.doc, 0u) << r.error;
        EXPECT_EQ(TextOf(r.s, r.doc, r.d().flows[0].firstPara), c.text) << c.string;
    }
}

TEST(MifReader, ShowAllConditionsShowsHiddenText) {
    Read r("<MIFFile 7.00>\n<ConditionCatalog <Condition <CTag `C'> <CState CHidden>>>\n"
           "<Document <DShowAllConditions Yes>>\n"
           "<TextFlow <Para <ParaLine <Conditional <InCondition `C'>> <String `shown'>>>>");
    ASSERT_NE(r.doc, 0u) << r.error;
    EXPECT_EQ(r.Main(), (std::vector<std::string>{"shown"}));
}

TEST(MifReader, MalformedFilesAreClearErrorsWithTheLine) {
    const struct {
        const char* name;
        std::string mif;
        const char* error;
    } cases[] = {
        {"empty", "", "test.mif:1: not a MIF document"},
        {"not MIF", "Hello world", "test.mif:1: not a MIF document"},
        {"truncated", "<MIFFile 7.00>\n<TextFlow <Para\n<ParaLine <String `abc'>",
         "test.mif:3: unexpected end of file: <ParaLine> is not closed"},
        {"unbalanced", "<MIFFile 7.00>\n<Units Upt>>\n", "test.mif:2: unbalanced '>'"},
        {"bad hex escape", "<MIFFile 7.00>\n\n<TextFlow <Para <ParaLine <String `a\\xZZ'>>>>",
         "test.mif:3: bad escape"},
        {"bad unicode escape", "<MIFFile 9.00>\n<TextFlow <Para <ParaLine <String `\\u12'>>>>",
         "test.mif:2: bad escape"},
        {"unterminated string", "<MIFFile 7.00>\n<TextFlow <TFTag `A>>\n\n",
         "test.mif:2: unterminated string"},
        {"binary junk", std::string("<MIFFile 7.00>\n\x01\x02\xFF\0junk", 22),
         "test.mif:2: unexpected value outside any statement"},
        {"no name", "<MIFFile 7.00>\n< Para>", "test.mif:2: expected a statement name"},
        {"macro", "<MIFFile 7.00>\ndefine(Bold,<Font <FWeight `Bold'>>)\n",
         "test.mif:2: macros are not supported (define)"},
        {"include", "<MIFFile 7.00>\n<Page include(parts.mif)>",
         "test.mif:2: macros are not supported (include)"},
        {"missing table", "<MIFFile 7.00>\n<TextFlow\n<Para <ParaLine <String `x'> <ATbl 9>>>>",
         "test.mif:3: reference to table 9, which is not defined"},
        {"table anchored twice",
         "<MIFFile 7.00>\n<Tbls <Tbl <TblID 1> <TblNumColumns 1>>>\n"
         "<TextFlow <Para <ParaLine <ATbl 1>>>\n<Para <ParaLine <ATbl 1>>>>",
         "test.mif:4: table 1 is anchored twice"},
        {"missing footnote", "<MIFFile 7.00>\n<TextFlow <Para <ParaLine <FNote 4>>>>",
         "test.mif:2: reference to footnote 4, which is not defined"},
        {"missing frame", "<MIFFile 7.00>\n<TextFlow <Para <ParaLine <TextRectID 8>>>>",
         "test.mif:2: <TextRectID 8> does not name a text frame"},
        {"duplicate id", "<MIFFile 7.00>\n<Page <TextRect <ID 1>>\n<TextRect <ID 1>>>",
         "test.mif:3: duplicate object ID 1"},
        {"bad number", "<MIFFile 7.00>\n<Page <TextRect <ShapeRect 1 2 x 4>>>",
         "test.mif:2: bad number 'x' in <ShapeRect>"},
        {"bad columns", "<MIFFile 7.00>\n<Tbls <Tbl <TblNumColumns 100000>>>",
         "test.mif:2: bad number of table columns"},
        {"bad page type", "<MIFFile 7.00>\n<Page <PageType Sideways>>",
         "test.mif:2: unknown page type 'Sideways'"},
    };
    for (const auto& c : cases) {
        Read r(c.mif);
        EXPECT_EQ(r.doc, 0u) << c.name;
        EXPECT_EQ(r.error.substr(0, std::string(c.error).size()), c.error) << c.name;
    }
}

TEST(MifReader, DeepNestingAndHugeStringsDoNotCrash) {
    std::string deep = "<MIFFile 7.00>\n<Unknown";
    for (int i = 0; i < 100000; ++i) {
        deep += " <X";
    }
    for (int i = 0; i <= 100000; ++i) {
        deep += ">";
    }
    Read skipped(deep);
    EXPECT_NE(skipped.doc, 0u) << skipped.error;

    std::string frames = "<MIFFile 7.00>\n<Page";
    for (int i = 0; i < 100; ++i) {
        frames += " <Frame";
    }
    frames += std::string(101, '>');
    Read nested(frames);
    EXPECT_NE(nested.error.find("frames nested too deeply"), std::string::npos);

    std::string huge =
        "<MIFFile 7.00>\n<TextFlow <Para <ParaLine <String `" + std::string(1 << 20, 'w') + "'>>>>";
    Read big(huge);
    ASSERT_NE(big.doc, 0u) << big.error;
    EXPECT_EQ(big.Main()[0].size(), 1u << 20);
}

// A path with the platform's separators written with '/', to compare with the expected paths.
std::string Slashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

TEST(MifBook, ComponentsInOrderDerivedOnesExcluded) {
    Session s;
    Book& book = s.NewBook();
    std::string error;
    ASSERT_TRUE(ReadMifBook("<Book 7.00>\n<BookComponent <FileName `<c\\>toc.mif'> "
                            "<FileNameSuffix `TOC'> <DeriveType TOC> <DeriveTag `Heading1'>>\n"
                            "<BookComponent <FileName `<c\\>ch1.mif'> <StartPageSide "
                            "ReadFromFile>>\n<BookSettings <Anything 1>>\n"
                            "<BookComponent <FileName `<u\\><c\\>shared<c\\>ch2.mif'>>\n",
                            "book.mif", "/docs/manual", book, &error))
        << error;
    std::vector<std::pair<std::string, int>> got;
    for (ObjectId c : Chain(s, book.id(), book.firstComponent, kPropNextComponent)) {
        std::string path;
        s.GetString(book.id(), c, kPropPath, &path);
        EXPECT_EQ(IntOf(s, book.id(), c, kPropComponentKind), kComponentFile);
        got.emplace_back(Slashes(path), IntOf(s, book.id(), c, kPropExcluded));
    }
    EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{{"/docs/manual/toc.mif", 1},
                                                             {"/docs/manual/ch1.mif", 0},
                                                             {"/docs/shared/ch2.mif", 0}}));

    Book& bad = s.NewBook();
    EXPECT_FALSE(ReadMifBook("<Book 7.00>\n<BookComponent <FileNameSuffix `x'>>", "b.mif", "/", bad,
                             &error));
    EXPECT_EQ(error, "b.mif:2: <BookComponent> without <FileName>");
}

TEST(MifBook, DeviceIndependentPaths) {
    const struct {
        const char* dipath;
        const char* expected;
    } cases[] = {
        {"<c>chapter1.fm", "/base/dir/chapter1.fm"},
        {"<u><c>shared<c>ch2.fm", "/base/shared/ch2.fm"},
        {"<u><u><u><c>up.fm", "/up.fm"},
        {"<r><c>usr<c>doc.fm", "/usr/doc.fm"},
        {"<v>D:<c>books<c>ch3.fm", "D:/books/ch3.fm"},
        {"<h>server<c>share<c>a.fm", "//server/share/a.fm"},
        {"plain/relative.mif", "/base/dir/plain/relative.mif"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Slashes(ResolveMifPath(c.dipath, "/base/dir")), c.expected) << c.dipath;
    }
}

TEST(PlainText, BlankLinesSeparateParagraphs) {
    Session s;
    Document& d = s.NewDocument();
    ReadPlainText("\xEF\xBB\xBF  Title line  \r\n\r\nFirst line\nsecond\tline\n   \n"
                  "Caf\xC3\xA9 \xE2\x80\x94 \xE4\xB8\xAD\n\n\n",
                  d);
    const ObjectId flow = IdOf(s, 0, d.id(), kPropMainFlow);
    EXPECT_EQ(
        ParagraphTexts(s, d.id(), IdOf(s, d.id(), flow, kPropFirstParagraph)),
        (std::vector<std::string>{"Title line", "First line second\x08line",
                                  HasTransliteration() ? "Caf\x8E \xD1 zhong" : "Caf\x8E \xD1 x"}));
    EXPECT_EQ(d.charactersWithoutForm, 1u);
    EXPECT_EQ(KindOf(IdOf(s, d.id(), IdOf(s, d.id(), flow, kPropFirstTextFrame), kPropParent)),
              kKindBodyPage);

    Document& empty = s.NewDocument();
    ReadPlainText("", empty);
    EXPECT_NE(empty.FindFlow(empty.mainFlow)->firstPara, 0u);
}

// A line of printable ASCII is taken as it is, any other line converted: both end their line
// the same way, lose the same blanks, and place their text at the same source positions.
TEST(PlainText, AsciiLinesAndOtherLinesReadAlike) {
    auto converted = [](std::string_view utf8) {
        std::string out;
        Utf8ToFrameRoman(utf8, out);
        return out;
    };
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> paragraphs;
        SourcePos secondLine; // where the paragraph's second line begins, when it has one
    } cases[] = {
        {"windows line ends",
         "  first line  \r\n  second\r\n\r\nnext\r\n",
         {"first line second", "next"},
         {2, 3}},
        {"last line without an end", "one\ntwo", {"one two"}, {2, 1}},
        {"return at the very end", "one\r", {"one"}, {}},
        {"return inside a line", "ab\rcd\nef", {converted("ab\rcd") + " ef"}, {2, 1}},
        {"tab past sixteen bytes",
         "0123456789abcdefg\th\n\tx",
         {converted("0123456789abcdefg\th") + " x"},
         {2, 2}},
        {"a letter beyond ASCII ends the fast line",
         "caf\xC3\xA9 au lait\n  plain",
         {"caf\x8E au lait plain"},
         {2, 3}},
        {"lines of blanks only", "a\n \t \r\n\v\f\nb", {"a", "b"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Session s;
        Document& d = s.NewDocument();
        ReadPlainText(c.text, d);
        const ObjectId flow = IdOf(s, 0, d.id(), kPropMainFlow);
        const ObjectId first = IdOf(s, d.id(), flow, kPropFirstParagraph);
        EXPECT_EQ(ParagraphTexts(s, d.id(), first), c.paragraphs);
        if (c.secondLine.known()) {
            // The second line is one word: it begins after the paragraph's last space.
            const std::string& text = c.paragraphs[0];
            const std::size_t secondAt = text.rfind(' ') + 1;
            EXPECT_EQ(d.SourceAt(first, static_cast<std::int32_t>(secondAt)), c.secondLine);
        }
    }
}

// The reader makes room for its paragraphs and source marks from a count made before it builds
// them: a list that grew by doubling would hold twice a large text's model at its peak. Lines of
// spaces separate paragraphs as empty lines do, and count as such.
TEST(PlainText, ParagraphsAndSourceMarksGetTheirRoomAtOnce) {
    const char* const texts[] = {
        "one\n\ntwo\nthree\n", "one\n   \ntwo\n\t\nthree\nfour\n \n",
        "a\r\nb\r\n\r\nc",     "\n\n\n  \nlast line without an end",
        "x\ny\nz\nw\n",
    };
    for (const char* text : texts) {
        Session s;
        Document& d = s.NewDocument();
        const std::size_t before = d.paras.size();
        ReadPlainText(text, d);
        SCOPED_TRACE(text);
        EXPECT_LE(d.paras.capacity(), d.paras.size() + 1);
        EXPECT_GT(d.paras.size(), before);
        EXPECT_EQ(d.sourceMarks.capacity(), d.sourceMarks.size());
    }
}

} // namespace
} // namespace lxhost
