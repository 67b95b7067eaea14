// FrameRoman, the host's 8-bit character set, and its conversion to and from UTF-8 for the
// readers, the writer and the text renderer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lxhost {

// The Unicode code point of each FrameRoman byte, 0 where the byte is undefined.
extern const std::array<char16_t, 256> kFrameRomanToUnicode;

// The FrameRoman byte of a code point, or -1 when it has none.
int FrameRomanFromUnicode(char32_t cp);

// What a letter without a FrameRoman form becomes in a build without transliteration (the
// Windows build): a consonant, so that a word stays one word without gaining a syllable.
constexpr char kPlaceholderLetter = 'x';

// Whether this build turns letters of other scripts into Latin letters; without it they become
// kPlaceholderLetter.
bool HasTransliteration();

// Appends the FrameRoman form of UTF-8 text and returns how many characters had no FrameRoman
// form. None of them becomes a sentence terminator or a word break that the writer did not
// write: a letter of another script becomes Latin letters ("Any-Latin; Latin-ASCII"), a
// combining mark joins the letter before it where the two have one form and is dropped
// otherwise, and every other character (spaces, brackets, arrows, symbols, emoji, control codes,
// malformed bytes) becomes a space.
std::size_t Utf8ToFrameRoman(std::string_view utf8, std::string& out);

// Where a run of printable ASCII (0x20 to 0x7E) that goes on at s[i] ends: the index of the first
// other byte, or s.size(). Such a run is its own FrameRoman form.
std::size_t PrintableAsciiEnd(std::string_view s, std::size_t i);

// Utf8ToFrameRoman for one code point; a surrogate or a value past U+10FFFF becomes a space.
std::size_t CodePointToFrameRoman(char32_t cp, std::string& out);

// Appends the UTF-8 form of FrameRoman text; undefined bytes become U+FFFD.
void FrameRomanToUtf8(std::string_view text, std::string& out);

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or returns
// 0xFFFFFFFF (and advances by one byte) for a malformed sequence.
char32_t DecodeUtf8(std::string_view s, std::size_t& i);
void AppendUtf8(char32_t cp, std::string& out);

} // namespace lxhost
