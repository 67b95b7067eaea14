// Conversion between FrameRoman and UTF-8, over the table generated from resources/.
#include "host/formats/frameroman.h"

#include "resources/frameroman_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if LX_HOST_TRANSLITERATION
#include "resources/han_latin_table.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ures.h>
#include <unicode/uscript.h>
#endif

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

namespace {

constexpr char32_t kMalformed = 0xFFFFFFFF;

// How a character without a FrameRoman form is carried over.
enum class Unmapped {
    Letter, // letters and digits of other scripts: part of a word
    Mark,   // combining marks: part of the letter before them
    Other,  // spaces, punctuation, symbols, emoji, control codes: a word separator
};

#if LX_HOST_TRANSLITERATION

Unmapped KindOfUnmapped(char32_t cp) {
    if (cp == kMalformed)
        return Unmapped::Other;
    const std::uint32_t category = U_GET_GC_MASK(static_cast<UChar32>(cp));
    if (category & U_GC_M_MASK)
        return Unmapped::Mark;
    if (category & (U_GC_L_MASK | U_GC_N_MASK))
        return Unmapped::Letter;
    return Unmapped::Other;
}

// The one character that a letter and a combining mark make together ('e' and U+0301 make
// U+00E9), or 0 when they make none.
char32_t Compose(char32_t base, char32_t mark) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || nfc == nullptr)
        return 0;
    const UChar32 composed =
        nfc->composePair(static_cast<UChar32>(base), static_cast<UChar32>(mark));
    return composed < 0 ? 0 : static_cast<char32_t>(composed);
}

// Appends what one character of a transliteration's output adds to a word: letters, digits and
// apostrophes only. The spaces a transliteration puts between syllables, and any punctuation it
// writes, would split the writer's word or end a sentence.
void AppendLatinCharacter(UChar32 cp, std::string& out) {
    const int fr = FrameRomanFromUnicode(static_cast<char32_t>(cp));
    if (fr >= 0 && (u_isalnum(cp) || cp == '\'')) {
        out.push_back(static_cast<char>(fr));
    } else if (u_isdigit(cp)) {
        out.push_back(static_cast<char>('0' + u_charDigitValue(cp)));
    } else if (u_isalpha(cp)) {
        out.push_back(kPlaceholderLetter); // a letter no rule reaches
    }
}

// ICU's transliterator, made on first use (it takes a while), and the lock its use is under:
// files may be read on more than one thread, and a transliterator keeps state of its own (the
// rules of each script it has met). transliterator is null when ICU cannot make it.
struct SharedTransliterator {
    SharedTransliterator() {
        UErrorCode status = U_ZERO_ERROR;
        transliterator.reset(icu::Transliterator::createInstance(
            icu::UnicodeString("Any-Latin; Latin-ASCII"), UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            transliterator.reset();
    }
    std::mutex lock;
    std::unique_ptr<icu::Transliterator> transliterator;
};

SharedTransliterator& LatinTransliterator() {
    static SharedTransliterator shared;
    return shared;
}

// Appends the Latin letters ICU's transliterator makes of letters and marks.
void AppendTransliterated(const char32_t* letters, std::size_t count, std::string& out) {
    SharedTransliterator& shared = LatinTransliterator();
    if (shared.transliterator == nullptr) {
        for (std::size_t k = 0; k < count; ++k)
            if (KindOfUnmapped(letters[k]) == Unmapped::Letter)
                out.push_back(kPlaceholderLetter);
        return;
    }
    icu::UnicodeString text = icu::UnicodeString::fromUTF32(
        reinterpret_cast<const UChar32*>(letters), static_cast<std::int32_t>(count));
    {
        const std::lock_guard<std::mutex> hold(shared.lock);
        shared.transliterator->transliterate(text);
    }
    for (std::int32_t k = 0; k < text.length(); k = text.moveIndex32(k, 1))
        AppendLatinCharacter(text.char32At(k), out);
}

// Han letters are read from a table generated at build time from the same transliteration
// (resources/han_latin_gen.cpp): ICU builds its Han rules, some forty thousand readings, in
// tens of milliseconds of CPU, which every run that meets one Han character would pay.
bool IsHanLetter(char32_t cp) {
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(static_cast<UChar32>(cp), &status) == USCRIPT_HAN &&
           U_SUCCESS(status) && KindOfUnmapped(cp) == Unmapped::Letter;
}

// The reading of the Han letter run[k] (the letter after it can change it), or null when no rule
// reaches the letter and it stays as it is.
const char* HanReading(const std::u32string& run, std::size_t k) {
    const char32_t letter = run[k];
    if (k + 1 < run.size()) {
        for (const lxhanlatin::Context& c : lxhanlatin::kContexts)
            if (c.letter == letter && c.next == run[k + 1])
                return c.reading;
    }
    const auto* end = std::end(lxhanlatin::kLetters);
    const auto* it = std::lower_bound(std::begin(lxhanlatin::kLetters), end, letter);
    if (it == end || *it != letter)
        return nullptr;
    return lxhanlatin::kReadings[lxhanlatin::kReadingOf[it - std::begin(lxhanlatin::kLetters)]];
}

void AppendHan(const std::u32string& run, std::size_t k, std::string& out) {
    const char* reading = HanReading(run, k);
    if (reading == nullptr) {
        AppendLatinCharacter(static_cast<UChar32>(run[k]), out);
        return;
    }
    const std::string_view utf8(reading);
    for (std::size_t i = 0; i < utf8.size();)
        AppendLatinCharacter(static_cast<UChar32>(DecodeUtf8(utf8, i)), out);
}

// Appends the Latin letters of a run of letters and marks. ICU's "Any-Latin" transliterates
// each script's stretch of a run on its own; Han letters take their readings from the table,
// the other stretches go to the transliterator. One reading differs: the few enclosed ideograph
// numbers and kanbun marks (U+3192-3195, U+3220-3229, U+3280-3289) read as the ideograph they
// enclose when ICU finds them right after a Han letter, and as nothing anywhere else; here they
// read as nothing always.
void AppendLatin(const std::u32string& run, std::string& out) {
    std::size_t k = 0;
    while (k < run.size()) {
        if (IsHanLetter(run[k])) {
            AppendHan(run, k++, out);
            continue;
        }
        std::size_t end = k + 1;
        while (end < run.size() && !IsHanLetter(run[end]))
            ++end;
        AppendTransliterated(run.data() + k, end - k, out);
        k = end;
    }
}

#else

struct CodeRange {
    char32_t first, last;
};

constexpr CodeRange kCombiningMarks[] = {
    {0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x20D0, 0x20FF}, {0xFE20, 0xFE2F}};

// Blocks of spaces, punctuation and symbols; every other character without a form from U+0370
// on is taken for a letter.
constexpr CodeRange kNonLetters[] = {
    {0x0000, 0x00BF},   {0x00D7, 0x00D7},   {0x00F7, 0x00F7}, {0x02B9, 0x02FF}, {0x2000, 0x2BFF},
    {0x2E00, 0x2E7F},   {0x3000, 0x303F},   {0xD800, 0xF8FF}, {0xFE10, 0xFE1F}, {0xFE30, 0xFE6F},
    {0xFF00, 0xFF0F},   {0xFF1A, 0xFF20},   {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}, {0xFFF0, 0xFFFF},
    {0x1F000, 0x1FAFF}, {0xE0000, 0x10FFFF}};

template <std::size_t N> bool InRanges(char32_t cp, const CodeRange (&ranges)[N]) {
    for (const CodeRange& r : ranges)
        if (cp >= r.first && cp <= r.last)
            return true;
    return false;
}

Unmapped KindOfUnmapped(char32_t cp) {
    if (cp == kMalformed)
        return Unmapped::Other;
    if (InRanges(cp, kCombiningMarks))
        return Unmapped::Mark;
    return InRanges(cp, kNonLetters) ? Unmapped::Other : Unmapped::Letter;
}

// Without ICU's composition data a mark does not join the letter before it.
char32_t Compose(char32_t, char32_t) {
    return 0;
}

void AppendLatin(const std::u32string& run, std::string& out) {
    for (char32_t cp : run)
        if (KindOfUnmapped(cp) == Unmapped::Letter)
            out.push_back(kPlaceholderLetter);
}

#endif

} // namespace

bool HasTransliteration() {
#if LX_HOST_TRANSLITERATION
    // Asked for a note on every file with characters without a form, where the transliterator
    // may not be needed at all (Han letters, symbols): look for the rules' data first, as making
    // any transliterator first reads ICU's list of them all (about 8 ms of CPU).
    static const bool rulesPresent = [] {
        UErrorCode status = U_ZERO_ERROR;
        UResourceBundle* root = ures_openDirect(U_ICUDATA_NAME "-translit", "root", &status);
        UResourceBundle* ids = ures_getByKey(root, "RuleBasedTransliteratorIDs", nullptr, &status);
        ures_close(ids);
        ures_close(root);
        return U_SUCCESS(status);
    }();
    return rulesPresent || LatinTransliterator().transliterator != nullptr;
#else
    return false;
#endif
}

std::size_t PrintableAsciiEnd(std::string_view s, std::size_t i) {
#if defined(__SSE2__)
    // Sixteen bytes at a time: the bytes from 0x80 up are negative to the signed compares.
    const __m128i beforeSpace = _mm_set1_epi8(0x1F), pastTilde = _mm_set1_epi8(0x7F);
    while (s.size() - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
        const __m128i printable =
            _mm_and_si128(_mm_cmpgt_epi8(v, beforeSpace), _mm_cmplt_epi8(v, pastTilde));
        const unsigned other = static_cast<std::uint16_t>(~_mm_movemask_epi8(printable));
        if (other != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(other));
        }
        i += 16;
    }
#endif
    // Eight bytes at a time while they all are printable: a byte below 0x20 borrows into its high
    // bit when 0x20 is taken from it, and a byte from 0x7F up has its high bit set, or gets it
    // when 1 is added.
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    while (s.size() - i >= sizeof(std::uint64_t)) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.data() + i, sizeof w);
        const std::uint64_t below = (w - kOnes * 0x20) & ~w;
        const std::uint64_t above = (w + kOnes) | w;
        if (((below | above) & kHighBits) != 0) {
            break;
        }
        i += sizeof w;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) >= 0x20 &&
           static_cast<unsigned char>(s[i]) < 0x7F) {
        ++i;
    }
    return i;
}

std::size_t Utf8ToFrameRoman(std::string_view utf8, std::string& out) {
    std::size_t unmapped = 0;
    // The code point of the character that out ends with; a combining mark after it may make one
    // character with it.
    char32_t last = out.empty() ? 0 : kFrameRomanToUnicode[static_cast<unsigned char>(out.back())];
    // Letters and marks without a form, carried over together: a transliteration reads a word,
    // not one letter at a time.
    std::u32string run;
    auto endRun = [&] {
        if (!run.empty()) {
            AppendLatin(run, out);
            run.clear();
            last = 0;
        }
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x20 && b < 0x7F) {
            endRun();
            // Runs of printable ASCII are the common case: copy them at once.
            const std::size_t j = PrintableAsciiEnd(utf8, i + 1);
            out.append(utf8.substr(i, j - i));
            last = static_cast<unsigned char>(utf8[j - 1]);
            i = j;
            continue;
        }
        const char32_t cp = DecodeUtf8(utf8, i);
        const int fr = cp == kMalformed ? -1 : FrameRomanFromUnicode(cp);
        if (fr >= 0) {
            endRun();
            out.push_back(static_cast<char>(fr));
            last = cp;
            continue;
        }
        const Unmapped kind = KindOfUnmapped(cp);
        if (kind == Unmapped::Mark && run.empty() && last != 0) {
            const char32_t composed = Compose(last, cp);
            const int composedForm = composed == 0 ? -1 : FrameRomanFromUnicode(composed);
            if (composedForm >= 0) {
                out.back() = static_cast<char>(composedForm);
                last = composed;
                continue;
            }
        }
        ++unmapped;
        if (kind == Unmapped::Other) {
            endRun();
            out.push_back(' ');
            last = 0;
        } else {
            run.push_back(cp);
        }
    }
    endRun();
    return unmapped;
}

std::size_t CodePointToFrameRoman(char32_t cp, std::string& out) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out.push_back(' ');
        return 1;
    }
    std::string utf8;
    AppendUtf8(cp, utf8);
    return Utf8ToFrameRoman(utf8, out);
}

void FrameRomanToUtf8(std::string_view text, std::string& out) {
    for (char c : text) {
        const char16_t u = kFrameRomanToUnicode[static_cast<unsigned char>(c)];
        AppendUtf8(u != 0 ? u : 0xFFFD, out);
    }
}

} // namespace lxhost
