// The counted sentences of a text one by one, each with its own counts, for callers that need to
// know where in a paragraph the words and syllables are (the tool's hot spots). The sentences
// and words are those of CountText: a paragraph's sentence counts add up to its own.
#pragma once

#include "analysis/counts.h"

#include <cstddef>
#include <string_view>

#include <cstdint>

// A word of this many bytes or more after trimming is a long word (the LIX measure's count).
constexpr std::size_t kLongWordBytes = 7;

// Called once per counted sentence, in text order. sentence points into the text; counts holds
// that sentence alone (sentences 1, paragraphs 0); longWords its words of kLongWordBytes or more.
using CountedSentenceVisit = void (*)(std::string_view sentence, const ReadabilityCounts& counts,
                                      std::int32_t longWords, void* context);

// Called with every word of the counted sentences that is not empty once trimmed, in text order:
// the words a word list takes from the text.
using CountedWordVisit = void (*)(std::string_view word, void* context);

// Cuts text into sentences as CountText does, skips the ones too short to count, and counts the
// words of each kept sentence; with word, also hands it each of those words (before the visit of
// their sentence), so that one pass over the text gives both.
void ForEachCountedSentence(std::string_view text, CountedSentenceVisit visit, void* context,
                            CountedWordVisit word = nullptr, void* wordContext = nullptr);
