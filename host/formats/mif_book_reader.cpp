// The MIF book reader: the book's file components in order, their paths resolved against the
// book's folder. Component files are not opened here.
#include "host/formats/mif_book_reader.h"

#include "host/formats/frameroman.h"
#include "host/formats/mif_statement.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace lxhost {

namespace {

using mif::ErrorText;
using mif::StatementReader;
using mif::Stmt;
using mif::Tok;

class BookReader : public StatementReader {
  public:
    BookReader(std::string_view data, Book& book, const std::string& bookDir)
        : StatementReader(data), book_(book), bookDir_(bookDir) {}

    void Run() {
        Stmt head{};
        utf8_ = ReadFileHead("Book", "a MIF book", &head) >= 8;
        lex_.SetStringMode(MifLexer::StringMode::Raw);
        Finish(head);
        for (Stmt s{}; NextTopLevel(&s);) {
            if (s.name == "BookComponent") {
                ReadComponent(s);
            } else {
                Skip(s);
            }
        }
    }

  private:
    void ReadComponent(const Stmt& s) {
        std::string path;
        bool named = false;
        std::int32_t excluded = 0;
        for (Stmt c; NextChild(s, &c);) {
            if (c.name == "FileName") {
                std::string name = ReadString(c);
                if (!utf8_) {
                    std::string converted;
                    FrameRomanToUtf8(name, converted);
                    name = std::move(converted);
                }
                path = ResolveMifPath(name, bookDir_);
                named = true;
                Finish(c);
            } else if (c.name == "DeriveType") {
                // Generated lists (contents, index) are part of the book but not its text.
                excluded = 1;
                Skip(c);
            } else {
                Skip(c);
            }
        }
        if (!named) {
            Fail(s.line, "<BookComponent> without <FileName>");
        }
        book_.AddComponent(0, kComponentFile, std::move(path), excluded);
    }

    Book& book_;
    const std::string& bookDir_;
    bool utf8_ = false;
};
} // namespace

bool ReadMifBook(std::string_view data, std::string_view fileName, const std::string& bookDir,
                 Book& book, std::string* error) {
    try {
        BookReader reader(data, book, bookDir);
        reader.Run();
        return true;
    } catch (const MifError& e) {
        *error = ErrorText(fileName, e.line(), e.what());
    } catch (const std::length_error& e) {
        *error = std::string(fileName) + ": " + e.what();
    }
    return false;
}

std::string ResolveMifPath(std::string_view dipath, const std::string& baseDir) {
    namespace fs = std::filesystem;
    if (dipath.find('<') == std::string_view::npos) {
        // A plain path, as some tools write them.
        fs::path p{std::string(dipath)};
        return (p.is_absolute() || baseDir.empty() ? p : fs::path(baseDir) / p)
            .lexically_normal()
            .string();
    }
    std::string volume, host;
    bool absolute = false;
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i < dipath.size()) {
        if (dipath[i] != '<' || i + 2 >= dipath.size() || dipath[i + 2] != '>') {
            ++i; // stray bytes between parts are ignored
            continue;
        }
        const char code = dipath[i + 1];
        i += 3;
        const std::size_t next = std::min(dipath.find('<', i), dipath.size());
        std::string name(dipath.substr(i, next - i));
        i = next;
        switch (code) {
        case 'r':
            absolute = true;
            parts.clear();
            break;
        case 'v':
            volume = name;
            absolute = true;
            parts.clear();
            break;
        case 'h':
            host = name;
            absolute = true;
            parts.clear();
            break;
        case 'c':
            if (!name.empty()) {
                parts.push_back(std::move(name));
            }
            break;
        case 'u':
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else {
                parts.emplace_back("..");
            }
            break;
        default:
            break;
        }
    }
    std::string out;
    if (!host.empty()) {
        // A network path: "//host/..." must keep its two slashes.
        out = "//" + host;
        for (const std::string& p : parts) {
            out += "/" + p;
        }
        return out;
    }
    if (!volume.empty()) {
        out = volume;
    } else if (!absolute) {
        out = baseDir;
    }
    for (const std::string& p : parts) {
        out += "/" + p;
    }
    if (out.empty()) {
        out = "/";
    }
    return fs::path(out).lexically_normal().string();
}

ObjectId OpenMifBook(Session& session, const OpenRequest& request, std::int32_t* status,
                     std::string* error) {
    namespace fs = std::filesystem;
    Book& b = session.NewBook();
    b.path = request.path;
    // A book read from standard input names its files relative to the current folder.
    std::error_code cwdError;
    const std::string folder = request.provided ? fs::current_path(cwdError).string()
                                                : fs::path(request.path).parent_path().string();
    if (!ReadMifBook(request.data, request.path, folder, b, error)) {
        session.Close(b.id(), 1);
        *status = kErrBadFile;
        return 0;
    }
    return b.id();
}

} // namespace lxhost
