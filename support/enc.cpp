#include "support/enc.h"

#include "platform/paths.h"
#include "support/prop_list.h"
#include "support/str.h"

#if defined(_WIN32)
#include "support/icu_binding.h"
#else
#include <unicode/putil.h>
#endif

#include <cstring>

EncTable EncTables[kEncCount] = {};
int EncCurrent = kEncFrameRoman;
EncHostStringGetter EncHostGetString = nullptr;

namespace {

bool gTablesBuilt = false;

constexpr std::size_t kUtf8MaxSearched = 4;

inline unsigned char ByteAt(const char* s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

inline bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

void BuildTables() {
    for (int e = 0; e < kEncCount; ++e) {
        EncTable& table = EncTables[e];
        for (unsigned b = 0; b < 256; ++b) {
            table.lead[b] = EncRangesIsLead(kEncRanges[e], b) ? 1 : 0;
            table.second[b] = EncRangesIsSecond(kEncRanges[e], b) ? 1 : 0;
        }
        table.name = kEncRanges[e].name;
    }
    gTablesBuilt = true;
}

bool ValidEncoding(int encoding) {
    return encoding >= 0 && encoding < kEncCount;
}

// Whether the needle's bytes are at s + p (an empty needle always is).
bool MatchesAt(const char* s, std::size_t p, const char* needle) {
    for (std::size_t i = 0; needle[i] != '\0'; ++i)
        if (s[p + i] != needle[i])
            return false;
    return true;
}

// The last occurrence of needle on a character boundary; each search resumes after the
// occurrence found, skipping `skip(occurrence)` bytes.
template <typename Skip>
const char* FindLast(const char* s, const char* needle, int encoding, Skip skip) {
    const char* last = nullptr;
    const char* from = s;
    for (;;) {
        std::ptrdiff_t at = StrFindEnc(from, needle, encoding);
        if (at < 0)
            return last;
        last = from + at;
        from = last + skip(last);
        if (*from == '\0')
            return last;
    }
}

} // namespace

int EncTablesBuilt() {
    return gTablesBuilt ? 1 : 0;
}

int EncSetCurrent(const char* name) {
    if (!gTablesBuilt)
        BuildTables();
    for (int e = 0; e < kEncCount; ++e)
        if (StrIEqual(EncTables[e].name, name))
            EncCurrent = e;
    return EncCurrent;
}

int EncIndexByName(const char* name) {
    if (!name)
        return kEncFrameRoman;
    for (int e = 0; e < kEncCount; ++e)
        if (StrIEqual(kEncRanges[e].name, name))
            return e;
    return kEncFrameRoman;
}

int EncStartup() {
    if (!gTablesBuilt)
        EncSetCurrent(kEncRanges[kEncFrameRoman].name);
#if defined(_WIN32)
    // On Windows the host's own ICU, in its installation directory, does the conversions.
    if (!IcuIsBound()) {
        char* folder = EncHostGetString ? EncHostGetString(0, 0, kEncPropInstallDir) : nullptr;
        int bound = IcuBind(folder);
        StrRelease(&folder);
        if (!bound)
            return 1;
    }
#endif
    const char* current = u_getDataDirectory();
    if (current && *current)
        return 0;
    // The getter's null result is the failure test: ApiErrno is never reset, so an older failure
    // of an unrelated operation would otherwise make a good answer look like a failure.
    char* install = EncHostGetString ? EncHostGetString(0, 0, kEncPropInstallDir) : nullptr;
    std::size_t length = StrLen(install);
    if (length == 0) {
        StrRelease(&install);
        return 1;
    }
    // The installation directory, the platform's separator unless it already ends in one, and
    // the data folder. A directory that does not fit is refused rather than cut.
    bool endsInSep = (install[length - 1] == '\\' || install[length - 1] == '/') &&
                     !EncIsSecondByte(install, static_cast<std::ptrdiff_t>(length - 1), EncCurrent);
    std::size_t needed = length + (endsInSep ? 0 : 1) + std::strlen(kEncIcuDataFolder) + 1;
    if (needed > kEncDataDirSize) {
        StrRelease(&install);
        return 1;
    }
    char directory[kEncDataDirSize];
    StrCopyN(directory, install, sizeof directory);
    StrRelease(&install);
    if (!endsInSep)
        StrAppendN(directory, kPlatformPathSeparatorText, sizeof directory);
    StrAppendN(directory, kEncIcuDataFolder, sizeof directory);
    u_setDataDirectory(directory);
    return 0;
}

int Utf8SeqLen(unsigned char lead) {
    if (lead < 0xC0)
        return 1;
    if (lead <= 0xDF)
        return 2;
    if (lead <= 0xEF)
        return 3;
    if (lead <= 0xF7)
        return 4;
    if (lead <= 0xFB)
        return 5;
    if (lead <= 0xFD)
        return 6;
    return 1;
}

const char* Utf8Advance(const char** cursor) {
    *cursor += EncCharStep(*cursor, 0, kEncUtf8);
    return *cursor;
}

int Utf8IsValid(const char* s) {
    if (!s)
        return 0;
    std::size_t i = 0;
    while (s[i] != '\0') {
        unsigned char lead = ByteAt(s, i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead < 0xC0 || lead > 0xFD)
            return 0;
        int length = Utf8SeqLen(lead);
        for (int k = 1; k < length; ++k)
            if (!IsContinuation(ByteAt(s, i + k))) // the terminator is not one: no overrun
                return 0;
        i += static_cast<std::size_t>(length);
    }
    return 1;
}

std::size_t Utf8SeqStart(const char* s, std::size_t i) {
    if (!s || i >= std::strlen(s))
        return i;
    std::size_t limit = i >= kUtf8MaxSearched ? i - kUtf8MaxSearched : 0;
    while (i > limit && IsContinuation(ByteAt(s, i)))
        --i;
    return i;
}

std::size_t EncCharStep(const char* s, std::size_t pos, int encoding) {
    unsigned char b = ByteAt(s, pos);
    if (b == 0)
        return 0;
    if (encoding == kEncUtf8) {
        // A lead byte without all its continuation bytes is a character of one byte: trusting
        // it would swallow whatever follows, a separator or the terminator included.
        std::size_t length = static_cast<std::size_t>(Utf8SeqLen(b));
        for (std::size_t k = 1; k < length; ++k)
            if (!IsContinuation(ByteAt(s, pos + k)))
                return 1;
        return length;
    }
    if (ValidEncoding(encoding) && EncTables[encoding].lead[b] &&
        EncTables[encoding].second[ByteAt(s, pos + 1)])
        return 2;
    return 1;
}

int EncIsSecondByte(const char* s, std::ptrdiff_t pos, int encoding) {
    if (!s || pos <= 0 || !ValidEncoding(encoding))
        return 0;
    if (static_cast<std::size_t>(pos) >= std::strlen(s))
        return 0;
    if (!EncTables[encoding].second[ByteAt(s, static_cast<std::size_t>(pos))])
        return 0;
    std::size_t at = 0;
    std::ptrdiff_t count = pos;
    while (count > 0) {
        std::size_t step = EncCharStep(s, at, encoding);
        at += step;
        count -= static_cast<std::ptrdiff_t>(step);
    }
    return count == -1 ? 1 : 0;
}

std::ptrdiff_t StrFindEnc(const char* s, const char* sub, int encoding) {
    if (!s || !sub || *s == '\0')
        return -1;
    for (std::size_t p = 0; s[p] != '\0'; p += EncCharStep(s, p, encoding))
        if (MatchesAt(s, p, sub))
            return static_cast<std::ptrdiff_t>(p);
    return -1;
}

const char* StrFindLastEnc(const char* s, int first, int second, int encoding) {
    if (!s || *s == '\0' || (first & 0xFF) == 0)
        return nullptr;
    char needle[3] = {static_cast<char>(first), static_cast<char>(second), '\0'};
    bool twoByteChar = (second & 0xFF) != 0 && ValidEncoding(encoding) &&
                       EncTables[encoding].lead[first & 0xFF] &&
                       EncTables[encoding].second[second & 0xFF];
    return FindLast(s, needle, encoding,
                    [twoByteChar](const char*) -> std::size_t { return twoByteChar ? 2 : 1; });
}

const char* Utf8FindLast(const char* s, const char* ch) {
    if (!s || *s == '\0' || !ch || *ch == '\0')
        return nullptr;
    std::size_t length = static_cast<std::size_t>(Utf8SeqLen(ByteAt(ch, 0)));
    if (length > kUtf8MaxSearched)
        return nullptr;
    char needle[kUtf8MaxSearched + 1] = {};
    for (std::size_t i = 0; i < length; ++i) {
        if (ch[i] == '\0')
            return nullptr; // a truncated sequence is not a character
        needle[i] = ch[i];
    }
    return FindLast(s, needle, kEncUtf8, [length](const char*) { return length; });
}

std::size_t EncFitLength(const char* s, std::size_t len, std::size_t limit, int encoding) {
    if (limit >= len)
        return len;
    if (encoding == kEncUtf8) {
        std::size_t floor = limit >= kUtf8MaxSearched ? limit - kUtf8MaxSearched : 0;
        while (limit > floor && IsContinuation(ByteAt(s, limit)))
            --limit;
        return limit;
    }
    std::size_t at = 0;
    while (at < limit) {
        std::size_t step = 1;
        if (ValidEncoding(encoding) && at + 1 < len && EncTables[encoding].lead[ByteAt(s, at)] &&
            EncTables[encoding].second[ByteAt(s, at + 1)])
            step = 2;
        if (at + step > limit)
            break;
        at += step;
    }
    return at;
}

namespace {

// The number of bytes of src, at most limit, that end on a character boundary, for a copy that
// may take bytes 0 .. limit - 1.
std::size_t FitLength(const char* src, std::size_t limit, int encoding) {
    if (encoding == kEncUtf8)
        return Utf8SeqStart(src, limit);
    if (limit > 0 && EncIsSecondByte(src, static_cast<std::ptrdiff_t>(limit), encoding))
        return limit - 1;
    return limit;
}

} // namespace

std::size_t StrCopyNEnc(char* dst, const char* src, std::size_t size, int encoding) {
    if (!dst || size == 0)
        return 0;
    if (!src) {
        *dst = '\0';
        return 0;
    }
    std::size_t limit = FitLength(src, size - 1, encoding);
    std::size_t n = 0;
    while (n < limit && src[n] != '\0')
        ++n;
    std::memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}

std::size_t StrAppendNEnc(char* dst, const char* src, std::size_t size, int encoding) {
    if (!dst || !src || *src == '\0')
        return 0;
    std::size_t length = std::strlen(dst);
    if (length + 1 >= size)
        return length;
    std::size_t limit = FitLength(src, size - length - 1, encoding);
    std::size_t n = 0;
    while (n < limit && src[n] != '\0') {
        dst[length + n] = src[n];
        ++n;
    }
    dst[length + n] = '\0';
    return length + n;
}
