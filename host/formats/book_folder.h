// The folder rule of books: a book (an mdBook summary, a DITA map, a DocBook book, a folder) reads
// only files that lie in its folder once symbolic links are followed, so that running the tool
// on documents from a stranger reads nothing else of the machine. The reader option allowOutside
// lifts the rule; MIF books name their files anywhere and are not held to it.
#pragma once

#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

// The first lines of the HTML page the tool writes. A folder book leaves HTML files that begin
// with them out, as it leaves out the MIF files the tool wrote (kWrittenMifHead): a page saved into
// the folder that a book is made of is the tool's output, not a chapter.
inline constexpr std::string_view kWrittenHtmlHead =
    "<!DOCTYPE html>\n<!-- readability page written by lexameter -->\n";

// Whether path lies in folder (or is the folder) once both are made canonical: links followed,
// "." and ".." resolved; the part of a path that does not exist is taken as written. A path
// whose links cannot be followed (a loop, a name too long) does not lie in it.
bool LiesInFolder(const std::string& path, const std::string& folder);

// The refusal of a file outside the folder: "WHAT 'PATH' is outside the book's folder 'FOLDER'
// (after links are followed); --allow-outside reads it". what: "chapter", "included file", ...
std::string OutsideFolderMessage(std::string_view what, const std::string& path,
                                 const std::string& folder);

// Refuses the file components of the book that lie outside folder (book.refused), unless the
// options allow them. A part of a file ("FILE#fragment") is judged by its file; the parts of the
// book file itself are the book's own.
void ConfineBook(Book& book, const std::string& folder, const ReaderOptions& options);

// The path made absolute and normal (no "." or ".." parts), as Open knows a file by it.
std::string AbsolutePath(const std::string& path);

// Why an open book refuses the file at path (its full path), or null when none does.
const std::string* RefusalOfOpenBook(Session& session, std::string_view path);

} // namespace lxhost
