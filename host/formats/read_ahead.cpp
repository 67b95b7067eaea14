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
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace lxhost {

namespace {

// What a file was when it was looked at: a file changed since its read is read again.
struct FileStamp {
    bool known = false;
    std::uintmax_t size = 0;
    std::int64_t modified = 0; // nanoseconds, in the file system's own epoch

    bool operator==(const FileStamp& o) const {
        return known && o.known && size == o.size && modified == o.modified;
    }
};

// The file's size and time of its last change, with one call to the system where it has one.
FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
#if defined(_WIN32)
    std::error_code sizeError, timeError;
    stamp.size = std::filesystem::file_size(path, sizeError);
    const auto time = std::filesystem::last_write_time(path, timeError);
    stamp.modified = static_cast<std::int64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
    stamp.known = !sizeError && !timeError;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        stamp.known = true;
        stamp.size = static_cast<std::uintmax_t>(st.st_size);
        stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                         static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    }
#endif
    return stamp;
}

// A file read ahead, into a session of its own.
struct StagedFile {
    std::unique_ptr<Session> session;
    ObjectId id = 0; // what its Open gave
    std::int32_t status = 0;
    FileStamp stamp;       // the file as it was when the read began
    bool byWorker = false; // read on the worker's thread (else on the walk's)
};

// The document of a file read ahead, moved into the session; 0 when the file is read again.
ObjectId AdoptStaged(Session& session, const std::string& full, StagedFile& staged) {
    if (staged.session == nullptr || staged.status != kOk || KindOf(staged.id) != kKindDocument ||
        IncludesCached(staged.session->readerCache) || !(StampOf(full) == staged.stamp)) {
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
// Documents the walk closed that wait for the worker to free them before it is woken for them
// alone: it frees them besides whenever it wakes to read.
constexpr std::size_t kFreeInBatchesOf = 32;

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
// Never throws: null when even that could not be had (the walk reads the file itself).
std::unique_ptr<StagedFile> ReadStaged(const std::string& path, const ReaderOptions& options,
                                       bool byWorker) noexcept {
    try {
        auto file = std::make_unique<StagedFile>();
        file->byWorker = byWorker;
        file->stamp = StampOf(path);
        file->status = kErrFileNotFound;
        if (!file->stamp.known) {
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
    } catch (...) {
        return nullptr;
    }
}

// What the walk is done with that the worker allocated: freed on the worker's thread, so that
// its memory goes back to the arena it came from without the two threads contending for it.
struct Garbage {
    std::unique_ptr<Document> doc;
    std::unique_ptr<StagedFile> file;
};

// The files of a book that a walk opens, in its order, and where each stands in it. The record a
// session keeps of an open book and the worker over it share one list: it is a path and an index
// entry for every file of the book, kept while the book is open.
struct FileList {
    std::vector<std::string> paths;
    std::unordered_map<std::string_view, std::size_t> position; // views of the paths above
};

// The worker: reads the files in order ahead of the walk, as far as kBytesReadAhead of them
// may wait. The walk, when the file it asks for is still being read, reads the next file no
// one has begun meanwhile rather than wait: the reading is shared between the two threads, so
// that a walk that does little per file does not wait for the worker.
class Worker {
  public:
    // What became of a file asked for.
    enum class Answer { Taken, Passed, NotListed };

    // Reads the files of the list from first on.
    Worker(ObjectId book, std::shared_ptr<const FileList> files, std::size_t first,
           const ReaderOptions& options)
        : book_(book), files_(std::move(files)), first_(first), options_(options), next_(first),
          passed_(first) {
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

    // The file at path once it is read (reading others meanwhile, or waiting for the read under
    // way). A file no one has begun is left to the caller, and the worker goes on past it;
    // files before it that wait are dropped. A null file, taken, is the caller's to read too.
    Answer Take(const std::string& path, std::unique_ptr<StagedFile>* out) {
        const auto found = files_->position.find(path);
        if (found == files_->position.end() || found->second < first_) {
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
            waitingFor_ = at; // kept when read, though the walk has passed it
            while (ready_.count(at) == 0) {
                if (!HelpRead(lock)) {
                    WaitFor(at, lock);
                }
            }
            waitingFor_ = kNone;
            *out = Unqueue(ready_.find(at));
        }
        std::vector<std::unique_ptr<StagedFile>> dropped;
        while (!ready_.empty() && ready_.begin()->first < passed_) {
            dropped.push_back(Unqueue(ready_.begin()));
        }
        const bool wake = workerIdle_;
        lock.unlock();
        if (wake) {
            room_.notify_one();
        }
        return Answer::Taken;
    }

    // Has the worker free what it read, once the walk is done with it. False when the worker
    // has ended (what is handed stays with the caller).
    bool Dispose(Garbage& garbage) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_) {
            return false;
        }
        closed_.push_back(std::move(garbage));
        const bool wake = workerIdle_ && closed_.size() >= kFreeInBatchesOf;
        lock.unlock();
        if (wake) {
            room_.notify_one();
        }
        return true;
    }

    // Whether path was the file taken last.
    bool TakenLast(const std::string& path) const {
        const auto found = files_->position.find(path);
        const std::lock_guard<std::mutex> lock(mutex_);
        return found != files_->position.end() && found->second >= first_ &&
               found->second + 1 == passed_;
    }

  private:
    using Ready = std::map<std::size_t, std::unique_ptr<StagedFile>>;

    // Whether another file may be read to wait: one always may; more while those waiting are
    // fewer than kFilesReadAhead and smaller than kBytesReadAhead in all.
    bool Room() const {
        return ready_.empty() || (ready_.size() < kFilesReadAhead && readyBytes_ < kBytesReadAhead);
    }

    void Queue(std::size_t at, std::unique_ptr<StagedFile> file) {
        readyBytes_ += file ? file->stamp.size : 0;
        ready_[at] = std::move(file);
    }

    std::unique_ptr<StagedFile> Unqueue(Ready::iterator it) {
        std::unique_ptr<StagedFile> file = std::move(it->second);
        readyBytes_ -= file ? file->stamp.size : 0;
        ready_.erase(it);
        return file;
    }

    // On the walk's thread, while the worker reads the file it waits for: reads the next file no
    // one has begun, if there is one and room for it. False when there was nothing to read.
    bool HelpRead(std::unique_lock<std::mutex>& lock) {
        if (next_ >= files_->paths.size() || !Room()) {
            return false;
        }
        const std::size_t at = next_++;
        lock.unlock();
        std::unique_ptr<StagedFile> file = ReadStaged(files_->paths[at], options_, false);
        lock.lock();
        Queue(at, std::move(file)); // the walk, here, has not gone past it
        return true;
    }

    // Waits until the file at is read: for a short while on this processor (a file is read in
    // about as long as a thread takes to be put to sleep and woken), then asleep.
    void WaitFor(std::size_t at, std::unique_lock<std::mutex>& lock) {
        const auto until = std::chrono::steady_clock::now() + kSpinFor;
        while (ready_.count(at) == 0 && std::chrono::steady_clock::now() < until) {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
        }
        read_.wait(lock, [&] { return ready_.count(at) != 0; });
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            workerIdle_ = true;
            room_.wait(lock, [&] {
                return stop_ || next_ >= files_->paths.size() || Room() ||
                       closed_.size() >= kFreeInBatchesOf;
            });
            workerIdle_ = false;
            if (!closed_.empty()) {
                std::vector<Garbage> freed;
                freed.swap(closed_);
                lock.unlock();
                freed.clear();
                lock.lock();
                continue;
            }
            if (stop_ || next_ >= files_->paths.size()) {
                finished_ = true;
                return;
            }
            const std::size_t at = next_++;
            lock.unlock();
            std::unique_ptr<StagedFile> file = ReadStaged(files_->paths[at], options_, true);
            lock.lock();
            // Kept unless the walk went past it without asking.
            if (at >= passed_ || waitingFor_ == at) {
                Queue(at, std::move(file));
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
    const std::shared_ptr<const FileList> files_;
    const std::size_t first_; // the first file of the list the worker reads
    const ReaderOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable read_; // a file was read
    std::condition_variable room_; // the walk took a file, or the worker is to stop
    bool workerIdle_ = false;
    bool finished_ = false;
    std::vector<Garbage> closed_; // what the worker read that the walk is done with, to free
    std::size_t next_;            // the next file no one has begun
    std::size_t passed_;          // files before this one the walk has taken or gone past
    std::size_t waitingFor_ = kNone;
    Ready ready_;                   // files read, waiting for the walk
    std::uintmax_t readyBytes_ = 0; // their sizes, in all
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
                takenFromWalk_ += id != 0 && !file->byWorker ? 1 : 0;
                if (file && file->byWorker) {
                    if (id != 0) {
                        adopted_.insert(id);
                    }
                    Garbage rest{nullptr, std::move(file)}; // its session, emptied
                    worker_->Dispose(rest);
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
            const std::shared_ptr<const FileList> files = FilesOf(session, *book);
            const auto found = files->position.find(full);
            if (found == files->position.end()) {
                continue;
            }
            worker_.reset();
            const std::size_t next = found->second + 1;
            if (next < files->paths.size()) {
                // No thread to be had (memory or threads running short): the files are read
                // on the walk's own thread, as without one.
                try {
                    worker_ =
                        std::make_unique<Worker>(book->id(), files, next, session.readerOptions);
                } catch (const std::exception&) {
                    worker_.reset();
                }
            }
            break;
        }
        return 0;
    }

    std::size_t taken() const { return taken_; }
    std::size_t takenFromWalk() const { return takenFromWalk_; }

    void Dispose(std::unique_ptr<Document> doc) override {
        if (doc && adopted_.erase(doc->id()) != 0 && worker_) {
            Garbage gone{std::move(doc), nullptr};
            worker_->Dispose(gone); // left here when the worker has ended
        }
    }

  private:
    struct BookFiles {
        std::size_t components = 0;
        std::shared_ptr<const FileList> list;
    };

    // The book's files, listed anew when its components changed (a worker over the old list
    // keeps that one).
    std::shared_ptr<const FileList> FilesOf(const Session& session, Book& book) {
        BookFiles& files = books_[book.id()];
        if (!files.list || files.components != book.components.size()) {
            auto list = std::make_shared<FileList>();
            list->paths = WalkedFiles(session, book);
            list->position.reserve(list->paths.size());
            for (std::size_t i = 0; i < list->paths.size(); ++i) {
                list->position.emplace(list->paths[i], i);
            }
            files.components = book.components.size();
            files.list = std::move(list);
        }
        return files.list;
    }

    std::map<ObjectId, BookFiles> books_;
    std::unique_ptr<Worker> worker_;
    std::size_t taken_ = 0;
    std::size_t takenFromWalk_ = 0;        // of those, read ahead on the walk's own thread
    std::unordered_set<ObjectId> adopted_; // documents the worker read, still open
};

} // namespace

bool ReadAheadWanted() {
    // Only a plain 1 asks for one thread; 0, any other number or none leave it to the processors.
    const char* threads = std::getenv("LEXAMETER_THREADS");
    if (threads != nullptr) {
        char* end = nullptr;
        const long asked = std::strtol(threads, &end, 10);
        if (end != threads && *end == '\0' && asked == 1) {
            return false;
        }
    }
    return AvailableProcessors() > 1;
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

std::size_t FilesTakenAhead(Session& session, bool onWalkOnly) {
    const auto* ahead = dynamic_cast<const ReadAhead*>(session.readAhead.get());
    if (ahead == nullptr) {
        return 0;
    }
    return onWalkOnly ? ahead->takenFromWalk() : ahead->taken();
}

} // namespace lxhost
