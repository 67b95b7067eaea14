// Tables as the tool prints them: aligned text columns under a ruled heading, or CSV.
#pragma once

#include <string>
#include <vector>

namespace lxtool {

struct TextTable {
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows; // UTF-8 cells
};

// Columns two blanks apart, each as wide as its widest cell (in characters), a line of dashes
// under the headings; no trailing blanks.
std::string RenderTable(const TextTable& table);
// CSV as RFC 4180 has it, but lines end in a line feed alone (what spreadsheet programs and
// scripting languages read alike, and what survives a text-mode stream); a field holding a comma, a
// quotation mark or a line break is quoted, its quotation marks doubled.
std::string RenderCsv(const TextTable& table);
std::string CsvField(const std::string& text);

} // namespace lxtool
