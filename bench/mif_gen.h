// Generated MIF documents for the benchmarks: technical-looking prose of a given number of words,
// as MIF 7.00 text.
#pragma once

#include <string>

namespace lxbench {

struct MifGenOptions {
    int words = 0;
    // 0: the 48 words of the small technical vocabulary. Otherwise the vocabulary holds that many
    // distinct words: the 48 words and made-up words of two to four syllables, drawn evenly, so
    // that a document of a million words uses practically every one of them.
    int distinct = 0;
    unsigned seed = 12345;
};

// Paragraphs of 12 to 30 words (every 25th a 4-word heading) in ParaLines of about 70 characters,
// with tab characters, in one flow on one body page. Every paragraph starts with a capitalised
// word of the small vocabulary and ends with a full stop.
std::string GenerateMif(const MifGenOptions& options);

// The made-up word number i (0-based) of the large vocabulary: lowercase ASCII letters, distinct
// for distinct i, none of them one of the small vocabulary's words.
std::string MadeUpWord(int i);

} // namespace lxbench
