#include "support/path.h"

#include "platform/netlib.h"
#include "support/enc.h"
#include "support/mem.h"
#include "support/str.h"

#include <cstdlib>
#include <cstring>

const char* PathHomeDirectory = nullptr;

namespace {

constexpr const char kDctmPrefix[] = "dctm://";

// A separator or ":" byte at pos of s that is a character of its own, not the second byte of a
// two-byte character.
bool IsSepAt(const char* s, std::size_t pos) {
    return PathIsSep(static_cast<unsigned char>(s[pos])) &&
           !EncIsSecondByte(s, static_cast<std::ptrdiff_t>(pos), EncCurrent);
}

bool IsRelative(const char* path) {
    return (path[0] == '\0' || path[1] != ':') && PathIsLocal(path) && !PathIsDctmUrl(path) &&
           !PathIsSep(static_cast<unsigned char>(path[0]));
}

bool IsNetworkPath(const char* path) {
    return path && *path != '\0' && !PathIsLocal(path);
}

int HexValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Output bounded to a buffer's size less the terminator; once something has been cut nothing
// more is added, so a cut never leaves a gap in the middle.
struct BoundedWriter {
    char* out;
    std::size_t limit;
    std::size_t length;
    bool full;

    void Put(const char* text, std::size_t n) {
        if (full)
            return;
        if (n > limit - length) {
            n = EncFitLength(text, n, limit - length, EncCurrent);
            full = true;
        }
        std::memcpy(out + length, text, n);
        length += n;
        out[length] = '\0';
    }
};

// A relative path against a URL base: the path with "/" separators resolved as a reference.
void ResolveAgainstUrl(char* path, const char* base) {
    std::size_t baseLength = StrLen(base);
    char* withSlash = static_cast<char*>(MemCalloc(baseLength + 2, 1, 0));
    if (!withSlash) {
        path[0] = '\0';
        return;
    }
    std::memcpy(withSlash, base, baseLength);
    withSlash[baseLength] = '/';
    for (std::size_t i = 0; path[i] != '\0'; i += EncCharStep(path, i, EncCurrent))
        if (path[i] == '\\')
            path[i] = '/';
    char* url = nullptr;
    // A URL that does not fit the path buffer is refused rather than cut.
    if (UrlResolve(withSlash, path, &url) == 0 && StrLen(url) < kPathBufferSize)
        StrCopyN(path, url, kPathBufferSize);
    else
        path[0] = '\0';
    MemFree(url);
    MemFree(withSlash);
}

// Rewrites joined into path component by component, with the first separator of joined written
// throughout, "." dropped and ".." removing the component before it.
void Normalise(const char* joined, char* path) {
    char separator = '\\';
    for (std::size_t i = 0; joined[i] != '\0'; i += EncCharStep(joined, i, EncCurrent))
        if (PathIsSep(static_cast<unsigned char>(joined[i]))) {
            separator = joined[i];
            break;
        }
    std::size_t w = 0;
    bool separatorWritten = false;
    std::size_t lastSeparator = 0;
    bool skipSeparator = false; // the root is already in place after ".." emptied the path
    std::size_t i = 0;
    while (joined[i] != '\0') {
        if (PathIsSep(static_cast<unsigned char>(joined[i]))) {
            if (i == 0 && joined[0] == '\\' && joined[1] == '\\')
                path[w++] = '\\'; // a network share keeps both backslashes
            if (!skipSeparator) {
                lastSeparator = w;
                separatorWritten = true;
                path[w++] = separator;
            }
            skipSeparator = false;
            while (PathIsSep(static_cast<unsigned char>(joined[i])))
                ++i;
            continue;
        }
        std::size_t start = i;
        while (joined[i] != '\0' && !PathIsSep(static_cast<unsigned char>(joined[i])))
            i += EncCharStep(joined, i, EncCurrent);
        std::size_t n = i - start;
        skipSeparator = false;
        if (n == 1 && joined[start] == '.') {
            while (PathIsSep(static_cast<unsigned char>(joined[i])))
                ++i;
            continue;
        }
        if (n == 2 && joined[start] == '.' && joined[start + 1] == '.') {
            if (!separatorWritten) {
                // Nothing to remove; the separator after it must not make the path rooted.
                skipSeparator = w == 0;
                continue;
            }
            path[w] = '\0';
            bool rooted = PathIsSep(static_cast<unsigned char>(path[0]));
            w = static_cast<std::size_t>(PathDropLast(path, path + lastSeparator) - path);
            if (w == 0) {
                // Nothing is left: a rooted path keeps its root, and a relative one must not
                // gain one from the separator that follows.
                if (rooted)
                    path[w++] = separator;
                skipSeparator = true;
            }
            continue;
        }
        std::memcpy(path + w, joined + start, n);
        w += n;
    }
    path[w] = '\0';
}

} // namespace

FilePath* FilePathAlloc(const char* s) {
    if (!s)
        return nullptr;
    auto* fp = static_cast<FilePath*>(MemCalloc(1, sizeof(FilePath), 0));
    if (!fp)
        return nullptr;
    fp->tag = kFilePathTag;
    fp->path = StrDup(s);
    if (!fp->path)
        return static_cast<FilePath*>(MemFree(fp));
    return fp;
}

void FilePathFree(FilePath* fp) {
    if (!fp)
        return;
    MemFree(fp->path);
    MemFree(fp);
}

FilePath* FilePathNew(const char* path, const FilePath* base, int kind) {
    if (!path || *path == '\0' || kind != 0 || StrLen(path) >= kPathBufferSize)
        return nullptr;
    char work[kPathBufferSize];
    StrCopyN(work, path, sizeof work);
    PathResolve(work, base && base->path ? base->path : "");
    if (work[0] == '\0')
        return nullptr;
    FilePath* fp = FilePathAlloc(work);
    if (fp)
        fp->flags = kFilePathFromNew;
    return fp;
}

char* FilePathName(const FilePath* fp) {
    if (!fp || !fp->path)
        return nullptr;
    char* path = StrDup(fp->path);
    if (!path)
        return nullptr;
    std::size_t length = StrLen(path);
    if (length > 1 && IsSepAt(path, length - 1))
        path[length - 1] = '\0';
    char name[kPathNameLimit];
    PathSplit(path, nullptr, name);
    MemFree(path);
    return StrDup(name);
}

void PathResolve(char* path, const char* base) {
    if (!path || !PathIsLocal(path))
        return;
    if (!base)
        base = "";
    if (IsRelative(path) && IsNetworkPath(base)) {
        ResolveAgainstUrl(path, base);
        return;
    }
    PathExpandEnv(path);
    // A path that its expansion made a URL (a variable holding one) stays as it is, as URLs do:
    // normalised as a local path, "http://" would lose a slash.
    if (!PathIsLocal(path))
        return;
    char joined[kPathBufferSize] = "";
    if (IsRelative(path)) {
        // A joined path that does not fit is refused: a cut path would name another file. The
        // join adds a separator only between a base and the path, and only when the base does
        // not already end in one.
        std::size_t baseLength = StrLen(base);
        std::size_t separator = baseLength > 0 && !IsSepAt(base, baseLength - 1) ? 1 : 0;
        if (baseLength + separator + StrLen(path) >= kPathBufferSize) {
            path[0] = '\0';
            return;
        }
        PathAppend(joined, base, sizeof joined);
    }
    PathAppend(joined, path, sizeof joined);
    Normalise(joined, path);
}

void PathExpandEnv(char* path) {
    if (!path)
        return;
    char out[kPathBufferSize];
    out[0] = '\0';
    BoundedWriter writer = {out, kPathBufferSize - 1, 0, false};
    std::size_t i = 0;
    if (path[0] == '~') {
        i = 1;
        if (path[1] == '\0' || PathIsSep(static_cast<unsigned char>(path[1]))) {
            const char* home = PathHomeDirectory ? PathHomeDirectory : "~";
            writer.Put(home, StrLen(home));
        }
    }
    while (path[i] != '\0') {
        if (path[i] == '$' && !(i > 0 && path[i + 1] == '.')) {
            std::size_t nameStart = i + 1;
            std::size_t nameEnd = nameStart;
            while (path[nameEnd] != '\0' && !IsSepAt(path, nameEnd))
                nameEnd += EncCharStep(path, nameEnd, EncCurrent);
            char name[kPathBufferSize];
            std::memcpy(name, path + nameStart, nameEnd - nameStart);
            name[nameEnd - nameStart] = '\0';
            const char* value = name[0] != '\0' ? std::getenv(name) : nullptr;
            if (value) {
                writer.Put(value, std::strlen(value));
                i = nameEnd;
            } else {
                writer.Put("$", 1); // the name follows as ordinary text
                ++i;
            }
            continue;
        }
        std::size_t step = EncCharStep(path, i, EncCurrent);
        writer.Put(path + i, step);
        i += step;
    }
    // An expansion that does not fit is refused like any too-long path: cut, '$BIG/report.fm'
    // could name a different file.
    if (writer.full)
        out[0] = '\0';
    StrCopyN(path, out, kPathBufferSize);
}

std::size_t PathAppend(char* dst, const char* src, std::size_t size) {
    if (!dst)
        return 0;
    std::size_t length = StrLen(dst);
    if (length > 0 && !IsSepAt(dst, length - 1))
        StrAppendNEnc(dst, "\\", size, EncCurrent);
    StrAppendNEnc(dst, src, size, EncCurrent);
    return StrLen(dst);
}

const char* PathBaseName(const char* path) {
    if (!path)
        return nullptr;
    const char* after = path;
    for (std::size_t i = 0; path[i] != '\0'; i += EncCharStep(path, i, EncCurrent)) {
        char c = path[i];
        // A one-byte character here: the second byte of a pair is never visited.
        if ((c == '\\' || c == '/' || c == ':') && EncCharStep(path, i, EncCurrent) == 1)
            after = path + i + 1;
    }
    return after;
}

void PathSplit(const char* path, char* directory, char* name) {
    if (!path)
        path = "";
    if (!PathIsLocal(path)) {
        const char* slash = StrFindLastEnc(path, '/', 0, EncCurrent);
        if (!slash || slash == path) {
            if (directory)
                directory[0] = '\0';
            if (name) {
                StrCopyNEnc(name, *path ? path + 1 : path, kPathNameLimit, EncCurrent);
                UrlPathDecode(name);
            }
            return;
        }
        std::size_t dirLength = static_cast<std::size_t>(slash - path);
        if (directory) {
            if (dirLength > kPathDirectoryMax)
                dirLength = kPathDirectoryMax;
            StrCopyNEnc(directory, path, dirLength + 1, EncCurrent);
            UrlPathDecode(directory);
        }
        if (name) {
            StrCopyNEnc(name, slash + 1, kPathNameLimit, EncCurrent);
            UrlPathDecode(name);
        }
        return;
    }
    const char* base = PathBaseName(path);
    if (name)
        StrCopyNEnc(name, base, kPathNameLimit, EncCurrent);
    if (!directory)
        return;
    std::size_t part = static_cast<std::size_t>(base - path);
    if (part == 0) {
        directory[0] = '\0';
        return;
    }
    std::size_t keep = part - 1; // without the separator before the name
    if (part == 1 || path[part - 1] == ':' ||
        (part == 3 && path[1] == ':' && PathIsSep(static_cast<unsigned char>(path[2]))))
        keep = part; // a root, a drive, or a drive and its root stay whole
    if (keep > kPathDirectoryMax)
        keep = kPathDirectoryMax;
    StrCopyNEnc(directory, path, keep + 1, EncCurrent);
}

char* PathDropLast(char* start, char* end) {
    if (end > start && end[-1] == ':') {
        *end = '\0';
        return end;
    }
    while (end > start) {
        --end;
        std::size_t at = static_cast<std::size_t>(end - start);
        if (*end == ':') {
            ++end;
            break;
        }
        if (PathIsSep(static_cast<unsigned char>(*end)) &&
            !EncIsSecondByte(start, static_cast<std::ptrdiff_t>(at), EncCurrent))
            break;
    }
    *end = '\0';
    return end;
}

int PathIsSep(int byte) {
    return byte == '\\' || byte == '/' ? 1 : 0;
}

int PathIsLocal(const char* path) {
    return !path || NetLibIsNetFile(path) != kNetLibOk ? 1 : 0;
}

int PathIsDctmUrl(const char* path) {
    return path && *path != '\0' && StrPrefix(path, kDctmPrefix) ? 1 : 0;
}

int UrlResolve(const char* base, const char* relative, char** out) {
    if (!out)
        return 1;
    *out = nullptr;
    if (!base || PathIsLocal(base) || !relative)
        return 1;
    char* absolute = nullptr;
    if (NetLibGetAbsoluteURL(base, relative, &absolute) != kNetLibOk || !absolute)
        return 1;
    *out = StrDup(absolute);
    NetLibFree(absolute);
    return *out ? 0 : 1;
}

void UrlPathDecode(char* s) {
    if (!s)
        return;
    std::size_t w = 0;
    for (std::size_t r = 0; s[r] != '\0';) {
        if (s[r] == '/') {
            s[w++] = '\\';
            ++r;
        } else if (s[r] == '%' && s[r + 1] != '\0' && s[r + 2] != '\0' &&
                   HexByte(s[r + 1], s[r + 2]) != 0) {
            s[w++] = static_cast<char>(HexByte(s[r + 1], s[r + 2]));
            r += 3;
        } else {
            s[w++] = s[r++];
        }
    }
    s[w] = '\0';
}

unsigned char HexByte(int high, int low) {
    int h = HexValue(high);
    int l = HexValue(low);
    if (h < 0 || l < 0)
        return 0;
    return static_cast<unsigned char>(16 * h + l);
}
