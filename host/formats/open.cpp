// The Open operation: reads a file, tells a MIF document, a MIF book, a documentation source
// (Markdown, HTML, XML) and plain text apart, and makes the document or book. A folder is a book
// of the files under it.
#include "host/formats/book_folder.h"
#include "host/formats/markup.h"
#include "host/formats/mif_reader.h"
#include "host/formats/text_encoding.h"
#include "host/model/model.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace lxhost {

namespace {

// Files larger than this are refused rather than read into memory.
constexpr std::uintmax_t kMaxFileSize = std::uintmax_t{1} << 31;

// Reads a whole file; false with a message naming the file and the reason.
bool ReadWholeFile(const std::string& path, std::string* data, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    // The system's own reason: no such file, permission denied, name too long, ...
    if (ec || !fs::exists(st)) {
        *error = path + ": cannot open: " +
                 (ec ? ec.message()
                     : std::make_error_code(std::errc::no_such_file_or_directory).message());
        return false;
    }
    if (fs::is_directory(st)) {
        *error = path + ": cannot open: a folder, not a file";
        return false;
    }
    if (!fs::is_regular_file(st)) {
        *error = path + ": cannot open: not a regular file";
        return false;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxFileSize) {
        *error = path + ": cannot open: " + (ec ? ec.message() : std::string("file too large"));
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    data->resize(static_cast<std::size_t>(size));
    in.read(data->data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) {
        *error = path + ": cannot read the file";
        return false;
    }
    return true;
}

// Notes what the user should know about the text of a file just read, once per file.
void NoteText(std::vector<TextNote>& notes, const std::string& path, TextEncoding encoding,
              std::size_t charactersWithoutForm) {
    if (encoding == TextEncoding::Utf8 && charactersWithoutForm == 0)
        return;
    if (std::any_of(notes.begin(), notes.end(), [&](const TextNote& n) { return n.path == path; }))
        return; // a book's walk may read a file more than once
    notes.push_back({path, TextEncodingName(encoding), charactersWithoutForm});
}

// Notes each excluded format that the document defines.
void NoteExcludedFormats(const Document& d, const ReaderOptions& options,
                         std::vector<std::string>& found) {
    for (const std::string& name : options.excludedFormats) {
        if (std::find(found.begin(), found.end(), name) != found.end())
            continue;
        for (const PgfFormat& f : d.pgfFormats)
            if (f.name == name) {
                found.push_back(name);
                break;
            }
    }
}

std::string AbsolutePath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string full = fs::absolute(fs::path(path), ec).lexically_normal().string();
    return ec ? path : full;
}

// Whether the file is a file component of an open book: there a book's walk asks for one of its
// documents. A book just opened (except) does not count: a book may name itself.
bool IsComponentOfOpenBook(Session& session, const std::string& full, ObjectId except) {
    for (ObjectId id : session.openBooks()) {
        const Book* book = id == except ? nullptr : session.FindBook(id);
        if (book == nullptr) {
            continue;
        }
        for (const Component& c : book->components) {
            if (c.kind == kComponentFile && AbsolutePath(c.path) == full) {
                return true;
            }
        }
    }
    return false;
}

// A part of an XML file as a DocBook book names the chapters written in it and the parts its
// XIncludes select: "FILE#fragment", when no file has that very name and FILE is an XML file.
bool SplitPartPath(const std::string& full, std::string* file, std::string* fragment) {
    namespace fs = std::filesystem;
    const std::size_t hash = full.rfind('#');
    std::error_code ec;
    if (hash == std::string::npos || hash + 1 == full.size() ||
        full.find('/', hash) != std::string::npos || fs::exists(full, ec)) {
        return false;
    }
    *file = full.substr(0, hash);
    *fragment = full.substr(hash + 1);
    return fs::is_regular_file(*file, ec) && DetectSourceType(*file, {}) == SourceType::Xml;
}

} // namespace

bool ReadSourceFile(const std::string& path, std::string* data, std::string* error) {
    return ReadWholeFile(path, data, error);
}

std::int32_t Session::Open(std::string_view path, const std::vector<OpenParamEntry>& params,
                           ObjectId* out, std::vector<PropEntry>* returned, std::string* error) {
    namespace fs = std::filesystem;
    *out = 0;
    std::string message;
    std::int32_t status = kOk;
    bool asTemplate = false;
    for (const OpenParamEntry& p : params) {
        if (p.num == kOpenAsTemplate && p.value == 1) {
            asTemplate = true;
        }
    }
    std::string full;
    const auto provided = providedFiles.find(path);
    if (provided != providedFiles.end()) {
        full = provided->first; // not a path on disk: kept as given
    } else if (path.empty()) {
        status = kErrFileNotFound;
        message = "no file name given";
    } else {
        full = AbsolutePath(std::string(path));
        // A chapter outside its book's folder, a folder a book could not list: not read.
        if (const std::string* refusal = RefusalOfOpenBook(*this, full)) {
            status = kErrFileNotFound;
            message = *refusal;
        }
    }
    if (status == kOk && !asTemplate) {
        *out = FindOpenByPath(full);
    }
    const bool alreadyOpen = *out != 0;
    std::string data;
    std::error_code dirError;
    if (status == kOk && *out == 0 && provided != providedFiles.end()) {
        data = provided->second;
    } else if (status == kOk && *out == 0 && fs::is_directory(full, dirError)) {
        // A folder where a book's file is asked for is refused below; refused before it is
        // listed, a link to a large tree ("/usr") costs nothing.
        if (IsComponentOfOpenBook(*this, full, 0)) {
            status = kErrNotDocument;
            message = full + ": a book, not a document: it cannot be a file of a book";
        } else {
            *out = OpenFolderBook(*this, full, &status, &message);
        }
    }
    std::string partFile, fragment;
    if (status == kOk && *out == 0 && provided == providedFiles.end() &&
        SplitPartPath(full, &partFile, &fragment)) {
        if (ReadWholeFile(partFile, &data, &message)) {
            *out =
                OpenXmlPart(*this, data, partFile, fragment, full, asTemplate, &status, &message);
        } else {
            status = kErrFileNotFound;
        }
    }
    if (status == kOk && *out == 0 && provided == providedFiles.end()) {
        if (!ReadWholeFile(full, &data, &message)) {
            status = kErrFileNotFound;
        }
    }
    // Text saved as UTF-16 (as some Windows editors do) is read as the same text in UTF-8.
    TextEncoding encoding = TextEncoding::Utf8;
    if (status == kOk && *out == 0) {
        std::string utf8;
        if (Utf16WithBomToUtf8(data, &utf8)) {
            data = std::move(utf8);
            encoding = TextEncoding::Utf16;
        }
    }
    if (status == kOk && *out == 0) {
        switch (DetectFileType(data)) {
        case FileType::MifDocument: {
            Document& d = NewDocument();
            d.path = asTemplate ? std::string() : full;
            if (ReadMifDocument(data, full, d, readerOptions, &message)) {
                *out = d.id();
                NoteText(textNotes, full, encoding, d.charactersWithoutForm);
            } else {
                Close(d.id(), 1);
                status = kErrBadFile;
            }
            break;
        }
        case FileType::MifBook: {
            Book& b = NewBook();
            b.path = full;
            // A book read from standard input names its files relative to the current folder.
            std::error_code cwdError;
            const std::string folder = provided != providedFiles.end()
                                           ? fs::current_path(cwdError).string()
                                           : fs::path(full).parent_path().string();
            if (ReadMifBook(data, full, folder, b, &message)) {
                *out = b.id();
            } else {
                Close(b.id(), 1);
                status = kErrBadFile;
            }
            break;
        }
        case FileType::Text: {
            // Plain text or Markdown that is not UTF-8 is taken for Windows-1252, the usual
            // encoding of older Western text: read as UTF-8, every byte above 0x7F would break a
            // word. HTML and XML declare their encoding, which their reader follows.
            const SourceType source = DetectSourceType(full, data);
            if ((source == SourceType::None || source == SourceType::Markdown) &&
                !IsValidUtf8(data)) {
                data = Windows1252ToUtf8(data);
                encoding = TextEncoding::Windows1252;
            }
            if (source != SourceType::None) {
                *out = OpenSource(*this, source, data, full, asTemplate, &status, &message);
                if (const Document* d = FindDocument(*out))
                    NoteText(textNotes, full, encoding, d->charactersWithoutForm);
                break;
            }
            Document& d = NewDocument();
            d.path = asTemplate ? std::string() : full;
            ReadPlainText(data, d);
            *out = d.id();
            NoteText(textNotes, full, encoding, d.charactersWithoutForm);
            break;
        }
        case FileType::Binary:
            status = kErrNotDocument;
            message = full + ": not a document (binary data)";
            break;
        }
    }
    // A book where a book's component document is asked for (the book itself, another book, or
    // a folder) is refused: opened, it would be taken for a document, and the walk that asked
    // would count it as empty or, the book being its own component, close the book it walks.
    if (status == kOk && *out != 0 && KindOf(*out) == kKindBook &&
        IsComponentOfOpenBook(*this, full, alreadyOpen ? 0 : *out)) {
        if (!alreadyOpen) {
            Close(*out, 1);
        }
        status = kErrNotDocument;
        message = full + ": a book, not a document: it cannot be a file of a book";
        *out = 0;
    }
    // A template is not examined; a folder book's files are noted as the plug-in opens them.
    if (status == kOk && !asTemplate)
        if (const Document* d = FindDocument(*out))
            NoteExcludedFormats(*d, readerOptions, excludedFormatsFound);
    if (returned != nullptr) {
        returned->clear();
        returned->push_back({kOpenRetFileName, PropValue::String(full)});
        returned->push_back({kOpenRetStatus, PropValue::Int(status)});
    }
    if (error != nullptr) {
        *error = message;
    }
    return status;
}

} // namespace lxhost
