#include "analysis/measures.h"

#include "support/mem.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(Measure measure, const ReadabilityCounts& counts) {
    MeasureLine lines[kMeasureMaxLines];
    int n = MeasureLines(measure, counts, lines);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.push_back(std::string(lines[i].label) + lines[i].value);
    return out;
}

TEST(MeasureLines, TheWorkedExample) {
    // 2 paragraphs, 3 sentences, 40 syllables, 30 words, 120 characters, 4 complex words.
    const ReadabilityCounts counts = {2, 3, 40, 30, 120, 4};
    EXPECT_EQ(
        Lines(MeasureFlesch, counts),
        (std::vector<std::string>{"Flesch Reading Ease: 83.9", "Flesch-Kincaid Grade Level: 4.0"}));
    EXPECT_EQ(Lines(MeasureAri, counts), std::vector<std::string>{"ARI Grade Level: 2.4"});
    EXPECT_EQ(Lines(MeasureSmog, counts), std::vector<std::string>{"SMOG Grade Level: 9.7"});
    EXPECT_EQ(Lines(MeasureFog, counts), std::vector<std::string>{"Gunning Fog Index: 9.3"});
    EXPECT_EQ(
        Lines(MeasureCounts, counts),
        (std::vector<std::string>{"Total Paragraphs: 2", "Total Sentences: 3", "Total Words: 30",
                                  "Total Characters: 120", "Average Sentences per Paragraph: 1.5",
                                  "Average Words per Sentence: 10.0"}));
}

TEST(MeasureLines, PublishedVectorsAndNegativeValues) {
    // One sentence of 13 words and 26 syllables.
    const ReadabilityCounts dense = {1, 1, 26, 13, 60, 5};
    EXPECT_EQ(Lines(MeasureFlesch, dense),
              (std::vector<std::string>{"Flesch Reading Ease: 24.4",
                                        "Flesch-Kincaid Grade Level: 13.1"}));
    // Very long words push Flesch Reading Ease below zero: the sign and one decimal show.
    const ReadabilityCounts heavy = {1, 1, 60, 10, 100, 10};
    EXPECT_EQ(Lines(MeasureFlesch, heavy)[0], "Flesch Reading Ease: -310.9");
}

TEST(MeasureLines, NothingCountedShowsNotAvailableAndZeroTotals) {
    const ReadabilityCounts none = {};
    for (Measure m : {MeasureFlesch, MeasureAri, MeasureSmog, MeasureFog})
        for (const std::string& line : Lines(m, none))
            EXPECT_EQ(line.substr(line.size() - 3), "n/a") << line;
    std::vector<std::string> counts = Lines(MeasureCounts, none);
    EXPECT_EQ(counts[0], "Total Paragraphs: 0");
    EXPECT_EQ(counts[3], "Total Characters: 0");
    EXPECT_EQ(counts[4], "Average Sentences per Paragraph: n/a");
    EXPECT_EQ(counts[5], "Average Words per Sentence: n/a");
    MeasureLine lines[kMeasureMaxLines];
    EXPECT_EQ(MeasureLines(static_cast<Measure>(9), none, lines), 0);
}

TEST(FormatCount, GroupsDigitsInThrees) {
    struct Case {
        std::int32_t value;
        const char* text;
    };
    const Case cases[] = {{0, "0"},
                          {1, "1"},
                          {999, "999"},
                          {1000, "1,000"},
                          {1234, "1,234"},
                          {123456, "123,456"},
                          {1234567, "1,234,567"},
                          {1000000, "1,000,000"},
                          {-123, "-123"},
                          {-1234, "-1,234"},
                          {std::numeric_limits<std::int32_t>::max(), "2,147,483,647"},
                          {std::numeric_limits<std::int32_t>::min(), "-2,147,483,648"}};
    for (const Case& c : cases) {
        char* text = FormatCount(c.value, "Total Words: ");
        EXPECT_EQ(std::string(text), std::string("Total Words: ") + c.text);
        MemFree(text);
    }
    EXPECT_EQ(GroupThousands(nullptr), nullptr);
    char* empty = GroupThousands("");
    EXPECT_STREQ(empty, "");
    MemFree(empty);
}

} // namespace
