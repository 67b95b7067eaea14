// Routines over NUL-terminated 8-bit strings. Bytes are unsigned values 0..255; nothing here knows
// about multibyte characters (the encoding-aware routines live with the encodings). A null string
// is accepted wherever a routine reads one; the compare routines read it as "". "size" is always
// the capacity of the destination buffer in bytes, terminator included.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The FrameRoman lower-case form of every byte, used by the case-insensitive compares whatever
// encoding is in force.
extern const std::array<unsigned char, 256> kCaseFoldTable;

std::size_t StrLen(const char* s);
// A new copy (MemFree) or null for a null s or a failed allocation.
char* StrDup(const char* s);
// A zeroed buffer of n + 1 bytes, or null.
char* StrAlloc(std::size_t n);
// Unbounded copy; returns the terminator written in dst (null for a null dst).
char* StrCopy(char* dst, const char* src);
// Copies at most size - 1 bytes and always terminates; returns the bytes copied.
std::size_t StrCopyN(char* dst, const char* src, std::size_t size);
void StrTruncate(char* buffer, std::size_t index);
int StrToInt(const char* s);

// The appends return the new length of dst (0 for a null dst).
std::size_t StrAppend(char* dst, const char* src);
std::size_t StrAppendN(char* dst, const char* src, std::size_t size);
std::size_t StrAppendChar(char* dst, char ch, std::size_t size);

int StrEqual(const char* a, const char* b);
int StrCompare(const char* a, const char* b);
int StrIEqual(const char* a, const char* b);
int StrICompare(const char* a, const char* b);
int StrPrefix(const char* s, const char* prefix);

const char* StrChr(const char* s, int ch);
inline char* StrChr(char* s, int ch) {
    return const_cast<char*>(StrChr(const_cast<const char*>(s), ch));
}
// Byte index of the first occurrence of sub in s, or -1.
std::ptrdiff_t StrFind(const char* s, const char* sub);
void StrStripChars(char* s, const char* set);
void StrTrimLeft(char* s);
void StrTrimRight(char* s);
void StrDropFront(char* s, std::size_t n);
