// The support library's printf: an engine that walks the format and the arguments itself, formats
// one conversion at a time with the standard formatter and hands the output in pieces to a sink.
//
// Conversions end at the first of the letters "dioxXucsfeEgGp%nC". Each takes the next argument
// by its letter: an int for d i o u x X c, a pointer for p s C n, a double for e E f g G, nothing
// for "%"; each "*" takes an int first. Length modifiers do not change this walk, so they are
// dropped before formatting (only h and hh stay on integer conversions): the standard formatter
// always reads the type the walk took. C prints the first character of a string when the encoding
// in force is UTF-8, and nothing otherwise. n stores the bytes output so far (hn 16-bit, hhn
// 8-bit, otherwise 32-bit).
//
// Work storage is bounded: a directive is normalised into 64 bytes, "*" expansion happens in
// 1024 bytes, and conversion output starts in 256 bytes and moves to a heap block whenever one
// conversion needs more. A directive that cannot be formatted safely (positional arguments,
// unknown characters, a width or precision beyond int, an expansion beyond its buffer) is output
// as written, and still takes its argument. A format that ends inside a directive outputs
// that text as written.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

constexpr std::size_t kPrintfSpecSize = 64;
constexpr std::size_t kPrintfStarSize = 1024;
constexpr std::size_t kPrintfOutputSize = 256;
// What StrPrintf allows its buffer: not bounded in practice.
constexpr std::int32_t kPrintfUnbounded = 2147483646;

// Receives len bytes of text (not terminated) and returns how many it accepted.
using PrintfSink = std::size_t (*)(void* context, const char* text, std::size_t len);

// BufferSink's context: where the next byte goes and how many bytes may still be written there.
// The buffer needs one byte more than the capacity for the terminator.
struct BufferSinkContext {
    char* position;
    std::int32_t capacity;
};

// A conversion's output buffer: the fixed storage of the run, or a heap block once it grew.
struct PrintfOutput {
    char* data;
    std::size_t size;
    bool onHeap;
};

// Formats into buffer without a bound and terminates it; a null buffer gets nothing and 0.
std::size_t StrPrintf(char* buffer, const char* format, ...);
// As StrPrintf within size bytes, terminator included; output that does not fit is cut on a
// character boundary. Returns the bytes written.
std::size_t StrPrintfN(char* buffer, std::size_t size, const char* format, ...);
std::size_t FormatToSink(PrintfSink sink, void* context, const char* format, va_list arguments);
// As FormatToSink for a sink that takes at most room bytes in all: a conversion's work (the
// standard formatter's and this engine's storage) is bounded by what the sink can still take, so
// a width or precision of 2147483647 costs no more than the bytes that can be shown.
std::size_t FormatToSinkWithin(PrintfSink sink, void* context, const char* format,
                               va_list arguments, std::size_t room);
// Copies what fits (never part of a multibyte character in the encoding in force). Once it has cut
// a piece it accepts nothing more, so later pieces never appear after a gap.
std::size_t BufferSink(void* context, const char* text, std::size_t len);
// Writes directive (len bytes) into out (outSize bytes) with every "*" replaced by the decimal form
// of the next int argument. Every "*" takes its argument even when the result does not fit; then
// the result is -1 (out is cut and terminated), otherwise its length.
std::ptrdiff_t PrintfExpandStars(const char* directive, std::size_t len, char* out,
                                 std::size_t outSize, va_list* cursor);
// Bytes that a string conversion directive outputs for the string under the cursor (not consumed).
std::size_t PrintfStringWidth(const char* directive, va_list* cursor);
// Formats value with "%d" and appends it to dst like StrAppendN; returns the new length.
std::size_t StrAppendInt(char* dst, int value, std::size_t size);
// Formats one normalised directive (len bytes, its letter last) into out, growing it when
// needed, and advances the cursor. The output's length, or -1 when it could not be made (the
// cursor is still advanced).
std::ptrdiff_t PrintfFormatOne(PrintfOutput* out, const char* directive, std::size_t len,
                               va_list* cursor);
