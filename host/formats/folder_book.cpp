// Folder books: the files of a folder that a book made of it takes, by the formats' rows.
#include "host/formats/book_folder.h"
#include "host/formats/markup.h"
#include "host/formats/mif_writer.h"
#include "host/formats/registry.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace lxhost {

namespace {

// Whether an XML file is a DocBook book made of XIncludes: a book of its own, whose chapters a
// folder book already holds. Told from the text, without parsing: the first element is <book>
// and the XInclude namespace is declared.
bool IsIncludeBook(const std::filesystem::path& path) {
    constexpr std::size_t kHead = 64 * 1024;
    std::ifstream in(path, std::ios::binary);
    std::string head(kHead, '\0');
    in.read(head.data(), static_cast<std::streamsize>(kHead));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t at = 0;
    while ((at = head.find('<', at)) != std::string::npos && at + 1 < head.size() &&
           (head[at + 1] == '?' || head[at + 1] == '!')) {
        ++at;
    }
    if (at == std::string::npos || head.compare(at, 5, "<book") != 0 || at + 5 >= head.size() ||
        std::isalnum(static_cast<unsigned char>(head[at + 5]))) {
        return false;
    }
    return head.find("http://www.w3.org/2001/XInclude") != std::string::npos;
}

} // namespace

std::vector<std::string> MarkdownFolderEntries(const std::string& path) {
    if (std::filesystem::path(path).filename() == kMdBookSummary) {
        return {};
    }
    return {path};
}

std::vector<std::string> XmlFolderEntries(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".xml" && IsIncludeBook(path)) {
        return FolderBookEntries(path);
    }
    if (ext == ".ditamap") {
        return {};
    }
    return {path};
}

// Whether a MIF or HTML file is one that the tool wrote (a report, a word list, an HTML page),
// perhaps into the folder it measures: a folder book leaves those out, or the next run would count
// the last run's report as a chapter. Told by the first line that the tool puts in every such file,
// read cheaply from the file's first bytes; no file from elsewhere begins so. (The tool's text
// outputs, "<stem>.<command>.txt", and its CSV are never gathered: a folder book takes neither.)
bool IsWrittenByTool(const std::filesystem::path& path, FormatId format) {
    const std::string_view mark = format == FormatId::MifDocument ? kWrittenMifHead
                                  : format == FormatId::Html      ? kWrittenHtmlHead
                                                                  : std::string_view();
    if (mark.empty()) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(mark.size(), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    return static_cast<std::size_t>(in.gcount()) == head.size() && head == mark;
}

bool ListFolder(const std::string& folder, bool confined, std::vector<std::string>* files,
                std::vector<FolderRefusal>* refused, std::string* error) {
    namespace fs = std::filesystem;
    // An entry is kept for each file of the folder until they are sorted: its reason for not
    // being read, rarely given, is kept apart.
    struct Entry {
        std::string path;
        const FileFormat* format = nullptr;
        std::size_t refusal = 0; // not read, for reasons[refusal - 1]
    };
    std::vector<std::string> reasons;
    files->clear();
    refused->clear();
    std::vector<Entry> entries;
    const fs::path top = fs::path(folder).lexically_normal();
    // Folder by folder rather than with recursive_directory_iterator, which ends the whole walk
    // at the first subfolder that cannot be listed: that subfolder is refused, the rest listed.
    // Links to folders are not followed, so the walk ends.
    std::vector<fs::path> pending{top};
    while (!pending.empty()) {
        const fs::path dir = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        fs::directory_iterator it(dir, ec);
        for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
            const fs::path& path = it->path();
            const std::string name = path.filename().string();
            // Hidden files and folders (version control, editor state) are not the book's.
            if (name.starts_with(".")) {
                continue;
            }
            // The types that the listing gave (no call to the system where it gave them).
            std::error_code linkError, fileError;
            const bool isLink = it->is_symlink(linkError);
            if (!linkError && !isLink && it->is_directory(linkError) && !linkError) {
                pending.push_back(path);
                continue;
            }
            const FileFormat* format = FormatOfExtension(name);
            const bool named = format != nullptr && format->gathered;
            const bool isFile = !linkError && it->is_regular_file(fileError);
            // What cannot be looked at is reported: a folder, or a file of the book's kinds.
            const std::error_code statError = linkError ? linkError : named ? fileError : linkError;
            if (!statError && (!named || !isFile)) {
                continue;
            }
            Entry entry{path.lexically_normal().string(), format};
            if (statError) {
                reasons.push_back(entry.path + ": cannot open: " + statError.message());
                entry.refusal = reasons.size();
            } else if (confined && !LiesInFolder(entry.path, folder)) {
                // A file outside the folder is not opened, not even to look at its first bytes.
                reasons.push_back(OutsideFolderMessage("file", entry.path, folder));
                entry.refusal = reasons.size();
            } else if (IsWrittenByTool(path, format->id)) {
                continue;
            }
            entries.push_back(std::move(entry));
        }
        if (ec && dir == top) {
            *error = folder + ": cannot list the folder: " + ec.message();
            return false;
        }
        if (ec) {
            const std::string path = dir.string();
            reasons.push_back(path + ": cannot list the folder: " + ec.message());
            entries.push_back({path, nullptr, reasons.size()});
        }
    }
    // Path order: byte order of the whole path, the same on every platform and file system.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.path < b.path; });
    files->reserve(entries.size());
    for (Entry& entry : entries) {
        if (entry.refusal != 0) {
            refused->push_back({entry.path, std::move(reasons[entry.refusal - 1])});
            files->push_back(std::move(entry.path));
        } else if (entry.format->folderEntries == nullptr) {
            files->push_back(std::move(entry.path));
        } else {
            for (std::string& part : entry.format->folderEntries(entry.path)) {
                files->push_back(std::move(part));
            }
        }
    }
    return true;
}

bool ListFolderFiles(const std::string& folder, std::vector<std::string>* files, std::string* error,
                     bool allowOutside) {
    std::vector<std::string> listed;
    std::vector<FolderRefusal> refused;
    if (!ListFolder(folder, !allowOutside, &listed, &refused, error)) {
        return false;
    }
    files->clear();
    for (std::string& file : listed) {
        const bool isRefused = std::any_of(refused.begin(), refused.end(),
                                           [&](const FolderRefusal& r) { return r.path == file; });
        if (!isRefused) {
            files->push_back(std::move(file));
        }
    }
    if (!refused.empty()) {
        *error = refused.front().message;
        return false;
    }
    return true;
}

ObjectId OpenFolderBook(Session& session, const std::string& folder, std::int32_t* status,
                        std::string* error) {
    std::vector<std::string> files;
    std::vector<FolderRefusal> refused;
    if (!ListFolder(folder, !session.readerOptions.allowOutside, &files, &refused, error)) {
        *status = kErrFileNotFound;
        return 0;
    }
    if (files.empty()) {
        *status = kErrNotDocument;
        *error = folder + ": no Markdown, HTML, XML or MIF files in the folder";
        return 0;
    }
    Book& book = session.NewBook();
    book.path = folder;
    book.components.reserve(files.size()); // held while the book is open: no room to spare
    for (std::string& file : files) {
        book.AddComponent(0, kComponentFile, std::move(file));
    }
    for (FolderRefusal& r : refused) {
        book.refused.emplace(std::move(r.path), std::move(r.message));
    }
    *status = kOk;
    return book.id();
}

} // namespace lxhost
