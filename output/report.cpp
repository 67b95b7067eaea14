#include "output/report.h"

#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "output/book_walk.h"
#include "output/builder.h"
#include "output/file_names.h"
#include "output/measure_output.h"
#include "runtime/api.h"
#include "support/mem.h"
#include "support/prop_list.h"
#include "support/str.h"

namespace {

constexpr const char* kHeadingFormat = "Heading1";
constexpr const char* kCellHeadingFormat = "CellHeading";
constexpr const char* kCellBodyFormat = "CellBody";
constexpr const char* kTableFormat = "Format A";
constexpr std::int32_t kReportColumns = 12;
constexpr Metric kFirstColumnWidth = 0x820000; // 130 pt
constexpr Metric kOtherColumnWidth = 0x390000; // 57 pt
constexpr Metric kCellFontSize = 0xA0000;      // 10 pt
constexpr const char* kOverall = "Overall";

constexpr const char* kColumnHeadings[kReportColumns] = {"File",
                                                         "Flesch Reading Ease",
                                                         "Flesch Kincaid Grade",
                                                         "ARI",
                                                         "SMOG",
                                                         "Gunning Fog",
                                                         "Paragraphs",
                                                         "Sentences",
                                                         "Words",
                                                         "Characters",
                                                         "Sentences per Paragraph",
                                                         "Words per Sentence"};

constexpr Measure kReportMeasures[] = {MeasureFlesch, MeasureAri, MeasureSmog, MeasureFog,
                                       MeasureCounts};

void SetInsertionPoint(ObjectId outDoc, ObjectId paragraph) {
    TextRange point = {{paragraph, 0}, {paragraph, 0}};
    ApiSetTextRange(0, outDoc, kPropSelection, &point);
}

// Writes text at the start of the paragraph (made the insertion point) in the given format.
void WriteCellText(ObjectId outDoc, ObjectId paragraph, const char* text,
                   const FetchedFormat& format) {
    SetInsertionPoint(outDoc, paragraph);
    TextLoc at = {paragraph, 0};
    ApiAddText(outDoc, &at, text);
    ApplyFetchedFormat(outDoc, paragraph, format);
}

// Starts a row: the table's last row when it is still empty (the body row made with the table),
// else a new row below it; writes text in its first cell and leaves the insertion point in the
// second.
void StartRow(ObjectId outDoc, ObjectId table, const char* text, const FetchedFormat& cellFormat) {
    ObjectId last = ApiGetId(outDoc, table, kPropLastRow);
    ObjectId firstCell = ApiGetId(outDoc, last, kPropFirstCell);
    ObjectId paragraph = ApiGetId(outDoc, firstCell, kPropFirstParagraph);
    char* existing = FetchObjectText(outDoc, paragraph);
    // Any text in the first cell means the row is taken. (A one-character file name is text
    // too: testing for more than one character would write the next row over it.)
    if (StrLen(existing) > 0)
        ApiAddRows(outDoc, last, kAddRowsBelow, 1);
    MemFree(existing);

    last = ApiGetId(outDoc, table, kPropLastRow);
    ObjectId cell = ApiGetId(outDoc, last, kPropFirstCell);
    paragraph = ApiGetId(outDoc, cell, kPropFirstParagraph);
    WriteCellText(outDoc, paragraph, text, cellFormat);
    ObjectId next = ApiGetId(outDoc, cell, kPropNextCell);
    SetInsertionPoint(outDoc, ApiGetId(outDoc, next, kPropFirstParagraph));
}

// The counts of one measure: Gunning Fog's own, or everyone's.
const ReadabilityCounts& CountsOf(Measure measure, const ReportCounts& counts) {
    return measure == MeasureFog ? counts.fog : counts.counts;
}

// Every cell of a row takes the properties of "CellBody", fetched once for all the rows: the
// format does not change while the rows are written.
void WriteRow(ObjectId outDoc, ObjectId table, const char* name, const ReportCounts& counts,
              const FetchedFormat& cellFormat) {
    StartRow(outDoc, table, name, cellFormat);
    for (Measure measure : kReportMeasures)
        ReportMeasure(measure, outDoc, CountsOf(measure, counts), OutputTableCells, &cellFormat);
}

struct RowsContext {
    ObjectId outDoc;
    ObjectId table;
    FetchedFormat cellFormat;
    ReportCounts totals;
    ReportCounter count;
    void* countContext;
};

// A document's counts by the given counter, or by the plug-in's rules when there is none (the
// Fog count then the same counts).
ReportCounts CountForReport(ObjectId doc, ReportCounter count, void* context) {
    ReportCounts counts = {};
    if (count) {
        count(doc, &counts, context);
    } else {
        CountDocument(doc, &counts.counts);
        counts.fog = counts.counts;
    }
    return counts;
}

void RowWork(ObjectId doc, const char* name, void* context) {
    auto* c = static_cast<RowsContext*>(context);
    // The file is counted once; its counts are added to the book's total.
    ReportCounts counts = CountForReport(doc, c->count, c->countContext);
    AddCounts(c->totals.counts, counts.counts);
    AddCounts(c->totals.fog, counts.fog);
    WriteRow(c->outDoc, c->table, name, counts, c->cellFormat);
}

} // namespace

void WriteDocumentReport(ObjectId doc, ReportCounter count, void* context) {
    ObjectId outDoc = NewOutputDocument(OutputDocText);
    char* heading = nullptr;
    char* name = DocumentFileName(doc);
    StrAppendGrow(&heading, "File: ");
    StrAppendGrow(&heading, name);
    AppendParagraph(outDoc, heading, kHeadingFormat);
    // The document is counted once; every measure is computed from the same counts.
    const ReportCounts counts = CountForReport(doc, count, context);
    for (Measure measure : kReportMeasures)
        ReportMeasure(measure, outDoc, CountsOf(measure, counts), OutputDocument);
    MemFree(name);
    MemFree(heading);
}

void WriteBookReportRows(ObjectId book, ObjectId outDoc, ObjectId table, ReportCounter count,
                         void* countContext) {
    RowsContext context = {outDoc, table, FetchParagraphFormat(outDoc, kCellBodyFormat),
                           {},     count, countContext};
    WalkBookFiles(book, kStatusExamining, RowWork, &context);
    WriteRow(outDoc, table, kOverall, context.totals, context.cellFormat);
    FreeFetchedFormat(&context.cellFormat);
}

void WriteBookReport(ObjectId book, ReportCounter count, void* context) {
    ObjectId outDoc = NewOutputDocument(OutputDocTable);
    ApiSetInt(0, outDoc, kPropDocumentShown, 0);
    char* heading = nullptr;
    char* name = BookFileName(book);
    StrAppendGrow(&heading, "Book: ");
    StrAppendGrow(&heading, name ? name : "");
    AppendParagraph(outDoc, heading, kHeadingFormat);
    MemFree(name);
    MemFree(heading);

    for (const char* format : {kCellHeadingFormat, kCellBodyFormat}) {
        ObjectId id = ApiGetNamedObject(outDoc, kObjectTypeParagraphFormat, format);
        if (id != 0)
            ApiSetMetric(outDoc, id, kPropFontSize, kCellFontSize);
    }

    TextRange selection = ApiGetTextRange(0, outDoc, kPropSelection);
    if (selection.begin.obj == 0)
        return; // no document was made: there is nowhere to put the table
    ObjectId table = ApiNewTable(outDoc, kTableFormat, kReportColumns, 1, 1, 0, &selection.begin);
    ApiSetInt(outDoc, table, kPropTableSetting1289, 0);

    MetricList widths = ApiGetMetrics(outDoc, table, kPropColumnWidths);
    // Only the widths the host gave are set: a shorter list is never written past.
    for (std::uint32_t i = 0; i < widths.count && i < kReportColumns; ++i)
        widths.items[i] = i == 0 ? kFirstColumnWidth : kOtherColumnWidth;
    ApiSetMetrics(outDoc, table, kPropColumnWidths, &widths);
    RawFree(widths.items);

    ObjectId row = ApiGetId(outDoc, table, kPropFirstRow);
    ObjectId cell = ApiGetId(outDoc, row, kPropFirstCell);
    FetchedFormat headingFormat = FetchParagraphFormat(outDoc, kCellHeadingFormat);
    for (const char* columnHeading : kColumnHeadings) {
        ObjectId paragraph = ApiGetId(outDoc, cell, kPropFirstParagraph);
        WriteCellText(outDoc, paragraph, columnHeading, headingFormat);
        cell = ApiGetId(outDoc, cell, kPropNextCell);
    }
    FreeFetchedFormat(&headingFormat);

    WriteBookReportRows(book, outDoc, table, count, context);
    ApiSetInt(0, outDoc, kPropDocumentShown, 1);
}
