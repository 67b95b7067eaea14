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
        const std::int32_t longWords =
            CountSentenceView(sentence, &counts, kLongWordBytes, wordVisit, wordContext);
        visit(sentence, counts, longWords, context);
    }
}
