// The MIF document reader.
#pragma once

#include "host/formats/registry.h"
#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

// Reads a MIF document into doc (a new, empty document). On failure returns false with
// "FILE:LINE: problem" in *error; doc is then incomplete and should be closed.
bool ReadMifDocument(std::string_view data, std::string_view fileName, Document& doc,
                     const ReaderOptions& options, std::string* error);

// The registry's reader of MIF documents: a new document of the session, or 0 with kErrBadFile.
ObjectId OpenMifDocument(Session& session, const OpenRequest& request, std::int32_t* status,
                         std::string* error);

} // namespace lxhost
