#include "output/measure_output.h"

#include "analysis/traversal.h"
#include "output/builder.h"
#include "runtime/api.h"
#include "support/mem.h"
#include "support/str.h"

namespace {

constexpr const char* kBodyFormat = "Body";
constexpr const char* kCellBodyFormat = "CellBody";

void DeliverAlert(const MeasureLine* lines, int n) {
    char* text = nullptr;
    StrAppendGrow(&text, "");
    for (int i = 0; i < n; ++i) {
        StrAppendGrow(&text, lines[i].label);
        StrAppendGrow(&text, lines[i].value);
        StrAppendGrow(&text, lines[i].alertBreak == kLineBreakDouble ? "\n\n" : "\n");
    }
    ApiAlert(text, kAlertType);
    MemFree(text);
}

void DeliverParagraphs(ObjectId outDoc, const MeasureLine* lines, int n) {
    for (int i = 0; i < n; ++i) {
        char* text = nullptr;
        StrAppendGrow(&text, lines[i].label);
        StrAppendGrow(&text, lines[i].value);
        AppendParagraph(outDoc, text, kBodyFormat);
        MemFree(text);
        if (lines[i].spacerInDocument)
            AppendParagraph(outDoc, "", kBodyFormat);
    }
}

// Writes each value at the insertion point, which stands at the start of a cell's first
// paragraph, in the cell format, then moves the insertion point to the next cell of the row.
void DeliverCells(ObjectId outDoc, const MeasureLine* lines, int n, const FetchedFormat& format) {
    for (int i = 0; i < n; ++i) {
        TextRange cursor = ApiGetTextRange(0, outDoc, kPropSelection);
        ApiAddText(outDoc, &cursor.begin, lines[i].value);
        ObjectId paragraph = cursor.begin.obj;
        ApplyFetchedFormat(outDoc, paragraph, format);
        ObjectId cell = ApiGetId(outDoc, paragraph, kPropContainingCell);
        ObjectId next = ApiGetId(outDoc, cell, kPropNextCell);
        ObjectId first = ApiGetId(outDoc, next, kPropFirstParagraph);
        TextRange point = {{first, 0}, {first, 0}};
        ApiSetTextRange(0, outDoc, kPropSelection, &point);
    }
}

} // namespace

void ReportMeasure(Measure measure, ObjectId outDoc, const ReadabilityCounts& counts,
                   OutputKind outputKind, const FetchedFormat* cellFormat) {
    MeasureLine lines[kMeasureMaxLines];
    int n = MeasureLines(measure, counts, lines);
    switch (outputKind) {
    case OutputAlert:
        DeliverAlert(lines, n);
        break;
    case OutputDocument:
        DeliverParagraphs(outDoc, lines, n);
        break;
    case OutputTableCells:
        if (cellFormat) {
            DeliverCells(outDoc, lines, n, *cellFormat);
        } else {
            FetchedFormat format = FetchParagraphFormat(outDoc, kCellBodyFormat);
            DeliverCells(outDoc, lines, n, format);
            FreeFetchedFormat(&format);
        }
        break;
    }
}

void AnalyzeDocument(ObjectId docId, Measure measure, OutputKind outputKind, ObjectId outDoc) {
    ReadabilityCounts counts = {};
    CountDocument(docId, &counts);
    ReportMeasure(measure, outDoc, counts, outputKind);
}
