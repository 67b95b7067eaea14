// The tokenizer's rules spelled out with the cursor routines, each string owned and released the
// way their callers must: the reference that the view routines and CountText have to match. Used
// by the tokenizer's tests and by its fuzz target.
#pragma once

#include "analysis/tokenizer.h"
#include "support/mem.h"
#include "support/str.h"

#include <string>
#include <vector>

namespace tokenizer_reference {

struct Totals {
    int sentences, words, syllables, characters, complexWords;
    bool operator==(const Totals&) const = default;
};

inline Totals FromCounts(const ReadabilityCounts& c) {
    return {c.sentences, c.words, c.syllables, c.characters, c.complexWords};
}

// The counts of a text, cut with the cursor routines.
inline Totals CountWithCursors(const std::string& text) {
    Totals t{};
    char* cursor = StrDup(text.c_str());
    while (char* sentence = NextSentence(&cursor)) {
        if (StrLen(sentence) >= 2) {
            ++t.sentences;
            t.words += CountSentenceWords(sentence);
            char* wordCursor = sentence;
            while (char* word = NextWord(&wordCursor)) {
                TrimPunctuation(&word);
                const int s = CountSyllables(word);
                t.syllables += s;
                if (s >= 3)
                    ++t.complexWords;
                t.characters += static_cast<int>(StrLen(word));
                MemFree(word);
            }
            sentence = wordCursor;
        }
        MemFree(sentence);
    }
    MemFree(cursor);
    return t;
}

// Every sentence cut with the cursor routines, followed by its trimmed words.
inline std::vector<std::vector<std::string>> TokensWithCursors(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    char* cursor = StrDup(text.c_str());
    while (char* sentence = NextSentence(&cursor)) {
        out.push_back({sentence});
        char* wordCursor = sentence;
        while (char* word = NextWord(&wordCursor)) {
            TrimPunctuation(&word);
            out.back().emplace_back(word);
            MemFree(word);
        }
        MemFree(wordCursor);
    }
    MemFree(cursor);
    return out;
}

inline std::vector<std::vector<std::string>> TokensWithViews(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    std::size_t pos = 0;
    std::string_view sentence;
    while (NextSentenceView(text, &pos, &sentence)) {
        out.push_back({std::string(sentence)});
        std::size_t wordPos = 0;
        std::string_view word;
        while (NextWordView(sentence, &wordPos, &word))
            out.back().emplace_back(TrimPunctuationView(word));
    }
    return out;
}

} // namespace tokenizer_reference
