// The first pass over a file's bytes.
#include "host/formats/text_scan.h"

#include "host/formats/frameroman.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace lxhost {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;
constexpr std::uint64_t kLow7Bits = 0x7F7F7F7F7F7F7F7Fu;
constexpr char32_t kMalformed = 0xFFFFFFFF; // what DecodeUtf8 returns for a bad sequence

// The words below hold ASCII bytes only (no high bit): adding up to 0x7F to a byte then never
// carries into the next, so each byte is tested on its own and the masks are exact.

// The high bit of each byte of w that equals c.
std::uint64_t BytesEqual(std::uint64_t w, char c) {
    return ~((w ^ (kOnes * static_cast<unsigned char>(c))) + kLow7Bits) & kHighBits;
}

// The high bit of each byte of w that is text in a line: not blank, not the line's end.
std::uint64_t TextBytes(std::uint64_t w) {
    // '\t' to '\r' (tab, line end, vertical tab, form feed, carriage return) and the space.
    const std::uint64_t fromTab = w + kOnes * (0x80 - '\t');
    const std::uint64_t pastReturn = w + kOnes * (0x80 - '\r' - 1);
    const std::uint64_t controls = fromTab & ~pastReturn & kHighBits;
    return ~(controls | BytesEqual(w, ' ')) & kHighBits;
}

} // namespace

void TextScanner::SeeText() {
    lineHasText_ = true;
    if (inParagraph_) {
        ++scan_.laterLines;
    } else {
        ++scan_.paragraphs;
        inParagraph_ = true;
    }
}

std::size_t TextScanner::ScanOne(std::string_view block, std::size_t i) {
    const char c = block[i];
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) {
        if (DecodeUtf8(block, i) == kMalformed) {
            scan_.utf8 = false;
        }
        if (!lineHasText_) {
            SeeText();
        }
        return i;
    }
    if (c == '\n') {
        inParagraph_ = lineHasText_;
        lineHasText_ = false;
    } else {
        scan_.hasNul = scan_.hasNul || c == '\0';
        if (!lineHasText_ && !IsBlankByte(c)) {
            SeeText();
        }
    }
    return i + 1;
}

void TextScanner::Scan(std::string_view block) {
    // Eight bytes at a time while they are ASCII (the words of another character are gone through
    // a character at a time): a word without a line end only tells whether the line has text,
    // and that only while the line has had nothing but blanks.
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (block.size() - i >= sizeof(std::uint64_t)) {
            std::uint64_t w = 0;
            std::memcpy(&w, block.data() + i, sizeof w);
            if ((w & kHighBits) != 0) {
                for (const std::size_t stop = i + sizeof w; i < stop;) {
                    i = ScanOne(block, i);
                }
                continue;
            }
            i += sizeof w;
            scan_.hasNul = scan_.hasNul || BytesEqual(w, '\0') != 0;
            std::uint64_t ends = BytesEqual(w, '\n');
            if (ends == 0) {
                if (!lineHasText_ && TextBytes(w) != 0) {
                    SeeText();
                }
                continue;
            }
            // The first byte is the lowest: each line's end takes the text bytes before it.
            std::uint64_t text = TextBytes(w);
            for (; ends != 0; ends &= ends - 1) {
                const std::uint64_t upToEnd = (ends & (~ends + 1)) - 1;
                if (!lineHasText_ && (text & upToEnd) != 0) {
                    SeeText();
                }
                inParagraph_ = lineHasText_;
                lineHasText_ = false;
                text &= ~upToEnd;
            }
            if (!lineHasText_ && text != 0) {
                SeeText();
            }
        }
    }
    while (i < block.size()) {
        i = ScanOne(block, i);
    }
}

TextScan ScanWholeText(std::string_view text) {
    TextScanner scanner;
    scanner.Scan(text);
    return scanner.result();
}

} // namespace lxhost
