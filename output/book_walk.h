// Working file by file through a book: the walk over its component tree in book order, opening
// each examined file unless it is open already, the status text, and closing the file again.
#pragma once

#include "analysis/counts.h"
#include "analysis/measures.h"
#include "analysis/words.h"
#include "output/measure_output.h"
#include "support/api_types.h"
#include "support/str_list.h"

#include <cstdint>

constexpr const char* kStatusExamining = "Examining: ";
constexpr const char* kStatusGettingCounts = "Getting counts: ";

// The work done on one file of the book: doc is 0 when the file could not be opened; name is
// the file's last path component.
using BookFileWork = void (*)(ObjectId doc, const char* name, void* context);

// The component after this one in book order (pre-order over the tree), or 0 at the end.
ObjectId NextComponent(ObjectId book, ObjectId component, std::int32_t kind);
// The nine parameters a book's file is opened with; free with PropValListFree.
PropValList ComponentOpenParams();
// Walks the book and does the work on every examined file, showing statusPrefix and the file's
// name as the book's status text; clears the status text at the end.
void WalkBookFiles(ObjectId book, const char* statusPrefix, BookFileWork work, void* context);

// Counts every examined file into one total and reports the measure.
void BookMeasure(ObjectId book, Measure measure, OutputKind outputKind);
void BookCollectWords(ObjectId book, StrList* list);
void BookCountWords(ObjectId book, const StrList* list, WordCounts* counts);
