// The readability measures, one row each: how the measure is computed from the counts, and every
// name it goes by (the plug-in's label, the tool's heading, its JSON and CSV keys, its threshold).
// The plug-in's measure lines take their labels and formulas from here, and the tool's tables,
// page, JSON, CSV, thresholds and options read the rows in their order: a new measure is one row
// in kMeasureRows and one function in measure_registry.cpp.
#pragma once

#include "analysis/counts.h"
#include "analysis/language_measures.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// What a measure's value is on: a school grade, an ease score (higher is easier), or another
// index (LIX, words per sentence).
enum class MeasureScale : std::int8_t { Grade, Ease, Index };

// Which way a measure goes as a text reads more easily. A threshold of a measure for which lower
// is better is a maximum ("max-..."), of one for which higher is better a minimum ("min-...").
enum class MeasureBetter : std::int8_t { Lower, Higher };

// A measure's value from the counts and the number of long words (kLongWordBytes or more). Every
// count becomes a double and every quotient is a double division: a quotient of zero counts
// (nothing was counted) is not a number.
using MeasureFunction = double (*)(const ReadabilityCounts& counts, std::int32_t longWords);

struct MeasureRow {
    MeasureFunction compute;
    const char* heading; // the tool's name for it, in tables, on the page and in messages
    const char* jsonKey; // its member in JSON documents (camel case)
    const char* csvKey;  // its heading in CSV made for scripts (check --csv)
    // The plug-in's label in its alerts and report document, with the ": " before the value;
    // null for a measure the plug-in does not show.
    const char* alertLabel;
    MeasureScale scale;
    MeasureBetter better;
    // Its threshold: the key in a configuration file's [thresholds] table and the option without
    // its dashes ("max_fkgl", "max-fkgl"), and the option's help; null keys: no threshold.
    const char* thresholdKey;
    const char* thresholdOption;
    const char* thresholdHelp;
    // Whether the grade limit of every grade measure (max-grade) limits it when its own is not
    // given.
    bool underMaxGrade;
    // The languages whose texts it measures: their codes between spaces ("de", "it es"), or
    // kEveryLanguage for a measure that fits any language (LIX, words per sentence). A formula
    // fitted to English texts measures English only.
    const char* languages = "en";
    // The band of a value on the measure's scale, shown beside it ("normal"); null: no bands.
    const char* (*band)(double value) = nullptr;
};

inline constexpr const char* kEveryLanguage = "*";

// The formulas. Each takes the counts as they are; the characters (the bytes of the trimmed
// words) stand for letters.
double FleschReadingEase(const ReadabilityCounts& counts, std::int32_t longWords);
double FleschKincaidGrade(const ReadabilityCounts& counts, std::int32_t longWords);
double AutomatedReadabilityIndex(const ReadabilityCounts& counts, std::int32_t longWords);
double SmogGrade(const ReadabilityCounts& counts, std::int32_t longWords);
double GunningFog(const ReadabilityCounts& counts, std::int32_t longWords);
double ColemanLiau(const ReadabilityCounts& counts, std::int32_t longWords);
double Lix(const ReadabilityCounts& counts, std::int32_t longWords);
double LinsearWrite(const ReadabilityCounts& counts, std::int32_t longWords);
double Rix(const ReadabilityCounts& counts, std::int32_t longWords);
double WordsPerSentence(const ReadabilityCounts& counts, std::int32_t longWords);

// The measures in the order the tool shows them.
inline constexpr MeasureRow kMeasureRows[] = {
    {FleschReadingEase, "Flesch Reading Ease", "fleschReadingEase", "flesch_reading_ease",
     "Flesch Reading Ease: ", MeasureScale::Ease, MeasureBetter::Higher, "min_ease", "min-ease",
     "lowest Flesch Reading Ease", false},
    {FleschKincaidGrade, "Flesch-Kincaid Grade", "fleschKincaidGrade", "flesch_kincaid_grade",
     "Flesch-Kincaid Grade Level: ", MeasureScale::Grade, MeasureBetter::Lower, "max_fkgl",
     "max-fkgl", "highest Flesch-Kincaid grade", true},
    {AutomatedReadabilityIndex, "ARI", "ari", "ari", "ARI Grade Level: ", MeasureScale::Grade,
     MeasureBetter::Lower, "max_ari", "max-ari", "highest ARI grade", true},
    {SmogGrade, "SMOG", "smog", "smog", "SMOG Grade Level: ", MeasureScale::Grade,
     MeasureBetter::Lower, "max_smog", "max-smog", "highest SMOG grade", true},
    {GunningFog, "Gunning Fog", "gunningFog", "gunning_fog",
     "Gunning Fog Index: ", MeasureScale::Grade, MeasureBetter::Lower, "max_fog", "max-fog",
     "highest Gunning Fog index", true},
    {ColemanLiau, "Coleman-Liau", "colemanLiau", "coleman_liau", nullptr, MeasureScale::Grade,
     MeasureBetter::Lower, nullptr, nullptr, nullptr, false},
    {Lix, "LIX", "lix", "lix", nullptr, MeasureScale::Index, MeasureBetter::Lower, nullptr, nullptr,
     nullptr, false, kEveryLanguage},
    {LinsearWrite, "Linsear Write", "linsearWrite", "linsear_write", nullptr, MeasureScale::Grade,
     MeasureBetter::Lower, "max_linsear", "max-linsear", "highest Linsear Write grade", false},
    {Rix, "RIX", "rix", "rix", nullptr, MeasureScale::Index, MeasureBetter::Lower, "max_rix",
     "max-rix", "highest RIX (long words per sentence)", false, kEveryLanguage},
    {WordsPerSentence, "Words per Sentence", "wordsPerSentence", "words_per_sentence",
     "Average Words per Sentence: ", MeasureScale::Index, MeasureBetter::Lower,
     "max_sentence_words", "max-sentence-words", "highest average number of words per sentence",
     false, kEveryLanguage},
    {FleschAmstad, "Flesch-Amstad", "fleschAmstad", "flesch_amstad", nullptr, MeasureScale::Ease,
     MeasureBetter::Higher, "min_amstad", "min-amstad", "lowest Flesch-Amstad (German)", false,
     "de"},
    {WienerSachtextformel, "Wiener Sachtextformel", "wienerSachtextformel", "wstf", nullptr,
     MeasureScale::Grade, MeasureBetter::Lower, "max_wstf", "max-wstf",
     "highest first Wiener Sachtextformel (German)", false, "de"},
    {FernandezHuerta, "Fernandez-Huerta", "fernandezHuerta", "fernandez_huerta", nullptr,
     MeasureScale::Ease, MeasureBetter::Higher, "min_fernandez_huerta", "min-fernandez-huerta",
     "lowest Fernandez-Huerta (Spanish)", false, "es"},
    {SzigrisztPazos, "Szigriszt-Pazos", "szigrisztPazos", "szigriszt_pazos", nullptr,
     MeasureScale::Ease, MeasureBetter::Higher, "min_szigriszt", "min-szigriszt",
     "lowest Szigriszt-Pazos (Spanish)", false, "es", InfleszBand},
    {KandelMoles, "Kandel-Moles", "kandelMoles", "kandel_moles", nullptr, MeasureScale::Ease,
     MeasureBetter::Higher, "min_kandel_moles", "min-kandel-moles", "lowest Kandel-Moles (French)",
     false, "fr"},
    {Gulpease, "Gulpease", "gulpease", "gulpease", nullptr, MeasureScale::Ease,
     MeasureBetter::Higher, "min_gulpease", "min-gulpease", "lowest Gulpease (Italian)", false,
     "it"},
    {FleschVacca, "Flesch-Vacca", "fleschVacca", "flesch_vacca", nullptr, MeasureScale::Ease,
     MeasureBetter::Higher, "min_vacca", "min-vacca", "lowest Flesch-Vacca (Italian)", false, "it"},
    {FleschDouma, "Flesch-Douma", "fleschDouma", "flesch_douma", nullptr, MeasureScale::Ease,
     MeasureBetter::Higher, "min_douma", "min-douma", "lowest Flesch-Douma (Dutch)", false, "nl"},
};

inline constexpr std::size_t kMeasureRowCount = sizeof kMeasureRows / sizeof kMeasureRows[0];

// The index of the row with this CSV key, or kMeasureRowCount when there is none.
constexpr std::size_t FindMeasure(std::string_view csvKey) {
    for (std::size_t i = 0; i < kMeasureRowCount; ++i)
        if (csvKey == kMeasureRows[i].csvKey)
            return i;
    return kMeasureRowCount;
}

// The rows that code singles out: the plug-in's measure lines, and the grade the tool ranks
// paragraphs by.
inline constexpr std::size_t kReadingEaseMeasure = FindMeasure("flesch_reading_ease");
inline constexpr std::size_t kKincaidGradeMeasure = FindMeasure("flesch_kincaid_grade");
inline constexpr std::size_t kAriMeasure = FindMeasure("ari");
inline constexpr std::size_t kSmogMeasure = FindMeasure("smog");
inline constexpr std::size_t kFogMeasure = FindMeasure("gunning_fog");
inline constexpr std::size_t kWordsPerSentenceMeasure = FindMeasure("words_per_sentence");
static_assert(kReadingEaseMeasure < kMeasureRowCount && kKincaidGradeMeasure < kMeasureRowCount &&
                  kAriMeasure < kMeasureRowCount && kSmogMeasure < kMeasureRowCount &&
                  kFogMeasure < kMeasureRowCount && kWordsPerSentenceMeasure < kMeasureRowCount,
              "a measure that code names has no row");

// Whether the measure measures texts of the language (its code, "de").
constexpr bool MeasureApplies(std::size_t measure, std::string_view language) {
    const std::string_view list = kMeasureRows[measure].languages;
    if (list == kEveryLanguage)
        return true;
    for (std::size_t from = 0; from <= list.size();) {
        std::size_t to = list.find(' ', from);
        if (to == std::string_view::npos)
            to = list.size();
        if (list.substr(from, to - from) == language)
            return true;
        from = to + 1;
    }
    return false;
}

// Whether some measure other than the ones of every language fits the language: a formula of
// its own.
constexpr bool HasOwnFormula(std::string_view language) {
    for (std::size_t i = 0; i < kMeasureRowCount; ++i)
        if (kMeasureRows[i].languages != std::string_view(kEveryLanguage) &&
            MeasureApplies(i, language))
            return true;
    return false;
}

// The measure's value for the counts.
inline double MeasureValue(std::size_t measure, const ReadabilityCounts& counts,
                           std::int32_t longWords) {
    return kMeasureRows[measure].compute(counts, longWords);
}
