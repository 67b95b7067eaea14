#include "tool/progress.h"

#include "host/formats/frameroman.h"
#include "tool/figures.h"
#include "tool/run_report.h"

#include <iostream>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace lxtool {

void Progress::SetBook(const lxhost::Book& book) {
    names_.clear();
    for (const lxhost::Component& c : book.components)
        if (c.kind == lxhost::kComponentFile && c.excluded == 0)
            names_.push_back(PathFromBookFolder(book.path, c.path));
}

void Progress::Show(const std::string& status) {
    if (status.empty()) {
        Clear();
        return;
    }
    ++shown_;
    std::string text = status;
    // "Examining: index.md" as "Examining: guide/index.md".
    const std::size_t colon = text.find(": ");
    if (colon != std::string::npos && shown_ <= names_.size() && !names_[shown_ - 1].empty())
        text = text.substr(0, colon + 2) + names_[shown_ - 1];
    std::string line = "[" + std::to_string(shown_) + "/" + std::to_string(names_.size()) + "] " +
                       BlankControls(text);
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
        // The first status of a book's walk: its files' names, for the line.
        if (const lxhost::Book* book = session_.FindBook(e.object); book && book != book_) {
            progress_.SetBook(*book);
            book_ = book;
        }
        // The walk writes the status text in the host's encoding, FrameRoman.
        std::string text;
        lxhost::FrameRomanToUtf8(e.text, text);
        if (show)
            progress_.Show(text);
        if (status)
            status->push_back(std::move(text));
    };
}

ShowProgress::~ShowProgress() {
    session_.onEvent = nullptr;
    progress_.Clear();
}

} // namespace lxtool
