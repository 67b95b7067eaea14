// The plain-text reader.
#pragma once

#include "host/formats/registry.h"
#include "host/formats/text_scan.h"
#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

// Reads UTF-8 text: paragraphs are separated by blank lines, the lines of a paragraph are joined
// with one space. Characters without a FrameRoman form are counted in the document. The document
// gets one body page, one text frame and the default formats. When data is held by file, the
// memory of the text read is given back as the reader goes. scan, when given, is the first pass
// over data (text_scan.h): the reader makes room from it instead of going through data twice.
void ReadPlainText(std::string_view data, Document& doc, FileBytes* file = nullptr,
                   const TextScan* scan = nullptr);

// The registry's reader of plain text: every text is a document, so this never fails.
ObjectId OpenPlainText(Session& session, const OpenRequest& request, std::int32_t* status,
                       std::string* error);

} // namespace lxhost
