// Tables through the host operations: NewTable, AddRows, row order, columns, hidden cells.
#include "host/model/builder.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

namespace lxhost {
namespace {

using test::Chain;
using test::IdOf;
using test::IntOf;
using test::TextOf;

struct Fixture {
    Session s;
    ObjectId doc = 0;
    ObjectId para = 0;

    Fixture() {
        CustomDocParams p;
        p.width = 792 * kMetricPoint;
        p.height = 576 * kMetricPoint;
        p.top = p.bottom = p.inside = p.outside = 18 * kMetricPoint;
        s.CustomDoc(p, &doc);
        const ObjectId flow = IdOf(s, 0, doc, kPropMainFlow);
        para = IdOf(s, doc, IdOf(s, doc, flow, kPropFirstTextFrame), kPropFirstParagraph);
        TextLoc after{};
        s.AddText(doc, {para, 0}, "Book: manual", &after);
    }

    std::vector<ObjectId> Rows(ObjectId table) {
        return Chain(s, doc, IdOf(s, doc, table, kPropFirstRow), kPropNextRow);
    }
    std::vector<ObjectId> Cells(ObjectId row) {
        return Chain(s, doc, IdOf(s, doc, row, kPropFirstCell), kPropNextCell);
    }
};

TEST(NewTable, AnchoredAtTheLocationWithOneEmptyParagraphPerCell) {
    Fixture f;
    ObjectId table = 0;
    ASSERT_EQ(f.s.NewTable(f.doc, "Format A", 12, 1, 1, 0, {f.para, 0}, &table), kOk);
    EXPECT_EQ(KindOf(table), kKindTable);
    EXPECT_EQ(IdOf(f.s, 0, f.doc, kPropFirstTable), table);
    TextLoc anchor{};
    EXPECT_EQ(f.s.GetTextLoc(f.doc, table, kPropAnchor, &anchor), kOk);
    EXPECT_EQ(anchor.obj, f.para);
    EXPECT_EQ(anchor.offset, 0);
    // The anchor takes no text: the paragraph still reads the same.
    EXPECT_EQ(TextOf(f.s, f.doc, f.para), "Book: manual");

    const std::vector<ObjectId> rows = f.Rows(table);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(IdOf(f.s, f.doc, table, kPropLastRow), rows.back());
    for (ObjectId row : rows) {
        const std::vector<ObjectId> cells = f.Cells(row);
        ASSERT_EQ(cells.size(), 12u);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            EXPECT_EQ(IntOf(f.s, f.doc, cells[c], kPropColumn), static_cast<int>(c));
            EXPECT_EQ(IntOf(f.s, f.doc, cells[c], kPropCellShown), 1);
            const ObjectId p = IdOf(f.s, f.doc, cells[c], kPropFirstParagraph);
            EXPECT_EQ(TextOf(f.s, f.doc, p), "");
            EXPECT_EQ(IdOf(f.s, f.doc, p, kPropNextParagraph), 0u);
            EXPECT_EQ(IdOf(f.s, f.doc, p, kPropCell), cells[c]);
        }
    }
    // Columns share the text column: 756 pt over 12 columns.
    std::vector<Metric> widths;
    ASSERT_EQ(f.s.GetMetrics(f.doc, table, kPropColumnWidths, &widths), kOk);
    ASSERT_EQ(widths.size(), 12u);
    EXPECT_EQ(widths[0], 63 * kMetricPoint);
    widths[0] = 130 * kMetricPoint;
    EXPECT_EQ(f.s.SetMetrics(f.doc, table, kPropColumnWidths, widths), kOk);
    std::vector<Metric> back;
    f.s.GetMetrics(f.doc, table, kPropColumnWidths, &back);
    EXPECT_EQ(back, widths);
    widths.pop_back();
    EXPECT_EQ(f.s.SetMetrics(f.doc, table, kPropColumnWidths, widths), kErrBadValue);
    EXPECT_EQ(f.s.SetInt(f.doc, table, kPropTableOption, 0), kOk);
    EXPECT_EQ(IntOf(f.s, f.doc, table, kPropTableOption), 0);
}

TEST(NewTable, BadArgumentsAreHostErrors) {
    Fixture f;
    ObjectId t = 1;
    struct Case {
        const char* what;
        std::int32_t result;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"unknown format", f.s.NewTable(f.doc, "Format Z", 2, 1, 0, 0, {f.para, 0}, &t),
         kErrNameNotFound},
        {"no columns", f.s.NewTable(f.doc, "Format A", 0, 1, 0, 0, {f.para, 0}, &t), kErrBadValue},
        {"no body row", f.s.NewTable(f.doc, "Format A", 2, 0, 1, 0, {f.para, 0}, &t), kErrBadValue},
        {"negative heading", f.s.NewTable(f.doc, "Format A", 2, 1, -1, 0, {f.para, 0}, &t),
         kErrBadValue},
        {"offset past the end", f.s.NewTable(f.doc, "Format A", 2, 1, 0, 0, {f.para, 99}, &t),
         kErrBadValue},
        {"no paragraph", f.s.NewTable(f.doc, "Format A", 2, 1, 0, 0, {0, 0}, &t), kErrBadValue},
        {"no document", f.s.NewTable(0, "Format A", 2, 1, 0, 0, {f.para, 0}, &t), kErrBadDocument},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, c.expected) << c.what;
    }
    EXPECT_EQ(t, 0u);
    EXPECT_EQ(IdOf(f.s, 0, f.doc, kPropFirstTable), 0u);
}

TEST(AddRows, NewRowsGoBelowTheGivenRowInItsSection) {
    Fixture f;
    ObjectId table = 0;
    ASSERT_EQ(f.s.NewTable(f.doc, "Format A", 3, 2, 1, 1, {f.para, 0}, &table), kOk);
    std::vector<ObjectId> rows = f.Rows(table);
    ASSERT_EQ(rows.size(), 4u); // heading, body, body, footing
    const ObjectId heading = rows[0], body1 = rows[1], body2 = rows[2], footing = rows[3];

    ASSERT_EQ(f.s.AddRows(f.doc, body1, kAddRowsBelow, 2), kOk);
    rows = f.Rows(table);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], heading);
    EXPECT_EQ(rows[1], body1);
    EXPECT_EQ(rows[4], body2);
    EXPECT_EQ(rows[5], footing);
    EXPECT_EQ(IdOf(f.s, f.doc, table, kPropLastRow), footing);
    for (ObjectId r : {rows[2], rows[3]}) {
        const std::vector<ObjectId> cells = f.Cells(r);
        ASSERT_EQ(cells.size(), 3u);
        EXPECT_EQ(IntOf(f.s, f.doc, cells[2], kPropColumn), 2);
        // New cells take the format of the row they were added below.
        std::string format;
        f.s.GetString(f.doc, IdOf(f.s, f.doc, cells[0], kPropFirstParagraph), kPropName, &format);
        EXPECT_EQ(format, "CellBody");
    }

    ASSERT_EQ(f.s.AddRows(f.doc, footing, kAddRowsBelow, 1), kOk);
    rows = f.Rows(table);
    EXPECT_EQ(IdOf(f.s, f.doc, table, kPropLastRow), rows.back());
    EXPECT_NE(rows.back(), footing);

    EXPECT_EQ(f.s.AddRows(f.doc, body1, 1240, 1), kErrBadValue);
    EXPECT_EQ(f.s.AddRows(f.doc, body1, kAddRowsBelow, -1), kErrBadValue);
    EXPECT_EQ(f.s.AddRows(f.doc, f.para, kAddRowsBelow, 1), kErrBadObject);
}

TEST(AddRows, TheBookReportProtocolFillsRowByRow) {
    // Fill cells through the selection as the book report does, adding a row when the last
    // row's first cell already holds text.
    Fixture f;
    ObjectId table = 0;
    ASSERT_EQ(f.s.NewTable(f.doc, "Format A", 2, 1, 1, 0, {f.para, 0}, &table), kOk);
    for (const char* file : {"ch1.mif", "ch2.mif", "Overall"}) {
        ObjectId last = IdOf(f.s, f.doc, table, kPropLastRow);
        ObjectId p = IdOf(f.s, f.doc, IdOf(f.s, f.doc, last, kPropFirstCell), kPropFirstParagraph);
        if (TextOf(f.s, f.doc, p).size() > 1) {
            ASSERT_EQ(f.s.AddRows(f.doc, last, kAddRowsBelow, 1), kOk);
            last = IdOf(f.s, f.doc, table, kPropLastRow);
            p = IdOf(f.s, f.doc, IdOf(f.s, f.doc, last, kPropFirstCell), kPropFirstParagraph);
        }
        TextLoc after{};
        ASSERT_EQ(f.s.AddText(f.doc, {p, 0}, file, &after), kOk);
    }
    std::vector<std::string> firstColumn;
    for (ObjectId r : f.Rows(table)) {
        firstColumn.push_back(
            TextOf(f.s, f.doc,
                   IdOf(f.s, f.doc, IdOf(f.s, f.doc, r, kPropFirstCell), kPropFirstParagraph)));
    }
    EXPECT_EQ(firstColumn, (std::vector<std::string>{"", "ch1.mif", "ch2.mif", "Overall"}));
}

TEST(BuiltTables, HeadingRowsComeFirstAndHiddenCellsReadZero) {
    Session s;
    DocBuilder b(s);
    const ObjectId p = b.Para(b.Flow(), b.TextFrame(b.Page()), "Anchor");
    TableSpec shape;
    shape.columns = 3;
    shape.body = {{"b1", "b2", "b3"}};
    shape.footing = {{"f1"}};
    shape.heading = {{"h1", "h2", "h3"}};
    shape.hidden = {{1, 2}};
    shape.title = {"Table 1. Pumps"};
    const ObjectId table = b.Table(p, shape);
    const std::vector<ObjectId> rows =
        Chain(s, b.id(), IdOf(s, b.id(), table, kPropFirstRow), kPropNextRow);
    ASSERT_EQ(rows.size(), 3u);
    auto firstText = [&](ObjectId row) {
        return TextOf(s, b.id(),
                      IdOf(s, b.id(), IdOf(s, b.id(), row, kPropFirstCell), kPropFirstParagraph));
    };
    EXPECT_EQ(firstText(rows[0]), "h1");
    EXPECT_EQ(firstText(rows[1]), "b1");
    EXPECT_EQ(firstText(rows[2]), "f1");
    EXPECT_EQ(IntOf(s, b.id(), b.CellAt(table, 1, 2), kPropCellShown), 0);
    EXPECT_EQ(IntOf(s, b.id(), b.CellAt(table, 1, 1), kPropCellShown), 1);
    EXPECT_EQ(TextOf(s, b.id(), IdOf(s, b.id(), table, kPropFirstParagraph)), "Table 1. Pumps");
    // Cell paragraphs are shown in the frame of the table's anchor.
    const ObjectId cellPara = IdOf(s, b.id(), b.CellAt(table, 0, 0), kPropFirstParagraph);
    EXPECT_EQ(IdOf(s, b.id(), cellPara, kPropTextFrame), IdOf(s, b.id(), p, kPropTextFrame));
}

} // namespace
} // namespace lxhost
