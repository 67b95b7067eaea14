// The formats the host reads, one row each: its names, how its content is recognised, its reader,
// whether a folder book gathers its files, and whether text that is not UTF-8 is read as
// Windows-1252. Session::Open and the folder listing of folder books ask this table and nothing
// else about a format.
//
// Adding a format is one row in kFormats (registry.cpp), its id below, and its reader in a file of
// its own with an OpenFn entry.
#pragma once

#include "host/model/model.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lxhost {

class FileBytes;
struct TextScan;

enum class FormatId { MifDocument, MifBook, Markdown, Html, Xml, PlainText };

// A file to open: its text (already UTF-8 or as its reader expects it), the path it is known by
// (the name given, for text the host was handed rather than a file), and how it is opened.
struct OpenRequest {
    std::string_view data;
    const std::string& path;
    bool asTemplate = false;
    // The host was handed the text (standard input) rather than reading a file.
    bool provided = false;
    // Where data is held: a reader that goes through it once may give back what it has passed
    // (FileBytes::Release). Null when the text is not the reader's to give back.
    FileBytes* file = nullptr;
    // The first pass over data, when the opener made one (null when not): what a reader may make
    // room from.
    const TextScan* scan = nullptr;
};

// A reader's entry: a new document or book of the session and its id; or 0 with a host error code
// in *status and the reason, naming the file, in *error.
using OpenFn = ObjectId (*)(Session& session, const OpenRequest& request, std::int32_t* status,
                            std::string* error);

// What a folder book takes of one file it gathered: the file itself, nothing (a table of contents
// of files the folder holds already), or parts of it.
using FolderEntriesFn = std::vector<std::string> (*)(const std::string& path);

struct FileFormat {
    FormatId id;
    std::string_view name;
    // File name extensions, lower case with the dot; a name matches in any case.
    std::span<const std::string_view> extensions = {};
    // Whether an extension alone decides the format (Markdown has no mark of its own). When not,
    // a file of the format is known by its mark only.
    bool nameDecides = false;
    // Whether the text begins with the format's mark; the text is given without a byte order mark
    // and leading white space. Null: the format has no mark.
    bool (*hasMark)(std::string_view head) = nullptr;
    // Whether the mark is looked for before any name: a MIF statement is unmistakable, whatever
    // the file is called. Otherwise marks are looked for only when no name decided.
    bool markBeforeName = false;
    OpenFn open = nullptr;
    // Whether a folder book gathers files with these extensions, and what it takes of each (null:
    // the file whole).
    bool gathered = false;
    FolderEntriesFn folderEntries = nullptr;
    // Whether text that is not valid UTF-8 is read as Windows-1252, the usual encoding of older
    // Western text. Formats that declare their encoding (HTML, XML) follow their declaration.
    bool legacyFallback = false;
};

// Every row, in the order marks are looked for.
std::span<const FileFormat> FileFormats();
const FileFormat& FormatRow(FormatId id);

// The row that lists the extension of path (in any case), or null.
const FileFormat* FormatOfExtension(std::string_view path);

// The format of a file by its name and content: a mark looked for before names (MIF), then the
// name, then the other marks (HTML, XML); any other text is plain text. Null: binary data (a NUL
// byte), which is no document.
const FileFormat* DetectFormat(std::string_view path, std::string_view data);
// The same for a caller that has looked for a NUL byte already: only data's head is read.
const FileFormat* DetectFormat(std::string_view path, std::string_view data, bool hasNul);

} // namespace lxhost
