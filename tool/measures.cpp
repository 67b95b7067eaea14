#include "tool/measures.h"

#include "analysis/measures.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lxtool {

ReadabilityCounts FogCounts(const ReadabilityCounts& counts, std::int32_t fogComplexWords) {
    ReadabilityCounts fog = counts;
    if (fogComplexWords >= 0)
        fog.complexWords = fogComplexWords;
    return fog;
}

MeasureSet ComputeMeasures(const ReadabilityCounts& counts, std::int32_t longWords,
                           std::int32_t fogComplexWords) {
    MeasureSet set;
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        set.values[id] = RowOf(id).compute == GunningFog
                             ? MeasureValue(id, FogCounts(counts, fogComplexWords), longWords)
                             : MeasureValue(id, counts, longWords);
    return set;
}

char* WriteValueText(double value, char* out) {
    if (!std::isfinite(value)) {
        const std::size_t n = std::strlen(kMeasureNotAvailable);
        std::memcpy(out, kMeasureNotAvailable, n);
        return out + n;
    }
    // Exact and rounded to nearest as printf's "%.1f" (the plug-in's form), without its cost.
    return std::to_chars(out, out + kValueTextSize, value, std::chars_format::fixed, 1).ptr;
}

std::string ValueText(double value) {
    char text[kValueTextSize];
    return std::string(text, WriteValueText(value, text));
}

std::string ValueWithBand(MeasureId id, double value) {
    const char* band = RowOf(id).band ? RowOf(id).band(ShownValue(value)) : "";
    return *band ? ValueText(value) + " (" + band + ")" : ValueText(value);
}

double ShownValue(double value) {
    if (!std::isfinite(value))
        return value;
    return std::strtod(ValueText(value).c_str(), nullptr);
}

} // namespace lxtool
