#include "analysis/measure_registry.h"

#include <cmath>

namespace {

constexpr double kFleschBase = 206.835;
constexpr double kFleschSyllables = 84.6;
constexpr double kFleschWords = 1.015;
constexpr double kKincaidWords = 0.39;
constexpr double kKincaidSyllables = 11.8;
constexpr double kKincaidBase = 15.59;
constexpr double kAriCharacters = 4.71;
constexpr double kAriWords = 0.5;
constexpr double kAriBase = 21.43;
constexpr double kSmogSentences = 30.0;
constexpr double kSmogFactor = 1.043;
constexpr double kSmogBase = 3.1291;
constexpr double kFogComplex = 40.0;
constexpr double kFogWords = 0.4;
constexpr double kColemanLiauLetters = 0.0588;
constexpr double kColemanLiauSentences = 0.296;
constexpr double kColemanLiauBase = 15.8;
constexpr double kPerHundred = 100.0;
constexpr double kLinsearEasy = 1.0;
constexpr double kLinsearHard = 3.0;
constexpr double kLinsearSplit = 20.0;

} // namespace

// The plug-in's formulas are written term by term in the order it evaluates them, so that its
// figures come out to the last bit as they always have.
double FleschReadingEase(const ReadabilityCounts& c, std::int32_t) {
    const double syllables = c.syllables, words = c.words, sentences = c.sentences;
    return (kFleschBase - syllables * kFleschSyllables / words) - words * kFleschWords / sentences;
}

double FleschKincaidGrade(const ReadabilityCounts& c, std::int32_t) {
    const double syllables = c.syllables, words = c.words, sentences = c.sentences;
    return words * kKincaidWords / sentences + syllables * kKincaidSyllables / words - kKincaidBase;
}

double AutomatedReadabilityIndex(const ReadabilityCounts& c, std::int32_t) {
    const double characters = c.characters, words = c.words, sentences = c.sentences;
    return characters * kAriCharacters / words + words * kAriWords / sentences - kAriBase;
}

double SmogGrade(const ReadabilityCounts& c, std::int32_t) {
    const double complexWords = c.complexWords, sentences = c.sentences;
    return std::sqrt(complexWords * kSmogSentences / sentences) * kSmogFactor + kSmogBase;
}

double GunningFog(const ReadabilityCounts& c, std::int32_t) {
    const double complexWords = c.complexWords, words = c.words, sentences = c.sentences;
    return complexWords * kFogComplex / words + words * kFogWords / sentences;
}

// Coleman-Liau index: 0.0588 L - 0.296 S - 15.8, where L is letters per 100 words and S
// sentences per 100 words.
double ColemanLiau(const ReadabilityCounts& c, std::int32_t) {
    const double letters = c.characters, words = c.words, sentences = c.sentences;
    const double l = letters * kPerHundred / words;
    const double s = sentences * kPerHundred / words;
    return kColemanLiauLetters * l - kColemanLiauSentences * s - kColemanLiauBase;
}

// LIX: words per sentence plus the percentage of long words.
double Lix(const ReadabilityCounts& c, std::int32_t longWords) {
    const double words = c.words, sentences = c.sentences;
    return words / sentences + longWords * kPerHundred / words;
}

// Linsear Write, from the whole text's counts. The formula proper takes a sample of 100 words
// and its sentences; without per-sentence samples this takes the common whole-text form: easy
// words (fewer than three syllables) count 1, hard words (three or more, the complex words)
// count 3, r = (easy + 3 hard) / sentences, and the grade is r / 2 when r is above 20, else
// r / 2 - 1.
double LinsearWrite(const ReadabilityCounts& c, std::int32_t) {
    const double hard = c.complexWords, easy = c.words - hard, sentences = c.sentences;
    const double r = (easy * kLinsearEasy + hard * kLinsearHard) / sentences;
    return r > kLinsearSplit ? r / 2 : r / 2 - 1;
}

// RIX: long words (the ones LIX counts) per sentence.
double Rix(const ReadabilityCounts& c, std::int32_t longWords) {
    const double sentences = c.sentences;
    return longWords / sentences;
}

double WordsPerSentence(const ReadabilityCounts& c, std::int32_t) {
    const double words = c.words, sentences = c.sentences;
    return words / sentences;
}
