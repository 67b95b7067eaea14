// The path routines' fuzz target. The input's first byte picks the encoding in force; the rest is
// a base and a path, split at the first line feed. Resolving must stay within its buffer and, for
// a base that anchors it, give the same path when resolved again; splitting and appending must
// stay within their buffers.
// Every buffer is a heap block of exactly its size, so that AddressSanitizer sees a byte past it.
#include "fuzz/fuzz_target.h"
#include "support/enc.h"
#include "support/mem.h"
#include "support/path.h"
#include "support/str.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

struct Block {
    explicit Block(std::size_t size) : data(new char[size]()), size(size) {}
    std::unique_ptr<char[]> data;
    std::size_t size;
    char* get() { return data.get(); }
    // Whether a terminator lies inside the block.
    bool Terminated() const { return std::memchr(data.get(), '\0', size) != nullptr; }
};

// A copy of s into a new block of the given size, cut to fit.
Block Copy(const std::string& s, std::size_t size) {
    Block b(size);
    std::memcpy(b.get(), s.data(), s.size() < size ? s.size() : size - 1);
    return b;
}

// Expansion is not meant to be repeated: "$NAME" is expanded again and a leading "~" followed by
// anything but a separator is dropped again. A path free of both only normalises.
bool Expandable(const std::string& path) {
    return path.find('$') != std::string::npos || (!path.empty() && path[0] == '~');
}

// Whether the base anchors what is resolved against it: empty, a root, a drive or a URL. Against
// a relative base a relative result is joined to the base again.
bool Anchored(const std::string& base) {
    return base.empty() || PathIsSep(static_cast<unsigned char>(base[0])) ||
           (base.size() > 1 && base[1] == ':') || !PathIsLocal(base.c_str());
}

} // namespace

LX_FUZZ_TARGET(input) {
    if (input.empty())
        return;
    EncSetCurrent(kEncRanges[static_cast<unsigned char>(input[0]) % kEncCount].name);
    input.remove_prefix(1);
    input = input.substr(0, input.find('\0'));
    const std::size_t newline = input.find('\n');
    const std::string base(input.substr(0, newline));
    const std::string path(newline == std::string_view::npos ? "" : input.substr(newline + 1));

    Block resolved = Copy(path, kPathBufferSize);
    PathResolve(resolved.get(), base.c_str());
    FuzzCheck(resolved.Terminated(), "a resolved path ran past its buffer");
    const std::string once(resolved.get());
    PathResolve(resolved.get(), base.c_str());
    FuzzCheck(!Anchored(base) || Expandable(base) || Expandable(once) || once == resolved.get(),
              "resolving a resolved path changed it");

    FilePath* baseRecord = FilePathNew(base.c_str(), nullptr, 0);
    if (FilePath* record = FilePathNew(path.c_str(), baseRecord, 0)) {
        FuzzCheck(StrLen(record->path) < kPathBufferSize, "a path record longer than the buffer");
        MemFree(FilePathName(record));
        FilePathFree(record);
    }
    FilePathFree(baseRecord);

    Block directory(kPathBufferSize);
    Block name(kPathNameLimit);
    PathSplit(path.c_str(), directory.get(), name.get());
    FuzzCheck(directory.Terminated() && StrLen(directory.get()) <= kPathDirectoryMax,
              "a split directory longer than its limit");
    FuzzCheck(name.Terminated(), "a split name ran past its buffer");
    PathBaseName(path.c_str());

    // Appending within a buffer whose size the base's length picks.
    const std::size_t size = 1 + base.size() % kPathBufferSize;
    Block joined = Copy(base, size);
    const std::size_t length = PathAppend(joined.get(), path.c_str(), size);
    FuzzCheck(joined.Terminated() && length == StrLen(joined.get()) && length < size,
              "an appended path longer than its buffer");
}
