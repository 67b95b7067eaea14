// The HTML report: one self-contained page with the summary figures, a bar chart of the grade
// level per file, a strip of every paragraph coloured by difficulty, the per-file measures, the
// hot spots with their text and the word list. No script; its one style sheet is allowed by its
// digest in a Content-Security-Policy that allows nothing else.
#pragma once

#include "tool/hotspots.h"
#include "tool/run.h"

#include <optional>
#include <string>

namespace lxtool {

struct HtmlInput {
    const Measured* measured;
    const Hotspots* hotspots;
    const HotspotOptions* hotspotOptions;
    const Thresholds* thresholds;
};

std::string RenderHtml(const HtmlInput& input);

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(std::string_view text);

// A file's name as the chart labels it: whole when it has at most `characters` characters, else
// an ellipsis and its end, where a path's file name is (the bar's tooltip names it whole).
std::string ChartLabel(std::string_view name, std::size_t characters);

// The difficulty class of a Flesch-Kincaid grade: 0 (easy, up to 6) to 4 (above 12); 5 for a
// paragraph whose grade cannot be computed.
int DifficultyClass(double grade);

} // namespace lxtool
