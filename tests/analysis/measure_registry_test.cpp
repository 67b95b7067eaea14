// The measure registry: the formulas against figures worked by hand, and the rows' names, which
// the tool's options, configuration keys, JSON and CSV take as they are.
#include "analysis/measure_registry.h"
#include "analysis/measures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string Shown(double value) {
    char text[kMeasureValueSize];
    FormatMeasureValue(value, text, sizeof text);
    return text;
}

// Counts with the figures the formulas read; paragraphs and syllables do not matter to them.
ReadabilityCounts Counts(std::int32_t sentences, std::int32_t words, std::int32_t characters,
                         std::int32_t complexWords = 0) {
    ReadabilityCounts c = {};
    c.paragraphs = 1;
    c.sentences = sentences;
    c.words = words;
    c.characters = characters;
    c.complexWords = complexWords;
    return c;
}

struct Worked {
    const char* measure; // CSV key
    ReadabilityCounts counts;
    std::int32_t longWords;
    const char* shown;
};

// Each figure worked out by hand from the published formulas:
//   Coleman-Liau = 0.0588 L - 0.296 S - 15.8, L letters and S sentences per 100 words (the
//   characters of the counts stand for the letters);
//   LIX = words / sentences + 100 * long words / words, a long word having 7 letters or more;
//   RIX = long words / sentences;
//   Linsear Write from the whole text's counts: r = (easy + 3 hard) / sentences, easy words
//   having fewer than three syllables, hard ones (the complex words) three or more; the grade
//   is r / 2 above 20, else r / 2 - 1.
const Worked kWorked[] = {
    // L = 500, S = 5: 29.4 - 1.48 - 15.8 = 12.12.
    {"coleman_liau", Counts(5, 100, 500), 0, "12.1"},
    // L = 450, S = 5: 26.46 - 1.48 - 15.8 = 9.18.
    {"coleman_liau", Counts(10, 200, 900), 0, "9.2"},
    // L = 536.97, S = 4.2017: 31.5738 - 1.2437 - 15.8 = 14.530.
    {"coleman_liau", Counts(5, 119, 639), 30, "14.5"},
    // L = 400, S = 10: 23.52 - 2.96 - 15.8 = 4.76.
    {"coleman_liau", Counts(10, 100, 400), 0, "4.8"},
    // Short words in many sentences go below zero: L = 300, S = 20: 17.64 - 5.92 - 15.8 = -4.08.
    {"coleman_liau", Counts(20, 100, 300), 0, "-4.1"},
    {"coleman_liau", Counts(0, 0, 0), 0, "n/a"},
    {"lix", Counts(5, 100, 0), 20, "40.0"},   // 20 + 20
    {"lix", Counts(4, 60, 0), 15, "40.0"},    // 15 + 25
    {"lix", Counts(10, 150, 0), 30, "35.0"},  // 15 + 20
    {"lix", Counts(5, 119, 639), 30, "49.0"}, // 23.8 + 25.21
    {"lix", Counts(1, 10, 0), 0, "10.0"},     // 10 + 0
    {"lix", Counts(0, 0, 0), 0, "n/a"},
    {"rix", Counts(5, 100, 0), 30, "6.0"}, // 30 / 5
    {"rix", Counts(3, 40, 0), 7, "2.3"},   // 7 / 3 = 2.333
    {"rix", Counts(5, 100, 0), 0, "0.0"},  // no long words
    {"rix", Counts(0, 0, 0), 0, "n/a"},
    // 90 easy + 10 hard: r = (90 + 30) / 5 = 24, above 20: 24 / 2 = 12.
    {"linsear_write", Counts(5, 100, 0, 10), 0, "12.0"},
    // The same words in 10 sentences: r = 120 / 10 = 12: 12 / 2 - 1 = 5.
    {"linsear_write", Counts(10, 100, 0, 10), 0, "5.0"},
    // r = 120 / 6 = 20 exactly is not above 20: 20 / 2 - 1 = 9.
    {"linsear_write", Counts(6, 100, 0, 10), 0, "9.0"},
    // 92 easy + 3 hard: r = (92 + 9) / 5 = 20.2, just above: 20.2 / 2 = 10.1.
    {"linsear_write", Counts(5, 95, 0, 3), 0, "10.1"},
    // Every word hard: r = 30 / 2 = 15: 15 / 2 - 1 = 6.5.
    {"linsear_write", Counts(2, 10, 0, 10), 0, "6.5"},
    {"linsear_write", Counts(0, 0, 0), 0, "n/a"},
    // The plug-in's own, through the same rows: 3 sentences, 30 words, 40 syllables, 120
    // characters, 4 complex words. Flesch-Kincaid: 0.39 * 10 + 11.8 * 4/3 - 15.59 = 4.04.
    {"flesch_kincaid_grade", {2, 3, 40, 30, 120, 4}, 0, "4.0"},
    {"words_per_sentence", {2, 3, 40, 30, 120, 4}, 0, "10.0"},
};

TEST(MeasureRegistry, WorkedExamples) {
    for (const Worked& w : kWorked) {
        const std::size_t measure = FindMeasure(w.measure);
        ASSERT_LT(measure, kMeasureRowCount) << w.measure;
        EXPECT_EQ(Shown(MeasureValue(measure, w.counts, w.longWords)), w.shown)
            << w.measure << ": " << w.counts.sentences << " sentences, " << w.counts.words
            << " words, " << w.counts.characters << " characters, " << w.counts.complexWords
            << " complex, " << w.longWords << " long";
    }
}

// The plug-in's alerts show the same values as the rows compute: the plug-in's measure lines
// read their formulas and labels from the registry.
TEST(MeasureRegistry, ThePluginsLinesShowTheRowsValues) {
    const ReadabilityCounts counts = {2, 3, 40, 30, 120, 4};
    const MeasureValues v = ComputeMeasureValues(counts);
    const struct {
        std::size_t measure;
        double value;
    } cases[] = {
        {kReadingEaseMeasure, v.fleschReadingEase},
        {kKincaidGradeMeasure, v.fleschKincaidGrade},
        {kAriMeasure, v.ari},
        {kSmogMeasure, v.smog},
        {kFogMeasure, v.fog},
        {kWordsPerSentenceMeasure, v.wordsPerSentence},
    };
    for (const auto& c : cases) {
        // Equal up to rounding: a 32-bit x87 build may keep one side in extended precision.
        EXPECT_DOUBLE_EQ(MeasureValue(c.measure, counts, 0), c.value)
            << kMeasureRows[c.measure].csvKey;
        EXPECT_NE(kMeasureRows[c.measure].alertLabel, nullptr);
    }
}

// Every name of a row is its own: two rows with one JSON key would overwrite each other's
// member, two with one option would make the option parser refuse to start. A threshold's key
// is its option with underscores, and a maximum's option starts "max-", a minimum's "min-".
TEST(MeasureRegistry, EveryRowHasNamesOfItsOwn) {
    std::set<std::string> headings, jsonKeys, csvKeys, labels, thresholdKeys, options;
    for (const MeasureRow& row : kMeasureRows) {
        SCOPED_TRACE(row.csvKey);
        ASSERT_NE(row.compute, nullptr);
        ASSERT_NE(row.heading, nullptr);
        ASSERT_NE(row.jsonKey, nullptr);
        EXPECT_TRUE(headings.insert(row.heading).second);
        EXPECT_TRUE(jsonKeys.insert(row.jsonKey).second);
        EXPECT_TRUE(csvKeys.insert(row.csvKey).second);
        if (row.alertLabel) {
            EXPECT_TRUE(labels.insert(row.alertLabel).second);
            EXPECT_EQ(std::string(row.alertLabel).substr(std::string(row.alertLabel).size() - 2),
                      ": ");
        }
        // A JSON key is camel case, a CSV key snake case, neither with blanks.
        for (char c : std::string(row.jsonKey))
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
                << row.jsonKey;
        for (char c : std::string(row.csvKey))
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') << row.csvKey;
        EXPECT_EQ(row.thresholdKey == nullptr, row.thresholdOption == nullptr);
        EXPECT_EQ(row.thresholdKey == nullptr, row.thresholdHelp == nullptr);
        if (row.underMaxGrade) {
            EXPECT_EQ(row.scale, MeasureScale::Grade);
            EXPECT_NE(row.thresholdKey, nullptr);
        }
        if (!row.thresholdKey)
            continue;
        std::string key = row.thresholdKey, option = row.thresholdOption;
        EXPECT_TRUE(thresholdKeys.insert(key).second);
        EXPECT_TRUE(options.insert(option).second);
        for (char& c : option)
            if (c == '-')
                c = '_';
        EXPECT_EQ(key, option);
        EXPECT_EQ(option.substr(0, 4), row.better == MeasureBetter::Lower ? "max_" : "min_");
        // The grade limit's own names are taken.
        EXPECT_NE(key, "max_grade");
    }
}

TEST(MeasureRegistry, FindMeasureByCsvKey) {
    EXPECT_EQ(FindMeasure("flesch_kincaid_grade"), kKincaidGradeMeasure);
    EXPECT_EQ(kMeasureRows[kKincaidGradeMeasure].jsonKey, std::string("fleschKincaidGrade"));
    EXPECT_EQ(FindMeasure("no_such_measure"), kMeasureRowCount);
    EXPECT_EQ(FindMeasure(""), kMeasureRowCount);
}

} // namespace
