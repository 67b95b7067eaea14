// The table of formats and the recognition of a file's format from its name and content.
#include "host/formats/registry.h"

#include "host/formats/markup.h"
#include "host/formats/mif_book_reader.h"
#include "host/formats/mif_reader.h"
#include "host/formats/plain_text_reader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace lxhost {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Whether s begins with a MIF statement of this name: "<MIFFile 7.00>", not "<MIFFileX".
bool StartsWithStatement(std::string_view s, std::string_view open) {
    return s.starts_with(open) &&
           (s.size() == open.size() || !std::isalnum(static_cast<unsigned char>(s[open.size()])));
}

bool StartsWithNoCase(std::string_view s, std::string_view lowerPrefix) {
    if (s.size() < lowerPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != lowerPrefix[i]) {
            return false;
        }
    }
    return true;
}

bool HasMifDocumentMark(std::string_view head) {
    return StartsWithStatement(head, "<MIFFile");
}

bool HasMifBookMark(std::string_view head) {
    return StartsWithStatement(head, "<Book");
}

bool HasHtmlMark(std::string_view head) {
    return StartsWithNoCase(head, "<!doctype html") || StartsWithNoCase(head, "<html");
}

bool HasXmlMark(std::string_view head) {
    return head.starts_with("<?xml") || head.starts_with("<!DOCTYPE");
}

ObjectId OpenXmlFile(Session& session, const OpenRequest& request, std::int32_t* status,
                     std::string* error) {
    return OpenXml(session, request.data, request.path, request.asTemplate, status, error);
}

// A MIF book is a .mif file as a document is; its mark tells them apart.
constexpr std::string_view kMifExtensions[] = {".mif"};
constexpr std::string_view kMarkdownExtensions[] = {".md", ".markdown", ".mdown", ".mkd"};
constexpr std::string_view kHtmlExtensions[] = {".html", ".htm", ".xhtml"};
constexpr std::string_view kXmlExtensions[] = {".xml", ".dbk", ".docbook", ".dita", ".ditamap"};

// One row per format; a new format is a row here and its reader's file (see registry.h). Marks are
// looked for in this order: HTML before XML, since "<!DOCTYPE html" is both. Plain text is last:
// it takes any text that no other row claims.
const FileFormat kFormats[] = {
    {.id = FormatId::MifDocument,
     .name = "MIF document",
     .extensions = kMifExtensions,
     .hasMark = HasMifDocumentMark,
     .markBeforeName = true,
     .open = OpenMifDocument,
     .gathered = true},
    {.id = FormatId::MifBook,
     .name = "MIF book",
     .hasMark = HasMifBookMark,
     .markBeforeName = true,
     .open = OpenMifBook},
    {.id = FormatId::Markdown,
     .name = "Markdown",
     .extensions = kMarkdownExtensions,
     .nameDecides = true,
     .open = OpenMarkdownFile,
     .gathered = true,
     .folderEntries = MarkdownFolderEntries,
     .legacyFallback = true},
    {.id = FormatId::Html,
     .name = "HTML",
     .extensions = kHtmlExtensions,
     .nameDecides = true,
     .hasMark = HasHtmlMark,
     .open = OpenHtmlFile,
     .gathered = true},
    {.id = FormatId::Xml,
     .name = "XML (DocBook, DITA)",
     .extensions = kXmlExtensions,
     .nameDecides = true,
     .hasMark = HasXmlMark,
     .open = OpenXmlFile,
     .gathered = true,
     .folderEntries = XmlFolderEntries},
    {.id = FormatId::PlainText,
     .name = "plain text",
     .open = OpenPlainText,
     .legacyFallback = true},
};

std::string LowerExtension(std::string_view path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

std::span<const FileFormat> FileFormats() {
    return kFormats;
}

const FileFormat& FormatRow(FormatId id) {
    for (const FileFormat& f : kFormats) {
        if (f.id == id) {
            return f;
        }
    }
    return kFormats[std::size(kFormats) - 1];
}

const FileFormat* FormatOfExtension(std::string_view path) {
    const std::string ext = LowerExtension(path);
    if (ext.empty()) {
        return nullptr;
    }
    for (const FileFormat& f : kFormats) {
        if (std::find(f.extensions.begin(), f.extensions.end(), ext) != f.extensions.end()) {
            return &f;
        }
    }
    return nullptr;
}

const FileFormat* DetectFormat(std::string_view path, std::string_view data) {
    return DetectFormat(path, data, data.find('\0') != std::string_view::npos);
}

const FileFormat* DetectFormat(std::string_view path, std::string_view data, bool hasNul) {
    std::string_view head = data;
    if (head.starts_with(kByteOrderMark)) {
        head.remove_prefix(kByteOrderMark.size());
    }
    const std::size_t start = head.find_first_not_of(" \t\r\n");
    head.remove_prefix(start == std::string_view::npos ? head.size() : start);
    for (const FileFormat& f : kFormats) {
        if (f.markBeforeName && f.hasMark(head)) {
            return &f;
        }
    }
    if (hasNul) {
        return nullptr;
    }
    if (const FileFormat* named = FormatOfExtension(path); named != nullptr && named->nameDecides) {
        return named;
    }
    for (const FileFormat& f : kFormats) {
        if (!f.markBeforeName && f.hasMark != nullptr && f.hasMark(head)) {
            return &f;
        }
    }
    return &FormatRow(FormatId::PlainText);
}

} // namespace lxhost
