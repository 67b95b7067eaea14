// Output of documents: MIF 7.00 for the host and plain text for the terminal.
#pragma once

#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

// The first line of every file WriteMif writes. A folder book leaves files that begin with it out:
// they are the tool's own outputs (reports, word lists), saved perhaps into the very folder.
inline constexpr std::string_view kWrittenMifHead =
    "<MIFFile 7.00> # written by the Lexameter headless host\n";

// The document as MIF 7.00 with FrameRoman escapes: formats, tables, one body page with a
// TextRect per text frame, and one TextFlow per flow. Reading it back gives the same
// paragraphs (runs included), formats and tables.
std::string WriteMif(Document& doc);
// Writes WriteMif's text to a file; false with a message naming the file on failure.
bool SaveMif(Document& doc, const std::string& path, std::string* error);

// The main flow as UTF-8 text: headings underlined, one line per paragraph, tables with aligned
// columns where they are anchored.
std::string RenderText(Document& doc);

} // namespace lxhost
