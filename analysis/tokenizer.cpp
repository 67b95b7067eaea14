#include "analysis/tokenizer.h"

#include "support/mem.h"
#include "support/str.h"

#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
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

} // namespace

bool IsWordSeparator(unsigned char byte) {
    return kByteClasses[byte] & kClassSeparator;
}

bool NextSentenceView(std::string_view text, std::size_t* pos, std::string_view* sentence) {
    const std::size_t n = text.size();
    if (*pos >= n)
        return false;
    std::size_t start = *pos;
    while (start < n && (ClassAt(text, start) & kClassSeparator))
        ++start;
    // A candidate made only of periods (or empty) ends the text for the callers: nothing after
    // it is looked at. Periods do not count as text; every other byte before the terminator does.
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
    if (!textSeen)
        return false;
    *sentence = text.substr(start, t - start);
    // The terminator and the one byte after it are consumed, whatever that byte is.
    *pos = n - t > 2 ? t + 2 : n;
    return true;
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

namespace {

struct LocalTotals {
    std::int64_t sentences, words, syllables, characters, complexWords;
};

// The counting loop reads the text as bit masks, 64 bytes to a block (bit j stands for byte j of
// the block), so that sentence stops, word boundaries, vowel groups and trimmed ends come from bit
// operations instead of a hard-to-predict branch for every word.
constexpr std::size_t kBlockBytes = 64;
constexpr std::uint64_t kAllBits = ~std::uint64_t{0};
constexpr std::uint64_t kLowBitOfEachByte = 0x0101010101010101u;

struct BlockMasks {
    std::uint64_t separator; // bytes past the end of the text count as separators
    std::uint64_t stop;      // terminators and periods
    std::uint64_t vowel;
    std::uint64_t trim;
    std::uint64_t letterE;
};

#if defined(__SSE2__)

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

BlockMasks MasksOfBlock(const unsigned char* p) {
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

BlockMasks MasksOfBlock(const unsigned char* p) {
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

// The masks of a text's blocks, computed on first use and kept in a small direct-mapped cache,
// so that the word pass over a sentence reuses what the sentence scan computed.
struct TextMasks {
    static constexpr std::size_t kSlots = 64;
    const unsigned char* text;
    std::size_t size;
    std::size_t cachedBlock[kSlots];
    BlockMasks masks[kSlots];
};

void TextMasksInit(TextMasks* t, std::string_view text) {
    t->text = reinterpret_cast<const unsigned char*>(text.data());
    t->size = text.size();
    for (std::size_t& b : t->cachedBlock)
        b = std::numeric_limits<std::size_t>::max();
}

const BlockMasks& MasksAt(TextMasks* t, std::size_t block) {
    const std::size_t slot = block % TextMasks::kSlots;
    if (t->cachedBlock[slot] != block) {
        const std::size_t base = block * kBlockBytes;
        const std::size_t length = t->size - base < kBlockBytes ? t->size - base : kBlockBytes;
        BlockMasks& m = t->masks[slot];
        if (length == kBlockBytes) {
            m = MasksOfBlock(t->text + base);
        } else {
            // The last, short block is read from a copy padded with bytes of no class.
            unsigned char padded[kBlockBytes] = {};
            std::memcpy(padded, t->text + base, length);
            m = MasksOfBlock(padded);
            m.separator |= kAllBits << length;
        }
        t->cachedBlock[slot] = block;
    }
    return t->masks[slot];
}

// The index of the first byte at or after `from` whose bit is set in the selected mask (inverted
// when `invert`), or the text's size when there is none.
template <std::uint64_t BlockMasks::*Mask, bool Invert>
std::size_t FindFrom(TextMasks* t, std::size_t from) {
    for (std::size_t block = from / kBlockBytes; block * kBlockBytes < t->size; ++block) {
        std::uint64_t bits = MasksAt(t, block).*Mask;
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
bool NextSentenceMasked(TextMasks* t, std::size_t* pos, std::size_t* begin, std::size_t* end) {
    const std::size_t n = t->size;
    if (*pos >= n)
        return false;
    const std::size_t start = FindFrom<&BlockMasks::separator, true>(t, *pos);
    bool textSeen = false;
    std::size_t stop = start;
    for (;;) {
        const std::size_t runStart = stop;
        stop = FindFrom<&BlockMasks::stop, false>(t, stop);
        textSeen |= stop > runStart;
        if (stop == n || t->text[stop] != kPeriod)
            break;
        if (stop + 1 < n && (kByteClasses[t->text[stop + 1]] & kClassPeriodEnder))
            break;
        ++stop;
    }
    if (!textSeen)
        return false;
    *begin = start;
    *end = stop;
    *pos = n - stop > 2 ? stop + 2 : n;
    return true;
}

// Bits from..to-1 (from < to <= 64).
inline std::uint64_t BitRange(unsigned from, unsigned to) {
    const std::uint64_t below = to == kBlockBytes ? kAllBits : (std::uint64_t{1} << to) - 1;
    return below & (kAllBits << from);
}

// The number of set bits, without relying on a population-count instruction that the baseline
// instruction set does not have.
inline std::int64_t BitCount(std::uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::int64_t>((x * kLowBitOfEachByte) >> 56);
}

// The word being read, which may run on from one block into the next.
struct WordState {
    std::int64_t groups; // vowel groups so far
    std::int64_t first;  // index of the first byte that is not trimmed, or -1
    std::int64_t last;   // index of the last byte that is not trimmed so far
    bool silentFinal;    // that last byte is an 'e' or 'E' after a non-vowel
};

inline void FinishWord(const WordState& w, LocalTotals* totals) {
    // Trimming takes only non-vowels, so the vowel groups of the whole run are those of the
    // trimmed word; only the silent final e depends on where the trimmed word ends.
    std::int64_t syllables = w.groups - (w.silentFinal ? 1 : 0);
    if (syllables == 0)
        syllables = 1;
    ++totals->words;
    totals->syllables += syllables;
    totals->complexWords += syllables >= kComplexWordSyllables ? 1 : 0;
    totals->characters += w.first < 0 ? 0 : w.last - w.first + 1;
}

// Counts the words of the kept sentence [begin, end): the same words, trimmed ends and
// syllables as NextWordView, TrimPunctuationView and CountSyllablesView give one by one. A
// sentence begins on a word byte, so its words are also exactly those CountSentenceWords counts.
void CountSentenceWordsMasked(TextMasks* t, std::size_t begin, std::size_t end,
                              LocalTotals* totals) {
    WordState word{};
    bool inWord = false;
    std::uint64_t vowelBefore = 0; // the byte before the sentence is not part of it
    const std::size_t lastBlock = (end - 1) / kBlockBytes;
    for (std::size_t block = begin / kBlockBytes; block <= lastBlock; ++block) {
        const std::size_t base = block * kBlockBytes;
        const unsigned from = block == begin / kBlockBytes ? begin % kBlockBytes : 0;
        const unsigned to = block == lastBlock ? static_cast<unsigned>(end - base) : kBlockBytes;
        const std::uint64_t inSentence = BitRange(from, to);
        const BlockMasks& m = MasksAt(t, block);
        const std::uint64_t wordBytes = ~m.separator & inSentence;
        const std::uint64_t vowel = m.vowel & inSentence;
        const std::uint64_t afterNonVowel = ~((vowel << 1) | vowelBefore);
        const std::uint64_t groupStarts = vowel & afterNonVowel;
        const std::uint64_t silentE = m.letterE & afterNonVowel;
        const std::uint64_t kept = wordBytes & ~m.trim;
        vowelBefore = vowel >> 63;

        unsigned at = 0;
        for (;;) {
            if (!inWord) {
                const std::uint64_t starts = wordBytes & (kAllBits << at);
                if (starts == 0)
                    break;
                at = static_cast<unsigned>(std::countr_zero(starts));
                word = {0, -1, -1, false};
                inWord = true;
            }
            const std::uint64_t ends = ~wordBytes & (kAllBits << at);
            const unsigned stop =
                ends == 0 ? kBlockBytes : static_cast<unsigned>(std::countr_zero(ends));
            const std::uint64_t range = BitRange(at, stop);
            word.groups += BitCount(groupStarts & range);
            const std::uint64_t keptHere = kept & range;
            if (keptHere) {
                const unsigned lastBit = 63u - static_cast<unsigned>(std::countl_zero(keptHere));
                if (word.first < 0)
                    word.first = static_cast<std::int64_t>(base) + std::countr_zero(keptHere);
                word.last = static_cast<std::int64_t>(base + lastBit);
                word.silentFinal = (silentE >> lastBit) & 1u;
            }
            if (stop == kBlockBytes)
                break; // the word runs on into the next block
            FinishWord(word, totals);
            inWord = false;
            at = stop;
        }
    }
    if (inWord)
        FinishWord(word, totals);
}

} // namespace

void CountText(std::string_view text, ReadabilityCounts* counts) {
    if (!counts)
        return;
    TextMasks masks;
    TextMasksInit(&masks, text);
    LocalTotals totals{};
    std::size_t pos = 0, begin = 0, end = 0;
    while (NextSentenceMasked(&masks, &pos, &begin, &end)) {
        if (end - begin < kMinSentenceBytes)
            continue;
        ++totals.sentences;
        CountSentenceWordsMasked(&masks, begin, end, &totals);
    }
    AddToTotal(&counts->sentences, totals.sentences);
    AddToTotal(&counts->syllables, totals.syllables);
    AddToTotal(&counts->words, totals.words);
    AddToTotal(&counts->characters, totals.characters);
    AddToTotal(&counts->complexWords, totals.complexWords);
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
    if (!cut(*cursor, &pos, &piece))
        return nullptr;
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
