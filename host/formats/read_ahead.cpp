// The worker that reads a book's files ahead of its walk, and the session's record of the open
// books' files that starts it.
#include "host/formats/read_ahead.h"

#include "host/formats/book_folder.h"
#include "host/formats/markup.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

namespace lxhost {

namespace {

// A file read on the worker, into a session of its own.
struct StagedFile {
    std::unique_ptr<Session> session;
    ObjectId id = 0; // what its Open gave
    std::int32_t status = 0;
    // The file as it was when the read began: a file changed since is read again.
    bool stated = false;
    std::filesystem::file_time_type modified{};
    std::uintmax_t size = 0;

    bool Unchanged(const std::string& path) const {
        std::error_code sizeError, timeError;
        const std::uintmax_t now = std::filesystem::file_size(path, sizeError);
        const auto time = std::filesystem::last_write_time(path, timeError);
        return stated && !sizeError && !timeError && now == size && time == modified;
    }
};

// The document of a file read ahead, moved into the session; 0 when the file is read again.
ObjectId AdoptStaged(Session& session, const std::string& full, StagedFile& staged) {
    if (staged.session == nullptr || staged.status != kOk || KindOf(staged.id) != kKindDocument ||
        IncludesCached(staged.session->readerCache) || !staged.Unchanged(full)) {
        return 0;
    }
    const ObjectId id = session.AdoptDocument(*staged.session, staged.id);
    if (id == 0) {
        return 0;
    }
    // What the read left in its session besides the document: an include cache it made (with
    // nothing in it), and the note on the file's text.
    if (session.readerCache == nullptr) {
        session.readerCache = std::move(staged.session->readerCache);
    }
    for (TextNote& note : staged.session->textNotes) {
        if (std::none_of(session.textNotes.begin(), session.textNotes.end(),
                         [&](const TextNote& n) { return n.path == note.path; })) {
            session.textNotes.push_back(std::move(note));
        }
    }
    return id;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::chrono::microseconds kSpinFor{200};

// The processors this process may run on.
unsigned AvailableProcessors() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
#endif
    return std::thread::hardware_concurrency();
}

// Reads one file the way Open reads it, into a session of its own with the same reader options.
std::unique_ptr<StagedFile> ReadStaged(const std::string& path, const ReaderOptions& options) {
    auto file = std::make_unique<StagedFile>();
    std::error_code sizeError, timeError;
    file->size = std::filesystem::file_size(path, sizeError);
    file->modified = std::filesystem::last_write_time(path, timeError);
    file->stated = !sizeError && !timeError;
    file->status = kErrFileNotFound;
    if (!file->stated) {
        return file; // a part of a file, or no file: Open's own read tells
    }
    try {
        file->session = std::make_unique<Session>();
        file->session->readerOptions = options;
        file->session->keepEvents = false;
        file->status = file->session->Open(path, {}, &file->id, nullptr);
    } catch (...) {
        // Whatever the read threw, the walk's own open reads the file again and reports it.
        file->session.reset();
        file->status = kErrFileNotFound;
    }
    return file;
}

// The worker: reads the files in order, at most kFilesReadAhead ahead of the walk.
class Worker {
  public:
    // What became of a file asked for.
    enum class Answer { Taken, Passed, NotListed };

    Worker(ObjectId book, std::vector<std::string> paths, const ReaderOptions& options)
        : book_(book), paths_(std::move(paths)), options_(options) {
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            index_.emplace(paths_[i], i);
        }
        PrepareMarkdownReader();
        PrepareXmlReader();
        thread_ = std::thread([this] { Run(); });
    }

    ~Worker() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        room_.notify_one();
        thread_.join();
    }

    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    ObjectId book() const { return book_; }

    // The file at path once the worker has read it (waiting for the read under way). A file the
    // worker has not begun is left to the caller, and the worker goes on past it; files before
    // it that wait are dropped.
    Answer Take(const std::string& path, std::unique_ptr<StagedFile>* out) {
        const auto found = index_.find(path);
        if (found == index_.end()) {
            return Answer::NotListed;
        }
        const std::size_t at = found->second;
        std::unique_lock<std::mutex> lock(mutex_);
        if (at < passed_) {
            return Answer::Passed;
        }
        passed_ = at + 1;
        if (at >= next_) {
            next_ = at + 1; // not begun: the caller reads it
        } else {
            WaitFor(at, lock);
            *out = std::move(ready_[at]);
        }
        std::map<std::size_t, std::unique_ptr<StagedFile>> dropped;
        while (!ready_.empty() && ready_.begin()->first < passed_) {
            dropped.insert(ready_.extract(ready_.begin()));
        }
        const bool wake = workerIdle_;
        lock.unlock();
        if (wake) {
            room_.notify_one();
        }
        return Answer::Taken;
    }

    // Has the worker free a document it read, once the walk closed it: memory goes back to the
    // thread that took it, without the two contending for it. False when the worker has ended.
    bool Dispose(std::unique_ptr<Document>& doc) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_) {
            return false;
        }
        closed_.push_back(std::move(doc));
        const bool wake = workerIdle_;
        lock.unlock();
        if (wake) {
            room_.notify_one();
        }
        return true;
    }

    // Whether path was the file taken last.
    bool TakenLast(const std::string& path) const {
        const auto found = index_.find(path);
        const std::lock_guard<std::mutex> lock(mutex_);
        return found != index_.end() && found->second + 1 == passed_;
    }

  private:
    // Waits until the file at is read: for a short while on this processor (a file is read in
    // about as long as a thread takes to be put to sleep and woken), then asleep.
    void WaitFor(std::size_t at, std::unique_lock<std::mutex>& lock) {
        waitingFor_ = at; // kept when read, though the walk has passed it
        const auto until = std::chrono::steady_clock::now() + kSpinFor;
        while (ready_.count(at) == 0 && std::chrono::steady_clock::now() < until) {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
        }
        read_.wait(lock, [&] { return ready_.count(at) != 0; });
        waitingFor_ = kNone;
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            workerIdle_ = true;
            room_.wait(lock, [&] {
                return stop_ || next_ >= paths_.size() || ready_.size() < kFilesReadAhead ||
                       !closed_.empty();
            });
            workerIdle_ = false;
            if (!closed_.empty()) {
                std::vector<std::unique_ptr<Document>> freed;
                freed.swap(closed_);
                lock.unlock();
                freed.clear();
                lock.lock();
                continue;
            }
            if (stop_ || next_ >= paths_.size()) {
                finished_ = true;
                return;
            }
            const std::size_t at = next_++;
            lock.unlock();
            std::unique_ptr<StagedFile> file = ReadStaged(paths_[at], options_);
            lock.lock();
            // Kept unless the walk went past it without asking.
            if (at >= passed_ || waitingFor_ == at) {
                ready_[at] = std::move(file);
            }
            if (waitingFor_ == at) {
                read_.notify_one();
            }
            if (file) {
                lock.unlock();
                file.reset(); // dropped, outside the lock
                lock.lock();
            }
        }
    }

    const ObjectId book_;
    const std::vector<std::string> paths_;
    std::unordered_map<std::string, std::size_t> index_;
    const ReaderOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable read_; // a file was read
    std::condition_variable room_; // the walk took a file, or the worker is to stop
    bool workerIdle_ = false;
    bool finished_ = false;
    std::vector<std::unique_ptr<Document>> closed_; // documents it read, closed, to free
    std::size_t next_ = 0;                          // the next file the worker reads
    std::size_t passed_ = 0; // files before this one the walk has taken or gone past
    std::size_t waitingFor_ = kNone;
    std::map<std::size_t, std::unique_ptr<StagedFile>> ready_;
    bool stop_ = false;
    std::thread thread_;
};

// The file components of a book that a walk opens, in its order (folders' files in place,
// excluded ones left out), by absolute path; the files Open would refuse or is handed are left
// to it.
std::vector<std::string> WalkedFiles(const Session& session, Book& book) {
    std::vector<std::string> files;
    std::vector<ObjectId> stack;
    ObjectId at = book.firstComponent;
    for (std::size_t guard = 0; at != 0 && guard <= book.components.size(); ++guard) {
        const Component* found = book.FindComponent(at);
        if (found == nullptr) {
            break;
        }
        const Component& c = *found;
        if (c.kind == kComponentFile && c.excluded == 0 && !book.refused.contains(c.path) &&
            !session.providedFiles.contains(c.path)) {
            std::string full = AbsolutePath(c.path);
            if (!book.refused.contains(full)) {
                files.push_back(std::move(full));
            }
        }
        if (c.firstChild != 0) {
            stack.push_back(c.next);
            at = c.firstChild;
            continue;
        }
        at = c.next;
        while (at == 0 && !stack.empty()) {
            at = stack.back();
            stack.pop_back();
        }
    }
    return files;
}

// What the session keeps for reading ahead: the files of each open book a walk opened, and the
// worker over the files of one of them.
class ReadAhead final : public SessionCompanion {
  public:
    void BookClosed(ObjectId book) override {
        if (worker_ && worker_->book() == book) {
            worker_.reset();
        }
        books_.erase(book);
    }

    ObjectId Open(Session& session, const std::string& full) {
        std::unique_ptr<StagedFile> file;
        if (worker_) {
            switch (worker_->Take(full, &file)) {
            case Worker::Answer::Taken: {
                const ObjectId id = file ? AdoptStaged(session, full, *file) : 0;
                taken_ += id != 0 ? 1 : 0;
                if (id != 0) {
                    adopted_.insert(id);
                }
                return id;
            }
            case Worker::Answer::Passed:
                if (worker_->TakenLast(full)) {
                    return 0; // the same file again
                }
                break;
            case Worker::Answer::NotListed:
                break;
            }
        }
        // Without a worker to start, the book's list of files is not made: it would keep a path
        // and an index entry for every file of the book while the book is open.
        if (!ReadAheadWanted()) {
            return 0;
        }
        // A walk that begins (or begins again) at this file: the files after it are read ahead.
        const std::vector<ObjectId>& open = session.openBooks();
        for (auto id = open.rbegin(); id != open.rend(); ++id) {
            Book* book = session.FindBook(*id);
            if (book == nullptr) {
                continue;
            }
            BookFiles& files = FilesOf(session, *book);
            const auto found = files.position.find(full);
            if (found == files.position.end()) {
                continue;
            }
            worker_.reset();
            const std::size_t next = found->second + 1;
            if (next < files.paths.size()) {
                // No thread to be had (memory or threads running short): the files are read
                // on the walk's own thread, as without one.
                try {
                    worker_ = std::make_unique<Worker>(
                        book->id(),
                        std::vector<std::string>(files.paths.begin() + static_cast<long>(next),
                                                 files.paths.end()),
                        session.readerOptions);
                } catch (const std::exception&) {
                    worker_.reset();
                }
            }
            break;
        }
        return 0;
    }

    std::size_t taken() const { return taken_; }

    void Dispose(std::unique_ptr<Document> doc) override {
        if (doc && adopted_.erase(doc->id()) != 0 && worker_) {
            worker_->Dispose(doc); // leaves doc here when the worker has ended
        }
    }

  private:
    struct BookFiles {
        std::size_t components = 0;
        std::vector<std::string> paths;
        std::unordered_map<std::string, std::size_t> position;
    };

    BookFiles& FilesOf(const Session& session, Book& book) {
        BookFiles& files = books_[book.id()];
        if (files.components != book.components.size()) {
            files.components = book.components.size();
            files.paths = WalkedFiles(session, book);
            files.position.clear();
            for (std::size_t i = 0; i < files.paths.size(); ++i) {
                files.position.emplace(files.paths[i], i);
            }
        }
        return files;
    }

    std::map<ObjectId, BookFiles> books_;
    std::unique_ptr<Worker> worker_;
    std::size_t taken_ = 0;
    std::unordered_set<ObjectId> adopted_; // documents taken from the worker, still open
};

} // namespace

bool ReadAheadWanted() {
    const char* threads = std::getenv("LEXAMETER_THREADS");
    return threads != nullptr && std::atoi(threads) > 1 && AvailableProcessors() > 1;
}

ObjectId OpenReadAhead(Session& session, const std::string& full) {
    if (!session.readAhead) {
        if (session.openBooks().empty()) {
            return 0;
        }
        session.readAhead = std::make_unique<ReadAhead>();
    }
    auto* ahead = dynamic_cast<ReadAhead*>(session.readAhead.get());
    return ahead != nullptr ? ahead->Open(session, full) : 0;
}

std::size_t FilesTakenAhead(Session& session) {
    const auto* ahead = dynamic_cast<const ReadAhead*>(session.readAhead.get());
    return ahead != nullptr ? ahead->taken() : 0;
}

} // namespace lxhost
