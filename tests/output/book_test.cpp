// The book walk and the readability reports, on books of real files in the host's model.
#include "output/book_walk.h"
#include "output/report.h"

#include "analysis/traversal.h"
#include "output_host.h"
#include "support/prop_list.h"

#include <algorithm>

namespace {

using Paras = std::vector<std::pair<std::string, std::string>>;

struct Visit {
    std::string name;
    bool opened;
};

void RecordVisit(ObjectId doc, const char* name, void* context) {
    static_cast<std::vector<Visit>*>(context)->push_back({name, doc != 0});
}

std::vector<std::string> StatusTexts(lxhost::Session& model) {
    std::vector<std::string> out;
    for (const lxhost::HostEvent& e : model.events)
        if (e.type == lxhost::EventType::StatusText)
            out.push_back(e.text);
    return out;
}

class BookWalk : public OutputHost {};

TEST_F(BookWalk, FilesInBookOrderThroughFoldersAndGroupsSkippingExcluded) {
    lxhost::BookBuilder b(Model());
    ObjectId folder = b.Folder("Part 1");
    b.File(TextFile("f1.txt", "One."), folder);
    b.File(TextFile("f2.txt", "Two."), folder);
    b.Folder("Empty");
    b.File(TextFile("f3.txt", "Three."));
    b.File(TextFile("skip.txt", "Skipped."), 0, true);
    ObjectId last = b.Folder("Appendix");
    ObjectId group = b.Group("Group", last);
    b.File(TextFile("f4.txt", "Four."), group);

    std::vector<Visit> visits;
    Model().events.clear();
    WalkBookFiles(b.id(), kStatusExamining, RecordVisit, &visits);
    std::vector<std::string> names;
    for (const Visit& v : visits) {
        names.push_back(v.name);
        EXPECT_TRUE(v.opened) << v.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"f1.txt", "f2.txt", "f3.txt", "f4.txt"}));
    EXPECT_EQ(StatusTexts(Model()),
              (std::vector<std::string>{"Examining: f1.txt", "Examining: f2.txt",
                                        "Examining: f3.txt", "Examining: f4.txt", ""}));
}

TEST_F(BookWalk, OpenFilesStayOpenOthersAreClosedMissingOnesGoToTheConsole) {
    std::string open = TextFile("open.txt", "Already open here.");
    std::string missing = (dir_ / "missing.txt").string();
    lxhost::BookBuilder b(Model());
    b.File(TextFile("closed.txt", "Opened for the walk."));
    b.File(open);
    b.File(missing);
    b.File(TextFile("after.txt", "Still counted after a missing file."));

    ObjectId userDoc = 0;
    std::vector<lxhost::PropEntry> returned;
    ASSERT_EQ(Model().Open(open, {}, &userDoc, &returned), 0);
    std::vector<ObjectId> before = Model().openDocuments();

    ReadabilityCounts totals = {};
    WalkBookFiles(
        b.id(), kStatusExamining,
        [](ObjectId doc, const char*, void* c) {
            CountDocument(doc, static_cast<ReadabilityCounts*>(c));
        },
        &totals);
    EXPECT_EQ(Model().openDocuments(), before); // opened for the walk and closed again
    EXPECT_NE(Model().FindDocument(userDoc), nullptr);
    EXPECT_EQ(totals.sentences, 3);               // the missing file adds nothing and stops nothing
    EXPECT_EQ(host_.record().console.size(), 3u); // written in three pieces
#if !defined(_WIN32) // the Windows build has no converters here: only the line end comes through
    std::string console;
    for (const std::string& piece : host_.record().console)
        console += piece;
    EXPECT_EQ(console, "Could not open file:" + missing + "\n");
#endif
}

TEST_F(BookWalk, CountingPassShowsItsOwnStatus) {
    lxhost::BookBuilder b(Model());
    b.File(TextFile("only.txt", "Words here."));
    StrList* list = StrListNew(1, 1);
    BookCollectWords(b.id(), list);
    StrListSort(list, CompareWords);
    WordCounts counts = WordCountsNew(StrListCount(list));
    Model().events.clear();
    BookCountWords(b.id(), list, &counts);
    EXPECT_EQ(StatusTexts(Model()), (std::vector<std::string>{"Getting counts: only.txt", ""}));
    EXPECT_EQ(counts.items[0], 1);
    WordCountsFree(&counts);
    StrListFree(list);
}

TEST_F(BookWalk, ComponentOpenParametersInOrder) {
    PropValList params = ComponentOpenParams();
    ASSERT_EQ(params.count, 9u);
    const std::int32_t expected[][2] = {{5, 0},  {2, 0},  {3, 1},  {23, 1}, {28, 1},
                                        {22, 1}, {25, 1}, {36, 3}, {24, 11}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(params.items[i].prop.num, expected[i][0]);
        EXPECT_EQ(params.items[i].value.tag, kTagInt);
        EXPECT_EQ(params.items[i].value.u.ival, expected[i][1]);
    }
    PropValListFree(&params);
}

class Reports : public OutputHost {};

TEST_F(Reports, TheDocumentReportHasFourteenParagraphs) {
    lxhost::DocBuilder b(Model());
    ObjectId page = b.Page();
    ObjectId frame = b.TextFrame(page);
    ObjectId flow = b.Flow();
    b.Para(flow, frame, "The cat sat on the mat. It was a beautiful day!");
    std::vector<ObjectId> before = Model().openDocuments();
    WriteDocumentReport(b.id());
    std::vector<ObjectId> made = NewDocuments(before);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(Paragraphs(made[0]), (Paras{{"Heading1", "File: Untitled"},
                                          {"Body", "Flesch Reading Ease: 101.3"},
                                          {"Body", "Flesch-Kincaid Grade Level: 0.5"},
                                          {"Body", "ARI Grade Level: -3.7"},
                                          {"Body", "SMOG Grade Level: 7.2"},
                                          {"Body", "Gunning Fog Index: 5.8"},
                                          {"Body", ""},
                                          {"Body", "Total Paragraphs: 1"},
                                          {"Body", "Total Sentences: 2"},
                                          {"Body", "Total Words: 11"},
                                          {"Body", "Total Characters: 35"},
                                          {"Body", ""},
                                          {"Body", "Average Sentences per Paragraph: 2.0"},
                                          {"Body", "Average Words per Sentence: 5.5"}}));
}

// The cell texts of the report table, row by row.
std::vector<std::vector<std::string>> TableOf(lxhost::Document& doc) {
    std::vector<std::vector<std::string>> rows;
    const lxhost::Table& t = doc.tables.at(0);
    for (ObjectId r = t.firstRow; r != 0;) {
        const lxhost::Row* row = doc.FindRow(r);
        std::vector<std::string> cells;
        for (std::uint32_t i = 0; i < row->cellCount; ++i) {
            const lxhost::Cell& cell = doc.cells[row->firstCell + i];
            cells.push_back(std::string(doc.FindParagraph(cell.firstPara)->body.text()));
        }
        rows.push_back(cells);
        r = row->next;
    }
    return rows;
}

TEST_F(Reports, TheBookReportTableHasARowPerFileAndTheOverallSums) {
    lxhost::BookBuilder b(Model(), (dir_ / "guide.book").string());
    // One-character file names: each still gets a row of its own.
    b.File(TextFile("a", "One short sentence here. And another one."));
    b.File(TextFile("b", "A single line of text for the second file."));
    std::vector<ObjectId> before = Model().openDocuments();
    Model().events.clear();
    WriteBookReport(b.id());
    std::vector<ObjectId> made = NewDocuments(before);
    ASSERT_EQ(made.size(), 1u);
    lxhost::Document& doc = *Model().FindDocument(made[0]);

    EXPECT_EQ(Paragraphs(made[0]).front(),
              (std::pair<std::string, std::string>{"Heading1", "Book: guide.book"}));
    std::vector<std::vector<std::string>> rows = TableOf(doc);
    ASSERT_EQ(rows.size(), 4u); // the heading row, two files, Overall
    EXPECT_EQ(rows[0], (std::vector<std::string>{
                           "File", "Flesch Reading Ease", "Flesch Kincaid Grade", "ARI", "SMOG",
                           "Gunning Fog", "Paragraphs", "Sentences", "Words", "Characters",
                           "Sentences per Paragraph", "Words per Sentence"}));
    EXPECT_EQ(rows[1][0], "a");
    EXPECT_EQ(rows[2][0], "b");
    EXPECT_EQ(rows[3][0], "Overall");
    for (int column = 6; column <= 9; ++column) // the Overall counts are the files' sums
        EXPECT_EQ(std::stoi(rows[3][column]),
                  std::stoi(rows[1][column]) + std::stoi(rows[2][column]))
            << column;

    const lxhost::Table& table = doc.tables.at(0);
    ASSERT_EQ(table.widths.size(), 12u);
    EXPECT_EQ(table.widths[0], 130 * kMetricPoint);
    EXPECT_EQ(table.widths[11], 57 * kMetricPoint);
    for (const char* format : {"CellHeading", "CellBody"}) {
        ObjectId id = 0;
        ASSERT_EQ(Model().GetNamedObject(made[0], 32, format, &id), 0);
        Metric size = 0;
        Model().GetMetric(made[0], id, kPropFontSize, &size);
        EXPECT_EQ(size, 10 * kMetricPoint) << format;
    }
    // Every cell in its format as it stands once made 10 pt (with no setting of its own): the
    // heading row in CellHeading, the files and Overall in CellBody.
    for (ObjectId r = table.firstRow; r != 0; r = doc.FindRow(r)->next) {
        const lxhost::Row& row = *doc.FindRow(r);
        const std::string format = r == table.firstRow ? "CellHeading" : "CellBody";
        for (std::uint32_t i = 0; i < row.cellCount; ++i) {
            const lxhost::Paragraph& p = *doc.FindParagraph(doc.cells[row.firstCell + i].firstPara);
            EXPECT_EQ(doc.FormatNameOf(p), format) << "row " << r << " cell " << i;
            EXPECT_EQ(p.override, -1) << "row " << r << " cell " << i;
            EXPECT_EQ(doc.SettingsOf(p).fontSize, 10 * kMetricPoint)
                << "row " << r << " cell " << i;
        }
    }
    std::vector<std::int32_t> shown;
    for (const lxhost::HostEvent& e : Model().events)
        if (e.type == lxhost::EventType::Shown && e.object == made[0])
            shown.push_back(e.value);
    EXPECT_EQ(shown, (std::vector<std::int32_t>{0, 1})); // hidden, shown when complete
}

TEST_F(Reports, ABookWithoutFilesHasOnlyTheOverallRow) {
    lxhost::BookBuilder b(Model());
    b.Folder("Nothing here");
    std::vector<ObjectId> before = Model().openDocuments();
    WriteBookReport(b.id());
    std::vector<ObjectId> made = NewDocuments(before);
    ASSERT_EQ(made.size(), 1u);
    std::vector<std::vector<std::string>> rows = TableOf(*Model().FindDocument(made[0]));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "Overall");
    EXPECT_EQ(rows[1][6], "0");
    EXPECT_EQ(rows[1][1], "n/a");
}

} // namespace
