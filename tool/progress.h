// Progress on long work: the status text a book walk sets ("Examining: ch2.mif") shown as a
// counted line on standard error, the same for every command that walks a book.
#pragma once

#include "host/model/model.h"

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace lxtool {

// Shows the book's status text as a progress line on standard error: "[2/3] Examining: b.mif".
// On a terminal the line is redrawn in place; elsewhere each status is a line of its own. The
// walk's status names a file by its bare name; the line names it as the tool's tables do, by
// its path from the book's folder, so that 'guide/index.md' and 'api/index.md' are told apart.
class Progress {
  public:
    Progress(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    // The book about to be walked, whose examined files the lines count and name in the walk's
    // order. The name of each is found when it is shown: a list of them all would be kept for
    // as long as the walk, a path for every file of the book.
    void SetBook(const lxhost::Book& book);
    // Shows a status of the walk of book (the one set, else the line names no file).
    void Show(const std::string& status, const lxhost::Book* book);
    // Called when a pass over the book ends; a with-counts word list walks the book twice.
    void Clear() {
        Interrupt();
        shown_ = 0;
    }
    // Erases the line drawn in place before another line is written; the count goes on.
    void Interrupt() {
        if (drawn_)
            err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }

  private:
    std::ostream& err_;
    bool terminal_;
    // The path from the book's folder of its n-th examined file (from 1), or "".
    std::string NameOf(std::size_t n);

    const lxhost::Book* book_ = nullptr;
    std::size_t files_ = 0;  // the book's examined files
    std::size_t cursor_ = 0; // the component after the last file named
    std::size_t named_ = 0;  // the files up to it
    std::size_t shown_ = 0;
    bool drawn_ = false;
};

// Passes everything on to a stream, erasing the progress line first, so that no line written
// while a book is walked (a console line, an alert) is ever glued to the progress line.
class ProgressGuard final : public std::streambuf {
  public:
    ProgressGuard(std::ostream& target, Progress& progress)
        : target_(target), progress_(progress) {}

  protected:
    int overflow(int c) override {
        if (c != traits_type::eof()) {
            progress_.Interrupt();
            target_.put(static_cast<char>(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        progress_.Interrupt();
        target_.write(s, n);
        return n;
    }
    int sync() override {
        target_.flush();
        return 0;
    }

  private:
    std::ostream& target_;
    Progress& progress_;
};

// Whether the stream is standard error on a terminal (where the line is redrawn in place).
bool IsTerminal(std::ostream& stream);

// Shows the status texts of the session's book walks on progress while it lives (none with
// --json, whose run prints one document only); the texts themselves are kept in status when
// given.
class ShowProgress {
  public:
    ShowProgress(lxhost::Session& session, Progress& progress, bool show,
                 std::vector<std::string>* status = nullptr);
    ~ShowProgress();
    ShowProgress(const ShowProgress&) = delete;
    ShowProgress& operator=(const ShowProgress&) = delete;

  private:
    lxhost::Session& session_;
    Progress& progress_;
    const lxhost::Book* book_ = nullptr;
};

} // namespace lxtool
