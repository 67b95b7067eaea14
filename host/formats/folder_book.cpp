// Folder books: the files of a folder that a book made of it takes, by the formats' rows.
#include "host/formats/markup.h"
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

bool ListFolderFiles(const std::string& folder, std::vector<std::string>* files,
                     std::string* error) {
    namespace fs = std::filesystem;
    files->clear();
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
    if (ec) {
        *error = folder + ": cannot list the folder: " + ec.message();
        return false;
    }
    std::vector<std::string> gathered;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            *error = folder + ": cannot list the folder: " + ec.message();
            return false;
        }
        const std::string name = it->path().filename().string();
        if (name.starts_with(".")) {
            // Hidden files and folders (version control, editor state) are not the book's.
            if (it->is_directory(ec)) {
                it.disable_recursion_pending();
            }
            continue;
        }
        if (!it->is_regular_file(ec)) {
            continue;
        }
        const FileFormat* format = FormatOfExtension(name);
        if (format != nullptr && format->gathered) {
            gathered.push_back(it->path().lexically_normal().string());
        }
    }
    // Path order: byte order of the whole path, the same on every platform and file system.
    std::sort(gathered.begin(), gathered.end());
    for (std::string& file : gathered) {
        const FileFormat* format = FormatOfExtension(file);
        if (format->folderEntries == nullptr) {
            files->push_back(std::move(file));
            continue;
        }
        for (std::string& entry : format->folderEntries(file)) {
            files->push_back(std::move(entry));
        }
    }
    return true;
}

ObjectId OpenFolderBook(Session& session, const std::string& folder, std::int32_t* status,
                        std::string* error) {
    std::vector<std::string> files;
    if (!ListFolderFiles(folder, &files, error)) {
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
    for (std::string& file : files) {
        book.AddComponent(0, kComponentFile, std::move(file));
    }
    *status = kOk;
    return book.id();
}

} // namespace lxhost
