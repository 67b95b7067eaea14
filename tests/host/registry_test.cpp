// The format registry: names, marks, folder gathering and the encoding fallback, row by row.
#include "host/formats/markup.h"
#include "host/formats/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace lxhost {
namespace {

// A small file of each format, as its reader would take it.
const std::map<FormatId, std::string> kSamples = {
    {FormatId::MifDocument, "<MIFFile 7.00>\n"},
    {FormatId::MifBook, "<Book 7.00>\n"},
    {FormatId::Markdown, "# Title\n\nSome words.\n"},
    {FormatId::Html, "<html><body><p>Some words.</p></body></html>"},
    {FormatId::Xml, "<?xml version=\"1.0\"?><topic id=\"t\"><title>T</title></topic>"},
    {FormatId::PlainText, "Some words.\n"},
};

TEST(FormatRegistry, EveryExtensionBelongsToOneRowInAnyCase) {
    std::map<std::string_view, int> rows;
    for (const FileFormat& f : FileFormats()) {
        EXPECT_EQ(&FormatRow(f.id), &f) << f.name;
        for (std::string_view ext : f.extensions) {
            ++rows[ext];
            ASSERT_TRUE(ext.starts_with('.')) << ext;
            std::string upper = "Some/File" + std::string(ext);
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            EXPECT_EQ(FormatOfExtension("file" + std::string(ext)), &f) << ext;
            EXPECT_EQ(FormatOfExtension(upper), &f) << upper;
        }
    }
    for (const auto& [ext, count] : rows) {
        EXPECT_EQ(count, 1) << ext << " is listed by more than one format";
    }
    EXPECT_EQ(FormatOfExtension("notes.txt"), nullptr);
    EXPECT_EQ(FormatOfExtension("README"), nullptr);
    EXPECT_EQ(FormatOfExtension(".md"), nullptr); // a hidden file named ".md" has no extension
}

// A folder book gathers only what Open recognises: every gathered extension, .ditamap among them,
// names a file that opens with that row's reader.
TEST(FormatRegistry, EveryGatheredExtensionIsDetectedAsItsRow) {
    bool ditamap = false;
    for (const FileFormat& f : FileFormats()) {
        if (!f.gathered) {
            continue;
        }
        ASSERT_FALSE(f.extensions.empty()) << f.name;
        for (std::string_view ext : f.extensions) {
            const std::string path = "dir/file" + std::string(ext);
            EXPECT_EQ(DetectFormat(path, kSamples.at(f.id)), &f) << path;
            ditamap = ditamap || ext == ".ditamap";
        }
    }
    EXPECT_TRUE(ditamap);
    EXPECT_EQ(FormatOfExtension("guide.ditamap")->id, FormatId::Xml);
}

TEST(FormatRegistry, EveryRowOpensItsOwnSample) {
    for (const FileFormat& f : FileFormats()) {
        ASSERT_NE(f.open, nullptr) << f.name;
        ASSERT_TRUE(kSamples.contains(f.id)) << f.name;
        // A name that decides nothing: only the mark (or, for plain text, its absence) counts.
        if (f.id != FormatId::Markdown) {
            EXPECT_EQ(DetectFormat("sample", kSamples.at(f.id)), &f) << f.name;
        }
    }
}

TEST(FormatRegistry, MarksBeforeNamesThenNamesThenOtherMarks) {
    const std::string_view binary("<MakerFile\0\0", 12);
    const struct {
        const char* path;
        std::string_view data;
        const FileFormat* format;
    } cases[] = {
        // A MIF statement decides whatever the name; a .mif file without one is text.
        {"a.md", "<MIFFile 7.00>", &FormatRow(FormatId::MifDocument)},
        {"x", "\xEF\xBB\xBF\n  <MIFFile 2015>", &FormatRow(FormatId::MifDocument)},
        {"b.html", "<Book 7.00>", &FormatRow(FormatId::MifBook)},
        {"c.mif", "<BookComponent>", &FormatRow(FormatId::PlainText)},
        {"d.mif", "<MIFFileX>", &FormatRow(FormatId::PlainText)},
        {"e.mif", "Just words.", &FormatRow(FormatId::PlainText)},
        // A NUL byte is binary data, even under a source's name.
        {"f.md", binary, nullptr},
        {"g", std::string_view("words\0", 6), nullptr},
        // A source's name decides before its content.
        {"a/README.md", "<html>", &FormatRow(FormatId::Markdown)},
        {"Guide.MARKDOWN", "", &FormatRow(FormatId::Markdown)},
        {"page.htm", "<?xml version='1.0'?>", &FormatRow(FormatId::Html)},
        {"topic.dita", "", &FormatRow(FormatId::Xml)},
        {"map.ditamap", "", &FormatRow(FormatId::Xml)},
        // Otherwise the first markup: HTML before XML, "<!DOCTYPE html" being both.
        {"page", "\xEF\xBB\xBF  <!DOCTYPE HTML PUBLIC>", &FormatRow(FormatId::Html)},
        {"page.txt", "\n<HTML><body>", &FormatRow(FormatId::Html)},
        {"book", "<?xml version=\"1.0\"?><book/>", &FormatRow(FormatId::Xml)},
        {"typed", "<!DOCTYPE topic>", &FormatRow(FormatId::Xml)},
        {"notes.txt", "Plain <b>text</b>.", &FormatRow(FormatId::PlainText)},
        {"empty", "", &FormatRow(FormatId::PlainText)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectFormat(c.path, c.data), c.format) << c.path;
    }
}

class FolderFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        // A folder of each test's own: CTest runs the tests of this fixture side by side.
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("lx_registry_folder_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    std::filesystem::path dir_;
};

// One file per extension of every row: the gathered ones are the book's, in path order, but a
// DITA map and an mdBook summary stand for no file of their own (what they list is in the folder).
TEST_F(FolderFiles, AFolderBookGathersTheRowsThatSayGathered) {
    std::vector<std::string> expected;
    int n = 0;
    for (const FileFormat& f : FileFormats()) {
        for (std::string_view ext : f.extensions) {
            const std::string name = "f" + std::to_string(n++) + std::string(ext);
            Write(name, kSamples.at(f.id));
            if (f.gathered && ext != ".ditamap") {
                expected.push_back(name);
            }
        }
    }
    Write("UPPER.DITAMAP", kSamples.at(FormatId::Xml));
    Write("SUMMARY.md", "# Summary\n");
    Write("notes.txt", "Some words.\n");
    std::vector<std::string> files;
    std::string error;
    ASSERT_TRUE(ListFolderFiles(dir_.string(), &files, &error)) << error;
    std::vector<std::string> names;
    for (const std::string& file : files) {
        names.push_back(std::filesystem::path(file).filename().string());
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

// The rows with the fallback read text that is not UTF-8 as Windows-1252; HTML and XML follow
// their own declaration and are never converted before their reader sees them.
TEST_F(FolderFiles, TextThatIsNotUtf8FallsBackOnlyWhereTheRowSaysSo) {
    const struct {
        const char* name;
        FormatId format;
        bool needsMarkdown;
    } cases[] = {
        {"plain.txt", FormatId::PlainText, false},
        {"notes.md", FormatId::Markdown, true},
    };
    for (const auto& c : cases) {
        if (c.needsMarkdown && !MarkdownSupported()) {
            continue;
        }
        ASSERT_TRUE(FormatRow(c.format).legacyFallback) << c.name;
        Write(c.name, "Caf\xE9 au lait.\n");
        Session s;
        ObjectId doc = 0;
        std::string error;
        ASSERT_EQ(s.Open((dir_ / c.name).string(), {}, &doc, nullptr, &error), kOk) << error;
        ASSERT_EQ(s.textNotes.size(), 1u) << c.name;
        EXPECT_STREQ(s.textNotes[0].encoding, "Windows-1252") << c.name;
    }
    EXPECT_FALSE(FormatRow(FormatId::Html).legacyFallback);
    EXPECT_FALSE(FormatRow(FormatId::Xml).legacyFallback);
    EXPECT_FALSE(FormatRow(FormatId::MifDocument).legacyFallback);
}

// Open goes by the registry: the reader of the detected row makes the document or book.
TEST_F(FolderFiles, OpenUsesTheDetectedRowsReader) {
    const struct {
        const char* name;
        std::string text;
        Kind kind;
        std::int32_t status;
    } cases[] = {
        // A MIF document's mark decides under a Markdown name (an empty MIF document is valid).
        {"mif.md", kSamples.at(FormatId::MifDocument), kKindDocument, kOk},
        // A MIF book under a text name: its book reader.
        {"book.txt", kSamples.at(FormatId::MifBook), kKindBook, kOk},
        // A broken MIF book: the MIF book reader's failure, not a plain-text document.
        {"broken.mif", "<Book 7.00>\n<BookComponent <FileNameSuffix `x'>>", kKindNone, kErrBadFile},
        {"text.mif", "Just words.\n", kKindDocument, kOk},
        {"data.md", std::string("a\0b", 3), kKindNone, kErrNotDocument},
    };
    for (const auto& c : cases) {
        Write(c.name, c.text);
        Session s;
        ObjectId id = 0;
        std::string error;
        EXPECT_EQ(s.Open((dir_ / c.name).string(), {}, &id, nullptr, &error), c.status)
            << c.name << ": " << error;
        EXPECT_EQ(KindOf(id), c.kind) << c.name;
    }
}

} // namespace
} // namespace lxhost
