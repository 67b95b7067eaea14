// The precise counting profile: sentences cut by ICU's sentence break iterator with a layer of
// rules for technical prose, words that keep compounds, paths, addresses and options whole, and
// syllables from espeak-ng's pronunciation of each word. It counts UTF-8 text. The classic
// profile (analysis/tokenizer.h) stays what the plug-in counts; this one is for the tool only.
#pragma once

#include "analysis/counts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lxprecise {

struct Language;

// A piece of a text: [offset, offset + length) of its UTF-8 bytes.
struct Span {
    std::size_t offset = 0;
    std::size_t length = 0;
};

// A word of a sentence with what the profile counts of it.
struct Word {
    Span span;             // into the text given to Analyse
    std::string_view text; // the word as counted (UTF-8), in the text given to Analyse or CountWord
    int syllables = 1;
    int characters = 0;      // its letters and digits
    bool complex = false;    // three syllables or more (SMOG)
    bool fogComplex = false; // complex for Gunning Fog: not a proper noun, a compound or an
                             // -es, -ed or -ing word that only reaches three syllables that way
};

struct Sentence {
    Span span;
    std::vector<Word> words;
};

// A word of this many syllables or more is complex.
constexpr int kComplexSyllables = 3;

// Whether the profile can count here: false with the reason when the build has no espeak-ng or
// its English voice cannot be set.
bool Available(std::string* why);

// The sentences of a text: ICU's sentence breaks corrected by the profile's rules. Segments
// without a letter or digit are left out.
std::vector<Span> Sentences(std::string_view text);

// The words of a sentence (spans into it): cut at spaces, em and en dashes and slashes between
// plain words, each with at least one letter or digit, its surrounding punctuation trimmed.
std::vector<Span> Words(std::string_view sentence);

// The syllables of a word: the syllable nuclei of espeak-ng's phonemes for its letters, lower
// case; 1 for a word without letters. Serialised and cached: callable from any thread.
int Syllables(std::string_view word);

// Letters and digits of a word (UTF-8: each code point that is a letter or digit counts once).
int Characters(std::string_view word);

// One word as the profile counts it: its syllables, characters and whether it is complex, for
// SMOG and for Gunning Fog (first: it begins its sentence, so a capital does not make it a name).
Word CountWord(std::string_view word, bool first);

// The whole analysis of a text: its sentences with their words. Needs Available().
std::vector<Sentence> Analyse(std::string_view text);

// Counts a text as Analyse cuts it, adding to counts (sentences, words, syllables, characters,
// complex words) and to *fogComplex (may be null); totals stop at their range.
void CountText(std::string_view text, ReadabilityCounts* counts, std::int32_t* fogComplex);

// The same with a language's rules (languages.h): its ICU locale and abbreviations for the
// sentences, its espeak-ng voice for the syllables. The functions above count English.
std::vector<Span> Sentences(std::string_view text, const Language& language);
int Syllables(std::string_view word, const Language& language);
Word CountWord(std::string_view word, bool first, const Language& language);
std::vector<Sentence> Analyse(std::string_view text, const Language& language);

// Whether espeak-ng can pronounce the language here: false with the reason when its voice
// cannot be set (its data is not installed). Words of such a language are counted by their
// groups of vowels instead.
bool LanguageAvailable(const Language& language, std::string* why);

} // namespace lxprecise
