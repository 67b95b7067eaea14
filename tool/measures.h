// The tool's side of the measure registry (analysis/measure_registry.h): every measure of one set
// of counts, and a value as the tool shows it.
#pragma once

#include "analysis/measure_registry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lxtool {

// A measure: the index of its row in kMeasureRows.
using MeasureId = std::size_t;

inline const MeasureRow& RowOf(MeasureId id) {
    return kMeasureRows[id];
}

// Every measure of one set of counts, by row; a value that cannot be computed (nothing was
// counted) is not a number.
struct MeasureSet {
    std::array<double, kMeasureRowCount> values{};
    double operator[](MeasureId id) const { return values[id]; }
};

// fogComplexWords: the complex words Gunning Fog counts, where a profile counts them apart from
// SMOG's (the precise one); negative: the counts' own complex words.
MeasureSet ComputeMeasures(const ReadabilityCounts& counts, std::int32_t longWords,
                           std::int32_t fogComplexWords = -1);

// The counts as Gunning Fog reads them: complexWords replaced by fogComplexWords when that is
// not negative.
ReadabilityCounts FogCounts(const ReadabilityCounts& counts, std::int32_t fogComplexWords);

// Room for the longest value text (one decimal of the largest double).
constexpr std::size_t kValueTextSize = 320;
// The value as the plug-in shows a measure: one decimal, "n/a" when it is not a number.
std::string ValueText(double value);
// ValueText written at out, which has room for kValueTextSize characters; returns its end. No
// string is made: pages show a value for each of their many paragraphs.
char* WriteValueText(double value, char* out);
// The value with its band on the measure's scale where the measure has bands: "62.1 (normal)".
std::string ValueWithBand(MeasureId id, double value);
// The value rounded as ValueText shows it; thresholds are compared with what the user sees.
double ShownValue(double value);

} // namespace lxtool
