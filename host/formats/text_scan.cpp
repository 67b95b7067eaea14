// The first pass over a file's bytes.
#include "host/formats/text_scan.h"

#include "host/formats/frameroman.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lxhost {

namespace {

// The bytes are looked at 64 at a time, each kind of byte as a mask with bit i for byte i.
constexpr std::size_t kChunk = 64;
constexpr char32_t kMalformed = 0xFFFFFFFF; // what DecodeUtf8 returns for a bad sequence

struct ChunkMasks {
    std::uint64_t high = 0; // bytes from 0x80 up: parts of characters beyond ASCII
    std::uint64_t end = 0;  // '\n'
    std::uint64_t nul = 0;  // some bit when there is a NUL
    std::uint64_t text = 0; // neither blank nor a line's end (every byte from 0x80 up)
};

#if defined(__SSE2__)

ChunkMasks MasksOf(const char* p) {
    ChunkMasks m;
    const __m128i newline = _mm_set1_epi8('\n'), space = _mm_set1_epi8(' ');
    const __m128i zero = _mm_setzero_si128();
    // '\t' to '\r' (tab, line end, vertical tab, form feed, return): the bytes from 0x80 up
    // are negative to the signed compares, and so not in the range.
    const __m128i beforeTab = _mm_set1_epi8('\t' - 1), afterReturn = _mm_set1_epi8('\r' + 1);
    __m128i nul = zero;
    std::uint64_t blank = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i controls =
            _mm_and_si128(_mm_cmpgt_epi8(v, beforeTab), _mm_cmplt_epi8(v, afterReturn));
        auto bits = [k](__m128i x) {
            return static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(x)))
                   << (16 * k);
        };
        m.high |= bits(v);
        m.end |= bits(_mm_cmpeq_epi8(v, newline));
        blank |= bits(_mm_or_si128(controls, _mm_cmpeq_epi8(v, space)));
        nul = _mm_or_si128(nul, _mm_cmpeq_epi8(v, zero));
    }
    m.text = ~blank;
    m.nul = static_cast<std::uint64_t>(_mm_movemask_epi8(nul)); // which of the 64: not needed
    return m;
}

#else

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;
constexpr std::uint64_t kLow7Bits = 0x7F7F7F7F7F7F7F7Fu;
// Multiplying the high bits of eight bytes, shifted to their low bits, by this gathers them into
// the top byte, byte i's bit at bit 56 + i; the partial products never overlap.
constexpr std::uint64_t kGatherLowBits = 0x0102040810204080u;

std::uint64_t Gather(std::uint64_t highBits) {
    return (((highBits >> 7) & kOnes) * kGatherLowBits) >> 56;
}

// The high bit of each byte of w that equals c, exactly: no byte carries into the next.
std::uint64_t BytesEqual(std::uint64_t w, unsigned char c) {
    const std::uint64_t x = w ^ (kOnes * c);
    return ~(((x & kLow7Bits) + kLow7Bits) | x | kLow7Bits);
}

ChunkMasks MasksOf(const char* p) {
    ChunkMasks m;
    for (std::size_t k = 0; k < kChunk / 8; ++k) {
        std::uint64_t w = 0;
        std::memcpy(&w, p + 8 * k, sizeof w);
        const std::uint64_t high = w & kHighBits;
        // '\t' to '\r' among the ASCII bytes: adding to their low seven bits carries into the
        // high bit from '\t' on, and no longer from '\r' + 1 on.
        const std::uint64_t low = w & kLow7Bits;
        const std::uint64_t controls =
            (low + kOnes * (0x80 - '\t')) & ~(low + kOnes * (0x80 - '\r' - 1)) & ~w & kHighBits;
        const std::uint64_t blank = controls | BytesEqual(w, ' ');
        const unsigned shift = static_cast<unsigned>(8 * k);
        m.high |= Gather(high) << shift;
        m.end |= Gather(BytesEqual(w, '\n')) << shift;
        m.nul |= Gather(BytesEqual(w, 0)) << shift;
        m.text |= Gather(~blank & kHighBits) << shift;
    }
    if constexpr (std::endian::native != std::endian::little) {
        // memcpy put the first byte at the top of each word: undone eight bits at a time.
        auto reverse = [](std::uint64_t x) {
            std::uint64_t r = 0;
            for (int k = 0; k < 8; ++k) {
                const std::uint64_t byte = (x >> (8 * k)) & 0xFF;
                std::uint64_t flipped = 0;
                for (int b = 0; b < 8; ++b)
                    flipped |= ((byte >> b) & 1) << (7 - b);
                r |= flipped << (8 * k);
            }
            return r;
        };
        m = {reverse(m.high), reverse(m.end), reverse(m.nul), reverse(m.text)};
    }
    return m;
}

#endif

// The bits below the lowest set bit of x (all of them when x is 0).
std::uint64_t BelowLowest(std::uint64_t x) {
    return (x & (~x + 1)) - 1;
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

void TextScanner::Scan(std::string_view block) {
    // Where the next character to decode begins: one that began in a chunk before may end in
    // this one.
    std::size_t decodeFrom = 0;
    for (std::size_t at = 0; at < block.size(); at += kChunk) {
        ChunkMasks m;
        if (block.size() - at >= kChunk) {
            m = MasksOf(block.data() + at);
        } else {
            // The last bytes, padded with spaces: neither text nor a line's end.
            char padded[kChunk];
            std::memset(padded, ' ', kChunk);
            std::memcpy(padded, block.data() + at, block.size() - at);
            m = MasksOf(padded);
        }
        scan_.hasNul = scan_.hasNul || m.nul != 0;
        // Each line's end takes the text before it; the text after the last goes on in the line.
        std::uint64_t text = m.text;
        for (std::uint64_t ends = m.end; ends != 0; ends &= ends - 1) {
            const std::uint64_t beforeEnd = BelowLowest(ends);
            if (!lineHasText_ && (text & beforeEnd) != 0) {
                SeeText();
            }
            inParagraph_ = lineHasText_;
            lineHasText_ = false;
            text &= ~beforeEnd;
        }
        if (!lineHasText_ && text != 0) {
            SeeText();
        }
        // Only the characters beyond ASCII are decoded, from their first byte on.
        std::uint64_t high = decodeFrom >= at + kChunk ? 0 : m.high;
        if (decodeFrom > at) {
            high &= ~std::uint64_t{0} << (decodeFrom - at);
        }
        while (high != 0 && scan_.utf8) {
            std::size_t i = at + static_cast<std::size_t>(std::countr_zero(high));
            scan_.utf8 = DecodeUtf8(block, i) != kMalformed;
            decodeFrom = i;
            high = i >= at + kChunk ? 0 : high & (~std::uint64_t{0} << (i - at));
        }
    }
}

TextScan ScanWholeText(std::string_view text) {
    TextScanner scanner;
    scanner.Scan(text);
    return scanner.result();
}

} // namespace lxhost
