#include "analysis/precise/ascii_sentences.h"

#include <unicode/uchar.h>

#include <array>
#include <cstdint>

namespace lxprecise {

namespace {

// The sentence break class of each ASCII character, read from ICU's own property data so that
// both agree; kUnhandled for a class the rules below leave out (Extend and Format, which the
// rules skip over and no ASCII character has).
constexpr std::uint8_t kUnhandled = 0xFF;

struct Tables {
    std::array<std::uint8_t, 128> classes{};
    // The characters after which a boundary can fall: terminators and paragraph separators.
    std::array<bool, 128> decides{};
    bool unhandled = false; // some ASCII character has a class of kUnhandled
};

const Tables& TheTables() {
    static const Tables tables = [] {
        Tables t;
        for (UChar32 c = 0; c < 128; ++c) {
            const auto sb = u_getIntPropertyValue(c, UCHAR_SENTENCE_BREAK);
            const auto i = static_cast<std::size_t>(c);
            t.classes[i] =
                sb == U_SB_EXTEND || sb == U_SB_FORMAT ? kUnhandled : static_cast<std::uint8_t>(sb);
            t.unhandled = t.unhandled || t.classes[i] == kUnhandled;
            t.decides[i] = sb == U_SB_ATERM || sb == U_SB_STERM || sb == U_SB_SEP ||
                           sb == U_SB_CR || sb == U_SB_LF;
        }
        return t;
    }();
    return tables;
}

bool IsParaSep(std::uint8_t c) {
    return c == U_SB_SEP || c == U_SB_CR || c == U_SB_LF;
}

bool IsSATerm(std::uint8_t c) {
    return c == U_SB_ATERM || c == U_SB_STERM;
}

// What stands before a boundary, as far as the rules after a sentence's end look back: a
// terminator ("." or "!" or "?"), then closing punctuation, then spaces.
enum class After { Nothing, Term, TermClose, TermSpace };

// Whether, from `from` on, the characters that are neither letters, paragraph separators nor
// terminators lead to a lower-case letter: then a period before them ends no sentence ("etc.)
// and so").
bool LowerFollows(std::string_view text, std::size_t from,
                  const std::array<std::uint8_t, 128>& classes) {
    for (std::size_t i = from; i < text.size(); ++i) {
        const std::uint8_t c = classes[static_cast<unsigned char>(text[i])];
        if (c == U_SB_LOWER)
            return true;
        if (c == U_SB_OLETTER || c == U_SB_UPPER || IsParaSep(c) || IsSATerm(c))
            return false;
    }
    return false;
}

} // namespace

bool AsciiSentenceEnds(std::string_view text, std::vector<std::size_t>* ends) {
    const Tables& tables = TheTables();
    const auto& classes = tables.classes;
    unsigned char any = 0;
    for (const char ch : text)
        any |= static_cast<unsigned char>(ch);
    if (any >= 0x80)
        return false;
    if (tables.unhandled)
        for (const char ch : text)
            if (classes[static_cast<unsigned char>(ch)] == kUnhandled)
                return false;
    if (text.empty())
        return true;
    auto classAt = [&](std::size_t i) { return classes[static_cast<unsigned char>(text[i])]; };
    After after = After::Nothing;
    bool aterm = false;        // the terminator before is a period
    bool lowerFollows = false; // and a lower-case letter follows it past non-letters
    // The boundary between text[p - 1] and text[p], the state describing text[0, p).
    for (std::size_t p = 1; p < text.size(); ++p) {
        // Away from a terminator no boundary falls until the next terminator or separator.
        if (after == After::Nothing) {
            while (p < text.size() && !tables.decides[static_cast<unsigned char>(text[p - 1])])
                ++p;
            if (p == text.size())
                break;
        }
        const std::uint8_t left = classAt(p - 1), right = classAt(p);
        // The state after text[p - 1].
        if (IsSATerm(left)) {
            after = After::Term;
            aterm = left == U_SB_ATERM;
            lowerFollows = aterm && LowerFollows(text, p, classes);
        } else if (left == U_SB_CLOSE && (after == After::Term || after == After::TermClose)) {
            after = After::TermClose;
        } else if (left == U_SB_SP && after != After::Nothing) {
            after = After::TermSpace;
        } else {
            after = After::Nothing;
        }
        bool boundary = false;
        if (left == U_SB_CR && right == U_SB_LF) // CR x LF
            boundary = false;
        else if (IsParaSep(left)) // ParaSep ÷
            boundary = true;
        else if (after == After::Nothing)
            boundary = false;
        else if (left == U_SB_ATERM && right == U_SB_NUMERIC) // ATerm x Numeric
            boundary = false;
        else if (left == U_SB_ATERM && right == U_SB_UPPER && p >= 2 &&
                 (classAt(p - 2) == U_SB_UPPER || classAt(p - 2) == U_SB_LOWER))
            boundary = false;           // (Upper | Lower) ATerm x Upper
        else if (aterm && lowerFollows) // ATerm Close* Sp* x (not letters)* Lower
            boundary = false;
        else if (right == U_SB_SCONTINUE || IsSATerm(right)) // SATerm Close* Sp* x SContinue
            boundary = false;
        else if ((after == After::Term || after == After::TermClose) &&
                 (right == U_SB_CLOSE || right == U_SB_SP || IsParaSep(right)))
            boundary = false;                          // SATerm Close* x (Close | Sp | ParaSep)
        else if (right == U_SB_SP || IsParaSep(right)) // SATerm Close* Sp* x (Sp | ParaSep)
            boundary = false;
        else // SATerm Close* Sp* ÷
            boundary = true;
        if (boundary)
            ends->push_back(p);
    }
    ends->push_back(text.size());
    return true;
}

} // namespace lxprecise
