// The HTML report: one self-contained page with the summary figures, a bar chart of the grade
// level per file, a strip of every paragraph coloured by difficulty (headings apart), a histogram
// of sentence lengths per file, the per-file measures, the hot spots with their text and the
// word list. No script; its one style sheet is allowed by its digest in a
// Content-Security-Policy that allows nothing else.
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
    // The folder the page is written to, from which it links to the source files; "" for the
    // working folder.
    std::string pageFolder;
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

// The sentence length histogram's classes: 1 to 5 words, 6 to 10, and so on, the last class
// every sentence longer than 50 words.
constexpr int kSentenceLengthBinWords = 5;
constexpr int kSentenceLengthBins = 11;
// The class of a sentence of `words` words.
int SentenceLengthBin(std::int32_t words);

} // namespace lxtool
