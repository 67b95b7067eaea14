// The six encodings of the host's 8-bit text, the encoding in force, the start-up that points ICU
// at the host's converter data, and the string routines that never cut a multibyte character.
//
// A character step at a position of a string: in UTF-8 the sequence length of its lead byte; in
// the other encodings 2 for a lead byte followed by a second byte of the encoding's table,
// otherwise 1. No step ever goes past the string's terminator, even for a truncated sequence.
#pragma once

#include "support/api_types.h"
#include "support/enc_ranges.h"

#include <cstddef>
#include <cstdint>

// Byte classes of one encoding: 1 where a byte value can begin (lead) or end (second) a two-byte
// character.
struct EncTable {
    unsigned char lead[256];
    unsigned char second[256];
    const char* name;
};

// In encoding index order; every flag is 0 until the tables are built by EncSetCurrent.
extern EncTable EncTables[kEncCount];
// The index of the encoding in force: FrameRoman until something selects another.
extern int EncCurrent;

// The host's application string property holding its installation directory.
constexpr std::int32_t kEncPropInstallDir = 89;
// The folder of the installation directory that holds the host's ICU converter data.
constexpr const char* kEncIcuDataFolder = "icu_data";
// Capacity of the data-directory path handed to ICU, terminator included.
constexpr std::size_t kEncDataDirSize = 1024;

// How EncStartup reads a host string property. The host operations live in the runtime, which
// sits above this library, so the runtime installs its string getter here at client start-up
// (next to ConsoleCallback). It returns a new string released with StrRelease, or null when the
// host has none or the call failed. Unset, EncStartup cannot learn the directory and returns 1.
using EncHostStringGetter = char* (*)(ObjectId doc, ObjectId obj, std::int32_t prop);
extern EncHostStringGetter EncHostGetString;

// Selects FrameRoman if the tables are not built yet; when ICU has no data directory, sets it to
// the host's "icu_data" folder. 1 only when that had to be done and could not be.
int EncStartup();
int EncTablesBuilt();
// Builds the tables on first use and makes the named encoding (any case) the one in force; an
// unknown name changes nothing. Returns the index in force.
int EncSetCurrent(const char* name);
// The lowest index whose name equals name in any case; 0 for an unknown or null name.
int EncIndexByName(const char* name);

int Utf8SeqLen(unsigned char lead);
// Moves *cursor forward by one UTF-8 sequence (stopping at the terminator) and returns it.
const char* Utf8Advance(const char** cursor);
int Utf8IsValid(const char* s);
// The start of the UTF-8 sequence that holds index i (at most 4 bytes back); i itself when it is
// not inside the string.
std::size_t Utf8SeqStart(const char* s, std::size_t i);
// Bytes from pos to the next character boundary of s in the encoding (0 at the terminator).
std::size_t EncCharStep(const char* s, std::size_t pos, int encoding);
// 1 when the byte at pos is the second byte of a two-byte character of the encoding.
int EncIsSecondByte(const char* s, std::ptrdiff_t pos, int encoding);
// Index of the first occurrence of sub in s that begins on a character boundary, or -1.
std::ptrdiff_t StrFindEnc(const char* s, const char* sub, int encoding);
// The last occurrence on a character boundary of the character first (then second, unless 0).
const char* StrFindLastEnc(const char* s, int first, int second, int encoding);
// The last occurrence on a character boundary of the first UTF-8 character of ch. A character
// whose lead byte announces five or six bytes is not a character and is never found.
const char* Utf8FindLast(const char* s, const char* ch);
// The number of bytes, at most limit, of the first len bytes of s that end on a character
// boundary: where a piece of text of len bytes (not necessarily terminated) may be cut.
std::size_t EncFitLength(const char* s, std::size_t len, std::size_t limit, int encoding);
// As StrCopyN and StrAppendN, but never ending inside a multibyte character.
std::size_t StrCopyNEnc(char* dst, const char* src, std::size_t size, int encoding);
std::size_t StrAppendNEnc(char* dst, const char* src, std::size_t size, int encoding);
