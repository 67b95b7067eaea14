// FrameRoman, the host's 8-bit character set, and its conversion to and from UTF-8 for the
// readers, the writer and the text renderer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lxhost {

// The Unicode code point of each FrameRoman byte, 0 where the byte is undefined.
extern const std::array<char16_t, 256> kFrameRomanToUnicode;

// The FrameRoman byte of a code point, or -1 when it has none.
int FrameRomanFromUnicode(char32_t cp);

// Appends the FrameRoman form of UTF-8 text. Malformed sequences and characters with no
// FrameRoman form become '?'.
void Utf8ToFrameRoman(std::string_view utf8, std::string& out);

// Appends the UTF-8 form of FrameRoman text; undefined bytes become U+FFFD.
void FrameRomanToUtf8(std::string_view text, std::string& out);

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or returns
// 0xFFFFFFFF (and advances by one byte) for a malformed sequence.
char32_t DecodeUtf8(std::string_view s, std::size_t& i);
void AppendUtf8(char32_t cp, std::string& out);

} // namespace lxhost
