#include "analysis/precise/precise.h"
#include "analysis/word_table.h"

#include "analysis/precise/ascii_sentences.h"
#include "analysis/precise/languages.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <memory>

namespace lxprecise {

namespace {

constexpr UChar32 kEmDash = 0x2014;
constexpr UChar32 kEnDash = 0x2013;
constexpr UChar32 kEllipsis = 0x2026;

// The code point at text[i] and the index after it; U+FFFD for a malformed sequence.
UChar32 CodePointAt(std::string_view text, std::size_t i, std::size_t* next) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
        *next = i + 1;
        return byte;
    }
    int32_t at = static_cast<int32_t>(i);
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), at, static_cast<int32_t>(text.size()),
            c);
    *next = static_cast<std::size_t>(at);
    return c < 0 ? 0xFFFD : c;
}

// The code point that ends before text[end], and where it starts.
UChar32 CodePointBefore(std::string_view text, std::size_t end, std::size_t* start) {
    int32_t at = static_cast<int32_t>(end);
    UChar32 c = 0;
    U8_PREV(reinterpret_cast<const uint8_t*>(text.data()), 0, at, c);
    *start = static_cast<std::size_t>(at);
    return c < 0 ? 0xFFFD : c;
}

// ASCII is most of any text: its classes are answered without ICU's property tables.
bool IsSpace(UChar32 c) {
    if (c < 0x80)
        return c == ' ' || (c >= 0x09 && c <= 0x0D);
    return u_isUWhiteSpace(c) || c == 0xA0;
}

bool IsWordChar(UChar32 c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return u_isalnum(c);
}

bool HasLetterOrDigit(std::string_view text) {
    for (std::size_t i = 0, next = 0; i < text.size(); i = next)
        if (IsWordChar(CodePointAt(text, i, &next)))
            return true;
    return false;
}

// The span without the white space at its ends.
Span Trimmed(std::string_view text, Span s) {
    std::size_t b = s.offset, e = s.offset + s.length, next = 0, start = 0;
    while (b < e && IsSpace(CodePointAt(text, b, &next)))
        b = next;
    while (e > b && IsSpace(CodePointBefore(text, e, &start)))
        e = start;
    return {b, e - b};
}

// Appends the lower case of one code point; ASCII without ICU.
template <typename Out> void AppendLower(UChar32 c, Out* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
        return;
    }
    char buffer[4];
    int32_t n = 0;
    UBool error = false;
    U8_APPEND(reinterpret_cast<uint8_t*>(buffer), n, 4, u_tolower(c), error);
    if (!error)
        out->append(buffer, static_cast<std::size_t>(n));
}

std::string Lower(std::string_view word) {
    std::string out;
    out.reserve(word.size());
    for (std::size_t i = 0, next = 0; i < word.size(); i = next)
        AppendLower(CodePointAt(word, i, &next), &out);
    return out;
}

// The last white-space separated token of a piece of text, and the first code point of a text
// after its white space and opening quotation marks or brackets (0 when there is none).
std::string_view LastToken(std::string_view text) {
    std::size_t e = text.size(), start = 0;
    while (e > 0 && IsSpace(CodePointBefore(text, e, &start)))
        e = start;
    std::size_t b = e;
    while (b > 0 && !IsSpace(CodePointBefore(text, b, &start)))
        b = start;
    return text.substr(b, e - b);
}

UChar32 FirstLetterOrDigit(std::string_view text) {
    for (std::size_t i = 0, next = 0; i < text.size(); i = next) {
        const UChar32 c = CodePointAt(text, i, &next);
        if (IsWordChar(c))
            return c;
        if (!IsSpace(c) && !u_hasBinaryProperty(c, UCHAR_QUOTATION_MARK) && c != '(' && c != '[')
            return 0;
    }
    return 0;
}

// Whether a token is a dotted abbreviation: a period inside it besides its final one, its
// opening brackets and quotation marks aside ("p.m.", "(e.g.", not "Dr.").
bool IsDottedAbbreviation(std::string_view token) {
    while (!token.empty() &&
           (token.front() == '(' || token.front() == '"' || token.front() == '\''))
        token.remove_prefix(1);
    if (token.empty() || token.back() != '.')
        return false;
    token.remove_suffix(1);
    return token.find('.') != std::string_view::npos;
}

// The end of the text before a break as the abbreviations are matched against it: the last
// bytes before its final period (white space after the period aside), lower case, in a buffer
// of its own so that the check at every break allocates nothing.
class AbbreviationTail {
  public:
    explicit AbbreviationTail(std::string_view before) {
        std::size_t e = before.size(), start = 0;
        while (e > 0 && IsSpace(CodePointBefore(before, e, &start)))
            e = start;
        if (e == 0 || before[e - 1] != '.')
            return;
        --e;
        period_ = true;
        // The longest abbreviation is a few letters with their periods and spaces.
        constexpr std::size_t kTail = 24;
        std::size_t b = e > kTail ? e - kTail : 0;
        while (b > 0 && (static_cast<unsigned char>(before[b]) & 0xC0) == 0x80)
            --b;
        whole_ = b == 0;
        const std::string_view tail = before.substr(b, e - b);
        for (std::size_t i = 0, next = 0; i < tail.size(); i = next)
            AppendLower(CodePointAt(tail, i, &next), this);
    }
    // Whether the text ends with the abbreviation and its period, the abbreviation standing
    // alone (after white space, an opening bracket or quotation mark, or at the start): "... z.
    // B." ends with "z. b", "... U.S." does not end with "s".
    bool EndsWith(std::string_view a) const {
        const std::string_view tail(bytes_.data(), size_);
        if (!period_ || !tail.ends_with(a))
            return false;
        if (tail.size() == a.size())
            return whole_;
        const char c = tail[tail.size() - a.size() - 1];
        return c == ' ' || c == '\t' || c == '\n' || c == '(' || c == '[' || c == '"' || c == '\'';
    }
    bool EndsWithListed(std::span<const std::string_view> list) const {
        return std::any_of(list.begin(), list.end(),
                           [this](std::string_view a) { return EndsWith(a); });
    }

    // For AppendLower: the lower case of at most 27 bytes is at most 81 (a malformed byte
    // becomes U+FFFD), which the buffer holds.
    void push_back(char c) { append(&c, 1); }
    void append(const char* bytes, std::size_t n) {
        if (size_ + n <= bytes_.size()) {
            std::copy(bytes, bytes + n, bytes_.begin() + static_cast<std::ptrdiff_t>(size_));
            size_ += n;
        }
    }

  private:
    bool period_ = false; // the text ends with a period
    bool whole_ = false;  // the tail starts where the text does
    std::array<char, 96> bytes_{};
    std::size_t size_ = 0;
};

// Whether the break falls inside an abbreviation of several parts: the text before ends with
// its first parts ("... z.") and the text after begins with the rest ("B. für ...").
bool InsideListed(std::span<const std::string_view> list, const AbbreviationTail& before,
                  std::string_view after) {
    for (std::string_view a : list) {
        for (std::size_t k = a.find('.'); k != std::string_view::npos && k + 1 < a.size();
             k = a.find('.', k + 1)) {
            if (!before.EndsWith(a.substr(0, k)))
                continue;
            std::string_view rest = a.substr(k + 1);
            while (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
            std::size_t b = 0;
            while (b < after.size() && (after[b] == ' ' || after[b] == '\t'))
                ++b;
            const std::string head = Lower(after.substr(b, rest.size() + 1));
            if (head.size() == rest.size() + 1 && std::string_view(head).starts_with(rest) &&
                head.back() == '.')
                return true;
        }
    }
    return false;
}

bool EndsWithEllipsis(std::string_view token) {
    return token.ends_with("...") || token.ends_with("\xE2\x80\xA6");
}

// A '!' or '?' inside closing quotation marks or brackets: `"Why?"`, `(really!)`.
bool EndsWithQuotedMark(std::string_view token) {
    std::size_t e = token.size(), start = 0;
    bool closing = false;
    while (e > 0) {
        const UChar32 c = CodePointBefore(token, e, &start);
        if (c == ')' || c == ']' || u_hasBinaryProperty(c, UCHAR_QUOTATION_MARK)) {
            closing = true;
            e = start;
            continue;
        }
        return closing && (c == '!' || c == '?');
    }
    return false;
}

// "1.", "10.", "2.1.", "a)", "(iv)", "3)": a list or section number standing alone.
bool IsListNumber(std::string_view piece) {
    if (piece.empty() || piece.size() > 12)
        return false;
    const char last = piece.back();
    if (last != '.' && last != ')')
        return false;
    std::string_view body = piece.substr(0, piece.size() - 1);
    if (!body.empty() && body.front() == '(')
        body.remove_prefix(1);
    if (body.empty())
        return false;
    const bool digits = std::all_of(body.begin(), body.end(),
                                    [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    if (digits)
        return body.front() != '.';
    const bool letters = std::all_of(body.begin(), body.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
    return letters && (body.size() == 1 || std::all_of(body.begin(), body.end(), [](char c) {
                           return c == 'i' || c == 'v' || c == 'x';
                       }));
}

// Whether the sentence that ends with `before` goes on into `after`.
bool GoesOn(std::string_view before, std::string_view after, const Language& language) {
    const std::string_view token = LastToken(before);
    if (token.empty())
        return true;
    const char last = token.back();
    if (last == ':' || last == ';' || last == ',')
        return true;
    const UChar32 next = FirstLetterOrDigit(after);
    if (next == 0)
        return false;
    const bool lower = u_islower(next);
    const bool capitalOrDigit = u_isupper(next) || u_istitle(next) || u_isdigit(next);
    if (lower && (EndsWithEllipsis(token) || EndsWithQuotedMark(token)))
        return true;
    // The abbreviations all end with a period.
    if (last != '.')
        return false;
    const AbbreviationTail tail(before);
    if (tail.EndsWithListed(language.always))
        return true;
    for (auto list : {language.always, language.beforeCapital, language.beforeLower})
        if (InsideListed(list, tail, after))
            return true;
    // After a title a name or a number follows, and a lower-case word does not start a sentence
    // after one either ("Acme Inc. in Boston").
    if ((capitalOrDigit || lower) && tail.EndsWithListed(language.beforeCapital))
        return true;
    if (lower && tail.EndsWithListed(language.beforeLower))
        return true;
    // A dotted abbreviation ("p.m.", "a.m.", "U.S.") before a lower-case word.
    return lower && IsDottedAbbreviation(token) && !EndsWithEllipsis(token);
}

// Where a lower-case word after ". " starts a sentence that ICU ran on: after a plain word (no
// abbreviation, no dotted word, no ellipsis) that ends with a period and white space.
void SplitBeforeLowerCase(std::string_view text, Span s, const Language& language,
                          std::vector<std::size_t>* cuts) {
    const std::size_t end = s.offset + s.length;
    for (std::size_t i = s.offset; i + 2 < end; ++i) {
        if (text[i] != '.' || !IsSpace(static_cast<unsigned char>(text[i + 1])))
            continue;
        std::size_t j = i + 1;
        while (j < end && (text[j] == ' ' || text[j] == '\t'))
            ++j;
        if (j >= end)
            break;
        const std::string_view before = text.substr(s.offset, i + 1 - s.offset);
        const std::string_view after = text.substr(j, end - j);
        std::size_t next = 0;
        if (!u_islower(CodePointAt(text, j, &next)))
            continue;
        if (GoesOn(before, after, language))
            continue;
        const std::string_view token = LastToken(before);
        if (token.size() < 2 || !IsWordChar(static_cast<unsigned char>(token[token.size() - 2])))
            continue;
        cuts->push_back(j);
    }
}

std::unique_ptr<icu::BreakIterator> NewSentenceIterator(const char* locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createSentenceInstance(icu::Locale(locale), status));
    if (U_FAILURE(status))
        return nullptr;
    return it;
}

// The text with each single line break made a space (a break next to another stays), so that
// lines wrapped inside a paragraph do not end its sentences. The same length as the text; empty
// when it has no line break.
std::string JoinSingleLineBreaks(std::string_view text) {
    std::string out;
    if (text.find('\n') == std::string_view::npos)
        return out;
    out = text;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] != '\n')
            continue;
        std::size_t b = i, e = i + 1;
        if (b > 0 && out[b - 1] == '\r')
            --b;
        const bool lonely = (b == 0 || (out[b - 1] != '\n' && out[b - 1] != '\r')) &&
                            (e >= out.size() || (out[e] != '\n' && out[e] != '\r'));
        if (lonely)
            for (std::size_t k = b; k < e; ++k)
                out[k] = ' ';
    }
    return out;
}

// A token of a sentence that a slash cuts into words: plain words on both sides ("and/or",
// "input/output"), nothing that looks like a path or an address.
bool SlashSeparatesWords(std::string_view token) {
    if (token.find('/') == std::string_view::npos || token.front() == '/' || token.back() == '/')
        return false;
    for (std::size_t i = 0, next = 0; i < token.size(); i = next) {
        const UChar32 c = CodePointAt(token, i, &next);
        if (c != '/' && !u_isalpha(c))
            return false;
    }
    return true;
}

void AddWord(std::string_view sentence, std::size_t b, std::size_t e, std::vector<Span>* words) {
    std::size_t next = 0, start = 0;
    while (b < e && !IsWordChar(CodePointAt(sentence, b, &next)))
        b = next;
    while (e > b && !IsWordChar(CodePointBefore(sentence, e, &start)))
        e = start;
    if (e > b)
        words->push_back({b, e - b});
}

bool IsWordBreak(UChar32 c) {
    return IsSpace(c) || c == kEmDash || c == kEnDash;
}

void AddToTotal(std::int32_t* total, std::int64_t add) {
    std::int64_t sum = static_cast<std::int64_t>(*total) + add;
    if (sum > std::numeric_limits<std::int32_t>::max())
        sum = std::numeric_limits<std::int32_t>::max();
    *total = static_cast<std::int32_t>(sum);
}

// The thread's sentence iterator for the language's locale, made once.
icu::BreakIterator* SentenceIterator(const Language& language) {
    thread_local std::map<std::string_view, std::unique_ptr<icu::BreakIterator>> iterators;
    auto found = iterators.find(language.locale);
    if (found == iterators.end())
        found = iterators.emplace(language.locale, NewSentenceIterator(language.locale)).first;
    return found->second.get();
}

// Whether a word reaches three syllables only through an -es, -ed or -ing ending.
bool ComplexOnlyThroughEnding(const std::string& lower) {
    for (std::string_view ending : {"ing", "ed", "es"}) {
        if (lower.size() > ending.size() + 2 && lower.ends_with(ending))
            return Syllables(lower.substr(0, lower.size() - ending.size())) < kComplexSyllables;
    }
    return false;
}

// What a word counts wherever it stands: its syllables, its characters, and whether Gunning Fog
// counts it complex when it is not a name (not a compound, not complex only through an ending).
struct WordFigures {
    int syllables = 1;
    int characters = 0;
    bool fogComplexInside = false;
};

WordFigures CountFigures(std::string_view text, const Language& language) {
    WordFigures f;
    f.syllables = Syllables(text, language);
    f.characters = Characters(text);
    // Gunning Fog measures English only; its endings are English ones.
    f.fogComplexInside = f.syllables >= kComplexSyllables && &language == &English() &&
                         text.find('-') == std::string_view::npos &&
                         !ComplexOnlyThroughEnding(Lower(text));
    return f;
}

// The figures of the words a thread has counted, as they are written: a word of a text is
// mostly one met before, and is then counted without a lock or a conversion. Held to a size,
// so that a text of generated identifiers cannot grow it without end.
constexpr std::size_t kMaxWordFigures = 1u << 18;

struct KnownWords {
    WordTable<> table;
    std::vector<std::string> words;
    std::vector<WordFigures> figures;
    WordFigures uncached;
};

// The thread's words of a language: a word's syllables are its language's.
KnownWords& KnownWordsOf(const Language& language) {
    thread_local std::map<const Language*, KnownWords> knownByLanguage;
    return knownByLanguage[&language];
}

WordFigures FiguresOf(KnownWords& known, std::string_view text, const Language& language) {
    const std::uint64_t hash = WordHash(text);
    auto wordAt = [&](std::uint32_t i) { return std::string_view(known.words[i]); };
    if (const auto* slot = known.table.Find(text, hash, wordAt))
        return known.figures[slot->index()];
    const WordFigures figures = CountFigures(text, language);
    if (known.words.size() < kMaxWordFigures &&
        known.table.Insert(text, hash, static_cast<std::uint32_t>(known.words.size()), wordAt)) {
        known.words.emplace_back(text);
        known.figures.push_back(figures);
    }
    return figures;
}

Word CountKnownWord(KnownWords& known, std::string_view text, bool first,
                    const Language& language) {
    Word word;
    word.span = {0, text.size()};
    word.text = text;
    const WordFigures figures = FiguresOf(known, text, language);
    word.syllables = figures.syllables;
    word.characters = figures.characters;
    word.complex = word.syllables >= kComplexSyllables;
    if (word.complex) {
        std::size_t next = 0;
        const UChar32 c = CodePointAt(text, 0, &next);
        const bool properNoun = !first && (u_isupper(c) || u_istitle(c));
        word.fogComplex = !properNoun && figures.fogComplexInside;
    }
    return word;
}

void WordsInto(std::string_view sentence, std::vector<Span>* out);

// The lists Sentences fills on its way.
struct SentenceScratch {
    std::vector<std::size_t> ends;
    std::vector<Span> pieces;
    std::vector<Span> cut;
    std::vector<std::size_t> cuts;
    std::vector<Span> joined;
};

} // namespace

std::vector<Span> Sentences(std::string_view original) {
    return Sentences(original, English());
}

std::vector<Span> Sentences(std::string_view original, const Language& language) {
    std::vector<Span> out;
    if (original.empty())
        return out;
    const std::string joined = JoinSingleLineBreaks(original);
    const std::string_view text = joined.empty() ? original : std::string_view(joined);
    icu::BreakIterator* iterator = SentenceIterator(language);
    // The steps' lists are the thread's, kept from text to text: nothing is allocated for a
    // text once they have grown to its size.
    thread_local SentenceScratch scratch;
    std::vector<Span>& pieces = scratch.pieces;
    std::vector<std::size_t>& ends = scratch.ends;
    std::vector<Span>& cut = scratch.cut;
    std::vector<std::size_t>& cuts = scratch.cuts;
    std::vector<Span>& joinedSpans = scratch.joined;
    pieces.clear();
    ends.clear();
    cut.clear();
    joinedSpans.clear();
    if (iterator && AsciiSentenceEnds(text, &ends)) {
        std::size_t from = 0;
        for (std::size_t to : ends) {
            pieces.push_back({from, to - from});
            from = to;
        }
    } else if (iterator) {
        UErrorCode status = U_ZERO_ERROR;
        UText* ut =
            utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
        if (U_SUCCESS(status)) {
            iterator->setText(ut, status);
            std::int32_t from = iterator->first();
            for (std::int32_t to = iterator->next(); to != icu::BreakIterator::DONE;
                 from = to, to = iterator->next())
                pieces.push_back(
                    {static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)});
            iterator->setText(icu::UnicodeString());
        }
        utext_close(ut);
    }
    if (pieces.empty())
        pieces.push_back({0, text.size()});
    // The rule layer: cut before lower-case sentences ICU ran on, then join what goes on.
    for (const Span& p : pieces) {
        cuts.clear();
        SplitBeforeLowerCase(text, p, language, &cuts);
        std::size_t from = p.offset;
        for (std::size_t at : cuts) {
            cut.push_back({from, at - from});
            from = at;
        }
        cut.push_back({from, p.offset + p.length - from});
    }
    for (const Span& p : cut) {
        const Span t = Trimmed(text, p);
        if (t.length == 0)
            continue;
        if (!joinedSpans.empty()) {
            Span& last = joinedSpans.back();
            const std::string_view before = text.substr(last.offset, last.length);
            if (IsListNumber(before)) {
                last = t; // a list or section number is neither a sentence nor words of one
                continue;
            }
            if (GoesOn(before, text.substr(t.offset, t.length), language)) {
                last.length = t.offset + t.length - last.offset;
                continue;
            }
        }
        joinedSpans.push_back(t);
    }
    for (Span s : joinedSpans) {
        std::string_view piece = text.substr(s.offset, s.length);
        if (IsListNumber(piece) || !HasLetterOrDigit(piece))
            continue;
        // A list letter or number with a bracket ("a) Close it.") that ICU left at the start.
        const std::size_t blank = piece.find_first_of(" \t");
        if (blank != std::string_view::npos && piece[blank - 1] == ')' &&
            IsListNumber(piece.substr(0, blank))) {
            const Span rest = Trimmed(text, {s.offset + blank, s.length - blank});
            if (!HasLetterOrDigit(text.substr(rest.offset, rest.length)))
                continue;
            s = rest;
        }
        out.push_back(s);
    }
    return out;
}

std::vector<Span> Words(std::string_view sentence) {
    std::vector<Span> words;
    words.reserve(sentence.size() / 6 + 1);
    WordsInto(sentence, &words);
    return words;
}

namespace {

// The words of a sentence, as Words finds them, appended to *words.
void WordsInto(std::string_view sentence, std::vector<Span>* out) {
    std::vector<Span>& words = *out;
    const std::size_t n = sentence.size();
    std::size_t i = 0, next = 0;
    // Whether the code point at k breaks words; next is set past it. ASCII is read directly.
    auto breaksAt = [&](std::size_t k) {
        const auto byte = static_cast<unsigned char>(sentence[k]);
        if (byte < 0x80) {
            next = k + 1;
            return byte == ' ' || (byte >= 0x09 && byte <= 0x0D);
        }
        return IsWordBreak(CodePointAt(sentence, k, &next));
    };
    while (i < n) {
        while (i < n && breaksAt(i))
            i = next;
        std::size_t e = i;
        bool slash = false;
        while (e < n && !breaksAt(e)) {
            slash = slash || sentence[e] == '/';
            e = next;
        }
        if (e == i)
            break;
        if (!slash) {
            AddWord(sentence, i, e, &words);
            i = e;
            continue;
        }
        // The token trimmed of punctuation, then cut at its slashes when they join plain words.
        std::size_t b = i, t = e, start = 0;
        while (b < t && !IsWordChar(CodePointAt(sentence, b, &next)))
            b = next;
        while (t > b && !IsWordChar(CodePointBefore(sentence, t, &start)))
            t = start;
        const bool leadingSlash = b > i && sentence[b - 1] == '/';
        if (t > b && !leadingSlash && SlashSeparatesWords(sentence.substr(b, t - b))) {
            std::size_t from = b;
            for (std::size_t k = b; k <= t; ++k) {
                if (k == t || sentence[k] == '/') {
                    AddWord(sentence, from, k, &words);
                    from = k + 1;
                }
            }
        } else {
            AddWord(sentence, i, e, &words);
        }
        i = e;
    }
}

} // namespace

int Characters(std::string_view word) {
    int n = 0;
    for (std::size_t i = 0, next = 0; i < word.size(); i = next)
        n += IsWordChar(CodePointAt(word, i, &next)) ? 1 : 0;
    return n;
}

Word CountWord(std::string_view text, bool first) {
    return CountWord(text, first, English());
}

Word CountWord(std::string_view text, bool first, const Language& language) {
    return CountKnownWord(KnownWordsOf(language), text, first, language);
}

std::vector<Sentence> Analyse(std::string_view text) {
    return Analyse(text, English());
}

std::vector<Sentence> Analyse(std::string_view text, const Language& language) {
    std::vector<Sentence> out;
    const std::vector<Span> sentences = Sentences(text, language);
    out.reserve(sentences.size());
    KnownWords& known = KnownWordsOf(language);
    for (const Span& s : sentences) {
        Sentence sentence;
        sentence.span = s;
        const std::string_view body = text.substr(s.offset, s.length);
        bool first = true;
        thread_local std::vector<Span> words;
        words.clear();
        WordsInto(body, &words);
        sentence.words.reserve(words.size());
        for (const Span& w : words) {
            Word word = CountKnownWord(known, body.substr(w.offset, w.length), first, language);
            word.span = {s.offset + w.offset, w.length};
            first = false;
            sentence.words.push_back(word);
        }
        if (!sentence.words.empty())
            out.push_back(std::move(sentence));
    }
    return out;
}

void CountText(std::string_view text, ReadabilityCounts* counts, std::int32_t* fogComplex) {
    if (!counts)
        return;
    std::int64_t sentences = 0, words = 0, syllables = 0, characters = 0, complex = 0, fog = 0,
                 monosyllables = 0;
    for (const Sentence& s : Analyse(text)) {
        ++sentences;
        for (const Word& w : s.words) {
            ++words;
            syllables += w.syllables;
            characters += w.characters;
            complex += w.complex ? 1 : 0;
            monosyllables += w.syllables == 1 ? 1 : 0;
            fog += w.fogComplex ? 1 : 0;
        }
    }
    AddToTotal(&counts->sentences, sentences);
    AddToTotal(&counts->words, words);
    AddToTotal(&counts->syllables, syllables);
    AddToTotal(&counts->characters, characters);
    AddToTotal(&counts->complexWords, complex);
    AddToTotal(&counts->monosyllables, monosyllables);
    if (fogComplex)
        AddToTotal(fogComplex, fog);
}

} // namespace lxprecise
