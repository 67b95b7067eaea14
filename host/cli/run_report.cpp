#include "host/cli/run_report.h"

#include "host/files/frameroman.h"
#include "host/files/mif_writer.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace lxcli {

namespace {

std::string Utf8(const std::string& frameRoman) {
    std::string out;
    lxhost::FrameRomanToUtf8(frameRoman, out);
    return out;
}

std::string ParagraphText(lxhost::Document& doc, ObjectId first) {
    std::string text;
    for (ObjectId id = first; id != 0;) {
        const lxhost::Paragraph* p = doc.FindParagraph(id);
        if (!p)
            break;
        if (!text.empty())
            text += '\n';
        text += Utf8(p->body.text);
        id = p->next;
    }
    return text;
}

// A value as JSON: a number when the whole text is one ("1,234" counts as 1234), else the text.
nlohmann::json ValueOf(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != ',')
            digits += c;
    if (digits.empty() || digits.find_first_not_of("0123456789.-") != std::string::npos)
        return text;
    char* end = nullptr;
    if (digits.find('.') == std::string::npos) {
        long long v = std::strtoll(digits.c_str(), &end, 10);
        if (end && *end == '\0')
            return v;
    } else {
        double v = std::strtod(digits.c_str(), &end);
        if (end && *end == '\0')
            return v;
    }
    return text;
}

nlohmann::json AlertJson(const std::string& alert) {
    nlohmann::json values = nlohmann::json::object();
    std::istringstream lines(alert);
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t colon = line.find(": ");
        if (colon != std::string::npos)
            values[line.substr(0, colon)] = ValueOf(line.substr(colon + 2));
    }
    return {{"text", alert}, {"values", values}};
}

} // namespace

OutputDocument DescribeDocument(lxhost::Document& doc) {
    OutputDocument out;
    if (const lxhost::Flow* main = doc.FindFlow(doc.mainFlow)) {
        for (ObjectId id = main->firstPara; id != 0;) {
            const lxhost::Paragraph* p = doc.FindParagraph(id);
            if (!p)
                break;
            out.paragraphs.push_back({doc.FormatNameOf(*p), Utf8(p->body.text)});
            id = p->next;
        }
    }
    // An output document ends in the empty paragraph that the next addition would write into.
    if (!out.paragraphs.empty() && out.paragraphs.back().text.empty())
        out.paragraphs.pop_back();
    if (!out.paragraphs.empty())
        out.heading = out.paragraphs.front().text;
    for (const lxhost::Table& t : doc.tables) {
        OutputTable table;
        for (ObjectId rowId = t.firstRow; rowId != 0;) {
            const lxhost::Row* row = doc.FindRow(rowId);
            if (!row)
                break;
            std::vector<std::string> cells;
            for (std::uint32_t i = 0; i < row->cellCount; ++i) {
                const lxhost::Cell& cell = doc.cells[row->firstCell + i];
                cells.push_back(ParagraphText(doc, cell.firstPara));
            }
            table.rows.push_back(std::move(cells));
            rowId = row->next;
        }
        out.tables.push_back(std::move(table));
    }
    out.rendered = lxhost::RenderText(doc);
    return out;
}

std::string FileNameOfHeading(const std::string& heading) {
    std::string name;
    for (unsigned char c : heading) {
        if (std::isalnum(c) || c == '.' || c == '_') {
            name += static_cast<char>(c);
        } else if (!name.empty() && name.back() != '-') {
            name += '-';
        }
    }
    while (!name.empty() && (name.back() == '-' || name.back() == '.'))
        name.pop_back();
    return name.empty() ? "output" : name;
}

std::vector<std::string> TextNoteLines(const lxhost::TextNote& note) {
    std::vector<std::string> lines;
    if (std::string_view(note.encoding) == "Windows-1252")
        lines.push_back(note.path + ": not valid UTF-8; read as " + note.encoding);
    if (note.charactersWithoutForm > 0) {
        const std::size_t n = note.charactersWithoutForm;
        lines.push_back(note.path + ": " + std::to_string(n) +
                        (n == 1 ? " character has" : " characters have") + " no FrameRoman form: " +
                        (lxhost::HasTransliteration()
                             ? "letters of other scripts were written in Latin letters"
                             : "letters of other scripts were written as '" +
                                   std::string(1, lxhost::kPlaceholderLetter) + "'") +
                        ", other characters read as spaces");
    }
    return lines;
}

std::string RunReportJson(const RunReport& report) {
    nlohmann::json j;
    j["command"] = report.command;
    j["files"] = report.files;
    j["alerts"] = nlohmann::json::array();
    for (const std::string& a : report.alerts)
        j["alerts"].push_back(AlertJson(a));
    j["console"] = report.console;
    j["status"] = report.status;
    j["documents"] = nlohmann::json::array();
    for (const OutputDocument& d : report.documents) {
        nlohmann::json doc;
        doc["heading"] = d.heading;
        doc["paragraphs"] = nlohmann::json::array();
        for (const OutputParagraph& p : d.paragraphs)
            doc["paragraphs"].push_back({{"format", p.format}, {"text", p.text}});
        doc["tables"] = nlohmann::json::array();
        for (const OutputTable& t : d.tables)
            doc["tables"].push_back({{"rows", t.rows}});
        j["documents"].push_back(doc);
    }
    j["errors"] = report.componentErrors;
    for (const std::string& e : report.errors)
        j["errors"].push_back(e);
    j["warnings"] = report.warnings;
    j["saved"] = report.saved;
    j["textNotes"] = nlohmann::json::array();
    for (const lxhost::TextNote& n : report.textNotes)
        j["textNotes"].push_back({{"file", n.path},
                                  {"encoding", n.encoding},
                                  {"charactersWithoutForm", n.charactersWithoutForm}});
    j["exitStatus"] = report.exitStatus;
    // Text that is not valid UTF-8 (it cannot come from the host's conversions, but a file name
    // may hold anything) is replaced rather than aborting the output.
    return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace lxcli
