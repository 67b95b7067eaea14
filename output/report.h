// Readability reports: for a document a heading and a column of labelled values, for a book a
// table with a row per file and a closing "Overall" row.
#pragma once

#include "support/api_types.h"

// The document report (command 8).
void WriteDocumentReport(ObjectId doc);
// The book report (command 16).
void WriteBookReport(ObjectId book);
// Writes a row per examined file of the book and the "Overall" row into the report table.
void WriteBookReportRows(ObjectId book, ObjectId outDoc, ObjectId table);
