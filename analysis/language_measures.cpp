#include "analysis/language_measures.h"

#include <cmath>

namespace {

constexpr double kPerHundred = 100.0;

constexpr double kAmstadBase = 180.0;
constexpr double kAmstadSyllables = 58.5;

constexpr double kWstfComplex = 0.1935;
constexpr double kWstfSentenceLength = 0.1672;
constexpr double kWstfLong = 0.1297;
constexpr double kWstfMonosyllables = 0.0327;
constexpr double kWstfBase = 0.875;

constexpr double kHuertaBase = 206.84;
constexpr double kHuertaSyllables = 60.0;
constexpr double kHuertaSentenceLength = 1.02;

constexpr double kSzigrisztBase = 206.835;
constexpr double kSzigrisztSyllables = 62.3;

constexpr double kKandelMolesBase = 207.0;
constexpr double kKandelMolesSentenceLength = 1.015;
constexpr double kKandelMolesSyllables = 73.6;

constexpr double kGulpeaseBase = 89.0;
constexpr double kGulpeaseSentences = 300.0;
constexpr double kGulpeaseLetters = 10.0;

constexpr double kVaccaBase = 217.0;
constexpr double kVaccaSentenceLength = 1.3;
constexpr double kVaccaSyllables = 60.0;

constexpr double kDoumaBase = 206.84;
constexpr double kDoumaSentenceLength = 0.93;
constexpr double kDoumaSyllables = 77.0;

// The INFLESZ bands: the lowest value of each band but the first.
constexpr double kInfleszSomewhatDifficult = 40.0;
constexpr double kInfleszNormal = 55.0;
constexpr double kInfleszQuiteEasy = 65.0;
constexpr double kInfleszVeryEasy = 80.0;

// Words per sentence and syllables per word, as double divisions.
double WordsPerSentenceOf(const ReadabilityCounts& c) {
    return static_cast<double>(c.words) / c.sentences;
}
double SyllablesPerWordOf(const ReadabilityCounts& c) {
    return static_cast<double>(c.syllables) / c.words;
}

} // namespace

double FleschAmstad(const ReadabilityCounts& c, std::int32_t) {
    return kAmstadBase - WordsPerSentenceOf(c) - kAmstadSyllables * SyllablesPerWordOf(c);
}

double WienerSachtextformel(const ReadabilityCounts& c, std::int32_t longWords) {
    const double words = c.words;
    const double ms = c.complexWords * kPerHundred / words;
    const double iw = longWords * kPerHundred / words;
    const double es = c.monosyllables * kPerHundred / words;
    return kWstfComplex * ms + kWstfSentenceLength * WordsPerSentenceOf(c) + kWstfLong * iw -
           kWstfMonosyllables * es - kWstfBase;
}

double FernandezHuerta(const ReadabilityCounts& c, std::int32_t) {
    return kHuertaBase - kHuertaSyllables * SyllablesPerWordOf(c) -
           kHuertaSentenceLength * WordsPerSentenceOf(c);
}

double SzigrisztPazos(const ReadabilityCounts& c, std::int32_t) {
    return kSzigrisztBase - kSzigrisztSyllables * SyllablesPerWordOf(c) - WordsPerSentenceOf(c);
}

double KandelMoles(const ReadabilityCounts& c, std::int32_t) {
    return kKandelMolesBase - kKandelMolesSentenceLength * WordsPerSentenceOf(c) -
           kKandelMolesSyllables * SyllablesPerWordOf(c);
}

double Gulpease(const ReadabilityCounts& c, std::int32_t) {
    const double sentences = c.sentences, letters = c.characters, words = c.words;
    return kGulpeaseBase + (kGulpeaseSentences * sentences - kGulpeaseLetters * letters) / words;
}

double FleschVacca(const ReadabilityCounts& c, std::int32_t) {
    return kVaccaBase - kVaccaSentenceLength * WordsPerSentenceOf(c) -
           kVaccaSyllables * SyllablesPerWordOf(c);
}

double FleschDouma(const ReadabilityCounts& c, std::int32_t) {
    return kDoumaBase - kDoumaSentenceLength * WordsPerSentenceOf(c) -
           kDoumaSyllables * SyllablesPerWordOf(c);
}

const char* InfleszBand(double value) {
    if (!std::isfinite(value))
        return "";
    if (value < kInfleszSomewhatDifficult)
        return "very difficult";
    if (value < kInfleszNormal)
        return "somewhat difficult";
    if (value < kInfleszQuiteEasy)
        return "normal";
    if (value < kInfleszVeryEasy)
        return "quite easy";
    return "very easy";
}
