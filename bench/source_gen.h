// Generated documentation sources for the benchmarks: a manual of a given number of words as
// Markdown or as HTML, with what such files hold (headings, paragraphs with emphasis, links and
// inline code, lists, code blocks, tables, footnotes).
#pragma once

#include <string>

namespace lxbench {

enum class SourceFormat { Markdown, Html };

// About `words` words of prose (code and markup not counted), the same structure in either
// format. Sections of a heading, four paragraphs of 12 to 30 words, a list of three items; every
// fifth section a code block and a table, every seventh paragraph a footnote.
std::string GenerateSource(SourceFormat format, int words, unsigned seed = 12345);

} // namespace lxbench
