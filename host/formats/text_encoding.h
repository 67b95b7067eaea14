// The encodings a text file may come in, recognised and turned into UTF-8 before a reader sees
// the text.
#pragma once

#include <string>
#include <string_view>

namespace lxhost {

enum class TextEncoding { Utf8, Utf16, Windows1252 };

// "UTF-8", "UTF-16" or "Windows-1252".
const char* TextEncodingName(TextEncoding encoding);

// Whether the bytes are well-formed UTF-8: no stray or missing continuation bytes, overlong
// forms, surrogates or values past U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 text as UTF-8. The five bytes the encoding leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control codes of the same value, which have no printable form.
std::string Windows1252ToUtf8(std::string_view bytes);

// When the bytes begin with a UTF-16 byte order mark (little- or big-endian): true, with the text
// after the mark as UTF-8 in *utf8. An unpaired surrogate, or an odd last byte, becomes U+FFFD.
// False, and *utf8 untouched, for anything else.
bool Utf16WithBomToUtf8(std::string_view bytes, std::string* utf8);

} // namespace lxhost
