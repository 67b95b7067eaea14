// A file's bytes, for readers that go through them once from start to end. On POSIX systems a
// large file is mapped rather than read: nothing is zeroed or copied, and a reader that has
// passed a part gives that part's memory back (Release), so that the file is never held whole
// beside the document built from it. A small file, any file elsewhere, or one that cannot be
// mapped is read into memory, and Release does nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lxhost {

class FileBytes {
  public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    // Maps or reads a regular file; false with a message naming the file and the reason.
    bool Open(const std::string& path, std::string* error);
    // Takes these bytes instead of the file's (text converted from another encoding, or text the
    // host was handed): held in memory, never given back before the end.
    void Replace(std::string bytes);

    std::string_view view() const { return view_; }
    // The bytes from begin to end (places in view()) have been looked at, and so has everything
    // before begin: the pages they cover are given back to the system, all but a page that end
    // cuts. Reading them again is still correct: a page given back is read from the file anew.
    void Release(const char* begin, const char* end);

  private:
    void Unmap();

    std::string owned_;
    void* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
    std::string_view view_;
};

} // namespace lxhost
