// The totals of a readability analysis, shared by the counting, the measures and the reports.
#pragma once

#include <cstdint>
#include <limits>

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

// Adds b's counts to a, each total held at the range of its field (a file's counts added to a
// book's total give what counting the file into the total directly gives).
inline void AddCounts(ReadabilityCounts& a, const ReadabilityCounts& b) {
    auto add = [](std::int32_t& total, std::int32_t value) {
        std::int64_t sum = static_cast<std::int64_t>(total) + value;
        if (sum > std::numeric_limits<std::int32_t>::max())
            sum = std::numeric_limits<std::int32_t>::max();
        total = static_cast<std::int32_t>(sum);
    };
    add(a.paragraphs, b.paragraphs);
    add(a.sentences, b.sentences);
    add(a.syllables, b.syllables);
    add(a.words, b.words);
    add(a.characters, b.characters);
    add(a.complexWords, b.complexWords);
    add(a.monosyllables, b.monosyllables);
}
