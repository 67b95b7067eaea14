// The totals of a readability analysis, shared by the counting, the measures and the reports.
#pragma once

#include <cstdint>

// The caller zeroes the record; every counting routine only adds to it.
struct ReadabilityCounts {
    std::int32_t paragraphs;   // text objects that yielded at least one counted sentence
    std::int32_t sentences;    // counted sentences
    std::int32_t syllables;    // syllables of all words
    std::int32_t words;        // words of all counted sentences
    std::int32_t characters;   // bytes of all words after trimming
    std::int32_t complexWords; // words of three or more syllables
    // Words of one syllable: counted by the precise profile (a formula of German reads them),
    // left at zero by the classic rules.
    std::int32_t monosyllables = 0;
};
