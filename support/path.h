// File paths: the FilePath record and the routines behind it. Paths are 8-bit strings in the
// encoding in force and every scan steps by characters, so a byte 0x5C or 0x2F inside a two-byte
// character is never taken for a separator. "\\" and "/" both separate components; ":" ends a
// drive prefix. URLs (as the network-path library tells them) are resolved and split as URLs.
#pragma once

#include <cstddef>
#include <cstdint>

// "htap" in memory order: marks the record as a path.
constexpr std::uint32_t kFilePathTag = 0x70617468;
// The flag bit of a FilePath made by FilePathNew.
constexpr std::uint16_t kFilePathFromNew = 0x10;
// Work buffers of path resolution (a path of at most 4095 bytes and its terminator).
constexpr std::size_t kPathBufferSize = 4096;
// Limit of a copied name, terminator included.
constexpr std::size_t kPathNameLimit = 1023;
// Longest directory that PathSplit writes.
constexpr std::size_t kPathDirectoryMax = 4094;

struct FilePath {
    std::uint32_t tag;
    std::uint32_t reserved0;
    std::uint16_t flags;
    std::uint16_t reserved1;
    std::uint32_t reserved2[3];
    // The resolved path, owned by the record.
    char* path;
    std::uint32_t reserved3[4];
};

// What a leading "~" expands to; null (the default) keeps the "~".
extern const char* PathHomeDirectory;

// Resolves path (kind 0: a platform path, the only kind there is) against base's path. Null for
// a null or empty path, another kind, a path that does not fit the work buffer, an empty result
// or a failed allocation. Released with FilePathFree.
FilePath* FilePathNew(const char* path, const FilePath* base, int kind);
// A zeroed record with the tag and a copy of s; null when s is null or allocation fails.
FilePath* FilePathAlloc(const char* s);
// Frees the path and the record; null is ignored.
void FilePathFree(FilePath* fp);
// The last component of the path as a new string (MemFree); a trailing separator is ignored.
char* FilePathName(const FilePath* fp);

// Rewrites path (a buffer of kPathBufferSize bytes) in place: URLs stay, a relative path against
// a URL base is resolved as a URL, anything else is expanded, joined to base when relative and
// normalised. A path that cannot be resolved becomes empty.
void PathResolve(char* path, const char* base);
// Expands "$NAME" from the environment and a leading "~", in place, within kPathBufferSize.
void PathExpandEnv(char* path);
// Appends src as a further component (with "\\" unless dst is empty or ends in a separator),
// within size bytes. Returns the new length.
std::size_t PathAppend(char* dst, const char* src, std::size_t size);
// Splits into directory (kPathBufferSize bytes) and name (kPathNameLimit bytes); either may be
// null.
void PathSplit(const char* path, char* directory, char* name);
// Just after the last "\\", "/" or ":" of path; path itself when there is none; null for null.
const char* PathBaseName(const char* path);
// Removes the last component before end for "..", terminates there and returns the new end.
char* PathDropLast(char* start, char* end);
int PathIsSep(int byte);
int PathIsLocal(const char* path);
int PathIsDctmUrl(const char* path);
// 0 and a new absolute URL in *out (MemFree), or 1 and null.
int UrlResolve(const char* base, const char* relative, char** out);
// In place: "/" becomes "\\", and "%" with two hexadecimal digits becomes its byte unless 0.
void UrlPathDecode(char* s);
unsigned char HexByte(int high, int low);
