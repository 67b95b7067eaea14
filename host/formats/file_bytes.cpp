// A file's bytes, mapped where the system can, read whole elsewhere.
#include "host/formats/file_bytes.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lxhost {

namespace {

// Files larger than this are refused rather than read into memory.
constexpr std::uintmax_t kMaxFileSize = std::uintmax_t{1} << 31;
// Files from this size on are mapped. A smaller one is read: giving back its pages would save
// little, and a mapped file cut short by another program while it is read stops the process.
constexpr std::uintmax_t kMapFrom = std::uintmax_t{1} << 20;

// The size of a regular file that may be read; false with a message naming the file and the reason
// when it may not.
bool CheckRegularFile(const std::string& path, std::uintmax_t* size, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    // The system's own reason: no such file, permission denied, name too long, ...
    if (ec || !fs::exists(st)) {
        *error = path + ": cannot open: " +
                 (ec ? ec.message()
                     : std::make_error_code(std::errc::no_such_file_or_directory).message());
        return false;
    }
    if (fs::is_directory(st)) {
        *error = path + ": cannot open: a folder, not a file";
        return false;
    }
    if (!fs::is_regular_file(st)) {
        *error = path + ": cannot open: not a regular file";
        return false;
    }
    *size = fs::file_size(path, ec);
    if (ec || *size > kMaxFileSize) {
        *error = path + ": cannot open: " + (ec ? ec.message() : std::string("file too large"));
        return false;
    }
    return true;
}

bool ReadInto(const std::string& path, std::uintmax_t size, std::string* data, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    data->resize(static_cast<std::size_t>(size));
    in.read(data->data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) {
        *error = path + ": cannot read the file";
        return false;
    }
    return true;
}

#if !defined(_WIN32)
std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}
#endif

} // namespace

FileBytes::~FileBytes() {
    Unmap();
}

void FileBytes::Unmap() {
#if !defined(_WIN32)
    if (mapped_ != nullptr) {
        munmap(mapped_, mappedSize_);
    }
#endif
    mapped_ = nullptr;
    mappedSize_ = 0;
}

bool FileBytes::Open(const std::string& path, std::string* error) {
    Unmap();
    owned_.clear();
    view_ = {};
    std::uintmax_t size = 0;
    if (!CheckRegularFile(path, &size, error)) {
        return false;
    }
#if !defined(_WIN32)
    if (size >= kMapFrom) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *error = path + ": cannot open: " + std::strerror(errno);
            return false;
        }
        void* at = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (at != MAP_FAILED) {
            mapped_ = at;
            mappedSize_ = static_cast<std::size_t>(size);
            madvise(mapped_, mappedSize_, MADV_SEQUENTIAL);
            view_ = {static_cast<const char*>(mapped_), mappedSize_};
            return true;
        }
    }
#endif
    if (!ReadInto(path, size, &owned_, error)) {
        return false;
    }
    view_ = owned_;
    return true;
}

void FileBytes::Replace(std::string bytes) {
    Unmap();
    owned_ = std::move(bytes);
    view_ = owned_;
}

void FileBytes::Release(const char* begin, const char* end) {
#if !defined(_WIN32)
    const auto* base = static_cast<const char*>(mapped_);
    if (mapped_ == nullptr || begin < base || end > base + mappedSize_ || begin >= end) {
        return;
    }
    const std::size_t page = PageSize();
    const std::size_t from = static_cast<std::size_t>(begin - base) / page * page;
    const std::size_t to = static_cast<std::size_t>(end - base) / page * page;
    if (from < to) {
        madvise(static_cast<char*>(mapped_) + from, to - from, MADV_DONTNEED);
    }
#else
    (void)begin;
    (void)end;
#endif
}

} // namespace lxhost
