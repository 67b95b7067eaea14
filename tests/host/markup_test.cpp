// Documentation sources: Markdown, HTML and XML read into the model with one mapping.
#include "host/files/frameroman.h"
#include "host/files/markup.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace lxhost {
namespace {

// The document as lines in the walk's order: the main flow, footnotes, then tables (title and
// cells). Each line is "Format: text", with " (x)" after the format when the paragraph is not
// examined; empty paragraphs are left out.
std::string Dump(Document& d) {
    std::string out;
    auto para = [&](ObjectId id, std::string_view prefix) {
        const Paragraph& p = *d.FindParagraph(id);
        if (p.body.text.empty()) {
            return;
        }
        std::string text;
        FrameRomanToUtf8(p.body.text, text);
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

TEST(SourceFiles, TypeByNameThenByFirstMarkup) {
    const struct {
        const char* path;
        const char* data;
        SourceType type;
    } cases[] = {
        {"a/README.md", "<html>", SourceType::Markdown},
        {"Guide.MARKDOWN", "", SourceType::Markdown},
        {"page.htm", "", SourceType::Html},
        {"topic.dita", "", SourceType::Xml},
        {"map.ditamap", "", SourceType::Xml},
        {"page", "\xEF\xBB\xBF  <!DOCTYPE HTML PUBLIC>", SourceType::Html},
        {"page.txt", "\n<HTML><body>", SourceType::Html},
        {"book", "<?xml version=\"1.0\"?><book/>", SourceType::Xml},
        {"notes.txt", "Plain <b>text</b>.", SourceType::None},
        {"empty", "", SourceType::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectSourceType(c.path, c.data), c.type) << c.path;
    }
}

TEST(SourceFiles, AFolderIsABookOfItsSourcesInPathOrder) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "lx_folder_book";
    fs::remove_all(dir);
    for (const char* name : {"b.md", "a/z.html", "a.md", "a/.hidden.md", ".git/x.md", "notes.txt",
                             "c.dita", "img.png", "d/e.mif"}) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name) << "# T\n";
    }
    Session s;
    ObjectId book = 0;
    std::string error;
    ASSERT_EQ(s.Open(dir.string(), {}, &book, nullptr, &error), 0) << error;
    ASSERT_EQ(KindOf(book), kKindBook);
    std::vector<std::string> names;
    for (const Component& c : s.FindBook(book)->components) {
        names.push_back(fs::relative(c.path, dir).generic_string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a.md", "a/z.html", "b.md", "c.dita", "d/e.mif"}));

    fs::remove_all(dir);
    fs::create_directories(dir / "empty");
    EXPECT_EQ(s.Open((dir / "empty").string(), {}, &book, nullptr, &error), kErrNotDocument);
    EXPECT_NE(error.find("no Markdown, HTML, XML or MIF files"), std::string::npos) << error;
    fs::remove_all(dir);
}

} // namespace
} // namespace lxhost
