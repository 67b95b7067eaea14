// The plain-text reader.
#pragma once

#include "host/formats/registry.h"
#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

// Reads UTF-8 text: paragraphs are separated by blank lines, the lines of a paragraph are joined
// with one space. Characters without a FrameRoman form are counted in the document. The document
// gets one body page, one text frame and the default formats. When data is held by file, the
// memory of the text read is given back as the reader goes.
void ReadPlainText(std::string_view data, Document& doc, FileBytes* file = nullptr);

// The registry's reader of plain text: every text is a document, so this never fails.
ObjectId OpenPlainText(Session& session, const OpenRequest& request, std::int32_t* status,
                       std::string* error);

} // namespace lxhost
