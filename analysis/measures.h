// The readability measures of a ReadabilityCounts, each as labelled lines of text.
#pragma once

#include "analysis/counts.h"

#include <cstddef>
#include <cstdint>

enum Measure : std::int32_t {
    MeasureFlesch = 1,
    MeasureAri = 2,
    MeasureSmog = 3,
    MeasureFog = 4,
    MeasureCounts = 5,
};

// The value text of a measure that could not be computed (nothing was counted).
constexpr const char* kMeasureNotAvailable = "n/a";
// The most lines one measure produces (the counts).
constexpr int kMeasureMaxLines = 6;
// Room for a value text: the longest "%.1f" of a finite double, or grouped digits.
constexpr std::size_t kMeasureValueSize = 400;

enum MeasureLineBreak : std::int32_t {
    kLineBreakSingle = 0, // one line feed after the line in an alert
    kLineBreakDouble = 1, // an empty line after it in an alert (Total Characters, Average Words)
};

struct MeasureLine {
    const char* label;             // "Flesch Reading Ease: " ...
    char value[kMeasureValueSize]; // the value text alone
    MeasureLineBreak alertBreak;
    bool spacerInDocument; // an empty paragraph follows it in a report document
};

// The numbers behind the measure lines, each computed in double precision in the order the
// lines show it; a quotient of zero counts is not a number.
struct MeasureValues {
    double fleschReadingEase;
    double fleschKincaidGrade;
    double ari;
    double smog;
    double fog;
    double sentencesPerParagraph;
    double wordsPerSentence;
};

MeasureValues ComputeMeasureValues(const ReadabilityCounts& counts);
// A measure's value text: "%.1f", or kMeasureNotAvailable for a value that is not a number.
void FormatMeasureValue(double value, char* out, std::size_t size);

// Fills lines with the measure's lines in order and returns their number (0 for an unknown
// measure). Every count becomes a double and every quotient is a double division; a value that
// is not a number (nothing was counted) shows "n/a".
int MeasureLines(Measure measure, const ReadabilityCounts& counts, MeasureLine* lines);

// The value's decimal digits grouped in threes with ',' after the label; a new string (MemFree).
char* FormatCount(std::int32_t value, const char* label);
// digits with ',' between groups of three counted from the right; a leading '-' stays in front.
// A new string (MemFree), or null for a null input or a failed allocation.
char* GroupThousands(const char* digits);
