// The budgets of the documentation-source readers, at their edges: a file that needs exactly a
// budget is read, one that needs a little more is refused with one error naming the file and the
// budget; and what the readers do with what they cannot hold (columns past the last, an
// exception while reading). tests/hostile runs the full-size hostile files through the tool.
#include "host/formats/markup.h"
#include "host/formats/reader_budgets.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

namespace lxhost {
namespace {

namespace fs = std::filesystem;

class BudgetFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = test::ScratchFolder("lx_budgets_");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, std::string_view text) {
        const fs::path p = dir_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.lexically_normal().string();
    }
    // Opens path: "" when it opens, else the error (which must come with kErrBadFile).
    std::string OpenError(const std::string& path) {
        Session s;
        ObjectId id = 0;
        std::string error;
        const std::int32_t status = s.Open(path, {}, &id, nullptr, &error);
        EXPECT_EQ(status == kOk, error.empty()) << error;
        EXPECT_TRUE(status == kOk || status == kErrBadFile) << status << " " << error;
        return status == kOk ? std::string() : error;
    }
    fs::path dir_;
};

std::string Repeat(std::string_view s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

std::string DocBook(std::string_view body, std::string_view entities = {}) {
    std::string doctype =
        entities.empty() ? "" : "<!DOCTYPE article [" + std::string(entities) + "]>\n";
    return "<?xml version='1.0'?>\n" + doctype + "<article>" + std::string(body) + "</article>\n";
}

std::string Includes(std::string_view file, std::size_t n) {
    return "<?xml version='1.0'?>\n<article xmlns:xi='http://www.w3.org/2001/XInclude'>" +
           Repeat("<xi:include href='" + std::string(file) + "'/>", n) + "</article>\n";
}

std::string MarkdownTable(std::size_t columns, std::size_t rows, std::string_view row = "x") {
    return "|" + Repeat("h|", columns) + "\n|" + Repeat("-|", columns) + "\n" +
           Repeat(std::string(row) + "\n", rows);
}

struct EdgeCase {
    const char* name;
    const char* ext;
    std::string within; // needs exactly the budget: read
    std::string past;   // needs a little more: refused
    const char* error;  // what the refusal says after "FILE: "
};

TEST_F(BudgetFolder, AFileAtABudgetIsReadAndOnePastItIsRefusedNamingTheBudget) {
    std::vector<EdgeCase> cases;
    if (XmlSupported()) {
        Write("leaf.xml", "<section><para>Leaf.</para></section>");
        // Bytes of included files, counted at every inclusion: a comment costs no walk.
        const std::string big = "<section><para>Big.</para><!--" +
                                std::string(kMaxIncludedBytes / 8 - 43, 'c') + "--></section>";
        ASSERT_EQ(big.size(), kMaxIncludedBytes / 8);
        Write("big.xml", big);
        const std::string kilobyte(1024, 'x');
        const std::string entity = "<!ENTITY e '" + kilobyte + "'>";
        // Inline elements: they cost the walk, not the model.
        const std::string phrases = "<!ENTITY p '" + Repeat("<phrase/>", 1024) + "'>";
        const std::size_t kilobytes = kMaxEntityText / 1024;
        const std::size_t phraseRefs = kMaxEntityText / kEntityElementCost / 1024;
        cases = {
            {"includes", ".xml", Includes("leaf.xml", kMaxIncludes),
             Includes("leaf.xml", kMaxIncludes + 1), "more than 4096 XIncludes (the limit)"},
            {"included bytes", ".xml", Includes("big.xml", 8), Includes("big.xml", 9),
             "more than 32 MB of files read by XIncludes (the limit)"},
            {"entity text", ".xml",
             DocBook("<para>" + Repeat("&e;", kilobytes) + "</para>", entity),
             DocBook("<para>" + Repeat("&e;", kilobytes + 1) + "</para>", entity),
             "more than 16 MB of text after expanding entities (the limit)"},
            {"entity elements", ".xml", DocBook(Repeat("&p;", phraseRefs), phrases),
             DocBook(Repeat("&p;", phraseRefs + 1), phrases),
             "more than 16 MB of text after expanding entities (the limit)"},
        };
    }
    if (MarkdownSupported()) {
        const std::size_t columns = static_cast<std::size_t>(kMaxTableColumns);
        const std::size_t rows = kMinMarkdownTableCells / columns - 2;
        const std::string pipes = Repeat("|", columns + 1);
        // A block every few bytes: refused before the parser builds its tree of them.
        cases.push_back({"blocks", ".md", Repeat("- x\n", kMinObjects),
                         Repeat("- x\n", kMinObjects) + "\ny\n",
                         "more than 131072 paragraphs, table cells and notes (the limit for its "
                         "size)"});
        // Inline markup and line breaks every byte or two: refused before the parser builds
        // its tree of them; the file's first line opens its paragraph, each next one breaks it.
        const char* inline_ = "more than 131072 characters of inline markup and line breaks "
                              "(the limit for its size)";
        cases.push_back({"inline marks", ".md", Repeat("*a", kMinMarkdownInlineMarks),
                         Repeat("*a", kMinMarkdownInlineMarks) + "`", inline_});
        cases.push_back({"line breaks", ".md", Repeat("a\n", kMinMarkdownInlineMarks + 1),
                         Repeat("a\n", kMinMarkdownInlineMarks + 2), inline_});
        cases.push_back({"columns", ".md", MarkdownTable(columns, 1), MarkdownTable(columns + 1, 1),
                         "a Markdown table of more than 1024 columns (the limit)"});
        cases.push_back({"padded cells", ".md", MarkdownTable(columns, rows),
                         MarkdownTable(columns, rows + 1),
                         "Markdown tables of more than 65536 cells in all, counting the cells "
                         "every row gets (the limit)"});
        cases.push_back({"pipes in a row", ".md", MarkdownTable(2, 3, pipes),
                         MarkdownTable(2, 3, pipes + "|"),
                         "a Markdown table row of more than 1024 cells (the limit)"});
        cases.push_back({"pipes before a delimiter row", ".md", pipes + "\n|-|-|\n",
                         pipes + "|\n|-|-|\n",
                         "a Markdown table row of more than 1024 cells (the limit)"});
    }
    if (XmlSupported()) {
        // Paragraphs at three bytes each: the floor of the budget, the file being small.
        cases.push_back({"objects", ".html", Repeat("<p>x", kMinObjects),
                         Repeat("<p>x", kMinObjects + 1),
                         "more than 131072 paragraphs, table cells and notes (the limit for its "
                         "size)"});
        // Past the floor the budget grows with the file: a paragraph for every 8 bytes.
        const std::string padded = "<p>x" + std::string(kBytesPerObject - 4, ' ');
        cases.push_back({"objects of a large file", ".html", Repeat(padded, 2 * kMinObjects),
                         Repeat(padded, 2 * kMinObjects - 1) + "<p>x<p>x   ",
                         "more than 262144 paragraphs, table cells and notes (the limit for its "
                         "size)"});
    }
    for (const EdgeCase& c : cases) {
        EXPECT_EQ(OpenError(Write(std::string(c.name) + c.ext, c.within)), "") << c.name;
        const std::string past = Write(std::string(c.name) + " past" + c.ext, c.past);
        EXPECT_EQ(OpenError(past), past + ": " + c.error) << c.name;
    }
}

TEST_F(BudgetFolder, AnIncludeFanOutIsRefusedAtOnceAndOneWithinBudgetReadsEveryInclusion) {
    if (!XmlSupported()) {
        GTEST_SKIP() << "no XML reader in this build";
    }
    // Each level includes the next four times: 4^depth inclusions of the last level.
    auto fanOut = [&](const std::string& prefix, int depth) {
        for (int level = 0; level <= depth; ++level) {
            const std::string next = prefix + std::to_string(level + 1) + ".xml";
            Write(prefix + std::to_string(level) + ".xml",
                  level < depth ? Includes(next, 4)
                                : DocBook("<para>Last " + std::to_string(level) + ".</para>"));
        }
        return (dir_ / (prefix + "0.xml")).string();
    };
    const std::string deep = fanOut("deep", 12);
    EXPECT_EQ(OpenError(deep), deep + ": more than 4096 XIncludes (the limit)");

    Session s;
    ObjectId id = 0;
    std::string error;
    ASSERT_EQ(s.Open(fanOut("five", 5), {}, &id, nullptr, &error), kOk) << error;
    Document& d = *s.FindDocument(id);
    std::size_t last = 0;
    for (ObjectId p = d.FindFlow(d.mainFlow)->firstPara; p != 0; p = d.FindParagraph(p)->next) {
        last += d.FindParagraph(p)->body.text() == "Last 5." ? 1 : 0;
    }
    EXPECT_EQ(last, 1024u); // 4^5: a file read once is walked at every inclusion
}

TEST_F(BudgetFolder, IncludedFilesAreReadOnceInARunAndCountedAcrossItsDocuments) {
    if (!XmlSupported()) {
        GTEST_SKIP() << "no XML reader in this build";
    }
    auto paragraphs = [](Session& s, ObjectId id) {
        std::string out;
        Document& d = *s.FindDocument(id);
        for (ObjectId p = d.FindFlow(d.mainFlow)->firstPara; p != 0; p = d.FindParagraph(p)->next) {
            out += std::string(d.FindParagraph(p)->body.text()) + "|";
        }
        return out;
    };
    const std::string shared = Write("shared.xml", "<para>First.</para>");
    const std::string a = Write("a.xml", Includes("shared.xml", 2));
    const std::string b = Write("b.xml", Includes("shared.xml", 1));
    Session s;
    ObjectId first = 0, second = 0;
    std::string error;
    ASSERT_EQ(s.Open(a, {}, &first, nullptr, &error), kOk) << error;
    Write("shared.xml", "<para>Changed.</para>");
    ASSERT_EQ(s.Open(b, {}, &second, nullptr, &error), kOk) << error;
    EXPECT_EQ(paragraphs(s, first), "First.|First.|");
    EXPECT_EQ(paragraphs(s, second), "First.|"); // read once in the run

    // Each document within its budget, the run (a new one) past its own.
    Session run;
    const std::string big = "<section><para>Big.</para><!--" +
                            std::string(kMaxIncludedBytes / 8 - 43, 'c') + "--></section>";
    Write("big.xml", big);
    const std::size_t documents = kMaxRunIncludedBytes / kMaxIncludedBytes;
    for (std::size_t i = 0; i <= documents; ++i) {
        const std::string doc = Write("doc" + std::to_string(i) + ".xml", Includes("big.xml", 8));
        ObjectId id = 0;
        const std::int32_t status = run.Open(doc, {}, &id, nullptr, &error);
        if (i < documents) {
            ASSERT_EQ(status, kOk) << i << ": " << error;
            run.Close(id, 1);
        } else {
            EXPECT_EQ(status, kErrBadFile);
            EXPECT_EQ(error, doc + ": more than 512 MB of files read by XIncludes in this run "
                                   "(the limit)");
        }
    }
}

TEST_F(BudgetFolder, AFolderNamedAsABooksFileIsRefusedWithoutListingIt) {
    if (!MarkdownSupported()) {
        GTEST_SKIP() << "no Markdown reader in this build";
    }
    fs::create_directories(dir_ / "empty");
    const std::string summary = Write("SUMMARY.md", "- [Folder](empty)\n");
    Session s;
    ObjectId book = 0, id = 0;
    std::string error;
    ASSERT_EQ(s.Open(summary, {}, &book, nullptr, &error), kOk) << error;
    // Listed, the empty folder would say it has no files: refused first, it says what it is.
    const std::string folder = (dir_ / "empty").string();
    EXPECT_EQ(s.Open(folder, {}, &id, nullptr, &error), kErrNotDocument);
    EXPECT_EQ(error, folder + ": a book, not a document: it cannot be a file of a book");
}

TEST(ReaderBudgets, TablesKeepTheLastColumnsWordsInTheirLastCell) {
    if (!XmlSupported()) {
        GTEST_SKIP() << "no HTML reader in this build";
    }
    std::string row;
    for (int i = 1; i <= kMaxTableColumns + 3; ++i) {
        row += "<td>c" + std::to_string(i) + "</td>";
    }
    Session s;
    Document& d = s.NewDocument();
    std::string error;
    ASSERT_TRUE(
        ReadHtml("<table><tr>" + row + "</tr><tr><td>short</td></tr></table>", d, {}, &error));
    ASSERT_EQ(d.tables.size(), 1u);
    EXPECT_EQ(d.tables[0].columns, kMaxTableColumns);
    const Row& first = *d.FindRow(d.tables[0].firstRow);
    ASSERT_EQ(first.cellCount, static_cast<std::uint32_t>(kMaxTableColumns));
    std::string last;
    for (ObjectId p = d.cells[first.firstCell + first.cellCount - 1].firstPara; p != 0;
         p = d.FindParagraph(p)->next) {
        last += std::string(d.FindParagraph(p)->body.text()) + "|";
    }
    EXPECT_EQ(last, "c1024|c1025|c1026|c1027|");
}

TEST(ReaderBudgets, AParagraphStopsAtItsBudget) {
    Session s;
    Document& d = s.NewDocument();
    const ReaderOptions options; // the builder keeps a reference
    MarkupBuilder out(d, options);
    const std::string megabyte(kMiB, 'w');
    out.StartParagraph(kFormatBody);
    for (std::size_t i = 0; i < kMaxParagraphBytes / kMiB; ++i) {
        out.Text(megabyte);
    }
    try {
        out.Text("w");
        FAIL() << "a paragraph past its budget";
    } catch (const BudgetExceeded& e) {
        EXPECT_STREQ(e.what(), "a paragraph of more than 64 MB (the limit)");
    }
}

TEST(ReaderBudgets, WhatAReaderThrowsClosesWhatItOpenedAndFailsTheOpenNamingTheFile) {
    struct Thrown {
        const char* name;
        std::function<void()> raise;
        const char* error;
    };
    const Thrown cases[] = {
        {"budget", [] { throw BudgetExceeded("more than 1 thing (the limit)"); },
         "doc.md: more than 1 thing (the limit)"},
        {"memory", [] { throw std::bad_alloc(); }, "doc.md: cannot read: out of memory"},
        {"object ids", [] { throw std::length_error("the host ran out of object ids"); },
         "doc.md: cannot read: the host ran out of object ids"},
    };
    for (const Thrown& c : cases) {
        Session s;
        s.NewDocument();
        std::int32_t status = kOk;
        std::string error;
        const ObjectId id = OpenGuarded(s, "doc.md", &status, &error, [&]() -> ObjectId {
            s.NewDocument();
            s.NewBook();
            c.raise();
            return 0;
        });
        EXPECT_EQ(id, 0u) << c.name;
        EXPECT_EQ(status, kErrBadFile) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(s.openDocuments().size(), 1u) << c.name; // the one opened before
        EXPECT_TRUE(s.openBooks().empty()) << c.name;
    }
}

TEST_F(BudgetFolder, XmlLabelledUtf16IsReadAndTheParsersLimitsAreSaidAsOurs) {
    if (!XmlSupported()) {
        GTEST_SKIP() << "no XML reader in this build";
    }
    // UTF-16LE with a byte order mark, as Windows editors save it.
    const std::string text =
        "<?xml version='1.0' encoding='UTF-16'?>\n<article><para>Words.</para></article>\n";
    std::string utf16 = "\xFF\xFE";
    for (const char c : text) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(OpenError(Write("utf16.xml", utf16)), "");
    const std::string deep = Write("deep.xml", DocBook(Repeat("<section>", 300)));
    EXPECT_EQ(OpenError(deep), deep + ":2: malformed XML: elements nested more than 256 deep "
                                      "(the limit)");
}

} // namespace
} // namespace lxhost
