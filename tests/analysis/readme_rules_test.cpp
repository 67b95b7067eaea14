// The README's table of counting rules: every example counts what the table says.
#include "analysis/tokenizer.h"
#include "readme_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ReadmeRules, EveryExampleCountsWhatTheTableSays) {
    // Sentences, words, syllables, characters and complex words of each example.
    const std::vector<ReadmeExample> rows = ReadmeExamples("## How Lexameter counts", 5);
    ASSERT_GE(rows.size(), 12u) << "the table of README.md was not found";
    for (const ReadmeExample& row : rows) {
        SCOPED_TRACE(row.rule);
        ReadabilityCounts counts{};
        CountText(row.example, &counts);
        EXPECT_EQ(std::vector<int>({counts.sentences, counts.words, counts.syllables,
                                    counts.characters, counts.complexWords}),
                  row.figures)
            << row.example;
    }
}

} // namespace
