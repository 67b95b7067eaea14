// The measures of languages other than English: each formula against a figure worked by hand,
// which languages each row measures, and the INFLESZ bands.
#include "analysis/measure_registry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// One text's counts for every formula:
//   4 sentences, 60 words, 102 syllables, 330 letters, 9 words of three or more syllables,
//   30 words of one syllable, 15 words of more than six letters.
//   ASL = 60 / 4 = 15 words per sentence; ASW = 102 / 60 = 1.7 syllables per word.
ReadabilityCounts Text() {
    ReadabilityCounts c = {};
    c.paragraphs = 2;
    c.sentences = 4;
    c.words = 60;
    c.syllables = 102;
    c.characters = 330;
    c.complexWords = 9;
    c.monosyllables = 30;
    return c;
}
constexpr std::int32_t kLongWords = 15;

struct Worked {
    const char* measure; // CSV key
    double value;
};

const Worked kWorked[] = {
    // 180 - 15 - 58.5 * 1.7 = 180 - 15 - 99.45 = 65.55
    {"flesch_amstad", 65.55},
    // MS = 9 * 100 / 60 = 15, SL = 15, IW = 15 * 100 / 60 = 25, ES = 30 * 100 / 60 = 50:
    // 0.1935 * 15 + 0.1672 * 15 + 0.1297 * 25 - 0.0327 * 50 - 0.875
    //   = 2.9025 + 2.508 + 3.2425 - 1.635 - 0.875 = 6.143
    {"wstf", 6.143},
    // 206.84 - 60 * 1.7 - 1.02 * 15 = 206.84 - 102 - 15.3 = 89.54
    {"fernandez_huerta", 89.54},
    // 206.835 - 62.3 * 1.7 - 15 = 206.835 - 105.91 - 15 = 85.925
    {"szigriszt_pazos", 85.925},
    // 207 - 1.015 * 15 - 73.6 * 1.7 = 207 - 15.225 - 125.12 = 66.655
    {"kandel_moles", 66.655},
    // 89 + (300 * 4 - 10 * 330) / 60 = 89 + (1200 - 3300) / 60 = 89 - 35 = 54
    {"gulpease", 54.0},
    // 217 - 1.3 * 15 - 60 * 1.7 = 217 - 19.5 - 102 = 95.5
    {"flesch_vacca", 95.5},
    // 206.84 - 0.93 * 15 - 77 * 1.7 = 206.84 - 13.95 - 130.9 = 61.99
    {"flesch_douma", 61.99},
    // 15 + 15 * 100 / 60 = 15 + 25 = 40
    {"lix", 40.0},
};

TEST(LanguageMeasures, EachFormulaGivesTheFigureWorkedByHand) {
    for (const Worked& w : kWorked) {
        SCOPED_TRACE(w.measure);
        const std::size_t id = FindMeasure(w.measure);
        ASSERT_LT(id, kMeasureRowCount);
        EXPECT_NEAR(MeasureValue(id, Text(), kLongWords), w.value, 1e-9);
    }
}

TEST(LanguageMeasures, NothingCountedIsNotANumber) {
    const ReadabilityCounts none = {};
    for (const Worked& w : kWorked) {
        SCOPED_TRACE(w.measure);
        EXPECT_TRUE(std::isnan(MeasureValue(FindMeasure(w.measure), none, 0)));
    }
}

struct Applies {
    const char* measure;
    const char* language;
    bool applies;
};

const Applies kApplies[] = {
    {"flesch_amstad", "de", true},
    {"flesch_amstad", "en", false},
    {"wstf", "de", true},
    {"wstf", "nl", false},
    {"fernandez_huerta", "es", true},
    {"szigriszt_pazos", "es", true},
    {"szigriszt_pazos", "e", false},
    {"kandel_moles", "fr", true},
    {"gulpease", "it", true},
    {"flesch_vacca", "it", true},
    {"flesch_douma", "nl", true},
    {"flesch_douma", "de", false},
    {"lix", "sv", true},
    {"lix", "en", true},
    {"words_per_sentence", "de", true},
    {"flesch_reading_ease", "en", true},
    {"flesch_reading_ease", "de", false},
    {"gunning_fog", "fr", false},
    {"smog", "en", true},
    {"coleman_liau", "es", false},
};

TEST(LanguageMeasures, EachRowMeasuresItsOwnLanguages) {
    for (const Applies& a : kApplies) {
        SCOPED_TRACE(std::string(a.measure) + " " + a.language);
        const std::size_t id = FindMeasure(a.measure);
        ASSERT_LT(id, kMeasureRowCount);
        EXPECT_EQ(MeasureApplies(id, a.language), a.applies);
    }
}

TEST(LanguageMeasures, OwnFormulasAndTheLanguagesWithout) {
    for (const char* language : {"en", "de", "es", "fr", "it", "nl"})
        EXPECT_TRUE(HasOwnFormula(language)) << language;
    for (const char* language : {"sv", "da", ""})
        EXPECT_FALSE(HasOwnFormula(language)) << language;
}

TEST(LanguageMeasures, InfleszBandsMeetAtTheirBounds) {
    const struct {
        double value;
        const char* band;
    } kBands[] = {{39.9, "very difficult"},
                  {40.0, "somewhat difficult"},
                  {54.9, "somewhat difficult"},
                  {55.0, "normal"},
                  {64.9, "normal"},
                  {65.0, "quite easy"},
                  {79.9, "quite easy"},
                  {80.0, "very easy"},
                  {NAN, ""}};
    for (const auto& b : kBands)
        EXPECT_STREQ(InfleszBand(b.value), b.band) << b.value;
}

} // namespace
