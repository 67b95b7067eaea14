#include "support/str.h"

#include "support/mem.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned char kBlank = 0x20;

// Reads a possibly null string as "".
inline const unsigned char* Bytes(const char* s) {
    return reinterpret_cast<const unsigned char*>(s ? s : "");
}

} // namespace

// Built at compile time from the pairs below; every other byte maps to itself.
static constexpr std::array<unsigned char, 256> MakeCaseFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<unsigned char>(c + ('a' - 'A'));
    // FrameRoman capitals with accents, the ligatures and the slashed O, with their small forms.
    constexpr unsigned char pairs[][2] = {
        {0x80, 0x8A}, {0x81, 0x8C}, {0x82, 0x8D}, {0x83, 0x8E}, {0x84, 0x96}, {0x85, 0x9A},
        {0x86, 0x9F}, {0xAE, 0xBE}, {0xAF, 0xBF}, {0xCB, 0x88}, {0xCC, 0x8B}, {0xCD, 0x9B},
        {0xCE, 0xCF}, {0xD9, 0xD8}, {0xE5, 0x89}, {0xE6, 0x90}, {0xE7, 0x87}, {0xE8, 0x91},
        {0xE9, 0x8F}, {0xEA, 0x92}, {0xEB, 0x94}, {0xEC, 0x95}, {0xED, 0x93}, {0xEE, 0x97},
        {0xEF, 0x99}, {0xF1, 0x98}, {0xF2, 0x9C}, {0xF3, 0x9E}, {0xF4, 0x9D},
    };
    for (const auto& pair : pairs)
        table[pair[0]] = pair[1];
    return table;
}

constexpr std::array<unsigned char, 256> kCaseFoldTable = MakeCaseFoldTable();

std::size_t StrLen(const char* s) {
    return s ? std::strlen(s) : 0;
}

char* StrDup(const char* s) {
    if (!s)
        return nullptr;
    std::size_t length = std::strlen(s);
    char* copy = static_cast<char*>(MemCalloc(length + 1, 1, 0));
    if (copy)
        std::memcpy(copy, s, length);
    return copy;
}

char* StrAlloc(std::size_t n) {
    return static_cast<char*>(MemCalloc(n + 1, 1, 0));
}

char* StrCopy(char* dst, const char* src) {
    if (!dst)
        return nullptr;
    std::size_t length = StrLen(src);
    if (length)
        std::memmove(dst, src, length);
    dst[length] = '\0';
    return dst + length;
}

std::size_t StrCopyN(char* dst, const char* src, std::size_t size) {
    if (!dst)
        return 0;
    if (size == 0)
        return 0; // no room even for a terminator: write nothing
    std::size_t n = 0;
    if (src)
        while (n + 1 < size && src[n] != '\0')
            ++n;
    if (n)
        std::memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}

void StrTruncate(char* buffer, std::size_t index) {
    if (buffer)
        buffer[index] = '\0';
}

int StrToInt(const char* s) {
    return s ? std::atoi(s) : 0;
}

std::size_t StrAppend(char* dst, const char* src) {
    if (!dst)
        return 0;
    std::size_t length = std::strlen(dst);
    return static_cast<std::size_t>(StrCopy(dst + length, src) - dst);
}

std::size_t StrAppendN(char* dst, const char* src, std::size_t size) {
    if (!dst)
        return 0;
    std::size_t length = std::strlen(dst);
    if (src)
        while (length + 1 < size && *src != '\0')
            dst[length++] = *src++;
    // Terminate only inside the buffer: a dst already at or past the bound stays as it is.
    if (length < size)
        dst[length] = '\0';
    return length;
}

std::size_t StrAppendChar(char* dst, char ch, std::size_t size) {
    if (!dst)
        return 0;
    std::size_t length = std::strlen(dst);
    if (length + 1 < size) {
        dst[length++] = ch;
        dst[length] = '\0';
    }
    return length;
}

int StrEqual(const char* a, const char* b) {
    return StrCompare(a, b) == 0 ? 1 : 0;
}

int StrCompare(const char* a, const char* b) {
    const unsigned char* p = Bytes(a);
    const unsigned char* q = Bytes(b);
    while (*p != 0 && *p == *q) {
        ++p;
        ++q;
    }
    return static_cast<int>(*p) - static_cast<int>(*q);
}

int StrICompare(const char* a, const char* b) {
    const unsigned char* p = Bytes(a);
    const unsigned char* q = Bytes(b);
    // The walk ends at the first folded difference or at a's terminator.
    for (;; ++p, ++q) {
        int fa = kCaseFoldTable[*p];
        int fb = kCaseFoldTable[*q];
        if (fa != fb || *p == 0)
            return fa - fb;
    }
}

int StrIEqual(const char* a, const char* b) {
    return StrICompare(a, b) == 0 ? 1 : 0;
}

int StrPrefix(const char* s, const char* prefix) {
    const unsigned char* p = Bytes(s);
    const unsigned char* q = Bytes(prefix);
    while (*q != 0) {
        if (*p != *q)
            return 0;
        ++p;
        ++q;
    }
    return 1;
}

const char* StrChr(const char* s, int ch) {
    if (!s)
        return nullptr;
    for (const char* p = s; *p != '\0'; ++p)
        if (static_cast<unsigned char>(*p) == ch)
            return p;
    return nullptr;
}

std::ptrdiff_t StrFind(const char* s, const char* sub) {
    if (!s || !sub || *s == '\0')
        return -1;
    for (std::ptrdiff_t p = 0; s[p] != '\0'; ++p) {
        std::ptrdiff_t i = 0;
        while (sub[i] != '\0' && s[p + i] == sub[i])
            ++i;
        if (sub[i] == '\0')
            return p;
    }
    return -1;
}

void StrStripChars(char* s, const char* set) {
    if (!s || !set || *set == '\0')
        return;
    char* out = s;
    for (const char* in = s; *in != '\0'; ++in)
        if (!StrChr(set, static_cast<unsigned char>(*in)))
            *out++ = *in;
    *out = '\0';
}

void StrTrimLeft(char* s) {
    if (!s || static_cast<unsigned char>(*s) != kBlank)
        return;
    const char* first = s;
    while (static_cast<unsigned char>(*first) == kBlank)
        ++first;
    std::memmove(s, first, std::strlen(first) + 1);
}

void StrTrimRight(char* s) {
    if (!s)
        return;
    std::size_t length = std::strlen(s);
    while (length > 0 && static_cast<unsigned char>(s[length - 1]) == kBlank)
        s[--length] = '\0';
}

void StrDropFront(char* s, std::size_t n) {
    if (!s)
        return;
    std::size_t length = std::strlen(s);
    if (n >= length) {
        *s = '\0';
        return;
    }
    std::memmove(s, s + n, length - n + 1);
}
