#include "analysis/sentence_counts.h"

#include "analysis/tokenizer.h"

void ForEachCountedSentence(std::string_view text, CountedSentenceVisit visit, void* context,
                            CountedWordVisit wordVisit, void* wordContext) {
    if (!visit)
        return;
    std::size_t pos = 0;
    std::string_view sentence;
    while (NextSentenceView(text, &pos, &sentence)) {
        if (sentence.size() < kMinSentenceBytes)
            continue;
        ReadabilityCounts counts = {};
        counts.sentences = 1;
        std::int32_t longWords = 0;
        std::size_t wordPos = 0;
        std::string_view word;
        // A sentence begins on a word byte, so its words are CountSentenceWordsView's: they are
        // counted as they are cut rather than in a pass of their own.
        while (NextWordView(sentence, &wordPos, &word)) {
            ++counts.words;
            const std::string_view trimmed = TrimPunctuationView(word);
            if (wordVisit && !trimmed.empty())
                wordVisit(trimmed, wordContext);
            const int syllables = CountSyllablesView(trimmed);
            counts.syllables += syllables;
            if (syllables >= kComplexWordSyllables)
                ++counts.complexWords;
            counts.characters += static_cast<std::int32_t>(trimmed.size());
            if (trimmed.size() >= kLongWordBytes)
                ++longWords;
        }
        visit(sentence, counts, longWords, context);
    }
}
