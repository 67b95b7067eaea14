#include "host/formats/text_encoding.h"

#include "host/formats/frameroman.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace lxhost {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMalformed = 0xFFFFFFFF;

// The code points of the Windows-1252 bytes 0x80 to 0x9F, where the encoding differs from
// Latin-1; 0 where it defines no character.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

} // namespace

const char* TextEncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf16:
        return "UTF-16";
    case TextEncoding::Windows1252:
        return "Windows-1252";
    case TextEncoding::Utf8:
        break;
    }
    return "UTF-8";
}

bool IsValidUtf8(std::string_view bytes) {
    // Text is mostly ASCII: eight bytes without a high bit are skipped at once, and only the
    // words that hold another byte are decoded character by character.
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint64_t word = 0;
        if (bytes.size() - i >= sizeof word) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & kHighBits) == 0) {
                i += sizeof word;
                continue;
            }
        }
        if (DecodeUtf8(bytes, i) == kMalformed)
            return false;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char32_t cp = b;
        if (b >= 0x80 && b < 0xA0 && kWindows1252High[b - 0x80] != 0)
            cp = kWindows1252High[b - 0x80];
        AppendUtf8(cp, out);
    }
    return out;
}

bool Utf16WithBomToUtf8(std::string_view bytes, std::string* utf8) {
    bool bigEndian = false;
    if (bytes.starts_with("\xFE\xFF"))
        bigEndian = true;
    else if (!bytes.starts_with("\xFF\xFE"))
        return false;
    auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? static_cast<char32_t>(a << 8 | b) : static_cast<char32_t>(b << 8 | a);
    };
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t u = unitAt(i);
        if (IsHighSurrogate(u) && i + 3 < bytes.size() && IsLowSurrogate(unitAt(i + 2))) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            u = kReplacement;
        }
        AppendUtf8(u, out);
    }
    if (i < bytes.size())
        AppendUtf8(kReplacement, out); // an odd byte at the end
    *utf8 = std::move(out);
    return true;
}

} // namespace lxhost
