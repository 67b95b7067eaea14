// Readers of the host's files: MIF documents and books, and plain text.
#pragma once

#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

enum class FileType { MifDocument, MifBook, Text, Binary };

// What a file holds, judged by its content: a MIF document or book by its first statement,
// text when it holds no NUL byte, otherwise binary data that is no document.
FileType DetectFileType(std::string_view data);

// Reads a MIF document into doc (a new, empty document). On failure returns false with
// "FILE:LINE: problem" in *error; doc is then incomplete and should be closed.
bool ReadMifDocument(std::string_view data, std::string_view fileName, Document& doc,
                     const ReaderOptions& options, std::string* error);

// Reads a MIF book into book (new and empty); component paths are resolved against bookDir.
// Component files are not opened.
bool ReadMifBook(std::string_view data, std::string_view fileName, const std::string& bookDir,
                 Book& book, std::string* error);

// Turns a device-independent MIF path ("<c\>ch1.fm" once decoded: "<c>ch1.fm") into a file
// path, relative ones resolved against baseDir.
std::string ResolveMifPath(std::string_view dipath, const std::string& baseDir);

// Reads UTF-8 text: paragraphs are separated by blank lines, the lines of a paragraph are joined
// with one space. Characters without a FrameRoman form are counted in the document. The document
// gets one body page, one text frame and the default formats.
void ReadPlainText(std::string_view data, Document& doc);

} // namespace lxhost
