#include "analysis/tokenizer.h"

#include "support/mem.h"
#include "support/str.h"

#include <cstring>
#include <limits>

namespace {

// One table answers every byte test of the tokenizer with a single load.
enum ByteClass : unsigned char {
    kClassSeparator = 1u << 0,
    kClassTerminator = 1u << 1,
    kClassPeriodEnder = 1u << 2,
    kClassTrim = 1u << 3,
    kClassVowel = 1u << 4,
};

template <std::size_t N>
constexpr void MarkClass(std::array<unsigned char, 256>& table,
                         const std::array<unsigned char, N>& bytes, unsigned char cls) {
    for (unsigned char b : bytes)
        table[b] |= cls;
}

constexpr std::array<unsigned char, 256> MakeClassTable() {
    std::array<unsigned char, 256> table{};
    MarkClass(table, WordSeparators, kClassSeparator);
    MarkClass(table, SentenceTerminators, kClassTerminator);
    MarkClass(table, kPeriodEnders, kClassPeriodEnder);
    MarkClass(table, TrimCharacters, kClassTrim);
    MarkClass(table, Vowels, kClassVowel);
    return table;
}

constexpr std::array<unsigned char, 256> kByteClasses = MakeClassTable();

inline unsigned char ClassAt(std::string_view s, std::size_t i) {
    return kByteClasses[static_cast<unsigned char>(s[i])];
}

inline bool IsSilentE(char c) {
    return c == 'e' || c == 'E';
}

inline int ClampToInt(std::int64_t value) {
    return value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(value);
}

// Adds to a 32-bit total without wrapping round: a total that would pass the field's range stops
// at its limit, which keeps the measures computed from it meaningful.
void AddToTotal(std::int32_t* total, std::int64_t add) {
    std::int64_t sum = static_cast<std::int64_t>(*total) + add;
    if (sum > std::numeric_limits<std::int32_t>::max())
        sum = std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min())
        sum = std::numeric_limits<std::int32_t>::min();
    *total = static_cast<std::int32_t>(sum);
}

// A new string holding the bytes of the view, or null when it cannot be allocated.
char* CopyView(std::string_view view) {
    char* copy = StrAlloc(view.size());
    if (copy && !view.empty())
        std::memcpy(copy, view.data(), view.size());
    return copy;
}

} // namespace

bool IsWordSeparator(unsigned char byte) {
    return kByteClasses[byte] & kClassSeparator;
}

bool NextSentenceView(std::string_view text, std::size_t* pos, std::string_view* sentence) {
    const std::size_t n = text.size();
    if (*pos >= n)
        return false;
    std::size_t start = *pos;
    while (start < n && (ClassAt(text, start) & kClassSeparator))
        ++start;
    // A candidate made only of periods (or empty) ends the text for the callers: nothing after
    // it is looked at.
    bool textSeen = false;
    std::size_t t = start;
    for (; t < n; ++t) {
        const unsigned char c = static_cast<unsigned char>(text[t]);
        if (kByteClasses[c] & kClassTerminator)
            break;
        if (c == kPeriod) {
            if (t + 1 < n && (ClassAt(text, t + 1) & kClassPeriodEnder))
                break;
            continue;
        }
        textSeen = true;
    }
    if (!textSeen)
        return false;
    *sentence = text.substr(start, t - start);
    // The terminator and the one byte after it are consumed, whatever that byte is.
    *pos = n - t > 2 ? t + 2 : n;
    return true;
}

bool NextWordView(std::string_view text, std::size_t* pos, std::string_view* word) {
    const std::size_t n = text.size();
    std::size_t i = *pos;
    while (i < n && (ClassAt(text, i) & kClassSeparator))
        ++i;
    if (i >= n)
        return false;
    const std::size_t start = i;
    while (i < n && !(ClassAt(text, i) & kClassSeparator))
        ++i;
    *word = text.substr(start, i - start);
    while (i < n && (ClassAt(text, i) & kClassSeparator))
        ++i;
    *pos = i;
    return true;
}

std::string_view TrimPunctuationView(std::string_view word) {
    while (!word.empty() && (ClassAt(word, 0) & kClassTrim))
        word.remove_prefix(1);
    while (!word.empty() && (ClassAt(word, word.size() - 1) & kClassTrim))
        word.remove_suffix(1);
    return word;
}

int CountSyllablesView(std::string_view word) {
    const std::size_t n = word.size();
    std::int64_t count = 0;
    std::size_t i = 0;
    while (i < n) {
        if (!(ClassAt(word, i) & kClassVowel)) {
            ++i;
            continue;
        }
        // The walk reaches a vowel only at the start of a vowel group, so a final 'e' here is
        // one that follows a non-vowel: the silent final e.
        if (i + 1 == n && IsSilentE(word[i]))
            break;
        ++count;
        ++i;
        while (i < n && (ClassAt(word, i) & kClassVowel))
            ++i;
    }
    return count == 0 ? 1 : ClampToInt(count);
}

int CountSentenceWordsView(std::string_view sentence) {
    if (sentence.empty())
        return 0;
    std::int64_t runs = 0;
    bool inRun = false;
    for (std::size_t i = 0; i < sentence.size(); ++i) {
        const bool separator = ClassAt(sentence, i) & kClassSeparator;
        if (separator && !inRun)
            ++runs;
        inRun = separator;
    }
    return ClampToInt(inRun ? runs : runs + 1);
}

void CountText(std::string_view text, ReadabilityCounts* counts) {
    if (!counts)
        return;
    std::int64_t sentences = 0, words = 0, syllables = 0, characters = 0, complexWords = 0;
    std::size_t pos = 0;
    std::string_view sentence;
    while (NextSentenceView(text, &pos, &sentence)) {
        if (sentence.size() < kMinSentenceBytes)
            continue;
        ++sentences;
        // A sentence begins on a word byte, so its words are exactly its separator runs plus one
        // (less a trailing run): counting them here equals CountSentenceWords.
        std::size_t wordPos = 0;
        std::string_view word;
        while (NextWordView(sentence, &wordPos, &word)) {
            ++words;
            const std::string_view trimmed = TrimPunctuationView(word);
            const int s = CountSyllablesView(trimmed);
            syllables += s;
            if (s >= kComplexWordSyllables)
                ++complexWords;
            characters += static_cast<std::int64_t>(trimmed.size());
        }
    }
    AddToTotal(&counts->sentences, sentences);
    AddToTotal(&counts->syllables, syllables);
    AddToTotal(&counts->words, words);
    AddToTotal(&counts->characters, characters);
    AddToTotal(&counts->complexWords, complexWords);
}

char* NextSentence(char** cursor) {
    if (!cursor || !*cursor || **cursor == '\0')
        return nullptr;
    std::size_t pos = 0;
    std::string_view sentence;
    if (!NextSentenceView(*cursor, &pos, &sentence))
        return nullptr;
    char* copy = CopyView(sentence);
    if (copy)
        StrDropFront(*cursor, pos);
    return copy;
}

int CountSentenceWords(const char* sentence) {
    return sentence ? CountSentenceWordsView(sentence) : 0;
}

char* NextWord(char** cursor) {
    if (!cursor || !*cursor || **cursor == '\0')
        return nullptr;
    std::size_t pos = 0;
    std::string_view word;
    if (!NextWordView(*cursor, &pos, &word))
        return nullptr;
    char* copy = CopyView(word);
    if (copy)
        StrDropFront(*cursor, pos);
    return copy;
}

void TrimPunctuation(char** word) {
    if (!word || !*word)
        return;
    const std::string_view whole(*word);
    const std::string_view trimmed = TrimPunctuationView(whole);
    if (trimmed.size() == whole.size())
        return;
    if (!trimmed.empty())
        std::memmove(*word, trimmed.data(), trimmed.size());
    (*word)[trimmed.size()] = '\0';
}

int CountSyllables(const char* word) {
    return CountSyllablesView(word ? std::string_view(word) : std::string_view());
}
