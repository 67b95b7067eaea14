// The readability formulas of languages other than English, each as published for its language
// (their constants were fitted to that language's texts), and the bands of the Spanish INFLESZ
// scale. Rows of the measure registry name them; analysis/measure_registry.h says which
// languages each row applies to.
#pragma once

#include "analysis/counts.h"

#include <cstdint>

// German: Flesch as adapted by Amstad, 180 - ASL - 58.5 ASW (ASL words per sentence, ASW
// syllables per word). Higher is easier.
double FleschAmstad(const ReadabilityCounts& counts, std::int32_t longWords);
// German: the first Wiener Sachtextformel, 0.1935 MS + 0.1672 SL + 0.1297 IW - 0.0327 ES - 0.875
// (MS per cent of words of three or more syllables, SL words per sentence, IW per cent of words
// of more than six letters, ES per cent of words of one syllable): a school grade, 4 to 15.
double WienerSachtextformel(const ReadabilityCounts& counts, std::int32_t longWords);
// Spanish: Fernandez-Huerta, 206.84 - 60 ASW - 1.02 ASL (its 0.60 per hundred words written per
// word; its sentence term read as words per sentence, as in Flesch's formula it adapts).
double FernandezHuerta(const ReadabilityCounts& counts, std::int32_t longWords);
// Spanish: Szigriszt-Pazos perspicuity, 206.835 - 62.3 ASW - ASL, read on the INFLESZ scale.
double SzigrisztPazos(const ReadabilityCounts& counts, std::int32_t longWords);
// French: Kandel-Moles, 207 - 1.015 ASL - 73.6 ASW.
double KandelMoles(const ReadabilityCounts& counts, std::int32_t longWords);
// Italian: Gulpease, 89 + (300 sentences - 10 letters) / words.
double Gulpease(const ReadabilityCounts& counts, std::int32_t longWords);
// Italian: Flesch-Vacca, 217 - 1.3 ASL - 60 ASW (0.6 per hundred words).
double FleschVacca(const ReadabilityCounts& counts, std::int32_t longWords);
// Dutch: Flesch-Douma, 206.84 - 0.93 ASL - 77 ASW (0.77 per hundred words).
double FleschDouma(const ReadabilityCounts& counts, std::int32_t longWords);

// The INFLESZ band of a Szigriszt-Pazos value: "very difficult" below 40, "somewhat difficult"
// below 55, "normal" below 65, "quite easy" below 80, else "very easy"; "" when it is not a
// number.
const char* InfleszBand(double value);
