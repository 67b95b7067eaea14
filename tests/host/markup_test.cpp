// Documentation sources: Markdown, HTML and XML read into the model with one mapping.
#include "host/formats/frameroman.h"
#include "host/formats/markup.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace lxhost {
namespace {

#if defined(LX_HAVE_CMARK_GFM) || defined(LX_HAVE_LIBXML2)

// The document as lines in the walk's order: the main flow, footnotes, then tables (title and
// cells). Each line is "Format: text", with " (x)" after the format when the paragraph is not
// examined; empty paragraphs are left out.
std::string Dump(Document& d) {
    std::string out;
    auto para = [&](ObjectId id, std::string_view prefix) {
        const Paragraph& p = *d.FindParagraph(id);
        if (p.body.text().empty()) {
            return;
        }
        std::string text;
        FrameRomanToUtf8(p.body.text(), text);
        out += std::string(prefix) + d.FormatNameOf(p) + (p.textClass == 0 ? " (x)" : "") + ": " +
               text + "\n";
    };
    auto chain = [&](ObjectId first, std::string_view prefix) {
        for (ObjectId p = first; p != 0; p = d.FindParagraph(p)->next) {
            para(p, prefix);
        }
    };
    chain(d.FindFlow(d.mainFlow)->firstPara, "");
    for (const Footnote& f : d.footnotes) {
        chain(f.firstPara, "fn ");
    }
    for (const Table& t : d.tables) {
        chain(t.titleFirst, "title ");
        for (ObjectId r = t.firstRow; r != 0; r = d.FindRow(r)->next) {
            const Row& row = *d.FindRow(r);
            for (std::uint32_t c = 0; c < row.cellCount; ++c) {
                chain(d.cells[row.firstCell + c].firstPara,
                      row.type == RowType::Heading ? "th " : "td ");
            }
        }
    }
    return out;
}

struct Case {
    const char* name;
    const char* input;
    const char* dump;
};

#endif

#if defined(LX_HAVE_CMARK_GFM)

std::string ReadMd(Session& s, std::string_view md, const ReaderOptions& options = {}) {
    Document& d = s.NewDocument();
    std::string error;
    EXPECT_TRUE(ReadMarkdown(md, d, options, &error)) << error;
    return Dump(d);
}

TEST(MarkdownReader, MapsEachBlockToItsFormat) {
    const Case cases[] = {
        {"headings", "# One\n\nText *em* **strong** ~~gone~~.\n\n###### Six\n\nSetext\n===\n",
         "Heading1: One\nBody: Text em strong gone.\nHeading6: Six\nHeading1: Setext\n"},
        {"soft breaks join lines", "A line\nand the next\\\nhard break.\n",
         "Body: A line and the next hard break.\n"},
        {"lists", "- one\n- two\n  1. inner\n\n3) three\n- [x] done\n",
         "Bulleted: one\nBulleted: two\nNumbered: inner\nNumbered: three\nBulleted: done\n"},
        {"quote", "> Quoted *text*.\n>\n> - in a list\n",
         "Quote: Quoted text.\nBulleted: in a list\n"},
        {"code is kept as written and not examined",
         "Run `make  all` now.\n\n```sh\n  make all\n\n  make   install\n```\n\n    indented\n",
         "Body: Run make all now.\nCode (x):   make all\nCode (x):   make   install\n"
         "Code (x): indented\n"},
        {"links count by their text", "See [the guide](http://example.com/a) or <http://x.org>.\n",
         "Body: See the guide or .\n"},
        {"autolinked addresses are not words", "Visit www.example.com and mail a@b.org today.\n",
         "Body: Visit and mail today.\n"},
        {"images count nothing", "Logo ![The big logo](logo.png) here.\n", "Body: Logo here.\n"},
        {"raw HTML is not text", "<div align=\"center\">\n<img src=\"x.png\">\n</div>\n\nA<br>B\n",
         "Body: A B\n"},
        {"front matter is not text", "---\ntitle: Guide\nlayout: page\n---\n# Guide\n",
         "Heading1: Guide\n"},
        {"an unclosed front matter is text", "---\ntitle\n", "Body: title\n"},
        {"entities and typography", "Caf&eacute; &ndash; \xE2\x80\x9Cquoted\xE2\x80\x9D\n",
         "Body: Caf\xC3\xA9 \xE2\x80\x93 \xE2\x80\x9Cquoted\xE2\x80\x9D\n"},
        {"a non-breaking space is kept, not read as a space",
         "Mr.&nbsp;Smith met Mr.\xC2\xA0Jones.\n",
         "Body: Mr.\xC2\xA0Smith met Mr.\xC2\xA0Jones.\n"},
        {"tables", "Before.\n\n| Name | Value |\n|------|------:|\n| a | `1` |\n| b |\n",
         "Body: Before.\nth CellHeading: Name\nth CellHeading: Value\ntd CellBody: a\n"
         "td CellBody: 1\ntd CellBody: b\n"},
        {"footnotes",
         "Text[^n] and more[^m], again[^n].\n\n[^m]: Second.\n[^n]: First\n    note.\n",
         "Body: Text and more, again.\nfn Footnote: First note.\nfn Footnote: Second.\n"},
    };
    for (const Case& c : cases) {
        Session s;
        EXPECT_EQ(ReadMd(s, c.input), c.dump) << c.name;
    }
}

TEST(MarkdownReader, TablesRowsHeadingFirstAndEveryTextIsWalked) {
    Session s;
    Document& d = s.NewDocument();
    std::string error;
    ASSERT_TRUE(ReadMarkdown("Intro[^1].\n\n| H |\n|---|\n| c |\n\n[^1]: Note.\n", d, {}, &error));
    ASSERT_EQ(d.tables.size(), 1u);
    const Table& t = d.tables[0];
    EXPECT_EQ(t.columns, 1);
    EXPECT_EQ(d.FindRow(t.firstRow)->type, RowType::Heading);
    // What the plug-in's walk admits: the main flow is on a body page, the table is anchored
    // there and the footnote is found.
    // The empty paragraph holds the table's anchor.
    EXPECT_EQ(test::WalkedTexts(s, d.id()),
              (std::vector<std::string>{"Intro.", "", "Note.", "H", "c"}));
}

// A long text is parsed a piece at a time; it must read as the whole text does, paragraph for
// paragraph, with the same places in the file. An HTML block at the end (no prose) keeps a text
// whole, so the two are compared.
TEST(MarkdownReader, ALongTextReadsInPiecesAsItDoesWhole) {
    struct Shape {
        const char* name;
        const char* unit; // %d: the unit's number
        const char* head = "";
    };
    const Shape shapes[] = {
        {"list items", "- item %d\n"},
        {"nested lists", "* a %d\n  - b\n    1. c\n"},
        {"paragraphs", "Para %d.\n\n"},
        {"a bullet breaking a paragraph", "Line one %d\nline two\n- item\n"},
        {"quotes", "> quote %d\n> - in it\nlazy\n\n"},
        {"tables", "| a | b |\n|---|---|\n| x %d | y |\n- after\n\n"},
        {"text over a table", "Lead %d\nmore\n| a |\n|---|\n| c |\n"},
        {"numbered lists", "1. one %d\n2. two\n"},
        {"numbered lists from 3", "3. three %d\n4) four\n- five\n\n"},
        {"numbers under text", "Text %d\n5. five\n6. six\n- item\n"},
        {"numbers after an item's heading", "1. # h %d\ntext\n2. two\n"},
        {"numbers in quotes", "> q %d\n2. two\n3. three\n"},
        {"indented code", "    code %d\n- item\n"},
        {"items of paragraphs", "- item %d\n  on\n\n  second\n"},
        {"setext headings", "Title %d\n---\n- x\n"},
        {"line ends CR LF", "- item %d\r\nPara\r\n\r\n"},
        {"escapes and references", "- \\*a\\* &amp; %d\n"},
        {"a long table", "| x %d | *y* |\n", "| a | b |\n|---|:-:|\n"},
        {"a long table, CR LF", "| x %d | y |\r\n", "| a | b |\r\n|---|---|\r\n"},
        {"rows of a cell more", "| x %d | y | z |\n", "| a | b |\n|---|---|\n"},
        {"a table that is none", "| x %d |\n", "| a | b |\n|---|\n"},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::string text = shape.head;
        char unit[128];
        for (int i = 0; text.size() < 160 * 1024; ++i) {
            std::snprintf(unit, sizeof unit, shape.unit, i);
            text += unit;
        }
        auto read = [](std::string_view md) {
            Session s;
            Document& d = s.NewDocument();
            std::string error;
            EXPECT_TRUE(ReadMarkdown(md, d, {}, &error)) << error;
            std::string out = Dump(d);
            for (const Paragraph& p : d.paras) {
                const auto half = static_cast<std::int32_t>(p.body.text().size() / 2);
                const SourcePos at = d.SourceAt(p.id, half);
                out += std::to_string(p.source.line) + ":" + std::to_string(p.source.column) + " " +
                       std::to_string(at.line) + ":" + std::to_string(at.column) + "\n";
            }
            return out;
        };
        const std::string pieces = read(text);
        const std::string whole = read(text + "\n\n<!-- whole -->\n");
        EXPECT_EQ(pieces.size(), whole.size()) << shape.name;
        EXPECT_TRUE(pieces == whole) << shape.name;
    }
}

// cmark-gfm numbers the lines above a table's header row from 0; they are placed where they are.
TEST(MarkdownReader, TheTextAboveATableHeaderIsPlacedWhereItStands) {
    const struct {
        const char* input;
        SourcePos at;
    } cases[] = {
        {"x\n\nFox quick.\nLazy dog.\n| a |\n|---|\n| c |\n", {3, 1}},
        {"x\n\n  One line.\n| a |\n|---|\n", {3, 3}},
    };
    for (const auto& c : cases) {
        Session s;
        Document& d = s.NewDocument();
        std::string error;
        ASSERT_TRUE(ReadMarkdown(c.input, d, {}, &error)) << error;
        ASSERT_GE(d.paras.size(), 2u);
        EXPECT_EQ(d.paras[1].source, c.at) << c.input;
    }
}

TEST(MarkdownReader, CodeIsCountedOnlyWhenIncludedAndOtherFormatsCanBeExcluded) {
    const struct {
        std::vector<std::string> excluded, included;
        const char* dump;
    } cases[] = {
        {{}, {}, "Heading1: T\nCode (x): x = 1\n"},
        {{}, {"Code"}, "Heading1: T\nCode: x = 1\n"},
        {{"Heading1"}, {}, "Heading1 (x): T\nCode (x): x = 1\n"},
        {{"Code"}, {"Code"}, "Heading1: T\nCode: x = 1\n"},
    };
    for (const auto& c : cases) {
        Session s;
        ReaderOptions options;
        options.excludedFormats = c.excluded;
        options.includedFormats = c.included;
        EXPECT_EQ(ReadMd(s, "# T\n\n    x = 1\n", options), c.dump);
    }
}

#endif

#if defined(LX_HAVE_LIBXML2)

std::string ReadHtmlDump(Session& s, std::string_view html) {
    Document& d = s.NewDocument();
    std::string error;
    EXPECT_TRUE(ReadHtml(html, d, {}, &error)) << error;
    return Dump(d);
}

TEST(HtmlReader, MapsElementsLikeMarkdownAndRepairsBrokenMarkup) {
    const Case cases[] = {
        {"blocks",
         "<h1>Title</h1><p>One <b>bold</b> <i>word</i>.<h6>Six</h6><blockquote><p>Q</p>"
         "</blockquote><pre><code>a = 1\n\nb  = 2</code></pre>",
         "Heading1: Title\nBody: One bold word.\nHeading6: Six\nQuote: Q\nCode (x): a = 1\n"
         "Code (x): b  = 2\n"},
        {"not text",
         "<head><title>Page</title><style>p{}</style></head><body><script>x()</script>"
         "<nav><a href=/>Home</a></nav><div role=navigation>Menu</div><p>Body "
         "<img alt=Logo src=l.png>text</p><noscript>Enable</noscript>",
         "Body: Body text\n"},
        {"a non-breaking space is kept", "<p>It works.&nbsp;&nbsp;Then\xC2\xA0it stops.",
         "Body: It works.\xC2\xA0\xC2\xA0Then\xC2\xA0it stops.\n"},
        {"repaired like a browser", "<p>One<p>Two<ul><li>a<li>b <p>c</ul>Loose <b>text",
         "Body: One\nBody: Two\nBulleted: a\nBulleted: b\nBulleted: c\nBody: Loose text\n"},
        {"lists", "<ol><li>one<ul><li>inner</li></ul></li></ol><dl><dt>Term<dd>Meaning</dl>",
         "Numbered: one\nBulleted: inner\nBody: Term\nBody: Meaning\n"},
        {"links and breaks",
         "<p>See <a href='https://x.org'>https://x.org</a>, <a href='/a'>the <b>guide</b></a>"
         " or <a href=mailto:a@b.org>a@b.org</a>.<br>Next</p>",
         "Body: See , the guide or . Next\n"},
        {"entities and encoding", "<p>Caf&eacute;&nbsp;&ndash; \xE2\x80\x9Cok\xE2\x80\x9D</p>",
         "Body: Caf\xC3\xA9\xC2\xA0\xE2\x80\x93 \xE2\x80\x9Cok\xE2\x80\x9D\n"},
        {"tables",
         "<table><caption>Cap</caption><thead><tr><th>H</th></tr></thead><tr><td>c<td><p>d</p>"
         "<p>e</p></table>",
         "title TableTitle: Cap\nth CellHeading: H\ntd CellBody: c\ntd CellBody: d\n"
         "td CellBody: e\n"},
        {"footnotes as converters write them",
         "<p>Text<sup class=footnote-ref><a href='#fn-1'>1</a></sup> and<a href='#fn2' "
         "role=doc-noteref><sup>2</sup></a>.</p><section class=footnotes data-footnotes>"
         "<h2>Footnotes</h2><ol><li id=fn-1><p>First. <a href='#r' "
         "class=footnote-backref>\xE2\x86\xA9</a></p></li><li id=fn2>Second.</li></ol>"
         "</section>",
         "Body: Text and.\nfn Footnote: First.\nfn Footnote: Second.\n"},
        {"headings linked back to the contents, with permalinks",
         "<h1>FAQ<a class=headerlink href='#faq' title='Link to this heading'>\xC2\xB6</a></h1>"
         "<h2><a class=toc-backref href='#id1' role=doc-backlink>Why indent?</a>"
         "<a class=headerlink href='#why'>\xC2\xB6</a></h2><p>Because.</p>",
         "Heading1: FAQ\nHeading2: Why indent?\nBody: Because.\n"},
    };
    for (const Case& c : cases) {
        Session s;
        EXPECT_EQ(ReadHtmlDump(s, c.input), c.dump) << c.name;
    }
}

// Writes files into a fresh folder and removes it at the end of the test.
class SourceFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("lx_sources_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, std::string_view text) {
        const std::filesystem::path p = dir_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.lexically_normal().string();
    }
    std::filesystem::path dir_;
};

TEST_F(SourceFolder, DocBookAndDitaTopicsMapLikeTheOtherFormats) {
    const Case cases[] = {
        {"docbook.xml",
         "<?xml version='1.0'?>\n<!DOCTYPE chapter PUBLIC '-//OASIS//DTD DocBook XML V4.5//EN' "
         "'http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd'>\n<chapter><title>Set&nbsp;up"
         "</title><para>Plug it in<footnote><para>Any socket.</para></footnote>, then <ulink "
         "url='http://a.org'>http://a.org</ulink> &amp; <link xlink:href='x' "
         "xmlns:xlink='http://www.w3.org/1999/xlink'>go</link>.</para><section><info><title>Parts"
         "</title><author>Me</author></info><itemizedlist><listitem><para>Bolt</para></listitem>"
         "</itemizedlist><orderedlist><listitem><simpara>First</simpara></listitem></orderedlist>"
         "<programlisting>run it</programlisting><screen>$ ls</screen><mediaobject><textobject>"
         "<phrase>Alt</phrase></textobject></mediaobject><indexterm><primary>bolt</primary>"
         "</indexterm><table><title>Sizes</title><tgroup cols='2'><thead><row><entry>Size</entry>"
         "</row></thead><tbody><row><entry>M8</entry></row></tbody></tgroup></table></section>"
         "</chapter>",
         "Heading1: Set\xC2\xA0up\nBody: Plug it in, then & go.\nHeading2: Parts\n"
         "Bulleted: Bolt\nNumbered: First\nCode (x): run it\nCode (x): $ ls\n"
         "fn Footnote: Any socket.\ntitle TableTitle: Sizes\nth CellHeading: Size\n"
         "td CellBody: M8\n"},
        {"docbook5.xml",
         "<article xmlns='http://docbook.org/ns/docbook'><info><title>Five</title></info>"
         "<para>Text.</para><blockquote><para>Said.</para></blockquote></article>",
         "Heading1: Five\nBody: Text.\nQuote: Said.\n"},
        {"task.dita",
         "<?xml version='1.0'?><!DOCTYPE task PUBLIC '-//OASIS//DTD DITA Task//EN' 'task.dtd'>"
         "<task id='t'><title>Replace</title><shortdesc>How to replace it.</shortdesc><prolog>"
         "<author>X</author></prolog><taskbody><context><p>Before<fn>Really.</fn>.</p></context>"
         "<steps><step><cmd>Open it.</cmd><info><codeblock>open</codeblock></info></step>"
         "</steps><result><ul><li>Done</li></ul></result></taskbody></task>",
         "Heading1: Replace\nBody: How to replace it.\nBody: Before.\nNumbered: Open it.\n"
         "Code (x): open\nBulleted: Done\nfn Footnote: Really.\n"},
        {"concept.dita",
         "<concept id='c'><title>Idea</title><conbody><section><title>Part</title><p>P "
         "<xref href='http://x.y' scope='external'>http://x.y</xref> <xref href='a.dita'/>"
         "</p></section><simpletable><sthead><stentry>K</stentry></sthead><strow><stentry>V"
         "</stentry></strow></simpletable></conbody></concept>",
         "Heading1: Idea\nHeading2: Part\nBody: P\nth CellHeading: K\ntd CellBody: V\n"},
        {"page.xhtml",
         "<?xml version='1.0'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>T</title>"
         "</head><body><h2>X</h2><p>Y</p></body></html>",
         "Heading2: X\nBody: Y\n"},
    };
    for (const Case& c : cases) {
        Session s;
        ObjectId id = 0;
        std::string error;
        ASSERT_EQ(s.Open(Write(c.name, c.input), {}, &id, nullptr, &error), kOk)
            << c.name << ": " << error;
        ASSERT_NE(s.FindDocument(id), nullptr) << c.name;
        EXPECT_EQ(Dump(*s.FindDocument(id)), c.dump) << c.name;
    }
}

TEST_F(SourceFolder, XIncludesAreReadInPlaceFromTheFolderOnly) {
    Write("parts/section.xml", "<section><title>Inside</title><para>Included text.</para>"
                               "<xi:include href='../code.txt' parse='text' "
                               "xmlns:xi='http://www.w3.org/2001/XInclude'/></section>");
    Write("code.txt", "make all\n");
    const char* xi = "xmlns:xi='http://www.w3.org/2001/XInclude'";
    const struct {
        const char* name;
        std::string text;
        const char* result; // the dump, or a part of the error
    } cases[] = {
        {"ok.xml",
         std::string("<chapter ") + xi +
             "><title>T</title><xi:include href='parts/section.xml'><xi:fallback>Lost"
             "</xi:fallback></xi:include><para>After.</para></chapter>",
         "Heading1: T\nHeading2: Inside\nBody: Included text.\nBody: make all\nBody: After.\n"},
        {"missing.xml", std::string("<chapter ") + xi + "><xi:include href='none.xml'/></chapter>",
         "none.xml: cannot open: "},
        {"outside.xml",
         std::string("<chapter ") + xi + "><xi:include href='../../../etc/hosts'/></chapter>",
         "included file '/etc/hosts' is outside the book's folder"},
        {"self.xml", std::string("<chapter ") + xi + "><xi:include href='self.xml'/></chapter>",
         "self.xml: not read: it includes itself"},
    };
    for (const auto& c : cases) {
        Session s;
        ObjectId id = 0;
        std::string error;
        const std::int32_t status = s.Open(Write(c.name, c.text), {}, &id, nullptr, &error);
        if (status == kOk) {
            EXPECT_EQ(Dump(*s.FindDocument(id)), c.result) << c.name;
        } else {
            EXPECT_EQ(status, kErrBadFile) << c.name;
            EXPECT_NE(error.find(c.result), std::string::npos) << c.name << ": " << error;
        }
    }
}

TEST_F(SourceFolder, MalformedXmlIsOneErrorAndNothingOutsideTheFileIsRead) {
    const std::string secret = Write("secret.txt", "SECRET");
    const struct {
        const char* name;
        std::string text;
        std::int32_t status;
        std::string error; // a part of the message; for a document, what it must not hold
    } cases[] = {
        {"unclosed.xml", "<?xml version='1.0'?>\n<chapter>\n<para>x</chapter>\n", kErrBadFile,
         "unclosed.xml:3: malformed XML: Opening and ending tag mismatch: para line 3 and "
         "chapter"},
        {"empty.xml", "<?xml version='1.0'?>\n", kErrBadFile, "empty.xml:"},
        {"laughs.xml",
         "<!DOCTYPE chapter [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
         "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;'>"
         "<!ENTITY e '&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'><!ENTITY f '&e;&e;&e;&e;&e;&e;&e;&e;&e;'>"
         "<!ENTITY g '&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;'><!ENTITY h '&g;&g;&g;&g;&g;&g;&g;&g;&g;'>]>"
         "<chapter><para>&h;</para></chapter>",
         kErrBadFile, "laughs.xml:1: malformed XML: "},
        {"external.xml",
         "<!DOCTYPE chapter [<!ENTITY s SYSTEM '" + secret +
             "'>]><chapter><para>Before &s; after.</para></chapter>",
         kOk, "SECRET"},
        {"dtd.xml",
         "<!DOCTYPE chapter SYSTEM 'http://127.0.0.1:9/none.dtd'><chapter><para>Fine.</para>"
         "</chapter>",
         kOk, "none"},
        {"broken.ditamap", "<map><mapref href='unclosed.xml' format='ditamap'/></map>", kErrBadFile,
         "unclosed.xml:3: malformed XML"},
        {"other.xml", "<svg><text>x</text></svg>", kErrNotDocument,
         "other.xml: not a DocBook, DITA or XHTML document (its root element is <svg>)"},
    };
    for (const auto& c : cases) {
        Session s;
        ObjectId id = 0;
        std::string error;
        EXPECT_EQ(s.Open(Write(c.name, c.text), {}, &id, nullptr, &error), c.status) << c.name;
        if (c.status != kOk) {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
            EXPECT_EQ(id, 0u);
            continue;
        }
        ASSERT_NE(s.FindDocument(id), nullptr) << c.name;
        const std::string dump = Dump(*s.FindDocument(id));
        EXPECT_EQ(dump.find(c.error), std::string::npos) << c.name << ": " << dump;
        EXPECT_NE(dump.find("Body: "), std::string::npos) << c.name;
    }
}

TEST_F(SourceFolder, MapsSummariesAndBooksListTheirChaptersInTheirOwnOrder) {
    const struct {
        const char* name;
        const char* text;
        std::vector<std::string> chapters; // relative to the folder
    } cases[] = {
        {"book/SUMMARY.md",
         "# Summary\n\n[Intro](README.md)\n\n- [One](ch/one.md)\n  - [Sub](ch/one%20b.md#x)\n"
         "- [Draft]()\n\n---\n\n# Part\n\n- [Web](https://example.org)\n- [Two](two.md)\n",
         {"book/README.md", "book/ch/one.md", "book/ch/one b.md", "book/two.md"}},
        {"map/guide.ditamap",
         "<?xml version='1.0'?><!DOCTYPE map PUBLIC '-//OASIS//DTD DITA Map//EN' 'map.dtd'>"
         "<map><title>G</title><topicref href='b.dita'><topicref href='a.dita#a'/></topicref>"
         "<topicref href='http://x.org/' scope='external'/><topicref href='p.pdf' format='pdf'/>"
         "<mapref href='sub/more.ditamap'/><reltable><relrow><relcell><topicref href='r.dita'/>"
         "</relcell></relrow></reltable><keydef keys='k' href='k.dita'/><topicref "
         "href='guide.ditamap' format='ditamap'/></map>",
         {"map/b.dita", "map/a.dita", "map/sub/c.dita", "map/z.md"}},
        {"db/book.xml",
         "<?xml version='1.0'?><book xmlns='http://docbook.org/ns/docbook' "
         "xmlns:xi='http://www.w3.org/2001/XInclude'><title>B</title><xi:include href='ch2.xml'/>"
         "<part><xi:include href='parts/ch1.xml'/></part><xi:include href='code.c' parse='text'/>"
         "</book>",
         {"db/ch2.xml", "db/parts/ch1.xml"}},
    };
    Write("map/sub/more.ditamap",
          "<map><topicref href='c.dita'/><topicref href='../z.md' format='markdown'/></map>");
    for (const auto& c : cases) {
        Session s;
        ObjectId id = 0;
        std::string error;
        ASSERT_EQ(s.Open(Write(c.name, c.text), {}, &id, nullptr, &error), kOk) << error;
        ASSERT_NE(s.FindBook(id), nullptr) << c.name;
        std::vector<std::string> chapters;
        for (const Component& comp : s.FindBook(id)->components) {
            chapters.push_back(std::filesystem::relative(comp.path, dir_).generic_string());
        }
        EXPECT_EQ(chapters, c.chapters) << c.name;
    }
}

TEST_F(SourceFolder, ABookMixingXIncludesAndInlineChaptersKeepsBothInDocumentOrder) {
    Write("db/ch1.xml", "<chapter><title>One</title><para>First chapter.</para></chapter>");
    Write("db/shared.xml", "<article><section xml:id='sec-a'><title>A</title><para>Alpha.</para>"
                           "</section><section id='sec-b'><title>B</title><para>Beta.</para>"
                           "</section></article>");
    Write("db/odd#1.xml", "<chapter><title>Odd</title><para>Named so.</para></chapter>");
    const std::string book = Write(
        "db/book.xml",
        "<book xmlns='http://docbook.org/ns/docbook' xmlns:xi='http://www.w3.org/2001/XInclude'>"
        "<info><title>Manual</title></info><preface xml:id='pre'><title>Preface</title><para>"
        "Read me.</para></preface><xi:include href='ch1.xml'/><chapter><title>Inline</title>"
        "<para>Written here.</para></chapter><part><title>More</title><xi:include "
        "href='shared.xml' xpointer='sec-b'/><chapter xml:id='late'><title>Late</title><para>"
        "Last.</para></chapter></part><xi:include href='shared.xml' "
        "xpointer='element(/1/1)'/><xi:include href='odd%231.xml'/></book>");
    Session s;
    ObjectId id = 0;
    std::string error;
    ASSERT_EQ(s.Open(book, {}, &id, nullptr, &error), kOk) << error;
    ASSERT_NE(s.FindBook(id), nullptr);
    const struct {
        const char* chapter; // relative to the folder
        const char* dump;
    } chapters[] = {
        {"db/book.xml#pre", "Heading1: Preface\nBody: Read me.\n"},
        {"db/ch1.xml", "Heading1: One\nBody: First chapter.\n"},
        {"db/book.xml#4", "Heading1: Inline\nBody: Written here.\n"},
        {"db/shared.xml#sec-b", "Heading1: B\nBody: Beta.\n"},
        {"db/book.xml#late", "Heading1: Late\nBody: Last.\n"},
        {"db/shared.xml#1", "Heading1: A\nBody: Alpha.\n"},
        {"db/odd#1.xml", "Heading1: Odd\nBody: Named so.\n"},
    };
    const std::vector<Component>& components = s.FindBook(id)->components;
    ASSERT_EQ(components.size(), std::size(chapters));
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& path = components[i].path;
        EXPECT_EQ(std::filesystem::path(path).lexically_relative(dir_).generic_string(),
                  chapters[i].chapter);
        ObjectId doc = 0;
        ASSERT_EQ(s.Open(path, {}, &doc, nullptr, &error), kOk) << path << ": " << error;
        ASSERT_NE(s.FindDocument(doc), nullptr) << path;
        EXPECT_EQ(Dump(*s.FindDocument(doc)), chapters[i].dump) << path;
    }
}

TEST_F(SourceFolder, XIncludeXPointersSelectAnElementOrAreRefusedClearly) {
    Write("shared.xml", "<article><section xml:id='sec-a'><title>A</title><para>Alpha.</para>"
                        "</section><section><title>B</title><para>Beta.</para></section>"
                        "</article>");
    const std::string xi = "xmlns:xi='http://www.w3.org/2001/XInclude'";
    const struct {
        const char* name;
        std::string text;
        std::int32_t status;
        const char* result; // the dump, or a part of the error
    } cases[] = {
        {"by-id.xml",
         "<chapter " + xi +
             "><title>T</title><xi:include href='shared.xml' xpointer='sec-a'/></chapter>",
         kOk, "Heading1: T\nHeading2: A\nBody: Alpha.\n"},
        {"by-element-id.xml",
         "<chapter " + xi +
             "><title>T</title><xi:include href='shared.xml' xpointer='element(sec-a)'/>"
             "</chapter>",
         kOk, "Heading1: T\nHeading2: A\nBody: Alpha.\n"},
        {"by-place.xml",
         "<chapter " + xi + "><xi:include href='shared.xml' xpointer='element(/1/2/2)'/></chapter>",
         kOk, "Body: Beta.\n"},
        {"xpath.xml",
         "<chapter " + xi +
             "><xi:include href='shared.xml' xpointer='xpointer(//para)'/></chapter>",
         kErrBadFile, "shared.xml: not read: the xpointer 'xpointer(//para)' is not supported"},
        {"missing-id.xml",
         "<chapter " + xi + "><xi:include href='shared.xml' xpointer='nothere'/></chapter>",
         kErrBadFile, "shared.xml: not read: no element 'nothere' (xpointer 'nothere')"},
        {"past-the-end.xml",
         "<chapter " + xi + "><xi:include href='shared.xml' xpointer='element(/1/3)'/></chapter>",
         kErrBadFile, "no element '3'"},
        {"text.xml",
         "<chapter " + xi +
             "><xi:include href='shared.xml' parse='text' xpointer='sec-a'/></chapter>",
         kErrBadFile, "an xpointer cannot select a part of a text inclusion"},
        {"book.xml",
         "<book " + xi + "><xi:include href='shared.xml' xpointer='element(sec-a/1)'/></book>",
         kErrBadFile, "book.xml: the xpointer 'element(sec-a/1)' is not supported"},
        {"part.xml#nothere", "", kErrFileNotFound,
         "shared.xml#nothere: cannot open: the file has no element 'nothere'"},
    };
    for (const auto& c : cases) {
        Session s;
        ObjectId id = 0;
        std::string error;
        // "part.xml#nothere" is a part of shared.xml that is not there.
        const std::string path =
            c.text.empty() ? (dir_ / "shared.xml#nothere").string() : Write(c.name, c.text);
        const std::int32_t status = s.Open(path, {}, &id, nullptr, &error);
        ASSERT_EQ(status, c.status) << c.name << ": " << error;
        if (status == kOk) {
            EXPECT_EQ(Dump(*s.FindDocument(id)), c.result) << c.name;
        } else {
            EXPECT_NE(error.find(c.result), std::string::npos) << c.name << ": " << error;
        }
    }
}

#endif

// Text reaches the builder in pieces (a parser's text nodes, an HTML page's character runs):
// white space is collapsed across them, plain ASCII and other text alike.
TEST(MarkupBuilder, CollapsesWhiteSpaceAcrossPiecesOfText) {
    const struct {
        const char* name;
        std::vector<const char*> pieces; // "|" stands for a word break (Space)
        const char* text;                // the paragraph's text, as UTF-8
    } cases[] = {
        {"pieces join", {"one", "two"}, "onetwo"},
        {"space at the end of a piece", {"one ", "two"}, "one two"},
        {"space at the start of a piece", {"one", " two"}, "one two"},
        {"word break", {"one", "|", "two"}, "one two"},
        {"word break and spaces", {"one ", "|", " two"}, "one two"},
        {"runs of white space", {"  one \t\n two  ", "three"}, "one two three"},
        {"double space inside", {"one  two"}, "one two"},
        {"line ends around a piece", {"one", "\n two three\n", "four"}, "one two three four"},
        {"tab at the end", {"one\t", "two"}, "one two"},
        {"blank pieces", {" ", "one", "\n", " ", "two", " "}, "one two"},
        {"nothing before a break", {"|", "one"}, "one"},
        {"non-ASCII",
         {"caf\xC3\xA9 ", " \xE2\x80\x9Cok\xE2\x80\x9D"},
         "caf\xC3\xA9 \xE2\x80\x9Cok\xE2\x80\x9D"},
        {"non-ASCII after plain", {"one", "\xC3\xA9t\xC3\xA9", " two"}, "one\xC3\xA9t\xC3\xA9 two"},
        {"control character", {"a\x01", "b"}, "a b"},
    };
    for (const auto& c : cases) {
        Session s;
        Document& d = s.NewDocument();
        const ReaderOptions options;
        MarkupBuilder out(d, options);
        for (const char* piece : c.pieces) {
            if (std::string_view(piece) == "|") {
                out.Space();
            } else {
                out.Text(piece);
            }
        }
        out.Finish();
        const Paragraph* p = d.FindParagraph(d.FindFlow(d.mainFlow)->firstPara);
        ASSERT_NE(p, nullptr) << c.name;
        std::string text;
        FrameRomanToUtf8(p->body.text(), text);
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_EQ(p->next, 0u) << c.name;
    }
}

TEST(SourceFiles, AFolderIsABookOfItsSourcesInPathOrder) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "lx_folder_book";
    fs::remove_all(dir);
    for (const char* name : {"b.md", "a/z.html", "a.md", "a/.hidden.md", ".git/x.md", "notes.txt",
                             "c.dita", "img.png", "d/e.mif", "SUMMARY.md"}) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name) << "# T\n";
    }
    // A DocBook book of XIncludes lists chapters the folder holds anyway: it stands for the
    // chapters written in it. A plain book is a document, and so is a book that declares
    // XIncludes but has none.
    std::ofstream(dir / "book.xml") << "<?xml version='1.0'?>\n<!-- b -->\n<book "
                                       "xmlns:xi='http://www.w3.org/2001/XInclude'><chapter "
                                       "xml:id='first'/><xi:include href='b.md'/><chapter/>"
                                       "</book>";
    std::ofstream(dir / "inline.xml") << "<book><chapter/></book>";
    std::ofstream(dir / "none.xml") << "<book xmlns:xi='http://www.w3.org/2001/XInclude'>"
                                       "<chapter/></book>";
    Session s;
    ObjectId book = 0;
    std::string error;
    ASSERT_EQ(s.Open(dir.string(), {}, &book, nullptr, &error), 0) << error;
    ASSERT_EQ(KindOf(book), kKindBook);
    std::vector<std::string> names;
    for (const Component& c : s.FindBook(book)->components) {
        names.push_back(fs::relative(c.path, dir).generic_string());
    }
    std::vector<std::string> expected{"a.md", "a/z.html", "b.md"};
    if (XmlSupported()) {
        expected.insert(expected.end(), {"book.xml#first", "book.xml#3"});
    } else {
        expected.push_back("book.xml"); // refused when the walk opens it
    }
    expected.insert(expected.end(), {"c.dita", "d/e.mif", "inline.xml", "none.xml"});
    EXPECT_EQ(names, expected);

    fs::remove_all(dir);
    fs::create_directories(dir / "empty");
    EXPECT_EQ(s.Open((dir / "empty").string(), {}, &book, nullptr, &error), kErrNotDocument);
    EXPECT_NE(error.find("no Markdown, HTML, XML or MIF files"), std::string::npos) << error;
    fs::remove_all(dir);
}

// --exclude tables and --exclude headings: every reader leaves out the text of every table (cells
// and title) or every heading, whatever the document names their formats, and nothing else.
TEST(ReaderOptions, TablesAndHeadingsAreLeftOutWhateverTheirFormats) {
    const std::string files[] = {std::string(LX_POSITIONS_DIR) + "/guide.md",
                                 std::string(LX_POSITIONS_DIR) + "/page.html",
                                 std::string(LX_SAMPLES_DIR) + "/manual/ch2-installation.mif"};
    const struct {
        bool tables, headings;
    } settings[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const std::string& file : files) {
        if (!test::ReaderBuiltFor(file))
            continue;
        for (const auto& set : settings) {
            SCOPED_TRACE(file + (set.tables ? " tables" : "") + (set.headings ? " headings" : ""));
            Session s;
            s.readerOptions.excludeTables = set.tables;
            s.readerOptions.excludeHeadings = set.headings;
            std::vector<PropEntry> returned;
            std::string error;
            ObjectId id = 0;
            ASSERT_EQ(s.Open(file, {}, &id, &returned, &error), kOk) << error;
            Document& d = *s.FindDocument(id);
            int tables = 0, headings = 0;
            for (const Paragraph& p : d.paras) {
                const std::string& format = d.FormatNameOf(p);
                if (p.body.text().empty() || format == "Code") {
                    continue;
                }
                const bool inTable = KindOf(p.owner) == kKindCell || KindOf(p.owner) == kKindTable;
                const bool heading = format.starts_with("Heading");
                tables += inTable ? 1 : 0;
                headings += heading ? 1 : 0;
                const bool leftOut = (inTable && set.tables) || (heading && set.headings);
                EXPECT_EQ(p.textClass, leftOut ? 0 : 1) << format << ": " << p.body.text();
            }
            EXPECT_GT(headings, 0); // every file has headings and tables to leave out
            EXPECT_GT(tables, 0);
        }
    }
}

} // namespace
} // namespace lxhost
