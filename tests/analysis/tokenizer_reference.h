// The tokenizer's rules spelled out with the cursor routines, each string owned and released the
// way their callers must: the reference that the view routines and CountText have to match. Used
// by the tokenizer's tests and by its fuzz target.
#pragma once

#include "analysis/tokenizer.h"
#include "support/mem.h"
#include "support/str.h"

#include <array>
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

// The rules once more, written from their description over plain indexes and the byte sets of
// the header, sharing no routine with the tokenizer: the independent reference for the rule of the
// byte after a sentence end (consumed when it is a separator or trimmed punctuation, kept when it
// begins a word).
namespace by_index {

template <std::size_t N> bool In(const std::array<unsigned char, N>& set, char c) {
    for (unsigned char b : set)
        if (b == static_cast<unsigned char>(c))
            return true;
    return false;
}

inline int Syllables(const std::string& word) {
    int groups = 0;
    bool silentE = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const bool vowel = In(Vowels, word[i]);
        const bool afterVowel = i > 0 && In(Vowels, word[i - 1]);
        if (vowel && !afterVowel) {
            ++groups;
            silentE = i + 1 == word.size() && (word[i] == 'e' || word[i] == 'E');
        }
    }
    groups -= silentE ? 1 : 0;
    return groups < 1 ? 1 : groups;
}

inline void CountSentence(const std::string& sentence, Totals* t) {
    ++t->sentences;
    std::size_t i = 0;
    while (i < sentence.size()) {
        if (In(WordSeparators, sentence[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < sentence.size() && !In(WordSeparators, sentence[end]))
            ++end;
        std::size_t b = i, e = end;
        while (b < e && In(TrimCharacters, sentence[b]))
            ++b;
        while (e > b && In(TrimCharacters, sentence[e - 1]))
            --e;
        const int s = Syllables(sentence.substr(b, e - b));
        ++t->words;
        t->syllables += s;
        t->complexWords += s >= kComplexWordSyllables ? 1 : 0;
        t->characters += static_cast<int>(e - b);
        i = end;
    }
}

inline Totals Count(const std::string& text) {
    Totals t{};
    const std::size_t n = text.size();
    std::size_t pos = 0;
    while (pos < n) {
        std::size_t start = pos;
        while (start < n && In(WordSeparators, text[start]))
            ++start;
        std::size_t end = start;
        bool text_seen = false;
        while (end < n) {
            const char c = text[end];
            if (In(SentenceTerminators, c))
                break;
            if (c == '.' && end + 1 < n && In(kPeriodEnders, text[end + 1]))
                break;
            text_seen |= c != '.';
            ++end;
        }
        pos = end + 1; // past the terminator
        if (pos < n && (In(WordSeparators, text[pos]) || In(TrimCharacters, text[pos])))
            ++pos;
        if (text_seen && end - start >= kMinSentenceBytes)
            CountSentence(text.substr(start, end - start), &t);
    }
    return t;
}

} // namespace by_index

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
