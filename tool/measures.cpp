#include "tool/measures.h"

#include "analysis/measures.h"

#include <cmath>
#include <cstdlib>

namespace lxinsight {

namespace {

constexpr double kColemanLiauLetters = 0.0588;
constexpr double kColemanLiauSentences = 0.296;
constexpr double kColemanLiauBase = 15.8;
constexpr double kPerHundred = 100.0;

} // namespace

const MeasureInfo& InfoOf(MeasureId id) {
    return kMeasures[static_cast<int>(id)];
}

double ColemanLiau(double letters, double words, double sentences) {
    const double l = letters * kPerHundred / words;
    const double s = sentences * kPerHundred / words;
    return kColemanLiauLetters * l - kColemanLiauSentences * s - kColemanLiauBase;
}

double Lix(double words, double sentences, double longWords) {
    return words / sentences + longWords * kPerHundred / words;
}

MeasureSet ComputeMeasures(const ReadabilityCounts& counts, std::int32_t longWords) {
    const MeasureValues plugin = ComputeMeasureValues(counts);
    MeasureSet set;
    auto put = [&](MeasureId id, double v) { set.values[static_cast<int>(id)] = v; };
    put(MeasureId::ReadingEase, plugin.fleschReadingEase);
    put(MeasureId::KincaidGrade, plugin.fleschKincaidGrade);
    put(MeasureId::Ari, plugin.ari);
    put(MeasureId::Smog, plugin.smog);
    put(MeasureId::Fog, plugin.fog);
    put(MeasureId::ColemanLiau, ColemanLiau(counts.characters, counts.words, counts.sentences));
    put(MeasureId::Lix, Lix(counts.words, counts.sentences, longWords));
    put(MeasureId::WordsPerSentence, plugin.wordsPerSentence);
    return set;
}

std::string ValueText(double value) {
    char text[kMeasureValueSize];
    FormatMeasureValue(value, text, sizeof text);
    return text;
}

double ShownValue(double value) {
    if (!std::isfinite(value))
        return value;
    return std::strtod(ValueText(value).c_str(), nullptr);
}

} // namespace lxinsight
