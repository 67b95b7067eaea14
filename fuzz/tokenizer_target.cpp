// The tokenizer's fuzz target. Any input is a paragraph's text: the view routines must cut the
// same sentences and words as the cursor routines, CountText must give the cursor routines'
// counts, and counts added to totals near their limits never go below zero or back.
#include "fuzz/fuzz_target.h"
#include "tests/analysis/tokenizer_reference.h"

#include <cstdint>
#include <limits>
#include <string>

namespace {

// The cursor routines cost the square of the length: longer inputs are cut to this.
constexpr std::size_t kMaxText = 4096;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

} // namespace

LX_FUZZ_TARGET(input) {
    using namespace tokenizer_reference;
    // A cursor string ends at its first NUL; the views would read on.
    const std::string text(input.substr(0, input.find('\0')).substr(0, kMaxText));
    FuzzCheck(TokensWithViews(text) == TokensWithCursors(text),
              "the view routines cut other sentences or words than the cursor routines");
    ReadabilityCounts fast{};
    CountText(text, &fast);
    const Totals reference = CountWithCursors(text);
    FuzzCheck(FromCounts(fast) == reference, "CountText differs from the cursor routines");
    FuzzCheck(fast.paragraphs == 0, "CountText counted a paragraph");
    FuzzCheck(reference.sentences >= 0 && reference.words >= 0 && reference.syllables >= 0 &&
                  reference.characters >= 0 && reference.complexWords >= 0,
              "a count below zero");

    // Totals near their limits stop there: never wrapped below zero, never smaller than before.
    ReadabilityCounts high = {0, kMax - 1, kMax - 2, kMax - 3, kMax - 4, kMax - 5};
    const ReadabilityCounts before = high;
    CountText(text, &high);
    const std::int32_t* after[] = {&high.sentences, &high.syllables, &high.words, &high.characters,
                                   &high.complexWords};
    const std::int32_t* old[] = {&before.sentences, &before.syllables, &before.words,
                                 &before.characters, &before.complexWords};
    for (int i = 0; i < 5; ++i)
        FuzzCheck(*after[i] >= *old[i], "a total near its limit wrapped round");
}
