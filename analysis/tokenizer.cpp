#include "analysis/tokenizer.h"

#include "analysis/tokenizer_masks.h"
#include "support/mem.h"
#include "support/str.h"

#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// On x86-64 the counting loop adds with carry, and has a second form for processors with AVX2,
// chosen when it runs.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LX_TOKENIZER_X86_64 1
#define LX_TOKENIZER_AVX2 1
#include <immintrin.h>
#else
#define LX_TOKENIZER_X86_64 0
#define LX_TOKENIZER_AVX2 0
#endif

namespace {

// One table answers every byte test of the tokenizer with a single load. The counting loop also
// turns one class bit of many class bytes at once into a bit mask, so each class has its bit.
enum ByteClassBit : int {
    kBitSeparator = 0,
    kBitTerminator = 1,
    kBitPeriodEnder = 2,
    kBitTrim = 3,
    kBitVowel = 4,
    kBitPeriod = 5,
    kBitLetterE = 6,
};

constexpr unsigned char kClassSeparator = 1u << kBitSeparator;
constexpr unsigned char kClassTerminator = 1u << kBitTerminator;
constexpr unsigned char kClassPeriodEnder = 1u << kBitPeriodEnder;
constexpr unsigned char kClassTrim = 1u << kBitTrim;
constexpr unsigned char kClassVowel = 1u << kBitVowel;
constexpr unsigned char kClassPeriod = 1u << kBitPeriod;
constexpr unsigned char kClassLetterE = 1u << kBitLetterE;
// Bytes at which the sentence scan has to look closer: terminators and the period.
constexpr unsigned char kClassSentenceStop = kClassTerminator | kClassPeriod;
// Bytes consumed with the terminator when they follow it right away.
constexpr unsigned char kClassSkippedAfterEnd = kClassSeparator | kClassTrim;

template <std::size_t N>
constexpr void MarkClass(std::array<unsigned char, 256>& table,
                         const std::array<unsigned char, N>& bytes, unsigned char cls) {
    for (unsigned char b : bytes)
        table[b] |= cls;
}

constexpr std::array<unsigned char, 256> MakeClassTable() {
    std::array<unsigned char, 256> table{};
    MarkClass(table, WordSeparators, kClassSeparator);
    MarkClass(table, SentenceTerminators, kClassTerminator);
    MarkClass(table, kPeriodEnders, kClassPeriodEnder);
    MarkClass(table, TrimCharacters, kClassTrim);
    MarkClass(table, Vowels, kClassVowel);
    table[kPeriod] |= kClassPeriod;
    table['e'] |= kClassLetterE;
    table['E'] |= kClassLetterE;
    return table;
}

constexpr std::array<unsigned char, 256> kByteClasses = MakeClassTable();

inline unsigned char ClassAt(std::string_view s, std::size_t i) {
    return kByteClasses[static_cast<unsigned char>(s[i])];
}

inline bool IsLetterE(char c) {
    return c == 'e' || c == 'E';
}

inline int ClampToInt(std::int64_t value) {
    return value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(value);
}

// Adds to a 32-bit total without wrapping round: a total that would pass the field's range stops
// at its limit, which keeps the measures computed from it meaningful.
void AddToTotal(std::int32_t* total, std::int64_t add) {
    std::int64_t sum = static_cast<std::int64_t>(*total) + add;
    if (sum > std::numeric_limits<std::int32_t>::max())
        sum = std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min())
        sum = std::numeric_limits<std::int32_t>::min();
    *total = static_cast<std::int32_t>(sum);
}

// A new string holding the bytes of the view, or null when it cannot be allocated.
char* CopyView(std::string_view view) {
    char* copy = StrAlloc(view.size());
    if (copy && !view.empty())
        std::memcpy(copy, view.data(), view.size());
    return copy;
}

// Where the next sentence scan starts after a sentence that ends at `end` (its terminator, or the
// text's size). The terminator is consumed, and so is the byte after it when that byte is a word
// separator or a trimmed punctuation byte (a space, a closing quotation mark or bracket, another
// terminator); any other byte begins the next sentence's first word and is kept, so "time:10"
// goes on with "10".
inline std::size_t PastSentenceEnd(std::string_view text, std::size_t end) {
    const std::size_t n = text.size();
    if (n - end <= 1)
        return n;
    return (ClassAt(text, end + 1) & kClassSkippedAfterEnd) ? end + 2 : end + 1;
}

} // namespace

bool IsWordSeparator(unsigned char byte) {
    return kByteClasses[byte] & kClassSeparator;
}

bool NextSentenceView(std::string_view text, std::size_t* pos, std::string_view* sentence) {
    const std::size_t n = text.size();
    while (*pos < n) {
        std::size_t start = *pos;
        while (start < n && (ClassAt(text, start) & kClassSeparator))
            ++start;
        // Periods do not count as text; every other byte before the terminator does.
        bool textSeen = false;
        std::size_t t = start;
        for (;;) {
            const std::size_t runStart = t;
            while (t < n && !(ClassAt(text, t) & kClassSentenceStop))
                ++t;
            textSeen |= t > runStart;
            if (t == n || text[t] != kPeriod)
                break; // the end of the text or a terminator
            if (t + 1 < n && (ClassAt(text, t + 1) & kClassPeriodEnder))
                break; // a period before a space or a tab
            ++t;
        }
        *pos = PastSentenceEnd(text, t);
        if (textSeen) {
            *sentence = text.substr(start, t - start);
            return true;
        }
        // A candidate without text ('!' after '!', a run of periods before a space) is consumed
        // like a sentence and the scan goes on: the rest of the paragraph is still text.
    }
    return false;
}

bool NextWordView(std::string_view text, std::size_t* pos, std::string_view* word) {
    const std::size_t n = text.size();
    std::size_t i = *pos;
    while (i < n && (ClassAt(text, i) & kClassSeparator))
        ++i;
    if (i >= n)
        return false;
    const std::size_t start = i;
    while (i < n && !(ClassAt(text, i) & kClassSeparator))
        ++i;
    *word = text.substr(start, i - start);
    while (i < n && (ClassAt(text, i) & kClassSeparator))
        ++i;
    *pos = i;
    return true;
}

std::string_view TrimPunctuationView(std::string_view word) {
    while (!word.empty() && (ClassAt(word, 0) & kClassTrim))
        word.remove_prefix(1);
    while (!word.empty() && (ClassAt(word, word.size() - 1) & kClassTrim))
        word.remove_suffix(1);
    return word;
}

int CountSyllablesView(std::string_view word) {
    const std::size_t n = word.size();
    std::int64_t count = 0;
    std::size_t i = 0;
    while (i < n) {
        if (!(ClassAt(word, i) & kClassVowel)) {
            ++i;
            continue;
        }
        // The walk reaches a vowel only at the start of a vowel group, so a final 'e' here is
        // one that follows a non-vowel: the silent final e.
        if (i + 1 == n && IsLetterE(word[i]))
            break;
        ++count;
        ++i;
        while (i < n && (ClassAt(word, i) & kClassVowel))
            ++i;
    }
    return count == 0 ? 1 : ClampToInt(count);
}

int CountSentenceWordsView(std::string_view sentence) {
    if (sentence.empty())
        return 0;
    std::int64_t runs = 0;
    bool inRun = false;
    for (std::size_t i = 0; i < sentence.size(); ++i) {
        const bool separator = ClassAt(sentence, i) & kClassSeparator;
        if (separator && !inRun)
            ++runs;
        inRun = separator;
    }
    return ClampToInt(inRun ? runs : runs + 1);
}

std::int32_t CountSentenceView(std::string_view sentence, ReadabilityCounts* counts,
                               std::size_t longBytes, SentenceWordVisit visit, void* context) {
    const auto* p = reinterpret_cast<const unsigned char*>(sentence.data());
    const std::size_t n = sentence.size();
    constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    std::int32_t longWords = 0;
    std::size_t i = 0;
    for (;;) {
        while (i < n && (kByteClasses[p[i]] & kClassSeparator))
            ++i;
        if (i >= n)
            break;
        // One scan of the word finds its last kept (untrimmed) byte and its vowel groups, without
        // a branch a byte but the word's end. Trimmed bytes are no vowels, so its groups are those
        // of its trimmed form.
        const std::size_t start = i;
        std::size_t last = kNone, lastGroup = kNone;
        int groups = 0;
        unsigned afterVowel = 0;
        for (; i < n; ++i) {
            const unsigned c = kByteClasses[p[i]];
            if (c & kClassSeparator)
                break;
            const unsigned vowel = (c >> kBitVowel) & 1u;
            const unsigned groupStart = vowel & ~afterVowel;
            groups += static_cast<int>(groupStart);
            lastGroup = groupStart ? i : lastGroup;
            last = (c & kClassTrim) ? last : i;
            afterVowel = vowel;
        }
        ++counts->words;
        if (last != kNone) {
            std::size_t first = start;
            while (kByteClasses[p[first]] & kClassTrim)
                ++first;
            // A final 'e' that begins a vowel group of its own is silent.
            if (lastGroup == last && (kByteClasses[p[last]] & kClassLetterE))
                --groups;
            const std::size_t length = last - first + 1;
            counts->characters += static_cast<std::int32_t>(length);
            if (length >= longBytes)
                ++longWords;
            if (visit)
                visit(sentence.substr(first, length), context);
        }
        const int syllables = groups < 1 ? 1 : groups; // an empty word has one too
        counts->syllables += syllables;
        if (syllables >= kComplexWordSyllables)
            ++counts->complexWords;
    }
    return longWords;
}

namespace {

struct LocalTotals {
    std::int64_t sentences, words, syllables, characters, complexWords;
};

constexpr std::uint64_t kAllBits = ~std::uint64_t{0};
constexpr std::uint64_t kLowBitOfEachByte = 0x0101010101010101u;

} // namespace

// The counting loop reads the text as bit masks, 64 bytes to a block (bit j stands for byte j of
// the block), so that sentence stops, word boundaries, vowel groups and trimmed ends come from bit
// operations instead of a hard-to-predict branch for every word.
namespace lxtokenizer {

#if defined(__SSE2__)

namespace {

// Class bit `Bit` of each of the 64 class bytes, as a 64-bit mask: shifting every 16-bit lane left
// brings the wanted bit of both its bytes to their top bits, which movemask collects.
template <int Bit> inline std::uint64_t ClassMask(const __m128i (&classes)[4]) {
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i top = _mm_slli_epi16(classes[i], 7 - Bit);
        mask |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(top)))
                << (16 * i);
    }
    return mask;
}

} // namespace

BlockMasks PortableMasksOfBlock(const unsigned char* p) {
    alignas(16) unsigned char bytes[kBlockBytes];
#pragma GCC unroll 16
    for (unsigned j = 0; j < kBlockBytes; ++j)
        bytes[j] = kByteClasses[p[j]];
    __m128i classes[4];
    for (int i = 0; i < 4; ++i)
        classes[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
    BlockMasks m;
    m.separator = ClassMask<kBitSeparator>(classes);
    m.stop = ClassMask<kBitTerminator>(classes) | ClassMask<kBitPeriod>(classes);
    m.vowel = ClassMask<kBitVowel>(classes);
    m.trim = ClassMask<kBitTrim>(classes);
    m.letterE = ClassMask<kBitLetterE>(classes);
    return m;
}

#else

namespace {

// Multiplying the low bits of eight bytes by this gathers them into the top byte, byte i's bit at
// bit 56 + i; the partial products never overlap, so nothing carries.
constexpr std::uint64_t kGatherLowBits = 0x0102040810204080u;

// The class bytes of eight text bytes, byte i's class in bits 8i to 8i + 7.
inline std::uint64_t ClassesOfEight(const unsigned char* p) {
    return std::uint64_t{kByteClasses[p[0]]} | std::uint64_t{kByteClasses[p[1]]} << 8 |
           std::uint64_t{kByteClasses[p[2]]} << 16 | std::uint64_t{kByteClasses[p[3]]} << 24 |
           std::uint64_t{kByteClasses[p[4]]} << 32 | std::uint64_t{kByteClasses[p[5]]} << 40 |
           std::uint64_t{kByteClasses[p[6]]} << 48 | std::uint64_t{kByteClasses[p[7]]} << 56;
}

// Class bit `bit` of each of the eight class bytes packed in x, as eight bits.
inline std::uint64_t GatherClassBit(std::uint64_t x, int bit) {
    return (((x >> bit) & kLowBitOfEachByte) * kGatherLowBits) >> 56;
}

} // namespace

BlockMasks PortableMasksOfBlock(const unsigned char* p) {
    BlockMasks m{};
    for (unsigned j = 0; j < kBlockBytes; j += 8) {
        const std::uint64_t classes = ClassesOfEight(p + j);
        m.separator |= GatherClassBit(classes, kBitSeparator) << j;
        m.stop |= (GatherClassBit(classes, kBitTerminator) | GatherClassBit(classes, kBitPeriod))
                  << j;
        m.vowel |= GatherClassBit(classes, kBitVowel) << j;
        m.trim |= GatherClassBit(classes, kBitTrim) << j;
        m.letterE |= GatherClassBit(classes, kBitLetterE) << j;
    }
    return m;
}

#endif

#if LX_TOKENIZER_AVX2

namespace {

// A byte class as two 16-byte tables indexed by a byte's low four bits: entry `low` of rowsBelow8
// has bit h set when byte 16h + low is in the class (h < 8), rowsFrom8 bit h - 8 (h >= 8). A byte
// shuffle looks both up for 32 bytes at once; the byte's sign bit picks the table and its high
// four bits the row bit. The tables come from kByteClasses, so both forms agree by construction.
struct NibbleTables {
    unsigned char rowsBelow8[16];
    unsigned char rowsFrom8[16];
};

constexpr NibbleTables MakeNibbleTables(unsigned char classBits) {
    NibbleTables t{};
    for (unsigned b = 0; b < 256; ++b) {
        if (!(kByteClasses[b] & classBits))
            continue;
        const unsigned row = b >> 4;
        unsigned char* rows = row < 8 ? t.rowsBelow8 : t.rowsFrom8;
        rows[b & 15] = static_cast<unsigned char>(rows[b & 15] | (1u << (row & 7)));
    }
    return t;
}

constexpr bool HasBytesFrom128(const NibbleTables& t) {
    for (unsigned char rows : t.rowsFrom8)
        if (rows)
            return true;
    return false;
}

template <unsigned char ClassBits>
constexpr NibbleTables kNibbleTables = MakeNibbleTables(ClassBits);

// Each byte of 32 split for the lookups: its low four bits, and the bit of its row (1 << (high
// bits & 7)), also with the rows from 8 cleared for classes of bytes below 128 only.
struct WideBytes {
    __m256i bytes, low, rowBit, rowBitBelow8;
};

// The bytes of the class among 32 bytes, as 32 bits. A class with no byte from 128 up needs one
// table and no choice between two.
template <unsigned char ClassBits>
__attribute__((target("avx2"), always_inline)) inline std::uint64_t
WideClassBits(const WideBytes& b) {
    const NibbleTables& t = kNibbleTables<ClassBits>;
    const __m256i below8 = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.rowsBelow8)));
    __m256i hits;
    if constexpr (HasBytesFrom128(kNibbleTables<ClassBits>)) {
        const __m256i from8 = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.rowsFrom8)));
        const __m256i rows = _mm256_blendv_epi8(_mm256_shuffle_epi8(below8, b.low),
                                                _mm256_shuffle_epi8(from8, b.low), b.bytes);
        hits = _mm256_and_si256(rows, b.rowBit);
    } else {
        hits = _mm256_and_si256(_mm256_shuffle_epi8(below8, b.low), b.rowBitBelow8);
    }
    const __m256i outside = _mm256_cmpeq_epi8(hits, _mm256_setzero_si256());
    return ~static_cast<std::uint32_t>(_mm256_movemask_epi8(outside));
}

__attribute__((target("avx2"))) BlockMasks WideMasks(const unsigned char* p) {
    const __m256i lowBits = _mm256_set1_epi8(0x0F);
    const __m256i bitOfRow =
        _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                         32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m256i bitOfRowBelow8 =
        _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 32,
                         64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    BlockMasks m{};
    for (unsigned half = 0; half < kBlockBytes; half += 32) {
        WideBytes b;
        b.bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + half));
        b.low = _mm256_and_si256(b.bytes, lowBits);
        const __m256i high = _mm256_and_si256(_mm256_srli_epi16(b.bytes, 4), lowBits);
        b.rowBit = _mm256_shuffle_epi8(bitOfRow, high);
        b.rowBitBelow8 = _mm256_shuffle_epi8(bitOfRowBelow8, high);
        m.separator |= WideClassBits<kClassSeparator>(b) << half;
        m.stop |= WideClassBits<kClassSentenceStop>(b) << half;
        m.vowel |= WideClassBits<kClassVowel>(b) << half;
        m.trim |= WideClassBits<kClassTrim>(b) << half;
        m.letterE |= WideClassBits<kClassLetterE>(b) << half;
    }
    return m;
}

} // namespace

MasksOfBlockFn WideMasksOfBlock() {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    }();
    return available ? WideMasks : nullptr;
}

#else

MasksOfBlockFn WideMasksOfBlock() {
    return nullptr;
}

#endif

} // namespace lxtokenizer

namespace {

using lxtokenizer::BlockMasks;
using lxtokenizer::kBlockBytes;

// The masks of a text's blocks, computed on first use and kept in a small direct-mapped cache,
// so that the word pass over a sentence reuses what the sentence scan computed.
struct TextMasks {
    static constexpr std::size_t kSlots = 64;
    const unsigned char* text;
    std::size_t size;
    std::size_t cachedBlock[kSlots];
    BlockMasks masks[kSlots];
};

// Only the slots that the text's blocks map to are marked empty: most paragraphs are a few blocks
// long, and marking all of them cost more than counting such a paragraph's words.
void TextMasksInit(TextMasks* t, std::string_view text) {
    t->text = reinterpret_cast<const unsigned char*>(text.data());
    t->size = text.size();
    const std::size_t blocks = (text.size() + kBlockBytes - 1) / kBlockBytes;
    const std::size_t used = blocks < TextMasks::kSlots ? blocks : TextMasks::kSlots;
    for (std::size_t slot = 0; slot < used; ++slot)
        t->cachedBlock[slot] = std::numeric_limits<std::size_t>::max();
}

// The masks of one block: with AVX2 in the wide form of the counting loop.
template <bool Wide> inline BlockMasks MasksOfBlock(const unsigned char* p) {
#if LX_TOKENIZER_AVX2
    if constexpr (Wide)
        return lxtokenizer::WideMasks(p);
#endif
    return lxtokenizer::PortableMasksOfBlock(p);
}

// The masks of the block of `size` bytes of text that begins at `base`.
template <bool Wide>
inline BlockMasks MasksOfTextBlock(const unsigned char* text, std::size_t size, std::size_t base) {
    const std::size_t length = size - base < kBlockBytes ? size - base : kBlockBytes;
    if (length == kBlockBytes)
        return MasksOfBlock<Wide>(text + base);
    BlockMasks m;
    if (size >= kBlockBytes) {
        // The last, short block of a text of a block or more: the masks of the text's last 64
        // bytes, moved down past the bytes before the block.
        m = MasksOfBlock<Wide>(text + size - kBlockBytes);
        const unsigned before = static_cast<unsigned>(kBlockBytes - length);
        m.separator >>= before;
        m.stop >>= before;
        m.vowel >>= before;
        m.trim >>= before;
        m.letterE >>= before;
    } else {
        // A text shorter than a block is read from a copy padded with bytes of no class.
        unsigned char padded[kBlockBytes] = {};
        std::memcpy(padded, text + base, length);
        m = MasksOfBlock<Wide>(padded);
    }
    m.separator |= kAllBits << length; // the bytes past the text
    return m;
}

template <bool Wide> const BlockMasks& MasksAt(TextMasks* t, std::size_t block) {
    const std::size_t slot = block % TextMasks::kSlots;
    if (t->cachedBlock[slot] != block) {
        t->masks[slot] = MasksOfTextBlock<Wide>(t->text, t->size, block * kBlockBytes);
        t->cachedBlock[slot] = block;
    }
    return t->masks[slot];
}

// The index of the first byte at or after `from` whose bit is set in the selected mask (or clear,
// with Invert), or the text's size when there is none.
template <std::uint64_t BlockMasks::*Mask, bool Invert, bool Wide>
std::size_t FindFrom(TextMasks* t, std::size_t from) {
    for (std::size_t block = from / kBlockBytes; block * kBlockBytes < t->size; ++block) {
        std::uint64_t bits = MasksAt<Wide>(t, block).*Mask;
        if (Invert)
            bits = ~bits;
        if (block == from / kBlockBytes)
            bits &= kAllBits << (from % kBlockBytes);
        if (bits) {
            const std::size_t at = block * kBlockBytes + std::countr_zero(bits);
            return at < t->size ? at : t->size;
        }
    }
    return t->size;
}

// NextSentenceView on the masks: the same sentences, as [*begin, *end), and the same cursor.
template <bool Wide>
bool NextSentenceMasked(TextMasks* t, std::size_t* pos, std::size_t* begin, std::size_t* end) {
    const std::size_t n = t->size;
    while (*pos < n) {
        const std::size_t start = FindFrom<&BlockMasks::separator, true, Wide>(t, *pos);
        bool textSeen = false;
        std::size_t stop = start;
        for (;;) {
            const std::size_t runStart = stop;
            stop = FindFrom<&BlockMasks::stop, false, Wide>(t, stop);
            textSeen |= stop > runStart;
            if (stop == n || t->text[stop] != kPeriod)
                break;
            if (stop + 1 < n && (kByteClasses[t->text[stop + 1]] & kClassPeriodEnder))
                break;
            ++stop;
        }
        *pos = PastSentenceEnd(std::string_view(reinterpret_cast<const char*>(t->text), n), stop);
        if (textSeen) {
            *begin = start;
            *end = stop;
            return true;
        }
    }
    return false;
}

// Bits from..to-1 (from < to <= 64).
inline std::uint64_t BitRange(unsigned from, unsigned to) {
    const std::uint64_t below = to == kBlockBytes ? kAllBits : (std::uint64_t{1} << to) - 1;
    return below & (kAllBits << from);
}

// The number of set bits. The baseline instruction set has no population-count instruction (a
// call into the compiler's library would stand for it), so the portable loop counts by halves.
template <bool Wide> inline std::int64_t BitCount(std::uint64_t x) {
#if LX_TOKENIZER_AVX2
    if constexpr (Wide)
        return __builtin_popcountll(x);
#endif
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::int64_t>((x * kLowBitOfEachByte) >> 56);
}

// The words of the counted sentences are counted a block at a time by carry propagation. Adding a
// bit to a run of set bits carries it through the rest of the run onto the first bit past it, so
// one addition answers, for every word of a block at once, where a run that starts at a given byte
// ends. The answers that matter land on the first non-word byte after each word, its end
// marker, where the answers about one word meet and combine with plain bit operations:
// - the first, second, third and fourth vowel-group starts of each word, each found from the one
//   before through the word's other bytes; a word with none, or with exactly one, leaves its
//   search's carry on its end marker;
// - the third and fourth group starts carried on through the word to its end marker;
// - from each kept (untrimmed) 'e' or 'E' that starts a vowel group, a carry through the trimmed
//   bytes after it: it reaches the end marker only from the word's last kept byte, which is then
//   the silent final e;
// - the leading trimmed bytes of each word, as the bits a carry from the word's start clears.
// A word's syllables are its groups, less a silent final e, at least 1. Carries and the seeds
// shifted out of a block's top bit enter the next block at bit 0, where they land unless a word
// goes on there.

// Adds `seeds` and the carry from the block before to `run`; returns the bits where carries
// land: the first bit past the run for a seed inside it, the seed's own bit for one outside.
// Callers never let a seed and an incoming carry meet on one bit.
// a + b + *carry, with the carry out in *carry. The carry in is 0 or 1, so the sum passes 2^64 at
// most once: on x86-64 one add-with-carry.
inline std::uint64_t AddCarrying(std::uint64_t a, std::uint64_t b, std::uint64_t* carry) {
#if LX_TOKENIZER_X86_64
    unsigned long long total;
    *carry = _addcarry_u64(static_cast<unsigned char>(*carry), a, b, &total);
    return total;
#else
    const std::uint64_t sum = a + b;
    const std::uint64_t total = sum + *carry;
    *carry = static_cast<std::uint64_t>(sum < a) | static_cast<std::uint64_t>(total < sum);
    return total;
#endif
}

inline std::uint64_t Land(std::uint64_t run, std::uint64_t seeds, std::uint64_t* carry) {
    return AddCarrying(run, seeds, carry) & ~run;
}

// The seeds moved on by one byte; the top bit moves into the next block through *carry.
inline std::uint64_t NextByte(std::uint64_t seeds, std::uint64_t* carry) {
    const std::uint64_t moved = (seeds << 1) | *carry;
    *carry = seeds >> 63;
    return moved;
}

// What passes from one block to the next: facts about the block's last byte, the carry and
// moved-seed bit of every search, and the trimmed run that the block ends in, if any.
struct BlockCarries {
    std::uint64_t wordByte, vowel, trimmed;
    std::uint64_t first, second, secondSeed, third, thirdSeed, fourth, fourthSeed;
    std::uint64_t thirdToEnd, fourthToEnd, silent, silentSeed, leading;
    std::int64_t trimmedRun;  // length of the trimmed run that ends the block (0 when none)
    bool trimmedRunAfterKept; // whether a kept byte comes right before that run
};

// The word pass: the blocks of the text, each with the mask of its bytes that belong to counted
// sentences, counted in order as the sentence scan finishes with them.
struct WordPass {
    TextMasks* masks;
    std::size_t block;
    std::uint64_t inSentences;
    BlockCarries c;
    std::int64_t words, groups, silent, belowOne, complex, characters;
};

// Trimmed bytes at the end of a word do not count as characters: takes off a trimmed run that
// ends on a non-word byte, unless the run is the whole word (its leading run took it off).
inline void EndTrimmedRun(WordPass* w, std::int64_t length, bool afterKept) {
    if (afterKept)
        w->characters -= length;
}

constexpr BlockMasks kNoMasks{};

// Counts the gathered block, whose masks are m. Bytes outside counted sentences are non-word
// bytes, so a word never runs from one sentence into the next: the terminator and the byte after
// it lie between.
template <bool Wide> inline void CountMaskedBlock(WordPass* w, const BlockMasks& m) {
    BlockCarries& c = w->c;
    const std::uint64_t word = ~m.separator & w->inSentences;
    const std::uint64_t vowel = m.vowel & w->inSentences;
    const std::uint64_t trimmed = word & m.trim;
    const std::uint64_t kept = word & ~m.trim;
    const std::uint64_t letterE = m.letterE & w->inSentences;
    const std::uint64_t nonWord = ~word;
    const std::uint64_t afterNonVowel = ~((vowel << 1) | c.vowel);
    const std::uint64_t groupStarts = vowel & afterNonVowel;
    const std::uint64_t silentCandidates = letterE & afterNonVowel & kept;
    const std::uint64_t wordStarts = word & ~((word << 1) | c.wordByte);
    const std::uint64_t between = word & ~groupStarts;

    const std::uint64_t toFirst = Land(between, wordStarts, &c.first);
    const std::uint64_t first = toFirst & groupStarts;
    const std::uint64_t toSecond = Land(between, NextByte(first, &c.secondSeed), &c.second);
    const std::uint64_t second = toSecond & groupStarts;
    const std::uint64_t third =
        Land(between, NextByte(second, &c.thirdSeed), &c.third) & groupStarts;
    const std::uint64_t fourth =
        Land(between, NextByte(third, &c.fourthSeed), &c.fourth) & groupStarts;
    const std::uint64_t noGroup = toFirst & nonWord;
    const std::uint64_t oneGroup = toSecond & nonWord;
    const std::uint64_t threeGroups = Land(word, third, &c.thirdToEnd);
    const std::uint64_t fourGroups = Land(word, fourth, &c.fourthToEnd);
    const std::uint64_t silentFinal =
        Land(trimmed, NextByte(silentCandidates, &c.silentSeed), &c.silent) & nonWord;

    const std::uint64_t leadingTotal = AddCarrying(trimmed, wordStarts & trimmed, &c.leading);
    const std::uint64_t leadingTrimmed = trimmed & ~leadingTotal;

    w->words += BitCount<Wide>(wordStarts);
    w->groups += BitCount<Wide>(groupStarts);
    w->silent += BitCount<Wide>(silentFinal);
    w->belowOne += BitCount<Wide>(noGroup | (oneGroup & silentFinal));
    w->complex += BitCount<Wide>((threeGroups & ~silentFinal) | (fourGroups & silentFinal));
    w->characters += BitCount<Wide>(word & ~leadingTrimmed);

    // Trimmed runs that end words are few: each is measured back to the byte before it.
    for (std::uint64_t ends = nonWord & ((trimmed << 1) | c.trimmed); ends; ends &= ends - 1) {
        const unsigned end = static_cast<unsigned>(std::countr_zero(ends));
        const std::uint64_t before = end == 0 ? 0 : ~trimmed & BitRange(0, end);
        if (before) {
            const unsigned at = 63u - static_cast<unsigned>(std::countl_zero(before));
            EndTrimmedRun(w, end - 1 - at, (kept >> at) & 1u);
        } else {
            EndTrimmedRun(w, c.trimmedRun + end, c.trimmedRunAfterKept);
        }
    }
    // The trimmed run at the top of the block (possibly empty), for a run that ends in the next.
    if (~trimmed) {
        const unsigned at = 63u - static_cast<unsigned>(std::countl_zero(~trimmed));
        c.trimmedRun = 63 - at;
        c.trimmedRunAfterKept = (kept >> at) & 1u;
    } else {
        c.trimmedRun += static_cast<std::int64_t>(kBlockBytes);
    }
    c.wordByte = word >> 63;
    c.vowel = vowel >> 63;
    c.trimmed = trimmed >> 63;
}

// Counts the gathered block with its masks from the cache. Empty: the block holds no counted byte
// (only carries land in it), which the compiler folds in.
template <bool Wide, bool Empty = false> void CountBlock(WordPass* w) {
    if (Empty || !w->inSentences)
        CountMaskedBlock<Wide>(w, kNoMasks);
    else
        CountMaskedBlock<Wide>(w, MasksAt<Wide>(w->masks, w->block));
}

// Counts the gathered block and starts gathering `next`. A block skipped between them holds no
// counted byte; counting one empty block lets every carry land.
template <bool Wide> void MoveToBlock(WordPass* w, std::size_t next) {
    CountBlock<Wide>(w);
    if (next > w->block + 1) {
        w->block += 1;
        w->inSentences = 0;
        CountBlock<Wide, true>(w);
    }
    w->block = next;
    w->inSentences = 0;
}

template <bool Wide> void AddSentence(WordPass* w, std::size_t begin, std::size_t end) {
    for (std::size_t block = begin / kBlockBytes; block * kBlockBytes < end; ++block) {
        if (block != w->block)
            MoveToBlock<Wide>(w, block);
        const std::size_t base = block * kBlockBytes;
        const unsigned from = begin > base ? static_cast<unsigned>(begin - base) : 0;
        const unsigned to =
            end - base < kBlockBytes ? static_cast<unsigned>(end - base) : kBlockBytes;
        w->inSentences |= BitRange(from, to);
    }
}

void AddWordTotals(const WordPass& w, LocalTotals* totals) {
    totals->words += w.words;
    totals->syllables += w.groups - w.silent + w.belowOne;
    totals->complexWords += w.complex;
    totals->characters += w.characters;
}

// Counts the last gathered block and lets every carry land past the text.
template <bool Wide> void FinishWordPass(WordPass* w, LocalTotals* totals) {
    MoveToBlock<Wide>(w, w->block + 2);
    AddWordTotals(*w, totals);
}

// The general loop: sentences cut one at a time, each added to the word pass, from `pos` on. The
// word pass may come with blocks before pos counted and counted sentences gathered in its block.
template <bool Wide>
void CountSentenceBySentence(std::string_view text, std::size_t pos, WordPass* pass,
                             LocalTotals* totals) {
    TextMasks masks;
    TextMasksInit(&masks, text);
    pass->masks = &masks;
    std::size_t begin = 0, end = 0;
    while (NextSentenceMasked<Wide>(&masks, &pos, &begin, &end)) {
        if (end - begin < kMinSentenceBytes)
            continue;
        ++totals->sentences;
        AddSentence<Wide>(pass, begin, end);
    }
    FinishWordPass<Wide>(pass, totals);
}

// The common case in one pass over the blocks: each block's masks are computed once, its sentence
// ends found among its stop bits, and the block counted as soon as the scan leaves it. A sentence
// that runs on past a block is known to count once it holds a byte that is no period and two bytes
// in all. When one is still open to doubt at a block's end (a run of periods, a last byte that
// begins it), the rest of the text goes to the general loop, which begins with that sentence.
template <bool Wide> void CountTextWith(std::string_view text, LocalTotals* totals) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    WordPass pass{};
    std::size_t pos = 0;     // where the scan for the next sentence begins
    bool inSentence = false; // between a sentence's first byte and its end
    std::size_t start = 0;   // the first byte of the open sentence
    std::size_t from = 0;    // where the open sentence's scan for its end goes on
    bool textSeen = false;   // the open sentence has a byte that is no period
    for (std::size_t block = 0; block * kBlockBytes < n; ++block) {
        const std::size_t base = block * kBlockBytes;
        const std::size_t next = base + kBlockBytes;
        const BlockMasks m = MasksOfTextBlock<Wide>(p, n, base);
        std::uint64_t in = 0;
        for (;;) {
            if (!inSentence) {
                if (pos >= next)
                    break;
                const std::uint64_t words =
                    ~m.separator & (kAllBits << (pos > base ? pos - base : 0));
                if (!words) {
                    pos = next;
                    break;
                }
                start = base + static_cast<std::size_t>(std::countr_zero(words));
                from = start;
                textSeen = false;
                inSentence = true;
            }
            std::uint64_t stops = m.stop & (kAllBits << (from - base));
            std::size_t stop = n;
            for (; stops; stops &= stops - 1) {
                const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(stops));
                textSeen |= at > from;
                from = at + 1;
                if (p[at] != kPeriod ||
                    (at + 1 < n && (kByteClasses[p[at + 1]] & kClassPeriodEnder))) {
                    stop = at;
                    break;
                }
            }
            if (stop == n) {
                // No end in this block: the sentence runs on to the next block or the text's end.
                const std::size_t blockEnd = next < n ? next : n;
                textSeen |= from < blockEnd;
                from = next;
                if (next < n) {
                    if (!textSeen || next - start < kMinSentenceBytes) {
                        pass.block = block;
                        pass.inSentences = in;
                        CountSentenceBySentence<Wide>(text, start, &pass, totals);
                        return;
                    }
                    in |= BitRange(start > base ? static_cast<unsigned>(start - base) : 0,
                                   kBlockBytes);
                    break;
                }
            }
            inSentence = false;
            pos = PastSentenceEnd(text, stop);
            if (textSeen && stop - start >= kMinSentenceBytes) {
                ++totals->sentences;
                const unsigned first = start > base ? static_cast<unsigned>(start - base) : 0;
                const unsigned last = static_cast<unsigned>(stop - base);
                if (last > first)
                    in |= BitRange(first, last);
            }
            if (stop == n)
                break;
        }
        pass.block = block;
        pass.inSentences = in;
        CountMaskedBlock<Wide>(&pass, m);
    }
    // One empty block past the text lets every carry land.
    pass.inSentences = 0;
    CountBlock<Wide, true>(&pass);
    AddWordTotals(pass, totals);
}

#if LX_TOKENIZER_AVX2
// The whole loop compiled for AVX2 and the population-count instruction: flatten inlines every
// step into this one function, so that all of it is built for them.
__attribute__((target("avx2,popcnt"), flatten)) void CountTextWide(std::string_view text,
                                                                   LocalTotals* totals) {
    CountTextWith<true>(text, totals);
}
#endif

void CountTextTotals(std::string_view text, LocalTotals* totals) {
#if LX_TOKENIZER_AVX2
    if (lxtokenizer::WideMasksOfBlock()) {
        CountTextWide(text, totals);
        return;
    }
#endif
    CountTextWith<false>(text, totals);
}

void AddTotals(const LocalTotals& totals, ReadabilityCounts* counts) {
    AddToTotal(&counts->sentences, totals.sentences);
    AddToTotal(&counts->syllables, totals.syllables);
    AddToTotal(&counts->words, totals.words);
    AddToTotal(&counts->characters, totals.characters);
    AddToTotal(&counts->complexWords, totals.complexWords);
}

} // namespace

void CountText(std::string_view text, ReadabilityCounts* counts) {
    if (!counts)
        return;
    LocalTotals totals{};
    CountTextTotals(text, &totals);
    AddTotals(totals, counts);
}

void lxtokenizer::CountTextPortable(std::string_view text, ReadabilityCounts* counts) {
    if (!counts)
        return;
    LocalTotals totals{};
    CountTextWith<false>(text, &totals);
    AddTotals(totals, counts);
}

namespace {

using CutFn = bool (*)(std::string_view text, std::size_t* pos, std::string_view* piece);

// Cuts the next piece off the front of an owned cursor string with one of the view routines:
// returns a copy of the piece and shortens the cursor in place to what follows it.
char* CutFromCursor(char** cursor, CutFn cut) {
    if (!cursor || !*cursor || **cursor == '\0')
        return nullptr;
    std::size_t pos = 0;
    std::string_view piece;
    if (!cut(*cursor, &pos, &piece)) {
        StrDropFront(*cursor, pos); // what the cut consumed without finding a piece
        return nullptr;
    }
    char* copy = CopyView(piece);
    if (copy)
        StrDropFront(*cursor, pos);
    return copy;
}

} // namespace

char* NextSentence(char** cursor) {
    return CutFromCursor(cursor, NextSentenceView);
}

int CountSentenceWords(const char* sentence) {
    return sentence ? CountSentenceWordsView(sentence) : 0;
}

char* NextWord(char** cursor) {
    return CutFromCursor(cursor, NextWordView);
}

void TrimPunctuation(char** word) {
    if (!word || !*word)
        return;
    const std::string_view whole(*word);
    const std::string_view trimmed = TrimPunctuationView(whole);
    if (trimmed.size() == whole.size())
        return;
    if (!trimmed.empty())
        std::memmove(*word, trimmed.data(), trimmed.size());
    (*word)[trimmed.size()] = '\0';
}

int CountSyllables(const char* word) {
    return CountSyllablesView(word ? std::string_view(word) : std::string_view());
}
