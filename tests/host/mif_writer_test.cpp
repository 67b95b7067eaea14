// Writing MIF and text, reading written files back, and opening files by content.
#include "host/formats/mif_reader.h"
#include "host/formats/mif_writer.h"
#include "host/model/builder.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace lxhost {
namespace {

using test::Chain;
using test::IdOf;
using test::IntOf;
using test::ParagraphTexts;
using test::TextOf;

// Everything the round trip keeps, as one comparable description.
struct Snapshot {
    std::vector<std::string> paragraphs; // format, override size, runs
    std::vector<std::string> formats;
    std::vector<std::string> tables;

    bool operator==(const Snapshot&) const = default;
};

std::string Describe(Document& d, const Paragraph& p) {
    std::string out = d.FormatNameOf(p) + "/" + std::to_string(d.SettingsOf(p).fontSize) + ":";
    for (const Segment& s : p.body.segs()) {
        if (s.type == SegType::Run) {
            out += "[" +
                   std::string(p.body.text().substr(static_cast<std::size_t>(s.offset),
                                                    static_cast<std::size_t>(s.length))) +
                   "]";
        } else if (s.type == SegType::TableAnchor) {
            out += "<table>";
        }
    }
    return out;
}

Snapshot Take(Session& s, ObjectId docId) {
    Document& d = *s.FindDocument(docId);
    Snapshot snap;
    for (ObjectId p = d.FindFlow(d.mainFlow)->firstPara; p != 0; p = d.FindParagraph(p)->next) {
        snap.paragraphs.push_back(Describe(d, *d.FindParagraph(p)));
    }
    for (const PgfFormat& f : d.pgfFormats) {
        const PgfSettings& st = f.settings;
        snap.formats.push_back(f.name + " " + st.fontFamily + " " + std::to_string(st.fontSize) +
                               " " + std::to_string(st.fontWeight) + " " +
                               std::to_string(st.spaceBefore) + " " + std::to_string(st.alignment) +
                               " " + st.numberFormat);
    }
    for (const Table& t : d.tables) {
        std::string desc = d.tableFormats[t.format].name + " w:";
        for (Metric w : t.widths) {
            desc += std::to_string(w) + ",";
        }
        for (ObjectId r = t.firstRow; r != 0; r = d.FindRow(r)->next) {
            const Row& row = *d.FindRow(r);
            desc += " |" + std::to_string(static_cast<int>(row.type));
            for (std::uint32_t c = 0; c < row.cellCount; ++c) {
                const Cell& cell = d.cells[row.firstCell + c];
                desc += " " + std::to_string(cell.shown) + ":";
                for (ObjectId p = cell.firstPara; p != 0; p = d.FindParagraph(p)->next) {
                    desc += Describe(d, *d.FindParagraph(p));
                }
            }
        }
        snap.tables.push_back(desc);
    }
    return snap;
}

TEST(MifWriter, ReadingAWrittenReportGivesItBack) {
    Session s;
    CustomDocParams geo;
    geo.width = 792 * kMetricPoint;
    geo.height = 576 * kMetricPoint;
    geo.top = geo.bottom = geo.inside = geo.outside = 18 * kMetricPoint;
    ObjectId doc = 0;
    ASSERT_EQ(s.CustomDoc(geo, &doc), kOk);
    Document& d = *s.FindDocument(doc);
    ObjectId para = d.FindFlow(d.mainFlow)->firstPara;
    TextLoc at{};
    s.AddText(doc, {para, 0},
              "Book: manual `quoted' <x> \\ \xD2"
              "caf\x8E\xD3\x08tab",
              &at);
    s.AddText(doc, at, "\nBody text.\n", &at);
    s.SetString(doc, para, kPropName, "Heading1");
    s.SetMetric(doc, IdOf(s, doc, para, kPropNextParagraph), kPropFontSize, 9 * kMetricPoint);
    ObjectId format = 0;
    s.GetNamedObject(doc, kNamedPgfFormat, "CellBody", &format);
    s.SetMetric(doc, format, kPropFontSize, 10 * kMetricPoint);
    ObjectId table = 0;
    ASSERT_EQ(s.NewTable(doc, "Format A", 3, 1, 1, 0, {para, 4}, &table), kOk);
    s.SetMetrics(doc, table, kPropColumnWidths,
                 {130 * kMetricPoint, 57 * kMetricPoint + 1, 0x390000});
    const ObjectId cell = IdOf(s, doc, IdOf(s, doc, table, kPropLastRow), kPropFirstCell);
    s.AddText(doc, {IdOf(s, doc, cell, kPropFirstParagraph), 0}, "ch1.mif", &at);
    d.cells.back().shown = 0; // covered by the straddle of the cell to its left
    d.cells[d.cells.size() - 2].colSpan = 2;
    const Snapshot before = Take(s, doc);

    const std::string mif = WriteMif(d);
    EXPECT_EQ(mif.rfind("<MIFFile 7.00>", 0), 0u);
    EXPECT_NE(mif.find("<String `Book'>"), std::string::npos) << mif;
    EXPECT_NE(mif.find("\\Qquoted\\q <x\\>"), std::string::npos);
    EXPECT_NE(mif.find("\\xd2 caf\\x8e \\xd3 \\ttab"), std::string::npos);

    Session s2;
    Document& back = s2.NewDocument();
    std::string error;
    ASSERT_TRUE(ReadMifDocument(mif, "written.mif", back, {}, &error)) << error;
    EXPECT_EQ(Take(s2, back.id()), before);
    EXPECT_EQ(WriteMif(back), mif);
}

TEST(TextRender, HeadingsParagraphsAndAlignedTables) {
    Session s;
    DocBuilder b(s);
    const ObjectId flow = b.Flow();
    const ObjectId frame = b.TextFrame(b.Page());
    b.Para(flow, frame, "Report", {"Heading1", 1, 0});
    const ObjectId p = b.Para(flow, frame,
                              "Caf\x8E\x11"
                              "au\x08lait");
    TableSpec shape;
    shape.columns = 3;
    shape.heading = {{"File", "Words", "Fog"}};
    shape.body = {{"chapter-one.mif", "1200", "9.5"}, {"Overall", "", "10"}};
    b.Table(p, shape);
    b.Para(flow, frame, "Words", {"Heading2", 1, 0});
    EXPECT_EQ(RenderText(b.doc()), "Report\n"
                                   "======\n"
                                   "Caf\xC3\xA9 au    lait\n"
                                   "File             Words  Fog\n"
                                   "---------------  -----  ---\n"
                                   "chapter-one.mif  1200   9.5\n"
                                   "Overall                 10\n"
                                   "\n"
                                   "Words\n"
                                   "-----\n");
}

class OpenFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = test::ScratchFolder("lx_open_");
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, std::string_view content) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(OpenFiles, DetectsTheKindByContentAndReportsFailures) {
    const std::string mifPath = Write("chapter.txt", "<MIFFile 7.00>\n<TextFlow <Para "
                                                     "<ParaLine <String `From MIF'>>>>\n");
    const std::string textPath = Write("notes.mif", "Plain words.\n\nSecond.\n");
    const std::string bookPath =
        Write("book.dat", "<Book 7.00>\n<BookComponent <FileName `<c\\>chapter.txt'>>\n"
                          "<BookComponent <FileName `<c\\>missing.mif'>>\n");
    const std::string badPath = Write("bad.mif", "<MIFFile 7.00>\n<TextFlow <Para>\n");
    const std::string binPath = Write("image.png", std::string("\x89PNG\0\0\0", 8));

    Session s;
    std::vector<PropEntry> returned;
    std::string error;
    ObjectId doc = 0;
    ASSERT_EQ(s.Open(mifPath, {}, &doc, &returned, &error), kOk) << error;
    EXPECT_EQ(KindOf(doc), kKindDocument);
    std::string path;
    s.GetString(doc, doc, kPropPath, &path);
    EXPECT_EQ(path, mifPath);
    ASSERT_EQ(returned.size(), 2u);
    EXPECT_EQ(returned[0].value.sval, mifPath);
    EXPECT_EQ(returned[1].value.ival, kOk);

    // An open file returns its document; as a template it makes a new untitled one.
    ObjectId again = 0;
    EXPECT_EQ(s.Open(mifPath, {{5, 0}, {kOpenAsTemplate, 0}}, &again, &returned), kOk);
    EXPECT_EQ(again, doc);
    ObjectId copy = 0;
    EXPECT_EQ(s.Open(mifPath, {{kOpenAsTemplate, 1}}, &copy, &returned), kOk);
    EXPECT_NE(copy, doc);
    s.GetString(copy, copy, kPropPath, &path);
    EXPECT_EQ(path, "");

    ObjectId text = 0;
    ASSERT_EQ(s.Open(textPath, {}, &text, &returned), kOk);
    const ObjectId flow = IdOf(s, 0, text, kPropMainFlow);
    EXPECT_EQ(ParagraphTexts(s, text, IdOf(s, text, flow, kPropFirstParagraph)),
              (std::vector<std::string>{"Plain words.", "Second."}));

    ObjectId book = 0;
    ASSERT_EQ(s.Open(bookPath, {}, &book, &returned), kOk);
    EXPECT_EQ(KindOf(book), kKindBook);
    const std::vector<ObjectId> comps =
        Chain(s, book, IdOf(s, 0, book, kPropFirstComponent), kPropNextComponent);
    ASSERT_EQ(comps.size(), 2u);
    s.GetString(book, comps[0], kPropPath, &path);
    EXPECT_EQ(path, mifPath);
    s.GetString(book, comps[1], kPropPath, &path);
    ObjectId none = 7;
    EXPECT_EQ(s.Open(path, {}, &none, &returned, &error), kErrFileNotFound);
    EXPECT_EQ(none, 0u);
    // The system's own words for the reason.
#if !defined(_WIN32)
    EXPECT_EQ(error, path + ": cannot open: " +
                         std::make_error_code(std::errc::no_such_file_or_directory).message());
#endif
    EXPECT_EQ(error.rfind(path + ": cannot open: ", 0), 0u) << error;
    ASSERT_EQ(returned.size(), 2u);
    EXPECT_EQ(returned[1].value.ival, kErrFileNotFound);

    const std::size_t open = s.openDocuments().size();
    EXPECT_EQ(s.Open(badPath, {}, &none, &returned, &error), kErrBadFile);
    EXPECT_EQ(error, badPath + ":2: unexpected end of file: <TextFlow> is not closed");
    EXPECT_EQ(s.Open(binPath, {}, &none, &returned, &error), kErrNotDocument);
#if !defined(_WIN32)
    const std::string tooLong = (dir_ / std::string(300, 'x')).string();
    EXPECT_EQ(s.Open(tooLong, {}, &none, &returned, &error), kErrFileNotFound);
    EXPECT_EQ(error, tooLong + ": cannot open: " +
                         std::make_error_code(std::errc::filename_too_long).message());
#endif
    EXPECT_EQ(s.Open("", {}, &none, &returned, &error), kErrFileNotFound);
    EXPECT_EQ(s.openDocuments().size(), open); // a failed open leaves no document behind
}

} // namespace
} // namespace lxhost
