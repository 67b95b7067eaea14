#include "tool/table.h"

#include <cstdlib>
#include <string_view>

#include <algorithm>

namespace lxtool {

namespace {

constexpr const char* kColumnGap = "  ";

// Characters of UTF-8 text: every byte that does not continue a sequence.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void AppendRow(std::string& out, const std::vector<std::string>& cells,
               const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const std::string& cell = i < cells.size() ? cells[i] : std::string();
        if (i > 0)
            line += kColumnGap;
        line += cell;
        if (i + 1 < widths.size())
            line.append(widths[i] - Width(cell), ' ');
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    out += line + "\n";
}

void AppendCsvRow(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        out += CsvField(cells[i]);
    }
    out += "\n";
}

} // namespace

std::string RenderTable(const TextTable& table) {
    std::vector<std::size_t> widths;
    for (const std::string& h : table.headings)
        widths.push_back(Width(h));
    for (const auto& row : table.rows)
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], Width(row[i]));
    std::string out;
    AppendRow(out, table.headings, widths);
    std::vector<std::string> rule;
    for (std::size_t w : widths)
        rule.push_back(std::string(w, '-'));
    AppendRow(out, rule, widths);
    for (const auto& row : table.rows)
        AppendRow(out, row, widths);
    return out;
}

// Whether a spreadsheet would read the text as a formula: it begins with '=', '+', '-' or '@'
// (or a tab or carriage return before one) and is not a plain number such as "-3.5".
bool ReadAsFormula(const std::string& text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text[0]) == std::string_view::npos)
        return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end != text.c_str() + text.size();
}

std::string CsvField(const std::string& text) {
    // A name such as "=1+2.md" stays text: a leading apostrophe, inside quotation marks, is
    // what spreadsheets take as "text follows".
    if (ReadAsFormula(text))
        return CsvField("'" + text);
    if (text.find_first_of(",\"\r\n") == std::string::npos && (text.empty() || text[0] != '\''))
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string RenderCsv(const TextTable& table) {
    std::string out;
    AppendCsvRow(out, table.headings);
    for (const auto& row : table.rows)
        AppendCsvRow(out, row);
    return out;
}

} // namespace lxtool
