#include "host/formats/book_folder.h"

#include <filesystem>
#include <system_error>

namespace lxhost {

namespace fs = std::filesystem;

bool LiesInFolder(const std::string& path, const std::string& folder) {
    std::error_code pathError, folderError;
    const fs::path file = fs::weakly_canonical(fs::path(path), pathError);
    const fs::path dir = fs::weakly_canonical(fs::path(folder), folderError);
    if (pathError || folderError) {
        return false;
    }
    const fs::path rel = file.lexically_relative(dir);
    return !rel.empty() && *rel.begin() != "..";
}

std::string OutsideFolderMessage(std::string_view what, const std::string& path,
                                 const std::string& folder) {
    std::string dir = folder;
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back(); // "docs/" as typed
    }
    return std::string(what) + " '" + path + "' is outside the book's folder '" + dir +
           "' (after links are followed); --allow-outside reads it";
}

void ConfineBook(Book& book, const std::string& folder, const ReaderOptions& options) {
    if (options.allowOutside) {
        return;
    }
    const std::string ownParts = book.path + "#";
    for (const Component& c : book.components) {
        if (c.kind != kComponentFile || c.path.starts_with(ownParts)) {
            continue;
        }
        // "FILE#fragment" names a part of FILE when no file has the whole name.
        std::string file = c.path;
        std::error_code ec;
        const std::size_t hash = file.rfind('#');
        if (hash != std::string::npos && file.find('/', hash) == std::string::npos &&
            !fs::exists(fs::symlink_status(file, ec))) {
            file.resize(hash);
        }
        if (!LiesInFolder(file, folder)) {
            book.refused.emplace(c.path, OutsideFolderMessage("chapter", c.path, folder));
        }
    }
}

const std::string* RefusalOfOpenBook(Session& session, std::string_view path) {
    for (ObjectId id : session.openBooks()) {
        const Book* book = session.FindBook(id);
        if (book == nullptr) {
            continue;
        }
        if (auto it = book->refused.find(path); it != book->refused.end()) {
            return &it->second;
        }
    }
    return nullptr;
}

} // namespace lxhost
