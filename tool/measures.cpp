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

namespace {

// Below this a double's halves are doubles, and its whole part and fraction are exact.
constexpr double kQuickTenths = 1e15;

} // namespace

char* WriteValueText(double value, char* out) {
    if (!std::isfinite(value)) {
        const std::size_t n = std::strlen(kMeasureNotAvailable);
        std::memcpy(out, kMeasureNotAvailable, n);
        return out + n;
    }
    // Most values are grades and scores of a few digits: their tenths, rounded, are read off the
    // value times ten. The product is rounded to a double, which never carries it across a half
    // (a double itself); only a product that is a half exactly may have been moved onto it, and
    // it is written the long way. So are larger values: exactly and rounded to nearest, as
    // printf's "%.1f" (the plug-in's form) writes them, without its cost.
    const double tenths = std::fabs(value) * 10;
    if (tenths < kQuickTenths) {
        const double whole = std::floor(tenths);
        const double fraction = tenths - whole;
        if (fraction != 0.5) {
            auto n = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
            if (std::signbit(value))
                *out++ = '-';
            out = std::to_chars(out, out + kValueTextSize, n / 10).ptr;
            *out++ = '.';
            *out++ = static_cast<char>('0' + n % 10);
            return out;
        }
    }
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
