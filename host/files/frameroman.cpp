// Conversion between FrameRoman and UTF-8, over the table generated from resources/.
#include "host/files/frameroman.h"

#include "resources/frameroman_table.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace lxhost {

namespace {

// The table generated from resources/frameroman.txt, the one source of the character set; every
// code point it holds is in the Basic Multilingual Plane.
constexpr std::array<char16_t, 256> NarrowTable() {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<char16_t>(::kFrameRomanToUnicode[b]);
    return table;
}

} // namespace

constexpr std::array<char16_t, 256> kFrameRomanToUnicode = NarrowTable();

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
