// The MIF book reader.
#pragma once

#include "host/formats/registry.h"
#include "host/model/model.h"

#include <string>
#include <string_view>

namespace lxhost {

// Reads a MIF book into book (new and empty); component paths are resolved against bookDir.
// Component files are not opened.
bool ReadMifBook(std::string_view data, std::string_view fileName, const std::string& bookDir,
                 Book& book, std::string* error);

// Turns a device-independent MIF path ("<c\>ch1.fm" once decoded: "<c>ch1.fm") into a file
// path, relative ones resolved against baseDir.
std::string ResolveMifPath(std::string_view dipath, const std::string& baseDir);

// The registry's reader of MIF books: a new book of the session whose files lie relative to the
// book's folder (to the current folder for a book the host was handed, such as standard input),
// or 0 with kErrBadFile.
ObjectId OpenMifBook(Session& session, const OpenRequest& request, std::int32_t* status,
                     std::string* error);

} // namespace lxhost
