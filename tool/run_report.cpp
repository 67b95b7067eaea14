#include "tool/run_report.h"

#include "host/formats/frameroman.h"
#include "host/formats/mif_writer.h"
#include "tool/json_output.h"
#include "tool/table.h"

#include "tool/output_files.h"

#include <filesystem>
#include <new>
#include <ostream>

namespace lxtool {

namespace {

std::string Utf8(std::string_view frameRoman) {
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
        text += Utf8(p->body.text());
        id = p->next;
    }
    return text;
}

} // namespace

std::string AsTextBlock(std::string_view text) {
    while (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (text.empty())
        return {};
    std::string block(text);
    block += '\n';
    return block;
}

OutputDocument DescribeDocument(lxhost::Document& doc) {
    OutputDocument out;
    if (const lxhost::Flow* main = doc.FindFlow(doc.mainFlow)) {
        for (ObjectId id = main->firstPara; id != 0;) {
            const lxhost::Paragraph* p = doc.FindParagraph(id);
            if (!p)
                break;
            out.paragraphs.push_back({doc.FormatNameOf(*p), Utf8(p->body.text())});
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
    out.rendered = AsTextBlock(lxhost::RenderText(doc));
    return out;
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

} // namespace lxtool

namespace lxtool {

namespace {

// The key a CSV column of the tool is headed by, for the labels and headings of the plug-in's
// alerts and reports; every CSV of the tool (check, hotspots, report, the alerts) uses the same
// snake_case keys, so that a script reads a measure the same way whichever command made it.
struct CsvKeyName {
    const char* label;
    const char* key;
};
constexpr CsvKeyName kCsvKeys[] = {
    {"Flesch-Kincaid Grade Level", "flesch_kincaid_grade"},
    {"Flesch Kincaid Grade", "flesch_kincaid_grade"},
    {"ARI Grade Level", "ari"},
    {"SMOG Grade Level", "smog"},
    {"Gunning Fog Index", "gunning_fog"},
    {"Total Paragraphs", "paragraphs"},
    {"Total Sentences", "sentences"},
    {"Total Words", "words"},
    {"Total Characters", "characters"},
    {"Average Sentences per Paragraph", "sentences_per_paragraph"},
    {"Average Words per Sentence", "words_per_sentence"},
};

// A heading as a CSV key: the key of the table above, else its letters and digits in small
// letters with '_' between the words ("Flesch Reading Ease" gives flesch_reading_ease).
std::string CsvKey(const std::string& heading) {
    for (const CsvKeyName& k : kCsvKeys)
        if (heading == k.label)
            return k.key;
    std::string key;
    bool gap = false;
    for (char c : heading) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            gap = !key.empty();
            continue;
        }
        if (gap)
            key += '_';
        gap = false;
        key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return key;
}

// A cell as CSV shows it: a number without its thousands separators, "n/a" as an empty cell,
// any other text as it is.
std::string CsvCell(const std::string& text) {
    const nlohmann::json value = JsonValueOf(text);
    if (value.is_null())
        return "";
    return value.is_number() ? value.dump() : text;
}

// The tool's own columns after a document's (the measures the plug-in's report leaves out).
void AddColumns(std::vector<std::string>& headings, const std::vector<std::string>& added) {
    for (const std::string& heading : added)
        headings.push_back(CsvKey(heading));
}

// The cells the tool adds to the row'th row below the headings (empty ones where it has none).
void AddCells(std::vector<std::string>& cells, const OutputDocument& d, std::size_t row) {
    for (std::size_t i = 0; i < d.addedHeadings.size(); ++i)
        cells.push_back(row < d.addedRows.size() && i < d.addedRows[row].size()
                            ? CsvCell(d.addedRows[row][i])
                            : "");
}

// A word list as CSV: a word a row, with its count when the list has counts ("word    7").
std::string WordListCsv(const OutputDocument& d) {
    TextTable table;
    bool counts = false;
    for (std::size_t i = 1; i < d.paragraphs.size(); ++i) {
        const std::string& text = d.paragraphs[i].text;
        if (text.empty() || text.find(": ") != std::string::npos ||
            text.find_first_not_of('-') == std::string::npos)
            continue;
        const std::size_t gap = text.rfind("    ");
        if (gap != std::string::npos && gap > 0) {
            counts = true;
            table.rows.push_back({text.substr(0, gap), CsvCell(text.substr(gap + 4))});
        } else {
            table.rows.push_back({text});
        }
    }
    table.headings =
        counts ? std::vector<std::string>{"word", "count"} : std::vector<std::string>{"word"};
    return RenderCsv(table);
}

} // namespace

std::string CsvOf(const OutputDocument& d, const std::string& fileName) {
    if (d.wordList)
        return WordListCsv(d);
    std::string csv;
    for (const OutputTable& t : d.tables) {
        if (t.rows.empty())
            continue;
        TextTable table;
        for (const std::string& heading : t.rows.front())
            table.headings.push_back(CsvKey(heading));
        AddColumns(table.headings, d.addedHeadings);
        for (std::size_t i = 1; i < t.rows.size(); ++i) {
            std::vector<std::string> cells;
            for (const std::string& cell : t.rows[i])
                cells.push_back(CsvCell(cell));
            AddCells(cells, d, i - 1);
            table.rows.push_back(std::move(cells));
        }
        csv += RenderCsv(table);
    }
    if (!d.tables.empty())
        return csv;
    TextTable table;
    std::vector<std::string> row;
    for (const OutputParagraph& p : d.paragraphs) {
        const std::size_t colon = p.text.find(": ");
        if (colon == std::string::npos || colon == 0)
            continue;
        table.headings.push_back(CsvKey(p.text.substr(0, colon)));
        row.push_back(CsvCell(p.text.substr(colon + 2)));
    }
    AddColumns(table.headings, d.addedHeadings);
    AddCells(row, d, 0);
    if (table.headings.empty() || table.headings.front() != "file") {
        table.headings.insert(table.headings.begin(), "file");
        row.insert(row.begin(), fileName);
    }
    table.rows.push_back(std::move(row));
    return RenderCsv(table);
}

std::string InputName(const std::vector<std::string>& files) {
    if (files.size() != 1)
        return kUntitledBookStem;
    if (files[0] == kStandardInputName)
        return kStdinStem;
    std::filesystem::path path(files[0]);
    if (!path.has_filename())
        path = path.parent_path();
    return path.filename().string();
}

std::string StoppedRunError(const std::string& file, const std::exception& e) {
    const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    return file + ": cannot read: " + (memory ? std::string("out of memory") : e.what());
}

std::string BlankControls(std::string text, bool keepLineFeeds) {
    for (char& c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && !(keepLineFeeds && c == '\n')) || c == 0x7f)
            c = ' ';
    return text;
}

int Finish(const ToolOptions& options, const RunReport& report, std::ostream& out,
           std::ostream& err) {
    if (options.json) {
        nlohmann::json document = RunReportToJson(report);
        // The profile that counted, for the commands that count files.
        if (!options.countingGiven.empty())
            document["counting"] = CountingName(options.counting);
        out << JsonText(document);
    } else {
        // One blank line separates a document from the alerts and documents before it; CSV
        // is one table after another, without blank lines.
        bool first = report.alerts.empty();
        if (options.csv && report.documents.empty() && !report.alerts.empty()) {
            // An alert's "Label: value" lines as one row.
            OutputDocument alert;
            for (const std::string& text : report.alerts)
                for (std::size_t start = 0; start < text.size();) {
                    std::size_t end = text.find('\n', start);
                    if (end == std::string::npos)
                        end = text.size();
                    alert.paragraphs.push_back({"", text.substr(start, end - start)});
                    start = end + 1;
                }
            out << CsvOf(alert, report.inputName);
        }
        for (const OutputDocument& d : report.documents) {
            if (options.csv) {
                out << CsvOf(d, report.inputName);
                continue;
            }
            if (d.rendered.empty())
                continue;
            out << (first ? "" : "\n") << d.rendered;
            first = false;
        }
        for (const lxhost::TextNote& n : report.textNotes)
            for (const std::string& line : TextNoteLines(n))
                err << kProgram << ": " << BlankControls(line) << "\n";
        for (const std::string& w : report.warnings)
            err << kProgram << ": warning: " << BlankControls(w) << "\n";
        // Book files that did not open: the plug-in named them on the console; the reason (a
        // missing file, a budget, a file outside the book's folder) is the host's.
        for (const std::string& e : report.componentErrors)
            err << kProgram << ": " << BlankControls(e) << "\n";
        for (const std::string& e : report.errors)
            err << kProgram << ": " << BlankControls(e) << "\n";
    }
    out.flush();
    return report.exitStatus;
}

int FinishWithError(const ToolOptions& options, const std::string& error, int status,
                    std::ostream& out, std::ostream& err) {
    RunReport report;
    report.command = options.command;
    report.files = options.files;
    report.errors.push_back(error);
    report.exitStatus = status;
    return Finish(options, report, out, err);
}

int UsageError(const ToolOptions& options, const std::string& message, std::ostream& out,
               std::ostream& err) {
    if (options.json)
        return FinishWithError(options, message, kExitUsage, out, err);
    // The message's own lines (a list of commands) are kept; anything else is blanked.
    err << kProgram << ": " << BlankControls(message, true) << "\n"
        << "Run '" << kProgram
        << (options.command.empty() ? std::string(" help") : " help " + options.command)
        << "' for usage.\n";
    return kExitUsage;
}

} // namespace lxtool
