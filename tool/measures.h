// The measures the tool shows: the plug-in's five, computed by the analysis library from the
// same counts, and two more that other readability tools offer, Coleman-Liau and LIX.
#pragma once

#include "analysis/counts.h"

#include <array>
#include <cstdint>
#include <string>

namespace lxinsight {

enum class MeasureId : int {
    ReadingEase,
    KincaidGrade,
    Ari,
    Smog,
    Fog,
    ColemanLiau,
    Lix,
    WordsPerSentence,
};
constexpr int kMeasureCount = 8;

struct MeasureInfo {
    MeasureId id;
    const char* key;     // in CSV headings
    const char* jsonKey; // in JSON documents, whose members are named in camel case
    const char* heading; // in tables
};

inline constexpr std::array<MeasureInfo, kMeasureCount> kMeasures = {{
    {MeasureId::ReadingEase, "flesch_reading_ease", "fleschReadingEase", "Flesch Reading Ease"},
    {MeasureId::KincaidGrade, "flesch_kincaid_grade", "fleschKincaidGrade", "Flesch-Kincaid Grade"},
    {MeasureId::Ari, "ari", "ari", "ARI"},
    {MeasureId::Smog, "smog", "smog", "SMOG"},
    {MeasureId::Fog, "gunning_fog", "gunningFog", "Gunning Fog"},
    {MeasureId::ColemanLiau, "coleman_liau", "colemanLiau", "Coleman-Liau"},
    {MeasureId::Lix, "lix", "lix", "LIX"},
    {MeasureId::WordsPerSentence, "words_per_sentence", "wordsPerSentence", "Words per Sentence"},
}};

const MeasureInfo& InfoOf(MeasureId id);

// Every measure of one set of counts; a value that cannot be computed (nothing was counted) is
// not a number.
struct MeasureSet {
    std::array<double, kMeasureCount> values{};
    double operator[](MeasureId id) const { return values[static_cast<int>(id)]; }
};

MeasureSet ComputeMeasures(const ReadabilityCounts& counts, std::int32_t longWords);

// Coleman-Liau index: 0.0588 L - 0.296 S - 15.8, where L is letters per 100 words and S
// sentences per 100 words. The characters of the counts (the bytes of the trimmed words) stand
// for the letters.
double ColemanLiau(double letters, double words, double sentences);
// LIX: words per sentence plus the percentage of long words (seven letters or more).
double Lix(double words, double sentences, double longWords);

// The value as the plug-in shows a measure: one decimal, "n/a" when it is not a number.
std::string ValueText(double value);
// The value rounded as ValueText shows it; thresholds are compared with what the user sees.
double ShownValue(double value);

} // namespace lxinsight
