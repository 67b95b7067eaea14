#include "tool/measures.h"

#include "analysis/measures.h"

#include <cmath>
#include <cstdlib>

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

std::string ValueText(double value) {
    char text[kMeasureValueSize];
    FormatMeasureValue(value, text, sizeof text);
    return text;
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
