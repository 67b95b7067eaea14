// Output documents: made new (from the template "LXOutput.fm" in the host's installation
// directory, or from a custom page), and filled paragraph by paragraph at the end of their main
// flow, each paragraph with a named paragraph format.
#pragma once

#include "support/api_types.h"

#include <cstdint>

enum OutputDocKind : std::int32_t {
    OutputDocText = 1,  // the document report and the word lists: the template, else portrait
    OutputDocTable = 2, // the book report: always a new landscape page, made invisible
};

constexpr const char* kOutputTemplateName = "LXOutput.fm";

// The new document, or 0 when none could be made.
ObjectId NewOutputDocument(OutputDocKind kind);
// Adds text as a new last paragraph of the main flow; a null formatName applies no format.
void AppendParagraph(ObjectId doc, const char* text, const char* formatName);
// Gives the paragraph every property of the named format, unless the paragraph is locked.
void ApplyParagraphFormat(ObjectId doc, ObjectId paragraph, const char* formatName);

// A paragraph format's properties fetched once, to be given to many paragraphs (the cells of a
// report table) while the format stays as it is: one copy of the list instead of one per cell.
struct FetchedFormat {
    ObjectId format = 0; // 0 when the document has no format of that name
    PropValList props = {0, nullptr};
};
FetchedFormat FetchParagraphFormat(ObjectId doc, const char* formatName);
// As ApplyParagraphFormat, with the properties fetched before.
void ApplyFetchedFormat(ObjectId doc, ObjectId paragraph, const FetchedFormat& format);
void FreeFetchedFormat(FetchedFormat* format);
// As AppendParagraph, with the format's properties fetched before (the rows of a word list).
void AppendFormattedParagraph(ObjectId doc, const char* text, const FetchedFormat& format);
// The open document whose path equals path ignoring case, or 0.
ObjectId FindOpenDocument(const char* path);

// Grows the owned string *str (MemFree; null allowed) and appends text to it. Returns *str, which
// stays as it was when the memory cannot be had.
char* StrAppendGrow(char** str, const char* text);
