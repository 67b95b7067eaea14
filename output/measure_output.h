// Delivering a measure: one alert, paragraphs of a report document, or cells of a report table.
#pragma once

#include "analysis/counts.h"
#include "analysis/measures.h"
#include "support/api_types.h"

#include <cstdint>

enum OutputKind : std::int32_t {
    OutputAlert = 1,      // one alert for the whole measure
    OutputDocument = 3,   // one "Body" paragraph per line in outDoc
    OutputTableCells = 4, // the value texts alone, one per cell from outDoc's insertion point
};

struct FetchedFormat;

// Computes one measure of counts and delivers it; outDoc is 0 for OutputAlert. Table cells take
// the properties of the format "CellBody": cellFormat when given (fetched once for many rows),
// else fetched for this call.
void ReportMeasure(Measure measure, ObjectId outDoc, const ReadabilityCounts& counts,
                   OutputKind outputKind, const FetchedFormat* cellFormat = nullptr);
// Counts the document afresh and reports one measure of it.
void AnalyzeDocument(ObjectId docId, Measure measure, OutputKind outputKind, ObjectId outDoc);
