#include "tool/progress.h"

#include "host/formats/frameroman.h"
#include "tool/figures.h"
#include "tool/run_report.h"

#include <algorithm>
#include <iostream>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace lxtool {

namespace {

bool IsExamined(const lxhost::Component& c) {
    return c.kind == lxhost::kComponentFile && c.excluded == 0;
}

} // namespace

void Progress::SetBook(const lxhost::Book& book) {
    book_ = &book;
    files_ = static_cast<std::size_t>(
        std::count_if(book.components.begin(), book.components.end(), IsExamined));
    cursor_ = named_ = 0;
}

std::string Progress::NameOf(std::size_t n) {
    if (n <= named_) { // the walk began again
        cursor_ = named_ = 0;
    }
    const std::vector<lxhost::Component>& components = book_->components;
    while (cursor_ < components.size()) {
        const lxhost::Component& c = components[cursor_++];
        if (IsExamined(c) && ++named_ == n)
            return PathFromBookFolder(book_->path, c.path);
    }
    return {};
}

void Progress::Show(const std::string& status, const lxhost::Book* book) {
    if (status.empty()) {
        Clear();
        return;
    }
    ++shown_;
    std::string text = status;
    // "Examining: index.md" as "Examining: guide/index.md".
    const std::size_t colon = text.find(": ");
    if (colon != std::string::npos && shown_ <= files_ && book != nullptr && book == book_) {
        if (std::string name = NameOf(shown_); !name.empty())
            text = text.substr(0, colon + 2) + name;
    }
    std::string line =
        "[" + std::to_string(shown_) + "/" + std::to_string(files_) + "] " + BlankControls(text);
    if (terminal_) {
        err_ << "\r\033[K" << line << std::flush;
        drawn_ = true;
    } else {
        err_ << line << "\n";
    }
}

bool IsTerminal(std::ostream& stream) {
#if defined(_WIN32)
    (void)stream;
    return false;
#else
    return &stream == &std::cerr && isatty(STDERR_FILENO);
#endif
}

ShowProgress::ShowProgress(lxhost::Session& session, Progress& progress, bool show,
                           std::vector<std::string>* status)
    : session_(session), progress_(progress) {
    session.onEvent = [this, show, status](const lxhost::HostEvent& e) {
        if (e.type != lxhost::EventType::StatusText)
            return;
        // The first status of a book's walk: its files, for the line.
        const lxhost::Book* book = session_.FindBook(e.object);
        if (book != nullptr && book != book_) {
            progress_.SetBook(*book);
            book_ = book;
        }
        // The walk writes the status text in the host's encoding, FrameRoman.
        std::string text;
        lxhost::FrameRomanToUtf8(e.text, text);
        if (show)
            progress_.Show(text, book);
        if (status)
            status->push_back(std::move(text));
    };
}

ShowProgress::~ShowProgress() {
    session_.onEvent = nullptr;
    progress_.Clear();
}

} // namespace lxtool
