// Conversion between named encodings through ICU converters, carrying control characters across
// untouched, and the host console output in UTF-8.
//
// Names understood: the host converters (kEncConverterNames), "UTF-8", "UTF-16" (16-bit units in
// the machine's byte order, ended by a zero unit) and "locale" (ICU's default converter).
// Converted results are new blocks (MemFree) ended by two zero bytes, so they read as terminated
// strings whether they hold 8-bit text or UTF-16.
#pragma once

#include "support/enc_ranges.h"

#include <cstddef>
#include <cstdint>

// The host's converter for each encoding index.
constexpr const char* kEncConverterNames[kEncCount] = {
    "adobe-fm-roman-windows", "adobe-fm-shift-jis", "adobe-fm-ksc-5601",
    "adobe-fm-big5",          "adobe-fm-gb2312",    "UTF-8",
};
constexpr const char* kEncNameUtf8 = "UTF-8";
constexpr const char* kEncNameUtf16 = "UTF-16";
constexpr const char* kEncNameLocale = "locale";

// Sends one UTF-8 string to the host's console; installed by the client start-up.
using ConsoleOutput = std::int32_t (*)(const char* utf8);
extern ConsoleOutput ConsoleCallback;

// A growing conversion output: length bytes used of capacity.
struct EncOutput {
    char* data;
    std::size_t length;
    std::size_t capacity;
};

// Converts src from one encoding to another. Control characters (below 0x20) are copied across
// as they are, between converted runs, unless keepControls is set (it is forced for "locale").
// Invalid UTF-8 from "UTF-8" gives "???". Runs that fail to convert are left out. Unmappable
// input is escaped ("%XNN") when escapeInvalid is set, else ICU's substitute is used. Null only
// for a null src; out of memory raises.
char* EncConvert(const char* src, const char* from, const char* to, int keepControls,
                 int escapeInvalid);
// src in the encoding of the index, as UTF-8; an index outside 0..5 gives a plain copy.
char* EncToUtf8(const char* src, int encoding);
char* EncCurrentToUtf8(const char* src);
// The encoding table name for a converter name, or null.
const char* EncNameForConverter(const char* converter);
// Converts one run (runLength bytes, with room for two more) and appends it to the output,
// which grows as needed.
void EncConvertChunk(char* run, std::size_t runLength, EncOutput* output, const char* from,
                     const char* to, int escapeInvalid);
// One conversion through ICU via UTF-16; *outLength is the result's length in bytes (0 for a
// copy or a failure). Null when a converter cannot be opened or the conversion fails.
char* EncConvertIcu(const char* text, const char* from, const char* to, std::size_t* outLength,
                    int escapeInvalid);
// Prints text on the host's console in UTF-8, converted from the encoding in force.
void ConsolePrint(const char* text);
