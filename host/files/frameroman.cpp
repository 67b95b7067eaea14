// The FrameRoman table. Bytes 0x20 to 0x7E are ASCII; the host's control codes and the upper
// half follow the host's character set.
#include "host/files/frameroman.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace lxhost {

const char16_t kFrameRomanToUnicode[256] = {
    // 0x00
    0,
    0,
    0,
    0,
    0x00AD,
    0x200D,
    0,
    0,
    0x0009,
    0x2028,
    0x2029,
    0,
    0,
    0,
    0,
    0,
    // 0x10
    0x2007,
    0x00A0,
    0x2009,
    0x2002,
    0x2003,
    0x2011,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // 0x20
    0x20,
    0x21,
    0x22,
    0x23,
    0x24,
    0x25,
    0x26,
    0x27,
    0x28,
    0x29,
    0x2A,
    0x2B,
    0x2C,
    0x2D,
    0x2E,
    0x2F,
    // 0x30
    0x30,
    0x31,
    0x32,
    0x33,
    0x34,
    0x35,
    0x36,
    0x37,
    0x38,
    0x39,
    0x3A,
    0x3B,
    0x3C,
    0x3D,
    0x3E,
    0x3F,
    // 0x40
    0x40,
    0x41,
    0x42,
    0x43,
    0x44,
    0x45,
    0x46,
    0x47,
    0x48,
    0x49,
    0x4A,
    0x4B,
    0x4C,
    0x4D,
    0x4E,
    0x4F,
    // 0x50
    0x50,
    0x51,
    0x52,
    0x53,
    0x54,
    0x55,
    0x56,
    0x57,
    0x58,
    0x59,
    0x5A,
    0x5B,
    0x5C,
    0x5D,
    0x5E,
    0x5F,
    // 0x60
    0x60,
    0x61,
    0x62,
    0x63,
    0x64,
    0x65,
    0x66,
    0x67,
    0x68,
    0x69,
    0x6A,
    0x6B,
    0x6C,
    0x6D,
    0x6E,
    0x6F,
    // 0x70
    0x70,
    0x71,
    0x72,
    0x73,
    0x74,
    0x75,
    0x76,
    0x77,
    0x78,
    0x79,
    0x7A,
    0x7B,
    0x7C,
    0x7D,
    0x7E,
    0,
    // 0x80
    0x00C4,
    0x00C5,
    0x00C7,
    0x00C9,
    0x00D1,
    0x00D6,
    0x00DC,
    0x00E1,
    0x00E0,
    0x00E2,
    0x00E4,
    0x00E3,
    0x00E5,
    0x00E7,
    0x00E9,
    0x00E8,
    // 0x90
    0x00EA,
    0x00EB,
    0x00ED,
    0x00EC,
    0x00EE,
    0x00EF,
    0x00F1,
    0x00F3,
    0x00F2,
    0x00F4,
    0x00F6,
    0x00F5,
    0x00FA,
    0x00F9,
    0x00FB,
    0x00FC,
    // 0xA0
    0x2020,
    0x00B0,
    0x00A2,
    0x00A3,
    0x00A7,
    0x2022,
    0x00B6,
    0x00DF,
    0x00AE,
    0x00A9,
    0x2122,
    0x00B4,
    0x00A8,
    0x00A6,
    0x00C6,
    0x00D8,
    // 0xB0
    0x00D7,
    0x00B1,
    0x00F0,
    0x0160,
    0x00A5,
    0x00B5,
    0x00B9,
    0x00B2,
    0x00B3,
    0x00BC,
    0x00BD,
    0x00AA,
    0x00BA,
    0x00BE,
    0x00E6,
    0x00F8,
    // 0xC0
    0x00BF,
    0x00A1,
    0x00AC,
    0x00D0,
    0x0192,
    0x00DD,
    0x00FD,
    0x00AB,
    0x00BB,
    0x2026,
    0x00FE,
    0x00C0,
    0x00C3,
    0x00D5,
    0x0152,
    0x0153,
    // 0xD0
    0x2013,
    0x2014,
    0x201C,
    0x201D,
    0x2018,
    0x2019,
    0x00F7,
    0x00DE,
    0x00FF,
    0x0178,
    0x2044,
    0x00A4,
    0x2039,
    0x203A,
    0xFB01,
    0xFB02,
    // 0xE0
    0x2021,
    0x00B7,
    0x201A,
    0x201E,
    0x2030,
    0x00C2,
    0x00CA,
    0x00C1,
    0x00CB,
    0x00C8,
    0x00CD,
    0x00CE,
    0x00CF,
    0x00CC,
    0x00D3,
    0x00D4,
    // 0xF0
    0x0161,
    0x00D2,
    0x00DA,
    0x00DB,
    0x00D9,
    0x20AC,
    0x02C6,
    0x02DC,
    0x00AF,
    0x02D8,
    0x02D9,
    0x02DA,
    0x00B8,
    0x02DD,
    0x02DB,
    0x02C7,
};

namespace {

using ReverseTable = std::vector<std::pair<char32_t, unsigned char>>;

const ReverseTable& Reverse() {
    static const ReverseTable table = [] {
        ReverseTable t;
        for (int b = 0; b < 256; ++b) {
            if (kFrameRomanToUnicode[b] != 0) {
                t.emplace_back(kFrameRomanToUnicode[b], static_cast<unsigned char>(b));
            }
        }
        std::sort(t.begin(), t.end());
        return t;
    }();
    return table;
}

} // namespace

int FrameRomanFromUnicode(char32_t cp) {
    if (cp >= 0x20 && cp < 0x7F) {
        return static_cast<int>(cp);
    }
    const ReverseTable& t = Reverse();
    auto it =
        std::lower_bound(t.begin(), t.end(), std::make_pair(cp, static_cast<unsigned char>(0)));
    return it != t.end() && it->first == cp ? it->second : -1;
}

char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
    constexpr char32_t kBad = 0xFFFFFFFF;
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        ++i;
        return kBad;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return kBad;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kBad;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kBad;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void Utf8ToFrameRoman(std::string_view utf8, std::string& out) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x20 && b < 0x7F) {
            // Runs of printable ASCII are the common case: copy them at once.
            std::size_t j = i + 1;
            while (j < utf8.size() && static_cast<unsigned char>(utf8[j]) >= 0x20 &&
                   static_cast<unsigned char>(utf8[j]) < 0x7F) {
                ++j;
            }
            out.append(utf8.substr(i, j - i));
            i = j;
            continue;
        }
        const char32_t cp = DecodeUtf8(utf8, i);
        const int fr = cp == 0xFFFFFFFF ? -1 : FrameRomanFromUnicode(cp);
        out.push_back(fr < 0 ? '?' : static_cast<char>(fr));
    }
}

void FrameRomanToUtf8(std::string_view text, std::string& out) {
    for (char c : text) {
        const char16_t u = kFrameRomanToUnicode[static_cast<unsigned char>(c)];
        AppendUtf8(u != 0 ? u : 0xFFFD, out);
    }
}

} // namespace lxhost
