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
};

// Adds b's counts to a, each total held at the largest value its field holds.
inline void AddHeldCounts(ReadabilityCounts& a, const ReadabilityCounts& b) {
    auto add = [](std::int32_t& total, std::int32_t value) {
        const std::int64_t sum = static_cast<std::int64_t>(total) + value;
        total = static_cast<std::int32_t>(sum > INT32_MAX ? INT32_MAX : sum);
    };
    add(a.paragraphs, b.paragraphs);
    add(a.sentences, b.sentences);
    add(a.syllables, b.syllables);
    add(a.words, b.words);
    add(a.characters, b.characters);
    add(a.complexWords, b.complexWords);
}
