// Readability reports: for a document a heading and a column of labelled values, for a book a
// table with a row per file and a closing "Overall" row.
#pragma once

#include "analysis/counts.h"
#include "support/api_types.h"

// What a report shows of a file: the counts of every measure, and those of Gunning Fog, whose
// complex words a counter may count apart (the plug-in's are the same counts).
struct ReportCounts {
    ReadabilityCounts counts;
    ReadabilityCounts fog;
};

// Counts one open document for a report, adding to *counts. The plug-in's reports count with
// CountDocument; another client of the host may pass its own counter.
using ReportCounter = void (*)(ObjectId doc, ReportCounts* counts, void* context);

// The document report (command 8); a null counter counts as the plug-in does.
void WriteDocumentReport(ObjectId doc, ReportCounter count = nullptr, void* context = nullptr);
// The book report (command 16); a null counter counts as the plug-in does.
void WriteBookReport(ObjectId book, ReportCounter count = nullptr, void* context = nullptr);
// Writes a row per examined file of the book and the "Overall" row into the report table.
void WriteBookReportRows(ObjectId book, ObjectId outDoc, ObjectId table,
                         ReportCounter count = nullptr, void* context = nullptr);
