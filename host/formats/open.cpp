// The Open operation: reads a file, asks the format registry what it holds, and has that format's
// reader make the document or book. A folder is a book of the files under it.
#include "host/formats/book_folder.h"
#include "host/formats/file_bytes.h"
#include "host/formats/markup.h"
#include "host/formats/read_ahead.h"
#include "host/formats/registry.h"
#include "host/formats/text_encoding.h"
#include "host/formats/text_scan.h"
#include "host/model/model.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

namespace lxhost {

namespace {

// The size of the blocks in which a file's bytes are scanned before a reader sees them.
constexpr std::size_t kScanBlock = std::size_t{1} << 20;

// Scans the bytes a block at a time and gives each block's memory back once looked at: a large
// file is never resident whole. A block ends before a character's continuation bytes, so that
// no character is cut in two. Binary data ends the scan at the end of its block.
TextScan ScanText(FileBytes& file) {
    TextScanner scanner;
    std::string_view rest = file.view();
    while (!rest.empty() && !scanner.result().hasNul) {
        std::size_t cut = std::min(rest.size(), kScanBlock);
        for (int back = 0; back < 3 && cut < rest.size() && cut > 1 &&
                           (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80;
             ++back)
            --cut;
        const std::string_view block = rest.substr(0, cut);
        scanner.Scan(block);
        rest.remove_prefix(cut);
        file.Release(block.data(), rest.data());
    }
    return scanner.result();
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
    const FileFormat* named = FormatOfExtension(*file);
    return fs::is_regular_file(*file, ec) && named != nullptr && named->id == FormatId::Xml;
}

// What opening a file gave: the document or book, or 0 with a host error code and the reason.
struct Opened {
    ObjectId id = 0;
    std::int32_t status = kOk;
    std::string message;
};

Opened Failed(std::int32_t status, std::string message) {
    return {0, status, std::move(message)};
}

// Opens a file that is not open yet: a folder as a book of its files, a part of an XML file, or a
// file read whole (or the text the host was handed, provided) by its format's reader. A book's
// file that was read ahead is taken from there.
Opened OpenFile(Session& session, const std::string& full, const std::string* provided,
                bool asTemplate) {
    namespace fs = std::filesystem;
    Opened r;
    if (provided == nullptr && !asTemplate) {
        // A read-ahead that fails (memory running short) leaves the file to be read here.
        try {
            if (const ObjectId id = OpenReadAhead(session, full)) {
                return {id, kOk, {}};
            }
        } catch (const std::exception&) {
        }
    }
    std::error_code dirError;
    if (provided == nullptr && fs::is_directory(full, dirError)) {
        // A folder where a book's file is asked for is refused below; refused before it is
        // listed, a link to a large tree ("/usr") costs nothing.
        if (IsComponentOfOpenBook(session, full, 0))
            return Failed(kErrNotDocument,
                          full + ": a book, not a document: it cannot be a file of a book");
        r.id = OpenGuarded(session, full, &r.status, &r.message,
                           [&] { return OpenFolderBook(session, full, &r.status, &r.message); });
        return r;
    }
    std::string partFile, fragment;
    if (provided == nullptr && SplitPartPath(full, &partFile, &fragment)) {
        std::string data;
        if (!ReadSourceFile(partFile, &data, &r.message)) {
            return Failed(kErrFileNotFound, std::move(r.message));
        }
        r.id =
            OpenXmlPart(session, data, partFile, fragment, full, asTemplate, &r.status, &r.message);
        return r;
    }
    FileBytes file;
    if (provided != nullptr) {
        file.Replace(*provided);
    } else if (!file.Open(full, &r.message)) {
        return Failed(kErrFileNotFound, std::move(r.message));
    }
    // Text saved as UTF-16 (as some Windows editors do) is read as the same text in UTF-8.
    TextEncoding encoding = TextEncoding::Utf8;
    if (std::string utf8; Utf16WithBomToUtf8(file.view(), &utf8)) {
        file.Replace(std::move(utf8));
        encoding = TextEncoding::Utf16;
    }
    const TextScan scan = ScanText(file);
    const FileFormat* format = DetectFormat(full, file.view(), scan.hasNul);
    if (format == nullptr) {
        return Failed(kErrNotDocument, full + ": not a document (binary data)");
    }
    // Read as UTF-8, every byte above 0x7F of older Western text would break a word.
    if (format->legacyFallback && !scan.utf8) {
        file.Replace(Windows1252ToUtf8(file.view()));
        encoding = TextEncoding::Windows1252;
    }
    const std::string_view data = file.view();
    OpenRequest request{data, full, asTemplate, provided != nullptr};
    request.file = &file;
    request.scan = &scan;
    // Whatever a reader throws (a budget exceeded, memory or object ids exhausted) fails the
    // open of this file alone.
    r.id = OpenGuarded(session, full, &r.status, &r.message,
                       [&] { return format->open(session, request, &r.status, &r.message); });
    if (const Document* d = session.FindDocument(r.id)) {
        NoteText(session.textNotes, full, encoding, d->charactersWithoutForm);
    }
    return r;
}

} // namespace

std::string AbsolutePath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string full = fs::absolute(fs::path(path), ec).lexically_normal().string();
    return ec ? path : full;
}

bool ReadSourceFile(const std::string& path, std::string* data, std::string* error) {
    FileBytes file;
    if (!file.Open(path, error)) {
        return false;
    }
    data->assign(file.view());
    return true;
}

std::int32_t Session::Open(std::string_view path, const std::vector<OpenParamEntry>& params,
                           ObjectId* out, std::vector<PropEntry>* returned, std::string* error) {
    const bool asTemplate = std::any_of(params.begin(), params.end(), [](const OpenParamEntry& p) {
        return p.num == kOpenAsTemplate && p.value == 1;
    });
    std::string full;
    Opened r;
    const auto provided = providedFiles.find(path);
    if (provided != providedFiles.end()) {
        full = provided->first; // not a path on disk: kept as given
    } else if (path.empty()) {
        r = Failed(kErrFileNotFound, "no file name given");
    } else {
        full = AbsolutePath(std::string(path));
        // A chapter outside its book's folder, a folder a book could not list: not read.
        if (const std::string* refusal = RefusalOfOpenBook(*this, full)) {
            r = Failed(kErrFileNotFound, *refusal);
        }
    }
    const ObjectId open = r.status == kOk && !asTemplate ? FindOpenByPath(full) : 0;
    if (open != 0) {
        r.id = open;
    } else if (r.status == kOk) {
        // Named while it is read, and after when an error stops the run there; a book's walk
        // opens its files within its own Open.
        struct Reading {
            std::string& name;
            std::string before;
            int unwinding = std::uncaught_exceptions();
            ~Reading() {
                if (std::uncaught_exceptions() == unwinding) {
                    name = std::move(before);
                }
            }
        } reading{fileBeingOpened, std::exchange(fileBeingOpened, full)};
        r = OpenFile(*this, full, provided != providedFiles.end() ? &provided->second : nullptr,
                     asTemplate);
    }
    // A book where a book's component document is asked for (the book itself, another book, or
    // a folder) is refused: opened, it would be taken for a document, and the walk that asked
    // would count it as empty or, the book being its own component, close the book it walks.
    if (r.status == kOk && r.id != 0 && KindOf(r.id) == kKindBook &&
        IsComponentOfOpenBook(*this, full, open != 0 ? 0 : r.id)) {
        if (open == 0) {
            Close(r.id, 1);
        }
        r = Failed(kErrNotDocument,
                   full + ": a book, not a document: it cannot be a file of a book");
    }
    // A template is not examined; a folder book's files are noted as the plug-in opens them.
    if (r.status == kOk && !asTemplate)
        if (const Document* d = FindDocument(r.id))
            NoteExcludedFormats(*d, readerOptions, excludedFormatsFound);
    *out = r.id;
    if (returned != nullptr) {
        returned->clear();
        returned->push_back({kOpenRetFileName, PropValue::String(full)});
        returned->push_back({kOpenRetStatus, PropValue::Int(r.status)});
    }
    if (error != nullptr) {
        *error = r.message;
    }
    return r.status;
}

} // namespace lxhost
